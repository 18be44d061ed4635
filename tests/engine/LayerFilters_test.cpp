// The layer and mask filters against the sums of each channel AviSynth
// gives on two 64x48 pictures (a ramp and a pattern, given alpha by Mask),
// and their refusals in AviSynth's words.
#include <string>
#include <vector>

#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

struct LayerCase {
  const char* call;
  std::vector<long long> sums;
};

// a: the ramp, b: the pattern (RGB32, opaque); c: b with a mirrored ramp's
// luma as alpha; d: a with the flipped pattern's luma as alpha.
const LayerCase kCases[] = {
    {R"(Layer(d, c, "add"))", {150824, 127067, 316784, 338988}},
    {R"(Layer(d, c, "add", 100, x=-5, y=9))", {110548, 88553, 310502, 370861}},
    {R"(Layer(d, c, "subtract", 180))", {135488, 114187, 322198, 414767}},
    {R"(Layer(d, c, "mul"))", {87348, 61409, 274554, 323717}},
    {R"(Layer(d, c, "fast"))", {244992, 235008, 331136, 265477}},
    {R"(Layer(d, c, "lighten", 200, threshold=12))", {136973, 113820, 316232, 351444}},
    {R"(Layer(d, c, "darken", threshold=5))", {96925, 72292, 306772, 383705}},
    {R"(Layer(d, c, "add", use_chroma=false))", {147809, 125956, 318902, 379785}},
    {R"(Layer(d, c, "subtract", use_chroma=false))", {155083, 133243, 326162, 387050}},
    {R"(Layer(d, c, "mul", 120, use_chroma=false))", {90985, 66532, 291781, 364383}},
    {R"(Mask(a, c))", {96768, 72192, 307200, 384096}},
    {R"(ResetMask(c, 77))", {391680, 397824, 354304, 236544}},
    {R"(ColorKeyMask(a, $642010, 12))", {96768, 72192, 307200, 623985}},
    {R"(ColorKeyMask(a, $642010, 3, 20, 0))", {96768, 72192, 307200, 719100}},
    {R"(MergeARGB(c, a, b.ConvertToYV12(), d))", {96768, 378420, 307200, 145263}},
    {R"(MergeLuma(a.ConvertToYV12(), b.ConvertToYV12(), 0.3))", {234939, 92159, 123704}},
    {R"(MergeChroma(a.ConvertToYV12(), b.ConvertToYV12()))", {173663, 99364, 93314}},
    {R"(MergeChroma(a.ConvertToYV16().ConvertToYUY2(), b.ConvertToYV16().ConvertToYUY2(), 0.5))",
     {173663, 191879, 217344}},
    {R"(Merge(a.ConvertToRGB24(), b.ConvertToRGB24(), 0.25))", {170124, 153600, 318592}},
    {R"(Merge(a.ConvertToYV24(), b.ConvertToYV24(), 0.7))", {316822, 388510, 410393}},
    {R"(Subtract(c, d))", {641222, 673856, 436482, 155479}},
    {R"(Subtract(a.ConvertToYV12(), b.ConvertToYV12()))", {182900, 91099, 128694}},
    {R"(Subtract(a.ConvertToYV16().ConvertToYUY2(), b.ConvertToYV16().ConvertToYUY2()))", {182900, 182191, 257261}},
    {R"(AddAlphaPlane(a.ConvertToRGB24(), 100))", {96768, 72192, 307200, 307200}},
    {R"(AddAlphaPlane(a, b.ConvertToYV24().ConvertToY8()))", {96768, 72192, 307200, 378420}},
    {R"(RemoveAlphaPlane(c))", {391680, 397824, 354304}},
    // YUV has no alpha: the level weighs every pixel.
    {R"(Layer(a.ConvertToYV12(), b.ConvertToYV12(), "add"))", {378420, 99364, 93314}},
    {R"(Layer(a.ConvertToYV12(), b.ConvertToYV12(), "mul", x=4, y=-2))", {89865, 96245, 98313}},
    {R"(Layer(a.ConvertToYV16().ConvertToYUY2(), b.ConvertToYV16().ConvertToYUY2(), "subtract", 100))",
     {264044, 187696, 230810}},
    {R"(Layer(a.ConvertToYV24(), b.ConvertToYV24(), "add", 150, x=-6, y=4))", {278029, 378177, 437708}},
    {R"(Layer(a.ConvertToYV24().ConvertToY8(), b.ConvertToYV24().ConvertToY8(), "fast"))", {276800}},
};

