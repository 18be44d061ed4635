// Overlay against the numbers AviSynth gives: every mode on flat 4:4:4
// colours (with opacity and a mask), the modes in every pixel type on
// pictures with the overlay moved partly outside the frame, the refusals,
// and the blend kernel's vector forms against the plain one.
#include <array>
#include <cstdint>
#include <vector>

#include "base/VectorKernels.h"
#include "engine/kernels/OverlayBlend.h"
#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

struct ModeCase {
  const char* mode;
  const char* base;
  const char* overlay;
  const char* options;
  std::array<int, 3> yuv;
};

// Base and overlay are flat YV24 colours ($YYUUVV); the mask a flat luma
// of 110. The second pair runs the luma past white and below black, where
// the chroma fades to grey.
constexpr ModeCase kModes[] = {
    {"blend", "$5A9C46", "$B4508C", "opacity=1.0", {180, 80, 140}},
    {"blend", "$5A9C46", "$B4508C", "opacity=0.6", {144, 110, 112}},
    {"blend", "$5A9C46", "$B4508C", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {113, 136, 88}},
    {"blend", "$E0C040", "$50A0D0", "opacity=1.0", {80, 160, 208}},
    {"blend", "$E0C040", "$50A0D0", "opacity=0.6", {138, 173, 150}},
    {"blend", "$E0C040", "$50A0D0", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {187, 184, 101}},
    {"add", "$5A9C46", "$B4508C", "opacity=1.0", {255, 116, 102}},
    {"add", "$5A9C46", "$B4508C", "opacity=0.6", {198, 127, 77}},
    {"add", "$5A9C46", "$B4508C", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {136, 143, 73}},
    {"add", "$E0C040", "$50A0D0", "opacity=1.0", {255, 128, 128}},
    {"add", "$E0C040", "$50A0D0", "opacity=0.6", {255, 169, 120}},
    {"add", "$E0C040", "$50A0D0", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {244, 200, 84}},
    {"subtract", "$5A9C46", "$B4508C", "opacity=1.0", {0, 128, 128}},
    {"subtract", "$5A9C46", "$B4508C", "opacity=0.6", {0, 152, 99}},
    {"subtract", "$5A9C46", "$B4508C", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {44, 169, 67}},
    {"subtract", "$E0C040", "$50A0D0", "opacity=1.0", {144, 160, 0}},
    {"subtract", "$E0C040", "$50A0D0", "opacity=0.6", {176, 173, 16}},
    {"subtract", "$E0C040", "$50A0D0", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {204, 184, 44}},
    {"multiply", "$5A9C46", "$B4508C", "opacity=1.0", {64, 148, 87}},
    {"multiply", "$5A9C46", "$B4508C", "opacity=0.6", {74, 151, 80}},
    {"multiply", "$5A9C46", "$B4508C", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {83, 154, 74}},
    {"multiply", "$E0C040", "$50A0D0", "opacity=1.0", {70, 148, 108}},
    {"multiply", "$E0C040", "$50A0D0", "opacity=0.6", {132, 166, 90}},
    {"multiply", "$E0C040", "$50A0D0", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {184, 181, 75}},
    {"chroma", "$5A9C46", "$B4508C", "opacity=1.0", {90, 80, 140}},
    {"chroma", "$5A9C46", "$B4508C", "opacity=0.6", {90, 110, 112}},
    {"chroma", "$5A9C46", "$B4508C", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {90, 136, 88}},
    {"chroma", "$E0C040", "$50A0D0", "opacity=1.0", {224, 160, 208}},
    {"chroma", "$E0C040", "$50A0D0", "opacity=0.6", {224, 173, 150}},
    {"chroma", "$E0C040", "$50A0D0", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {224, 184, 101}},
    {"luma", "$5A9C46", "$B4508C", "opacity=1.0", {180, 156, 70}},
    {"luma", "$5A9C46", "$B4508C", "opacity=0.6", {144, 156, 70}},
    {"luma", "$5A9C46", "$B4508C", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {113, 156, 70}},
    {"luma", "$E0C040", "$50A0D0", "opacity=1.0", {80, 192, 64}},
    {"luma", "$E0C040", "$50A0D0", "opacity=0.6", {138, 192, 64}},
    {"luma", "$E0C040", "$50A0D0", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {187, 192, 64}},
    {"lighten", "$5A9C46", "$B4508C", "opacity=1.0", {180, 80, 140}},
    {"lighten", "$5A9C46", "$B4508C", "opacity=0.6", {144, 110, 112}},
    {"lighten", "$5A9C46", "$B4508C", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {113, 136, 88}},
    {"lighten", "$E0C040", "$50A0D0", "opacity=1.0", {224, 192, 64}},
    {"lighten", "$E0C040", "$50A0D0", "opacity=0.6", {224, 192, 64}},
    {"lighten", "$E0C040", "$50A0D0", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {224, 192, 64}},
    {"darken", "$5A9C46", "$B4508C", "opacity=1.0", {90, 156, 70}},
    {"darken", "$5A9C46", "$B4508C", "opacity=0.6", {90, 156, 70}},
    {"darken", "$5A9C46", "$B4508C", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {90, 156, 70}},
    {"darken", "$E0C040", "$50A0D0", "opacity=1.0", {80, 160, 208}},
    {"darken", "$E0C040", "$50A0D0", "opacity=0.6", {137, 173, 151}},
    {"darken", "$E0C040", "$50A0D0", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {187, 184, 101}},
    {"softlight", "$5A9C46", "$B4508C", "opacity=1.0", {142, 108, 82}},
    {"softlight", "$5A9C46", "$B4508C", "opacity=0.6", {121, 127, 77}},
    {"softlight", "$5A9C46", "$B4508C", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {103, 143, 73}},
    {"softlight", "$E0C040", "$50A0D0", "opacity=1.0", {176, 224, 144}},
    {"softlight", "$E0C040", "$50A0D0", "opacity=0.6", {195, 211, 112}},
    {"softlight", "$E0C040", "$50A0D0", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {211, 200, 84}},
    {"hardlight", "$5A9C46", "$B4508C", "opacity=1.0", {194, 108, 82}},
    {"hardlight", "$5A9C46", "$B4508C", "opacity=0.6", {152, 127, 77}},
    {"hardlight", "$5A9C46", "$B4508C", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {116, 143, 73}},
    {"hardlight", "$E0C040", "$50A0D0", "opacity=1.0", {128, 224, 144}},
    {"hardlight", "$E0C040", "$50A0D0", "opacity=0.6", {166, 211, 112}},
    {"hardlight", "$E0C040", "$50A0D0", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {199, 200, 84}},
    {"difference", "$5A9C46", "$B4508C", "opacity=1.0", {218, 204, 198}},
    {"difference", "$5A9C46", "$B4508C", "opacity=0.6", {167, 184, 147}},
    {"difference", "$5A9C46", "$B4508C", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {123, 168, 103}},
    {"difference", "$E0C040", "$50A0D0", "opacity=1.0", {255, 144, 200}},
    {"difference", "$E0C040", "$50A0D0", "opacity=0.6", {252, 172, 189}},
    {"difference", "$E0C040", "$50A0D0", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {236, 183, 117}},
    {"exclusion", "$5A9C46", "$B4508C", "opacity=1.0", {142, 115, 150}},
    {"exclusion", "$5A9C46", "$B4508C", "opacity=0.6", {121, 131, 118}},
    {"exclusion", "$5A9C46", "$B4508C", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {103, 145, 90}},
    {"exclusion", "$E0C040", "$50A0D0", "opacity=1.0", {162, 150, 103}},
    {"exclusion", "$E0C040", "$50A0D0", "opacity=0.6", {186, 166, 87}},
    {"exclusion", "$E0C040", "$50A0D0", "mask=BlankClip(a, color_yuv=$6E8080), opacity=0.6", {208, 181, 74}},
};

