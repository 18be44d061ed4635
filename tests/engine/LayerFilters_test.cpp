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
