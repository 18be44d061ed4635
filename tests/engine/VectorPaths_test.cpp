// The engine's vector kernels and shortcuts against the plain code: the
// same bytes with the vector kernels on and off (base/VectorKernels.h),
// Crop over a resize or borders against the whole frame cropped, views
// written in place into a stack against views copied, and the
// banded YV12 to RGB conversion against the conversion through YV24.
#include <string>

#include "base/VectorKernels.h"
#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

FrameBGR Frame(const engine::ClipPtr& clip, int n = 0) { return *clip->GetFrame(n); }

// A busy picture in `type`: bars enlarged with ringing, a ramp of borders,
// so the sums reach both ends of the byte range. ColorBars draws no Y8:
// its luma comes from the YV24 bars.
std::string Busy(const std::string& type, int width, int height) {
  const bool luma = type == "Y8";
  return "ColorBars(width=" + std::to_string(width * 3 / 4 / 2 * 2) + ", height=" + std::to_string(height / 2 * 2) +
         ", pixel_type=\"" + (luma ? std::string("YV24") : type) + "\")" + (luma ? ".ConvertToY8()" : "") +
         ".Lanczos4Resize(" + std::to_string(width) + ", " + std::to_string(height) +
         ", 3.25, 1.5, -7.5, -2.75).AddBorders(0, 0, 0, 0, $FFFFFF)";
}

class VectorSwitch : public ::testing::Test {
 protected:
  void TearDown() override { EnableVectorKernels(true); }
  // Frame 0 of the script made with the vector kernels off, then on.
  static std::pair<FrameBGR, FrameBGR> PlainAndVector(const std::string& script) {
    EnableVectorKernels(false);
    FrameBGR plain = Frame(Eval(script));
    EnableVectorKernels(true);
    FrameBGR vector = Frame(Eval(script));
    return {plain, vector};
  }
};

TEST_F(VectorSwitch, ZoomTurnsEveryTypeAsThePlainLoopDoes) {
  EnableVectorKernels(true);
  if (!UseAvx2Kernels()) GTEST_SKIP() << "no AVX2 on this processor";
  for (const char* type : {"YV12", "YV24", "Y8", "YUY2", "RGB24", "RGB32"}) {
    for (const char* angle : {"1.5", "-0.3", "7", "45", "-90.25", "179.9"}) {
      // Widths that leave tails past whole groups of eight, and small pictures.
      for (const auto& [w, h] : {std::pair{98, 54}, std::pair{320, 180}, std::pair{16, 10}}) {
        const std::string script = Busy(type, w, h) + ".zoom(angle=\"" + angle + "\")";
        const auto [plain, vector] = PlainAndVector(script);
        ASSERT_EQ(plain.pixels, vector.pixels) << type << " turned by " << angle << " at " << w << "x" << h;
      }
    }
  }
}

TEST_F(VectorSwitch, ResizersAndConversionsGiveThePlainBytes) {
  EnableVectorKernels(true);
  if (!UseAvx2Kernels()) GTEST_SKIP() << "no AVX2 on this processor";
  for (const char* type : {"YV12", "YV16", "YV24", "RGB24", "RGB32"}) {
    const std::string src = Busy(type, 202, 114);
    for (const std::string& chain :
         {src + ".Lanczos4Resize(210, 120).Crop(4, 2, 200, 110)", src + ".Spline36Resize(66, 40)",
          src + ".BicubicResize(404, 228)", src + ".ConvertToRGB24()", src + ".ConvertToRGB32()",
          src + ".ConvertToYV24().ConvertToYV12()", src + ".SinPowerResize(300, 170)",
          src + ".SincLin2Resize(40, 16)"}) {
      const auto [plain, vector] = PlainAndVector(chain);
      ASSERT_EQ(plain.pixels, vector.pixels) << chain;
      // As a processor without AVX2 runs it.
      LimitVectorKernels(VectorLevel::Sse41);
      ASSERT_EQ(plain.pixels, Frame(Eval(chain)).pixels) << chain << " in SSE4.1";
    }
  }
}