TEST(Overlay, EveryModeGivesAviSynthsNumbers) {
  for (const ModeCase& c : kModes) {
    const std::string script = std::string("a = BlankClip(width=16, height=8, pixel_type=\"YV24\", color_yuv=") +
                               c.base + ")\nb = BlankClip(a, color_yuv=" + c.overlay + ")\nOverlay(a, b, mode=\"" +
                               c.mode + "\", " + c.options + ")";
    const FramePtr f = Eval(script)->GetFrame(0);
    const std::array<int, 3> got = {f->Row(0, 3)[5], f->Row(1, 3)[5], f->Row(2, 3)[5]};
    EXPECT_EQ(got, c.yuv) << c.mode << " of " << c.overlay << " over " << c.base << " with " << c.options;
  }
}

struct FormatCase {
  const char* type;
  const char* mode;
  const char* options;
  std::vector<long long> sums;
};

// Two 64x48 pictures (one a ramp, one a pattern) in each type; the mask is
// the pattern mirrored. RGB32 worked on in YUV keeps the base's alpha on
// even pixels only, as AviSynth's does.
const FormatCase kFormats[] = {
    {"RGB24", "blend", "x=-5, y=7, opacity=0.7, mask=m", {162715, 161373, 321755}},
    {"RGB24", "blend", "x=13, y=-3, mask=m, greymask=false", {178854, 206220, 327821}},
    {"RGB24", "add", "opacity=0.6, mask=m", {221555, 208571, 420919}},
    {"RGB24", "chroma", "x=3, y=5, mask=m", {127249, 115973, 226909}},
    {"RGB24", "difference", "x=-2, y=-1", {700272, 480150, 719074}},
    {"RGB32", "blend", "x=-5, y=7, opacity=0.7, mask=m", {162715, 161373, 321755, 783360}},
    {"RGB32", "blend", "x=13, y=-3, mask=m, greymask=false", {178854, 206220, 327821, 783360}},
    {"RGB32", "add", "opacity=0.6, mask=m", {221555, 208571, 420919, 391680}},
    {"RGB32", "chroma", "x=3, y=5, mask=m", {127249, 115973, 226909, 391680}},
    {"RGB32", "difference", "x=-2, y=-1", {700272, 480150, 719074, 391680}},
    {"YV24", "blend", "x=-5, y=7, opacity=0.7, mask=m", {235512, 371689, 459451}},
    {"YV24", "blend", "x=13, y=-3, mask=m, greymask=false", {249117, 368764, 457066}},
    {"YV24", "add", "opacity=0.6, mask=m", {283723, 366674, 485025}},
    {"YV24", "chroma", "x=3, y=5, mask=m", {173663, 373271, 436685}},
    {"YV24", "difference", "x=-2, y=-1", {579348, 468973, 525530}},
    {"YV16", "blend", "x=-5, y=7, opacity=0.7, mask=m", {235512, 185137, 229688}},
    {"YV16", "blend", "x=13, y=-3, mask=m, greymask=false", {249117, 184717, 228538}},
    {"YV16", "add", "opacity=0.6, mask=m", {283723, 183399, 242603}},
    {"YV16", "chroma", "x=3, y=5, mask=m", {173663, 186627, 218284}},
    {"YV16", "difference", "x=-2, y=-1", {579348, 233131, 257264}},
    {"YV12", "blend", "x=-5, y=7, opacity=0.7, mask=m", {235512, 92436, 114848}},
    {"YV12", "blend", "x=13, y=-3, mask=m, greymask=false", {249117, 91923, 114009}},
    {"YV12", "add", "opacity=0.6, mask=m", {283723, 91549, 121213}},
    {"YV12", "chroma", "x=3, y=5, mask=m", {173663, 93074, 109111}},
    {"YV12", "difference", "x=-2, y=-1", {579348, 116392, 127800}},
    {"Y8", "blend", "x=-5, y=7, opacity=0.7, mask=m", {235512}},
    {"Y8", "blend", "x=13, y=-3, mask=m, greymask=false", {249117}},
    {"Y8", "add", "opacity=0.6, mask=m", {283723}},
    {"Y8", "chroma", "x=3, y=5, mask=m", {173663}},
    {"Y8", "difference", "x=-2, y=-1", {579348}},
    {"YUY2", "blend", "x=-5, y=7, opacity=0.7, mask=m", {235512, 185137, 229688}},
    {"YUY2", "blend", "x=13, y=-3, mask=m, greymask=false", {249117, 184717, 228538}},
    {"YUY2", "add", "opacity=0.6, mask=m", {283723, 183399, 242603}},
    {"YUY2", "chroma", "x=3, y=5, mask=m", {173663, 186627, 218284}},
    {"YUY2", "difference", "x=-2, y=-1", {579348, 233131, 257264}},
};

