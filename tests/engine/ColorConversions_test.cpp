// Conversions between RGB and YUV with the numbers AviSynth gives: full-range
// RGB spans 255.5 steps, studio-range RGB (colour bars) keeps its levels,
// and a conversion without a matrix follows what the clip says it is.
#include "tests/engine/EngineTestSupport.h"
#include "tests/engine/FilterDigest.h"

namespace tandemix::test {
namespace {

std::vector<int> Yuv(const std::string& script, int x = 0, int y = 0) {
  const FrameBGR f = *Eval(script)->GetFrame(0);
  EXPECT_EQ(f.type, PixelType::YV24) << script;
  return {f.Row(0, y)[x], f.Row(1, y)[x], f.Row(2, y)[x]};
}

TEST(ColorConversions, RgbToYuvAsAviSynthRoundsIt) {
  const struct {
    const char* color;
    std::vector<int> yuv;
  } cases[] = {
      {"$ff0000", {81, 90, 240}},   // BlankClip's own YUV red is 81, 91, 240
      {"$f08020", {145, 69, 184}},  //
      {"$4080c0", {116, 166, 95}},  //
      {"$10eb10", {140, 64, 48}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(
        Yuv(std::string("BlankClip(width=8, height=8, pixel_type=\"RGB24\", color=") + c.color + ").ConvertToYV24()"),
        c.yuv)
        << c.color;
}

TEST(ColorConversions, YuvToRgbAsAviSynthRoundsIt) {
  const struct {
    const char* color;
    Bgr rgb;
  } cases[] = {
      {"$515bf0", {1, 0, 255}},   {"$b48080", {191, 191, 191}}, {"$2a10f0", {0, 0, 209}},
      {"$80ff00", {255, 185, 0}}, {"$1010ff", {0, 0, 203}},
  };
  for (const auto& c : cases) {
    const FrameBGR f = *Eval(std::string("BlankClip(width=8, height=8, pixel_type=\"YV24\", color_yuv=") + c.color +
                             ").ConvertToRGB24()")
                            ->GetFrame(0);
    EXPECT_EQ(PixelAt(f, 3, 3), c.rgb) << c.color;
  }
}

// ColorBars' RGB is studio range: in YUV its levels stay (grey 180 is luma
// 180, not 170), and back in RGB through Rec601 they spread to full range.
TEST(ColorConversions, StudioRangeBarsKeepTheirLevels) {
  const std::string bars = "ColorBars(width=140, height=100)";
  const struct {
    int x, y;
    std::vector<int> yuv;
  } cases[] = {{0, 0, {180, 128, 128}},  {20, 0, {161, 44, 142}}, {60, 0, {112, 73, 58}},    {80, 0, {84, 183, 198}},
               {120, 0, {35, 212, 114}}, {0, 99, {58, 156, 97}},  {25, 99, {234, 128, 128}}, {50, 99, {44, 170, 148}}};
  for (const auto& c : cases) EXPECT_EQ(Yuv(bars + ".ConvertToYV24()", c.x, c.y), c.yuv) << c.x << "," << c.y;
  EXPECT_EQ(PixelAt(*Eval(bars + ".ConvertToYV24().ConvertToRGB24()")->GetFrame(0), 0, 0), (Bgr{191, 191, 191}));
  // Y8 is the same luma.
  EXPECT_EQ(static_cast<int>(Eval(bars + ".ConvertToY8()")->GetFrame(0)->Row(0, 0)[20]), 161);
  // ColorBars' YUV says Rec709: back to RGB without a matrix is Rec709's.
  const FrameBGR plain = *Eval("ColorBars(width=140, height=100, pixel_type=\"YV24\").ConvertToRGB24()")->GetFrame(0);
  const FrameBGR rec709 =
      *Eval("ColorBars(width=140, height=100, pixel_type=\"YV24\").ConvertToRGB24(matrix=\"Rec709\")")->GetFrame(0);
  const FrameBGR rec601 =
      *Eval("ColorBars(width=140, height=100, pixel_type=\"YV24\").ConvertToRGB24(matrix=\"Rec601\")")->GetFrame(0);
  EXPECT_EQ(plain.Bytes(), rec709.Bytes());
  EXPECT_NE(plain.Bytes(), rec601.Bytes());
  // ConvertToY8 has no interlaced argument.
  EXPECT_NE(EvalError("ColorBars().ConvertToY8(interlaced=true)"), "");
}

// YUY2 to and from the other types, and luma alone from RGB, byte for byte:
// RGB to YUY2 smooths chroma 1-2-1 across from the rounded luma, YUY2 to
// RGB sums the next pair's chroma for odd pixels, YUY2 and YV12 average or
// repeat chroma rows (each field on its own when interlaced), and luma
// alone from RGB without a matrix is full range.
TEST(ColorConversions, Yuy2AndLumaConversionsByteForByte) {
  const DigestCase cases[] = {
      {"RGB24", "ConvertToYUY2()", 0, 40, 16, 0x1f0cb146u},
      {"RGB24", "ConvertToYUY2(matrix=\"Rec709\")", 0, 40, 16, 0x00fc2eceu},
      {"RGB24", "ConvertToYUY2(matrix=\"PC.601\")", 0, 40, 16, 0xc122d30bu},
      {"RGB24", "ConvertToYUY2(matrix=\"PC.709\")", 0, 40, 16, 0xda9812d7u},
      {"RGB24", "ConvertToYUY2(interlaced=true)", 0, 40, 16, 0x1f0cb146u},
      {"RGB24", "ConvertToY8()", 0, 40, 16, 0x09935cbau},
      {"RGB24", "ConvertToY8(matrix=\"PC.709\")", 0, 40, 16, 0x210ce967u},
      {"RGB24", "ConvertToY8(matrix=\"Rec601\")", 0, 40, 16, 0xf00f29c4u},
      {"RGB24", "ConvertToYV24(matrix=\"PC.601\")", 0, 40, 16, 0x9bde450du},
      {"RGB24", "ConvertToYV24(matrix=\"PC.709\")", 0, 40, 16, 0x4c80e915u},
      {"RGB24", "ConvertToY8().ConvertToRGB24()", 0, 40, 16, 0xe8fbd5bcu},
      {"RGB24", "ConvertToYUY2(matrix=\"PC.601\").ConvertToRGB24(matrix=\"PC.601\")", 0, 40, 16, 0x11c0aa5eu},
      {"RGB24", "ConvertToYUY2(matrix=\"PC.709\").ConvertToRGB32(matrix=\"PC.709\")", 0, 40, 16, 0x149de653u},
      {"RGB24", "ConvertToYUY2().ConvertToRGB24()", 0, 40, 16, 0x7faa2cccu},
      {"RGB32", "ConvertToYUY2()", 0, 40, 16, 0x1f0cb146u},
      {"RGB32", "ConvertToYUY2(matrix=\"PC.709\")", 0, 40, 16, 0xda9812d7u},
      {"YUY2", "ConvertToRGB24()", 0, 40, 16, 0xfdc278a2u},
      {"YUY2", "ConvertToRGB32(matrix=\"Rec709\")", 0, 40, 16, 0xb4cc105du},
      {"YUY2", "ConvertToYV12()", 0, 40, 16, 0x1eb98eb2u},
      {"YUY2", "ConvertToYV12(interlaced=true)", 0, 40, 16, 0x66e15d7au},
      {"YUY2", "ConvertToYV24()", 0, 40, 16, 0xa3bfc83fu},
      {"YUY2", "ConvertToY8()", 0, 40, 16, 0x0e7ac1d9u},
      {"YUY2", "ConvertToYV16()", 0, 40, 16, 0xd21081a3u},
      {"YV12", "ConvertToYUY2()", 0, 40, 16, 0xce36aa6eu},
      {"YV12", "ConvertToYUY2(interlaced=true)", 0, 40, 16, 0x47d69db3u},
      {"YV24", "ConvertToYUY2()", 0, 40, 16, 0x4cec9660u},
      {"YV16", "ConvertToYUY2()", 0, 40, 16, 0xd21081a3u},
  };
  TempFolder folder;
  ExpectDigests(folder, 40, 16, cases, std::size(cases));
}

// Worked values: one colour's luma through each matrix, and a YUY2 pair's
// odd pixel between two pairs' chroma.
TEST(ColorConversions, LumaAloneAndYuy2WorkedValues) {
  const std::string green = "BlankClip(width=16, height=2, pixel_type=\"RGB24\", color=$6EB752)";
  const struct {
    const char* call;
    int luma;
  } lumas[] = {{"ConvertToY8()", 150},
               {"ConvertToY8(matrix=\"Rec601\")", 144},
               {"ConvertToY8(matrix=\"Rec709\")", 153},
               {"ConvertToY8(matrix=\"PC.709\")", 160},
               {"ConvertToYV24()", 144},
               {"ConvertToYUY2()", 144},
               {"ConvertToYV24(matrix=\"PC.601\")", 150}};
  for (const auto& c : lumas) EXPECT_EQ(Eval(green + "." + c.call)->GetFrame(0)->Row(0)[0], c.luma) << c.call;
  // Full-range luma back to RGB stays grey 150.
  EXPECT_EQ(PixelAt(*Eval(green + ".ConvertToY8().ConvertToRGB24()")->GetFrame(0), 5, 1), (Bgr{150, 150, 150}));
  // Y 107 U 95 V 163 (even pixel) is (39, 91, 162); the odd pixel beside
  // it, also Y 107, takes U 95 + 95 and V 163 + 127 at one more bit; the
  // row's last pixel takes its own pair's chroma twice.
  const FrameBGR pair = *Eval(
                             "a = BlankClip(width=2, height=2, pixel_type=\"YUY2\", color_yuv=$6B5FA3)\n"
                             "b = BlankClip(width=2, height=2, pixel_type=\"YUY2\", color_yuv=$905F7F)\n"
                             "StackHorizontal(a, b).ConvertToRGB24()")
                             ->GetFrame(0);
  EXPECT_EQ(PixelAt(pair, 0, 0), (Bgr{39, 91, 162}));
  EXPECT_EQ(PixelAt(pair, 1, 0), (Bgr{39, 105, 133}));
  EXPECT_EQ(PixelAt(pair, 3, 1), (Bgr{83, 163, 148}));
}

// chromaresample names the kernel that moves chroma between subsamplings
// (YUY2 then goes through YV16); point sampling counts from the planes'
// edges. The packed paths between RGB and YUY2 refuse it, and an unknown
// name is refused.
TEST(ColorConversions, ChromaResamplersByteForByte) {
  const DigestCase cases[] = {
      {"YV24", "ConvertToYV12(chromaresample=\"point\")", 0, 40, 16, 0x9c01e589u},
      {"YV24", "ConvertToYV12(chromaresample=\"bilinear\")", 0, 40, 16, 0xba60506au},
      {"YV24", "ConvertToYV12(chromaresample=\"lanczos\")", 0, 40, 16, 0xda6d37f2u},
      {"YV24", "ConvertToYV12(chromaresample=\"Spline36\")", 0, 40, 16, 0x528eec16u},
      {"YV24", "ConvertToYV12(chromaresample=\"gauss\")", 0, 40, 16, 0x5f3a4d92u},
      {"YV24", "ConvertToYV16(chromaresample=\"spline16\")", 0, 40, 16, 0xf9daa89eu},
      {"YV24", "ConvertToYV12(chromaresample=\"point\", interlaced=true)", 0, 40, 16, 0xee2d49a4u},
      {"YV24", "ConvertToYUY2(chromaresample=\"point\")", 0, 40, 16, 0x3e59b054u},
      {"YV12", "ConvertToYV24(chromaresample=\"point\")", 0, 40, 16, 0xd10046a9u},
      {"YV12", "ConvertToYUY2(chromaresample=\"bicubic\")", 0, 40, 16, 0xdbe708e0u},
      {"YV12", "ConvertToYUY2(chromaresample=\"point\", interlaced=true)", 0, 40, 16, 0xe7fd29d8u},
      {"YV12", "ConvertToRGB24(chromaresample=\"lanczos4\")", 0, 40, 16, 0x79362964u},
      {"YV12", "ConvertToRGB32(chromaresample=\"point\")", 0, 40, 16, 0xcdd72b48u},
      {"YV12", "ConvertToYV16(chromaresample=\"blackman\")", 0, 40, 16, 0xa1d2ab3fu},
      {"YUY2", "ConvertToYV12(chromaresample=\"point\")", 0, 40, 16, 0x14924a4bu},
      {"YUY2", "ConvertToYV12(chromaresample=\"sinc\")", 0, 40, 16, 0x55d5306fu},
      {"YUY2", "ConvertToYV24(chromaresample=\"spline64\")", 0, 40, 16, 0x9412c81eu},
      {"YUY2", "ConvertToYV12(chromaresample=\"bicubic\", interlaced=true)", 0, 40, 16, 0xaf0bc8fcu},
  };
  TempFolder folder;
  ExpectDigests(folder, 40, 16, cases, std::size(cases));
  const struct {
    const char* script;
    const char* message;
  } refused[] = {
      {"BlankClip(pixel_type=\"RGB24\").ConvertToYUY2(chromaresample=\"point\")",
       "ConvertToYUY2: ChromaPlacement, ChromaResample, param1, param2 or param3 options are not supported."},
      {"BlankClip(pixel_type=\"RGB32\").ConvertToYUY2(ChromaInPlacement=\"MPEG2\")",
       "ConvertToYUY2: ChromaPlacement, ChromaResample, param1, param2 or param3 options are not supported."},
      {"BlankClip(pixel_type=\"YUY2\").ConvertToRGB24(chromaresample=\"bicubic\")",
       "ConvertToRGB: ChromaPlacement and ChromaResample options are not supported."},
      {"BlankClip(pixel_type=\"YUY2\").ConvertToRGB32(ChromaInPlacement=\"MPEG2\")",
       "ConvertToRGB: ChromaPlacement and ChromaResample options are not supported."},
      {"BlankClip(pixel_type=\"YV24\").ConvertToYV12(chromaresample=\"foo\")",
       "Convert: Unknown chroma resampler, 'foo'"},
      {"BlankClip(pixel_type=\"YV12\").ConvertToYUY2(ChromaOutPlacement=\"left\")",
       "Script error: ConvertToYUY2 does not have a named argument \"ChromaOutPlacement\""},
  };
  for (const auto& r : refused) EXPECT_EQ(Message(EvalError(r.script)), r.message) << r.script;
  // The same arguments are taken where a planar step resamples.
  EXPECT_EQ(EvalError("BlankClip(pixel_type=\"YV12\").ConvertToYUY2(ChromaInPlacement=\"MPEG2\")"), "");
  EXPECT_EQ(EvalError("BlankClip(pixel_type=\"YUY2\").ConvertToYV12(chromaresample=\"point\")"), "");
}

}  // namespace
}  // namespace tandemix::test
