// Conversions between RGB and YUV with the numbers AviSynth gives: full-range
// RGB spans 255.5 steps, studio-range RGB (colour bars) keeps its levels,
// and a conversion without a matrix follows what the clip says it is.
#include "tests/engine/EngineTestSupport.h"

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

}  // namespace
}  // namespace tandemix::test