TEST(Overlay, EveryPixelTypeGivesAviSynthsSums) {
  TempFolder folder;
  FrameBGR ramp(64, 48), pattern(64, 48);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      SetPixel(ramp, x, y, Bgr{x, y, 100});
      SetPixel(pattern, x, y, Bgr{(4 * x - y + 256) % 256, 200 - 3 * y, (x * y) % 256});
    }
  const std::string a = PictureSource(folder, "ramp.bmp", ramp);
  const std::string b = PictureSource(folder, "pattern.bmp", pattern);
  for (const FormatCase& c : kFormats) {
    const std::string type = c.type;
    const std::string to = type == "Y8"     ? "ConvertToYV24().ConvertToY8()"
                           : type == "YUY2" ? "ConvertToYV16().ConvertToYUY2()"
                                            : "ConvertTo" + type + "()";
    const std::string script = "a = " + a + "." + to + "\nb = " + b + "." + to + "\nm = " + b + ".FlipHorizontal()." +
                               to + "\nOverlay(a, b, mode=\"" + c.mode + "\", " + c.options + ")";
    const engine::ClipPtr clip = Eval(script);
    EXPECT_EQ(ChannelSums(*clip->GetFrame(0)), c.sums) << c.type << " " << c.mode << " " << c.options;
  }
}