class LayerFilters : public ::testing::Test {
 protected:
  std::string Prelude() {
    FrameBGR ramp(64, 48), pattern(64, 48);
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) {
        SetPixel(ramp, x, y, Bgr{x, y, 100});
        SetPixel(pattern, x, y, Bgr{(4 * x - y + 256) % 256, 200 - 3 * y, (x * y) % 256});
      }
    return "a = " + PictureSource(folder_, "ramp.bmp", ramp) +
           ".ConvertToRGB32()\nb = " + PictureSource(folder_, "pattern.bmp", pattern) +
           ".ConvertToRGB32()\nc = Mask(b, a.FlipHorizontal())\nd = Mask(a, b.FlipVertical())\n";
  }
  TempFolder folder_;
};

TEST_F(LayerFilters, GiveAviSynthsSums) {
  const std::string prelude = Prelude();
  for (const LayerCase& c : kCases) {
    const engine::ClipPtr clip = Eval(prelude + c.call);
    EXPECT_EQ(ChannelSums(*clip->GetFrame(0)), c.sums) << c.call;
  }
}

// Layer on YUV (no alpha: the level weighs every pixel) over two busy
// pictures and one of luma 100..104 near the other's 99..105, where the
// rule that picks the pixels shows. Lighten and darken decide the luma per
// pixel; chroma follows the luma under it in 4:4:4, YUY2's U and V the
// first and second luma of their pair, 4:2:2 and 4:2:0 the luma under and
// beside the sample weighed 1-2-1 (both rows in 4:2:0). Without use_chroma
// the chroma moves towards grey. Offsets land on whole chroma samples.
// MergeLuma and MergeChroma on the same pictures.
const LayerCase kYuvCases[] = {
    {R"(Layer(n, b, "lighten", threshold=1))", {123332, 150439, 155402}},
    {R"(Layer(a, b, "darken", 100, x=-5, y=3, threshold=7))", {136448, 151221, 152933}},
    {R"(Layer(n.ConvertToYV12(), b.ConvertToYV12(), "lighten", 200, threshold=1))", {123161, 37294, 38197}},
    {R"(Layer(n.ConvertToYV12(), b.ConvertToYV12().Crop(2, 2, 24, 16), "darken", x=5, y=3))", {122028, 37090, 37852}},
    {R"(Layer(n.ConvertToYV16(), b.ConvertToYV16(), "darken", 180))", {121595, 74964, 75842}},
    {R"(Layer(a.ConvertToYV16(), b.ConvertToYV16().Crop(2, 2, 24, 16), "lighten", x=20, y=20))",
     {157690, 75346, 76177}},
    {R"(Layer(n.ConvertToYUY2(), b.ConvertToYUY2(), "lighten", threshold=1))", {123332, 74045, 76352}},
    {R"(Layer(a.ConvertToYUY2(), b.ConvertToYUY2().Crop(2, 2, 24, 16), "darken", 150, x=-3, y=-1))",
     {145365, 75368, 76611}},
    {R"(Layer(n.ConvertToY8(), b.ConvertToY8(), "darken", 77, threshold=2))", {122182}},
    {R"(Layer(a.ConvertToYV12(), b.ConvertToYV12(), "add", 99, use_chroma=false))", {141613, 37820, 38265}},
    {R"(Layer(a, b, "subtract", use_chroma=false))", {183595, 153600, 153600}},
    {R"(Layer(a, b, "mul", 37, use_chroma=false))", {139628, 150327, 152132}},
    {R"(Layer(a.ConvertToYUY2(), b.ConvertToYUY2(), "mul", 201, use_chroma=false))", {80051, 75362, 76198}},
    {R"(Layer(a.ConvertToYV16(), b.ConvertToYV16().Crop(2, 2, 24, 16), "add", x=3, y=3))", {143613, 75095, 75679}},
    {R"(Layer(a.ConvertToYV12(), b.ConvertToYV12().Crop(2, 2, 24, 16), "mul", 100, x=7, y=-7))",
     {148012, 37332, 38227}},
    // YUY2 merges by 32768ths of the weight, cut; the planes by 32767ths.
    {R"(MergeChroma(a.ConvertToYUY2(), b.ConvertToYUY2(), 0.0651))", {153692, 75054, 76235}},
    {R"(MergeLuma(a.ConvertToYUY2(), b.ConvertToYUY2(), 0.77))", {129615, 74939, 76301}},
    {R"(MergeLuma(a.ConvertToYV16(), b.ConvertToYV16(), 0.77))", {129608, 74939, 76301}},
};