// Blur and Sharpen in every type, both rules (fine and coarse) and both
// directions, at the extreme amounts and rows long and short enough to
// leave tails past whole groups of sixteen.
TEST_F(VectorSwitch, BlurAndSharpenGiveThePlainBytes) {
  EnableVectorKernels(true);
  if (!UseAvx2Kernels()) GTEST_SKIP() << "no AVX2 on this processor";
  for (const char* type : {"YV12", "YV16", "YV24", "Y8", "YUY2", "RGB24", "RGB32"}) {
    for (const auto& [w, h] : {std::pair{202, 40}, std::pair{38, 12}, std::pair{22, 10}}) {
      const std::string src = Busy(type, w, h);
      for (const char* filter : {".Sharpen(1.0)", ".Sharpen(0.37, 0.8)", ".Blur(1.58)", ".Blur(0.5, -1.0)",
                                 ".Sharpen(-1.58, 0)", ".Blur(0, 1.0)"}) {
        const auto [plain, vector] = PlainAndVector(src + filter);
        ASSERT_EQ(plain.pixels, vector.pixels) << type << filter << " at " << w << "x" << h;
      }
    }
  }
}

// TemporalSoften over frames that differ by small and large amounts, at
// the smallest and largest radius and thresholds that let some in.
TEST_F(VectorSwitch, TemporalSoftenGivesThePlainBytes) {
  EnableVectorKernels(true);
  if (!UseAvx2Kernels()) GTEST_SKIP() << "no AVX2 on this processor";
  for (const char* type : {"YV12", "YV24", "Y8", "YUY2", "RGB32"}) {
    const std::string still = Busy(type, 202, 40) + ".Trim(0, -1)";
    const std::string frames =
        "s = " + still + "\n(s + s.Invert() + s.Blur(1.0) + s.Sharpen(1.0) + s.Invert().Blur(0.5))";
    for (const char* filter :
         {".TemporalSoften(1, 255, 255)", ".TemporalSoften(2, 12, 30)", ".TemporalSoften(7, 40, 3)"}) {
      EnableVectorKernels(false);
      const FrameBGR plain = Frame(Eval(frames + filter), 2);
      EnableVectorKernels(true);
      ASSERT_EQ(plain.pixels, Frame(Eval(frames + filter), 2).pixels) << type << filter;
    }
  }
}

// Crop asks a resizer for its window and sees through borders; the bytes
// are those of the whole frame cropped (two flips keep Crop from seeing
// what lies below them).
TEST(CropWindows, GiveTheBytesOfTheWholeFrameCropped) {
  for (const char* type : {"YV12", "YUY2", "RGB24", "Y8"}) {
    const std::string src = Busy(type, 96, 64);
    const std::string resized = src + ".Lanczos4Resize(100, 70, 0.5, 0.25, 95, 63)";
    for (const char* window : {"Crop(2, 4, 96, 64)", "Crop(0, 0, -2, -6)", "Crop(10, 2, 2, 2)"}) {
      EXPECT_EQ(Frame(Eval(resized + "." + window)).pixels,
                Frame(Eval(resized + ".FlipVertical().FlipVertical()." + window)).pixels)
          << type << " " << window;
    }
    const std::string bordered = src + ".AddBorders(8, 4, 6, 2, $FF0000)";
    for (const char* window :
         {"Crop(8, 4, 96, 64)", "Crop(10, 6, 40, 20)", "Crop(0, 0, 50, 30)", "Crop(60, 4, -2, -2)"}) {
      EXPECT_EQ(Frame(Eval(bordered + "." + window)).pixels,
                Frame(Eval(bordered + ".FlipVertical().FlipVertical()." + window)).pixels)
          << type << " " << window;
    }
  }
  // A window outside the resized picture is still refused as Crop refuses it.
  EXPECT_EQ(Message(EvalError(Busy("YV12", 96, 64) + ".Lanczos4Resize(100, 70).Crop(2, 2, 100, 70)")),
            "Crop: you cannot use crop to enlarge or 'shift' a clip");
}

// Stacks have their views written into their part of the result (resizes,
// conversions, crops, borders, zoom, nested); the bytes are those of views
// made whole and copied (two flips hide a view's own way of writing).
TEST(StackViews, WrittenInPlaceGiveTheBytesOfViewsCopied) {
  for (const char* type : {"YV12", "YV16", "YV24", "YUY2", "RGB24", "RGB32", "Y8"}) {
    const std::string src = Busy(type, 96, 64);
    const std::string views[] = {
        src + ".Lanczos4Resize(100, 70).Crop(2, 4, 96, 64)",
        src + ".BicubicResize(48, 32).AddBorders(24, 16, 24, 16, $4080C0)",
        src + ".Crop(8, 4, 80, 56).AddBorders(6, 2, 10, 6)",
        src + ".AddBorders(8, 4, 8, 4).Crop(4, 2, 96, 64)",
        src + ".zoom(angle=\"2.5\")",
        std::string("ColorBars(width=96, height=64, pixel_type=\"YV12\").ConvertTo") + type + "()",
    };
    for (const std::string& view : views) {
      for (const char* stack : {"StackHorizontal", "StackVertical"}) {
        const std::string copied = view + ".FlipVertical().FlipVertical()";
        EXPECT_EQ(Frame(Eval(std::string(stack) + "(" + src + ", " + view + ", " + view + ")")).pixels,
                  Frame(Eval(std::string(stack) + "(" + src + ", " + copied + ", " + copied + ")")).pixels)
            << type << " " << stack << " " << view;
      }
    }
  }
}