TEST(Overlay, PlacesClipsAndRefusesAsAviSynthDoes) {
  const std::string base = "a = BlankClip(width=64, height=48, pixel_type=\"YV12\", color_yuv=$408080)\n";
  // Wholly outside: the base as it was; opacity is held to 0..1.
  for (const char* call :
       {"Overlay(a, a.Invert(), x=64)", "Overlay(a, a.Invert(), y=-48)", "Overlay(a, a.Invert(), opacity=-1.5)"}) {
    const FramePtr f = Eval(base + call)->GetFrame(0);
    EXPECT_EQ(f->Row(0, 10)[10], 0x40) << call;
  }
  EXPECT_EQ(Eval(base + "Overlay(a, a.Invert(), opacity=1.5)")->GetFrame(0)->Row(0, 10)[10], 255 - 0x40);
  // A smaller overlay covers only its own rectangle.
  const FramePtr part = Eval(base + "Overlay(a, a.Invert().Crop(0, 0, 8, 4), x=60, y=46)")->GetFrame(0);
  EXPECT_EQ(part->Row(0, 46)[59], 0x40);
  EXPECT_EQ(part->Row(0, 46)[60], 255 - 0x40);
  EXPECT_EQ(part->Row(0, 47)[63], 255 - 0x40);
  EXPECT_EQ(part->Row(0, 45)[63], 0x40);
  // The output type, and the base's type otherwise.
  EXPECT_EQ(Eval(base + "Overlay(a, a, output=\"YUY2\")")->Info().pixelType, PixelType::YUY2);
  EXPECT_EQ(Eval(base + "Overlay(a, a.ConvertToRGB32(), output=\"RGB32\")")->Info().pixelType, PixelType::RGB32);
  EXPECT_EQ(Eval(base + "Overlay(a, a.ConvertToRGB24())")->Info().pixelType, PixelType::YV12);
  EXPECT_EQ(Message(EvalError(base + "Overlay(a, a, mask=a.Crop(0, 0, -2, 0))")),
            "Overlay: Mask and overlay must have the same image size! (Width is not the same)");
  EXPECT_EQ(Message(EvalError(base + "Overlay(a, a, mask=a.Crop(0, 0, 0, -2))")),
            "Overlay: Mask and overlay must have the same image size! (Height is not the same)");
  EXPECT_EQ(Message(EvalError(base + "Overlay(a, a, mode=\"Blend2\")")), "Overlay: Invalid 'Mode' specified.");
  EXPECT_EQ(Message(EvalError(base + "Overlay(a, a, output=\"YV99\")")), "Overlay: invalid pixel_type!");
}