TEST(LayerYuv, GivesAviSynthsSums) {
  const std::string prelude =
      "a = BlankClip(width=40, height=30, pixel_type=\"YV24\").Expr(\"sx 37 * sy 91 * + sx sy * 3 * + 256 %\", "
      "\"sx 11 * sy 5 * + sx sy * + 256 %\", \"sx 3 * sy 17 * + sx sy * 7 * + 256 %\")\n"
      "b = BlankClip(width=40, height=30, pixel_type=\"YV24\").Expr(\"sx 13 * sy 29 * + sx sy * 5 * + 7 % 99 +\", "
      "\"sx 7 * sy 23 * + sx sy * 2 * + 256 %\", \"sx 31 * sy 3 * + sx sy * 11 * + 256 %\")\n"
      "n = a.Expr(\"x 5 % 100 +\", \"\", \"\")\n";
  for (const LayerCase& c : kYuvCases) {
    const engine::ClipPtr clip = Eval(prelude + c.call);
    EXPECT_EQ(ChannelSums(*clip->GetFrame(0)), c.sums) << c.call;
  }
}

TEST_F(LayerFilters, RefuseAsAviSynthDoes) {
  const std::string prelude = Prelude() + "y = a.ConvertToYV12()\n";
  const std::pair<const char*, const char*> refusals[] = {
      {"Layer(a, a.ConvertToRGB24())", "Layer: image formats don't match"},
      {"Layer(a, b, \"foo\")", "Layer supports the following ops: Fast, Lighten, Darken, Add, Subtract, Mul"},
      {"Layer(a, b, \"fast\", use_chroma=false)", "Layer: this mode not allowed in FAST; use ADD instead"},
      {"Layer(a, b, \"lighten\", use_chroma=false)", "Layer: monochrome lighten illegal op"},
      {"Layer(a, b, \"darken\", use_chroma=false)", "Layer: monochrome darken illegal op"},
      {"Mask(y, a)", "Mask error: sources must be RGB32, RGB64 or Planar RGBA"},
      {"Mask(a, a.ConvertToRGB24())", "Mask error: sources must be RGB32, RGB64 or Planar RGBA"},
      {"Mask(a, a.Crop(0, 0, 32, 0))", "Mask error: image dimensions don't match"},
      {"ResetMask(y)", "ResetMask: format has no alpha channel"},
      {"ResetMask(a.ConvertToRGB24())", "ResetMask: format has no alpha channel"},
      {"ColorKeyMask(y, $FF0000)", "ColorKeyMask: requires RGB32, RGB64 or Planar RGBA input"},
      {"MergeARGB(a.ConvertToRGB24(), a, a, a)",
       "MergeARGB: Alpha source channel cannot be obtained from RGB24, RGB48 or alphaless planar RGB"},
      {"MergeARGB(a, a, a, a.Crop(0, 0, 32, 0))", "MergeARGB: All clips must have the same width."},
      {"MergeLuma(a, a)",
       "MergeLuma: YUV data only (no RGB); use ConvertToYUY2, ConvertToYV12/16/24 or ConvertToYUVxxx"},
      {"MergeChroma(y, y.Crop(0, 0, 32, 0))", "MergeChroma: Images must have same width and height!"},
      {"MergeLuma(y, y.Crop(0, 0, 32, 0))", "MergeLuma: Images must have same width and height!"},
      {"Subtract(a, a.ConvertToRGB24())", "Subtract: image formats don't match"},
      {"Subtract(a, a.Crop(0, 0, 32, 0))", "Subtract: image dimensions don't match"},
  };
  for (const auto& [call, message] : refusals) EXPECT_EQ(Message(EvalError(prelude + call)), message) << call;
  // What passes through: a luma clip of another type, Y8 for chroma, and
  // the types that have no alpha to remove.
  EXPECT_EQ(Eval(prelude + "MergeLuma(y, y.ConvertToYV24())")->Info().pixelType, PixelType::YV12);
  EXPECT_EQ(Eval(prelude + "MergeChroma(y.ConvertToY8(), y.ConvertToY8())")->Info().pixelType, PixelType::Y8);
  EXPECT_EQ(Eval(prelude + "RemoveAlphaPlane(y)")->Info().pixelType, PixelType::YV12);
  EXPECT_EQ(Eval(prelude + "AddAlphaPlane(a.ConvertToRGB24())")->Info().pixelType, PixelType::RGB32);
}

}  // namespace
}  // namespace tandemix::test