// Sources hand out planar YUV frames where the decoder put them, with its
// strides (a picture 100 pixels wide has rows of more bytes). Every filter
// gives the bytes it gives on frames of its own (two flips make those), and
// what the player shows is the same.
TEST(SourceViews, FiltersReadThemAsTheyReadFramesOfTheirOwn) {
  TempFolder folder;
  for (const char* format : {"yuv420p", "yuv422p", "yuv444p", "gray"}) {
    const std::string path = folder.File(std::string(format) + ".mkv");
    ASSERT_TRUE(MakeTestVideo(path, 100, 60, 6, 25, std::string("-c:v ffv1 -pix_fmt ") + format));
    const std::string view = "OpenSource(\"" + path + "\")";
    const std::string own = view + ".FlipVertical().FlipVertical()";
    for (const std::string& filter :
         {std::string(""), std::string(".Crop(4, 2, 60, 40)"), std::string(".AddBorders(2, 4, 6, 8)"),
          std::string(".Lanczos4Resize(120, 70)"), std::string(".BicubicResize(50, 30, 0.5, 0.25, 98, 58)"),
          std::string(".ConvertToYV24()"), std::string(".ConvertToYV12()"), std::string(".ConvertToRGB32()"),
          std::string(".ConvertToYUY2()"), std::string(".ConvertToY8()"), std::string(".Invert()"),
          std::string(".zoom(angle=\"3\")"), std::string(".SeparateFields()"), std::string(".Trim(2, 4).Reverse()")}) {
      const std::string script = view + filter;
      const std::string copied = own + filter;
      EXPECT_EQ(Frame(Eval(script), 2).Bytes(), Frame(Eval(copied), 2).Bytes()) << format << filter;
      EXPECT_EQ(engine::FrameBGROf(*Eval(script), 2, "test.avs")->Bytes(),
                engine::FrameBGROf(*Eval(copied), 2, "test.avs")->Bytes())
          << format << filter;
    }
    const std::string mixed = "StackHorizontal(" + view + ", " + own + ", " + view + ".Crop(0, 0, 50, 0))";
    EXPECT_EQ(Frame(Eval(mixed), 1).Bytes(),
              Frame(Eval("StackHorizontal(" + own + ", " + own + ", " + own + ".Crop(0, 0, 50, 0))"), 1).Bytes())
        << format;
    EXPECT_TRUE(Eval(view)->GetFrame(0)->IsView()) << format;
  }
}

TEST(Yv12ToRgb, BandedConversionIsTheConversionThroughYV24) {
  for (const std::string& src : {Busy("YV12", 38, 22), Busy("YV12", 202, 114), Busy("YV12", 646, 12),
                                 std::string("BlankClip(width=2, height=2, pixel_type=\"YV12\", color=$FF2080)")}) {
    EXPECT_EQ(Frame(Eval(src + ".ConvertToRGB24()")).pixels,
              Frame(Eval(src + ".ConvertToYV24().ConvertToRGB24()")).pixels)
        << src;
    EXPECT_EQ(Frame(Eval(src + ".ConvertToRGB32()")).pixels,
              Frame(Eval(src + ".ConvertToYV24().ConvertToRGB32()")).pixels)
        << src;
    // What the player shows is the same through Rec601 (colour bars say
    // Rec709, which ConvertToRGB24 follows; the player does not).
    const engine::ClipPtr clip = Eval(src);
    EXPECT_EQ(engine::FrameBGROf(*clip, 0, "test.avs")->pixels,
              Frame(Eval(src + ".ConvertToYV24().ConvertToRGB24(matrix=\"Rec601\")")).pixels);
  }
}

}  // namespace
}  // namespace tandemix::test