// The kernel's vector forms against the plain loop, over every pair of
// bytes, with and without a mask, at opacities that round both ways.
TEST(Overlay, BlendKernelsGiveThePlainBytes) {
  EnableVectorKernels(true);
  std::vector<std::uint8_t> base(65536), over(65536), mask(65536);
  for (int i = 0; i < 65536; ++i) {
    base[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i >> 8);
    over[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    mask[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7 + (i >> 8));
  }
  for (float opacity : {1.0f, 0.6f, 0.3f, 0.123f, 0.5001f}) {
    for (bool masked : {false, true}) {
      const float factor = masked ? opacity / 255.0f : opacity;
      const std::uint8_t* m = masked ? mask.data() : nullptr;
      std::vector<std::uint8_t> plain(65536), avx(65536), sse(65536);
      engine::OverlayBlendPlain(base.data(), over.data(), m, plain.data(), 0, 65536, factor);
      if (UseAvx2Kernels()) {
        // An odd count leaves a tail for the plain loop.
        const int done = engine::OverlayBlendAvx2(base.data(), over.data(), m, avx.data(), 65535, factor);
        engine::OverlayBlendPlain(base.data(), over.data(), m, avx.data(), done, 65536, factor);
        EXPECT_EQ(plain, avx) << opacity << (masked ? " masked" : "");
      }
      if (UseSse41Kernels()) {
        const int done = engine::OverlayBlendSse41(base.data(), over.data(), m, sse.data(), 65533, factor);
        engine::OverlayBlendPlain(base.data(), over.data(), m, sse.data(), done, 65536, factor);
        EXPECT_EQ(plain, sse) << opacity << (masked ? " masked" : "");
      }
      // A worked example: 100 towards 200 by 0.6 is 160.
      if (!masked && opacity == 0.6f) {
        EXPECT_EQ(plain[100 * 256 + 200], 160);
      }
    }
  }
  // And a whole picture through the switch: plain, SSE4.1 and AVX2 alike.
  const std::string script =
      "a = ColorBars(width=202, height=114, pixel_type=\"YV12\")\nOverlay(a, a.FlipHorizontal(), x=-3, y=5, "
      "mask=a.FlipVertical(), opacity=0.7)";
  EnableVectorKernels(false);
  const FrameBGR plainFrame = *Eval(script)->GetFrame(0);
  EnableVectorKernels(true);
  LimitVectorKernels(VectorLevel::Sse41);
  const FrameBGR sseFrame = *Eval(script)->GetFrame(0);
  EnableVectorKernels(true);
  const FrameBGR avxFrame = *Eval(script)->GetFrame(0);
  EXPECT_EQ(plainFrame.pixels, sseFrame.pixels);
  EXPECT_EQ(plainFrame.pixels, avxFrame.pixels);
}

}  // namespace
}  // namespace tandemix::test
