// Blur, Sharpen and the other convolutions: every byte as the AviSynth
// engine gives it for the same picture, and its refusals.
#include "engine/kernels/Focus.h"
#include "tests/engine/FilterDigest.h"

namespace tandemix::test {
namespace {

class ConvolutionFilters : public ::testing::Test {
 protected:
  TempFolder folder_;
};

TEST_F(ConvolutionFilters, FocusHasAFineAndACoarseForm) {
  // Sharpen(0.5): centre weight 2^0.5 is 46341 / 32768, or 91 / 64 in the
  // coarse form; 241, 77, 239 give 9.98 -> 9 finely and 8 coarsely (the
  // coarse sum saturates 16 bits on the way for bright samples).
  const engine::FocusWeights w = engine::FocusWeightsFor(0.5);
  EXPECT_EQ(w.amount, 46341);
  EXPECT_EQ(w.coarse, 91);
  EXPECT_EQ(engine::FocusFine(241, 77, 239, w), 9);
  EXPECT_EQ(engine::FocusCoarse(241, 77, 239, w), 8);
  EXPECT_EQ(engine::FocusCoarse(0, 255, 0, engine::FocusWeightsFor(1.0)), 255);
  // Blur(1) is the 1-2-1 filter in both forms.
  const engine::FocusWeights blur = engine::FocusWeightsFor(-1.0);
  EXPECT_EQ(engine::FocusFine(10, 20, 31, blur), 20);
  EXPECT_EQ(engine::FocusCoarse(10, 20, 31, blur), 20);
  // Which form AviSynth takes where: planes coarsely in 32-byte blocks
  // (one of 16 in rows of 17 to 31 bytes), RGB32 and YUY2 rows longer
  // than 16 bytes coarsely, RGB24 along its rows always finely; down the
  // columns rows of 16 bytes or more coarsely.
  EXPECT_EQ(engine::FocusSplitFor(PixelType::Y8, 0, 100).coarseEnd, 96);
  EXPECT_EQ(engine::FocusSplitFor(PixelType::Y8, 0, 20).coarseEnd, 16);
  EXPECT_EQ(engine::FocusSplitFor(PixelType::Y8, 0, 16).coarseEnd, 0);
  EXPECT_EQ(engine::FocusSplitFor(PixelType::RGB32, 0, 20).coarseEnd, 5);
  EXPECT_EQ(engine::FocusSplitFor(PixelType::RGB24, 0, 300).coarseEnd, 0);
  EXPECT_TRUE(engine::FocusSplitFor(PixelType::Y8, 0, 16).verticalCoarse);
  EXPECT_FALSE(engine::FocusSplitFor(PixelType::RGB24, 0, 15).verticalCoarse);
}

TEST_F(ConvolutionFilters, EveryByteAsAviSynthMakesIt) {
  const DigestCase cases[] = {
      {"RGB24", "Sharpen(0.5)", 0, 40, 16, 0x24697d5du},
      {"RGB24", "Sharpen(1.0, -1.58)", 0, 40, 16, 0xb12ac349u},
      {"RGB24", "Blur(1.3, 0.2)", 0, 40, 16, 0x9e710577u},
      {"RGB24", "Blur(0.7, 0)", 0, 40, 16, 0x1ff23abeu},
      {"RGB24", "Crop(0, 0, 12, 0).Sharpen(0.6, 0.3)", 0, 12, 16, 0xbb38feebu},
      {"RGB24", "Crop(0, 0, 4, 0).Blur(1.58)", 0, 4, 16, 0xfffc1af2u},
      {"RGB32", "Sharpen(0.5)", 0, 40, 16, 0xd1359390u},
      {"RGB32", "Sharpen(1.0, -1.58)", 0, 40, 16, 0xb12ac349u},
      {"RGB32", "Blur(1.3, 0.2)", 0, 40, 16, 0xe9c6a75fu},
      {"RGB32", "Blur(0.7, 0)", 0, 40, 16, 0x9bbb88b9u},
      {"RGB32", "Crop(0, 0, 12, 0).Sharpen(0.6, 0.3)", 0, 12, 16, 0xbb38feebu},
      {"RGB32", "Crop(0, 0, 4, 0).Blur(1.58)", 0, 4, 16, 0x8564a17bu},
      {"YV12", "Sharpen(0.5)", 0, 40, 16, 0x448ca801u},
      {"YV12", "Sharpen(1.0, -1.58)", 0, 40, 16, 0x78f54e07u},
      {"YV12", "Blur(1.3, 0.2)", 0, 40, 16, 0xd5f916acu},
      {"YV12", "Blur(0.7, 0)", 0, 40, 16, 0xff601350u},
      {"YV12", "Crop(0, 0, 12, 0).Sharpen(0.6, 0.3)", 0, 12, 16, 0xb52838fau},
      {"YV12", "Crop(0, 0, 4, 0).Blur(1.58)", 0, 4, 16, 0xe666e304u},
      {"YV16", "Sharpen(0.5)", 0, 40, 16, 0xcfde6d17u},
      {"YV16", "Sharpen(1.0, -1.58)", 0, 40, 16, 0xafc3351fu},
      {"YV16", "Blur(1.3, 0.2)", 0, 40, 16, 0x6ce88a98u},
      {"YV16", "Blur(0.7, 0)", 0, 40, 16, 0x5debad5bu},
      {"YV16", "Crop(0, 0, 12, 0).Sharpen(0.6, 0.3)", 0, 12, 16, 0x24013957u},
      {"YV16", "Crop(0, 0, 4, 0).Blur(1.58)", 0, 4, 16, 0x10560e43u},
      {"YV24", "Sharpen(0.5)", 0, 40, 16, 0x43918c69u},
      {"YV24", "Sharpen(1.0, -1.58)", 0, 40, 16, 0x9592f683u},
      {"YV24", "Blur(1.3, 0.2)", 0, 40, 16, 0x1ba3bf1du},
      {"YV24", "Blur(0.7, 0)", 0, 40, 16, 0x2a304609u},
      {"YV24", "Crop(0, 0, 12, 0).Sharpen(0.6, 0.3)", 0, 12, 16, 0xe1859c9du},
      {"YV24", "Crop(0, 0, 4, 0).Blur(1.58)", 0, 4, 16, 0x25fd061eu},
      {"Y8", "Sharpen(0.5)", 0, 40, 16, 0xf52ada79u},
      {"Y8", "Sharpen(1.0, -1.58)", 0, 40, 16, 0x0e427e20u},
      {"Y8", "Blur(1.3, 0.2)", 0, 40, 16, 0x0ca4d16au},
      {"Y8", "Blur(0.7, 0)", 0, 40, 16, 0xe2ed4854u},
      {"Y8", "Crop(0, 0, 12, 0).Sharpen(0.6, 0.3)", 0, 12, 16, 0x5f864ec0u},
      {"Y8", "Crop(0, 0, 4, 0).Blur(1.58)", 0, 4, 16, 0x05a52f90u},
      {"YUY2", "Sharpen(0.5)", 0, 40, 16, 0x4c7abf7du},
      {"YUY2", "Sharpen(1.0, -1.58)", 0, 40, 16, 0xafc3351fu},
      {"YUY2", "Blur(1.3, 0.2)", 0, 40, 16, 0x6cd653e1u},
      {"YUY2", "Blur(0.7, 0)", 0, 40, 16, 0x7d649246u},
      {"YUY2", "Crop(0, 0, 12, 0).Sharpen(0.6, 0.3)", 0, 12, 16, 0x2244fc4au},
      {"YUY2", "Crop(0, 0, 4, 0).Blur(1.58)", 0, 4, 16, 0x10560e43u},
      {"Y8", "Crop(0, 0, 20, 0).Sharpen(0.8, 0)", 0, 20, 16, 0x6710177fu},
      {"RGB32", "Crop(0, 0, 5, 0).Sharpen(0.8, 0)", 0, 5, 16, 0xc79db202u},
      {"YUY2", "Crop(0, 0, 10, 0).Sharpen(0.8, 0)", 0, 10, 16, 0x2d284f3cu},
      {"YUY2", "Crop(0, 0, 8, 0).Sharpen(0.8, 0)", 0, 8, 16, 0x17af69a7u},
  };
  ExpectDigests(folder_, 40, 16, cases, std::size(cases));
}

TEST_F(ConvolutionFilters, GeneralConvolutionAsAviSynthComputesIt) {
  // Matrices of 3x3 to 9x9, the top row first; edge samples stand in for
  // those past the edge; the sum times (1 << 20) / divisor (cut), rounded,
  // plus bias; with auto the divisor is multiplied by the matrix's sum.
  const DigestCase cases[] = {
      {"RGB24", "GeneralConvolution(matrix=\"1 2 3 4 5 6 7 8 9\")", 0, 40, 16, 0x309d9888u},
      {"RGB24", "GeneralConvolution(bias=20, matrix=\"-1 6 2 -2 5 1 -3 4 0 -4 3 -1 6 2 -2 5 1 -3 4 0 -4 3 -1 6 2\")", 0,
       40, 16, 0xc416196du},
      {"RGB24", "GeneralConvolution(matrix=\"1 2 3 4 5 6 7 8 9\", divisor=2)", 0, 40, 16, 0x0b239cabu},
      {"RGB32", "GeneralConvolution(matrix=\"1 2 3 4 5 6 7 8 9\")", 0, 40, 16, 0x309d9888u},
      {"RGB32", "GeneralConvolution(bias=20, matrix=\"-1 6 2 -2 5 1 -3 4 0 -4 3 -1 6 2 -2 5 1 -3 4 0 -4 3 -1 6 2\")", 0,
       40, 16, 0xc416196du},
      {"RGB32", "GeneralConvolution(matrix=\"1 2 3 4 5 6 7 8 9\", divisor=2)", 0, 40, 16, 0x0b239cabu},
      {"YV24", "GeneralConvolution(matrix=\"1 2 3 4 5 6 7 8 9\")", 0, 40, 16, 0xdb6e1d58u},
      {"YV24", "GeneralConvolution(bias=20, matrix=\"-1 6 2 -2 5 1 -3 4 0 -4 3 -1 6 2 -2 5 1 -3 4 0 -4 3 -1 6 2\")", 0,
       40, 16, 0xece322c5u},
      {"YV24", "GeneralConvolution(matrix=\"1 2 3 4 5 6 7 8 9\", divisor=2)", 0, 40, 16, 0xc73b4b2bu},
      {"Y8", "GeneralConvolution(matrix=\"1 2 3 4 5 6 7 8 9\")", 0, 40, 16, 0xb2ede000u},
      {"Y8", "GeneralConvolution(bias=20, matrix=\"-1 6 2 -2 5 1 -3 4 0 -4 3 -1 6 2 -2 5 1 -3 4 0 -4 3 -1 6 2\")", 0,
       40, 16, 0x1d39e740u},
      {"Y8", "GeneralConvolution(matrix=\"1 2 3 4 5 6 7 8 9\", divisor=2)", 0, 40, 16, 0x22ad2715u},
      {"YV12", "GeneralConvolution(matrix=\"1 2 3 4 5 6 7 8 9\", chroma=false)", 0, 40, 16, 0xe56ae8aeu},
      {"YV12",
       "GeneralConvolution(64, \"-2 3 -1 4 0 5 1 -3 2 -2 3 -1 4 0 5 1 -3 2 -2 3 -1 4 0 5 1 -3 2 -2 3 -1 4 0 5 1 -3 2 "
       "-2 3 -1 4 0 5 1 -3 2 -2 3 -1 4\", luma=false)",
       0, 40, 16, 0xc99e4818u},
      {"YV12",
       "GeneralConvolution(-30, \"-3 4 -2 5 -1 6 0 7 1 -5 2 -4 3 -3 4 -2 5 -1 6 0 7 1 -5 2 -4 3 -3 4 -2 5 -1 6 0 7 1 "
       "-5 2 -4 3 -3 4 -2 5 -1 6 0 7 1 -5 2 -4 3 -3 4 -2 5 -1 6 0 7 1 -5 2 -4 3 -3 4 -2 5 -1 6 0 7 1 -5 2 -4 3 -3 4 "
       "-2\", 3, chroma=false)",
       0, 40, 16, 0x9d5e82c3u},
      {"YV16", "GeneralConvolution(matrix=\"1 2 3 4 5 6 7 8 9\", chroma=false)", 0, 40, 16, 0xe613ee9au},
      {"YV16",
       "GeneralConvolution(64, \"-2 3 -1 4 0 5 1 -3 2 -2 3 -1 4 0 5 1 -3 2 -2 3 -1 4 0 5 1 -3 2 -2 3 -1 4 0 5 1 -3 2 "
       "-2 3 -1 4 0 5 1 -3 2 -2 3 -1 4\", luma=false)",
       0, 40, 16, 0x8368efccu},
      {"YV16",
       "GeneralConvolution(-30, \"-3 4 -2 5 -1 6 0 7 1 -5 2 -4 3 -3 4 -2 5 -1 6 0 7 1 -5 2 -4 3 -3 4 -2 5 -1 6 0 7 1 "
       "-5 2 -4 3 -3 4 -2 5 -1 6 0 7 1 -5 2 -4 3 -3 4 -2 5 -1 6 0 7 1 -5 2 -4 3 -3 4 -2 5 -1 6 0 7 1 -5 2 -4 3 -3 4 "
       "-2\", 3, chroma=false)",
       0, 40, 16, 0x7ec14b5fu},
      {"YUY2", "GeneralConvolution(matrix=\"1 2 3 4 5 6 7 8 9\", chroma=false)", 0, 40, 16, 0xe613ee9au},
      {"YUY2",
       "GeneralConvolution(64, \"-2 3 -1 4 0 5 1 -3 2 -2 3 -1 4 0 5 1 -3 2 -2 3 -1 4 0 5 1 -3 2 -2 3 -1 4 0 5 1 -3 2 "
       "-2 3 -1 4 0 5 1 -3 2 -2 3 -1 4\", luma=false)",
       0, 40, 16, 0x8368efccu},
      {"YUY2",
       "GeneralConvolution(-30, \"-3 4 -2 5 -1 6 0 7 1 -5 2 -4 3 -3 4 -2 5 -1 6 0 7 1 -5 2 -4 3 -3 4 -2 5 -1 6 0 7 1 "
       "-5 2 -4 3 -3 4 -2 5 -1 6 0 7 1 -5 2 -4 3 -3 4 -2 5 -1 6 0 7 1 -5 2 -4 3 -3 4 -2 5 -1 6 0 7 1 -5 2 -4 3 -3 4 "
       "-2\", 3, chroma=false)",
       0, 40, 16, 0x7ec14b5fu},
      {"YV24", "GeneralConvolution(128, \"-1 -2 -1 0 0 0 1 2 1\", 2.5, auto=false, luma=false)", 0, 40, 16,
       0xda89e428u},
  };
  ExpectDigests(folder_, 40, 16, cases, std::size(cases));
  // Ties: 5625 / (45 * 2) is 62.5 and gives 62, the reciprocal being cut.
  TempFolder folder;
  FrameBGR flat(3, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) SetPixel(flat, x, y, Bgr{125, 0, 0});
  const auto tie = Eval(PictureSource(folder, "flat.bmp", flat) +
                        ".ShowBlue(\"Y8\").GeneralConvolution(matrix=\"1 2 3 4 5 6 7 8 9\", divisor=2)");
  EXPECT_EQ(tie->GetFrame(0)->Row(0)[1], 62);
}

TEST_F(ConvolutionFilters, SofteningAsAviSynthComputesIt) {
  // TemporalSoften over the frames of SeparateRows (each differs from the
  // next): samples further than the threshold count as the centre, the sum
  // weighed in 15 bits (YUY2 in 16); thresholds are bytes (-1 is 255). The
  // radius stops at 7. SpatialSoften on YUY2 means what is close in Y, U
  // and V together.
  const DigestCase cases[] = {
      {"RGB32", "SeparateRows(4).TemporalSoften(1, 30, 10)", 1, 40, 4, 0x7582afe5u},
      {"RGB32", "SeparateRows(4).TemporalSoften(2, 20, 40)", 2, 40, 4, 0x7e9ba121u},
      {"RGB32", "SeparateRows(4).TemporalSoften(7, 25, 25)", 5, 40, 4, 0xd3453f36u},
      {"RGB32", "SeparateRows(2).TemporalSoften(3, -1, 300)", 2, 40, 8, 0xc788f33cu},
      {"YV12", "SeparateRows(4).TemporalSoften(1, 30, 10)", 1, 40, 4, 0xe81e7f89u},
      {"YV12", "SeparateRows(4).TemporalSoften(2, 20, 40)", 2, 40, 4, 0xfa42df1fu},
      {"YV12", "SeparateRows(4).TemporalSoften(7, 25, 25)", 5, 40, 4, 0x83f4b1e3u},
      {"YV12", "SeparateRows(2).TemporalSoften(3, -1, 300)", 2, 40, 8, 0x3e2ad77eu},
      {"YV16", "SeparateRows(4).TemporalSoften(1, 30, 10)", 1, 40, 4, 0xad47b207u},
      {"YV16", "SeparateRows(4).TemporalSoften(2, 20, 40)", 2, 40, 4, 0x5dc96838u},
      {"YV16", "SeparateRows(4).TemporalSoften(7, 25, 25)", 5, 40, 4, 0xf0032f12u},
      {"YV16", "SeparateRows(2).TemporalSoften(3, -1, 300)", 2, 40, 8, 0x7763c118u},
      {"YV24", "SeparateRows(4).TemporalSoften(1, 30, 10)", 1, 40, 4, 0x205eacf8u},
      {"YV24", "SeparateRows(4).TemporalSoften(2, 20, 40)", 2, 40, 4, 0x0f1223d2u},
      {"YV24", "SeparateRows(4).TemporalSoften(7, 25, 25)", 5, 40, 4, 0x1796e770u},
      {"YV24", "SeparateRows(2).TemporalSoften(3, -1, 300)", 2, 40, 8, 0x0f4c5ccbu},
      {"Y8", "SeparateRows(4).TemporalSoften(1, 30, 10)", 1, 40, 4, 0x46622e33u},
      {"Y8", "SeparateRows(4).TemporalSoften(2, 20, 40)", 2, 40, 4, 0x8143d4bdu},
      {"Y8", "SeparateRows(4).TemporalSoften(7, 25, 25)", 5, 40, 4, 0x157e22a8u},
      {"Y8", "SeparateRows(2).TemporalSoften(3, -1, 300)", 2, 40, 8, 0xd6f1477du},
      {"YUY2", "SeparateRows(4).TemporalSoften(1, 30, 10)", 1, 40, 4, 0xad47b207u},
      {"YUY2", "SeparateRows(4).TemporalSoften(2, 20, 40)", 2, 40, 4, 0x5dc96838u},
      {"YUY2", "SeparateRows(4).TemporalSoften(7, 25, 25)", 5, 40, 4, 0xf0032f12u},
      {"YUY2", "SeparateRows(2).TemporalSoften(3, -1, 300)", 2, 40, 8, 0x260d915du},
      {"YUY2", "SpatialSoften(1, 10, 10)", 0, 40, 16, 0x2a9dd05au},
      {"YUY2", "SpatialSoften(2, 30, 20)", 0, 40, 16, 0x0887bb27u},
      {"YUY2", "SpatialSoften(3, 255, 255)", 0, 40, 16, 0xcca9e2cbu},
      {"YUY2", "SpatialSoften(0, 10, 10)", 0, 40, 16, 0xd21081a3u},
  };
  ExpectDigests(folder_, 40, 16, cases, std::size(cases));
}

TEST_F(ConvolutionFilters, RefusesAsAviSynthDoes) {
  const std::pair<const char*, const char*> cases[] = {
      {"BlankClip().Sharpen(1.01)", "Sharpen: arguments must be in the range -1.58 to 1.0"},
      {"BlankClip().Sharpen(-1.6)", "Sharpen: arguments must be in the range -1.58 to 1.0"},
      {"BlankClip().Sharpen(0.5, 1.2)", "Sharpen: arguments must be in the range -1.58 to 1.0"},
      {"BlankClip().Blur(1.59)", "Blur: arguments must be in the range -1.0 to 1.58"},
      {"BlankClip().Blur(-1.01)", "Blur: arguments must be in the range -1.0 to 1.58"},
      {"BlankClip().Blur(1.58, -1.1)", "Blur: arguments must be in the range -1.0 to 1.58"},
      {"BlankClip(pixel_type=\"YV12\").SpatialSoften(1, 10, 10)", "SpatialSoften: requires YUY2 input"},
      {"BlankClip(pixel_type=\"RGB24\").TemporalSoften(1, 10, 10)",
       "TemporalSoften: RGB24/48 Not supported, use ConvertToRGB32/48()."},
      {"BlankClip().TemporalSoften(2, 10, 10, 10)", "TemporalSoften: Scenechange not available on RGB32/64"},
      {"BlankClip(pixel_type=\"YV12\").GeneralConvolution(0, \"1 2 1 2 4 2 1 2 1\")",
       "GeneralConvolution: both luma and chroma cannot be set for subsampled video formats"},
      {"BlankClip(pixel_type=\"YUY2\").GeneralConvolution()",
       "GeneralConvolution: both luma and chroma cannot be set for subsampled video formats"},
      {"BlankClip().GeneralConvolution(0, \"1 2 1 2 4 2 1 2 1\", 0)", "GeneralConvolution: divisor cannot be zero"},
      {"BlankClip().GeneralConvolution(0, \"1 2 1 2 x 2 1 2 1 3\")",
       "GeneralConvolution: matrix incomplete, possible size 5x5 but element count 10"},
      {"BlankClip().GeneralConvolution(0, \"1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1\")",
       "GeneralConvolution: matrix incomplete, possible size 7x7 but element count 26"},
      {"BlankClip().GeneralConvolution(0, \"1,2,1,2,4,2,1,2,1\")",
       "GeneralConvolution: matrix too small, need at least 3x3 elements"},

  };
  for (const auto& [script, message] : cases) EXPECT_EQ(Message(EvalError(script)), message) << script;
  std::string big;
  for (int i = 0; i < 82; ++i) big += "1 ";
  EXPECT_EQ(Message(EvalError("BlankClip().GeneralConvolution(0, \"" + big + "\")")),
            "GeneralConvolution: matrix too big, maximum 9x9 elements allowed");
  EXPECT_EQ(SizeOf(Eval("BlankClip(pixel_type=\"YV12\").Blur(0.5, 0.5, false).Sharpen(-1.58)")), (Size{640, 480, 240}));
}

}  // namespace
}  // namespace tandemix::test

namespace tandemix::test {
namespace {

// Five one-frame clips of the given luma levels (chroma 128 unless given).
std::string Levels(const std::vector<int>& luma, int width = 64, const char* type = "YV12",
                   const std::vector<int>& u = {}) {
  std::string s;
  for (std::size_t i = 0; i < luma.size(); ++i) {
    char colour[16];
    std::snprintf(colour, sizeof colour, "$%02x%02x80", luma[i], u.empty() ? 128 : u[i]);
    s += std::string(i ? " + " : "") + "BlankClip(length=1, width=" + std::to_string(width) +
         ", height=16, pixel_type=\"" + type + "\", color_yuv=" + colour + ")";
  }
  return s;
}

// TemporalSoften's scenechange: the frames on each side are taken up to the
// first whose first plane differs from the middle one's by scenechange or
// more per sample (over the row's whole multiples of 32 bytes). The middle
// frame's luma as AviSynth gives it.
TEST(TemporalSoftenScenes, FramesOfAnotherSceneAreLeftOut) {
  const struct {
    std::string clip;
    int scenechange, luma;
  } cases[] = {
      {Levels({16, 16, 100, 16, 16}), 84, 100},                                       // 84 per sample: cut
      {Levels({16, 16, 100, 16, 16}), 85, 33},                                        // below: the mean of five
      {Levels({16, 16, 100, 16, 16}), 0, 33},                                         // off
      {Levels({16, 16, 100, 16, 16}, 48), 126, 100},                                  // 48 columns counted as 32
      {Levels({16, 16, 100, 16, 16}, 48), 127, 33},                                   //
      {Levels({16, 16, 100, 16, 16}, 40), 105, 100},                                  //
      {Levels({16, 16, 100, 16, 16}, 40), 106, 33},                                   //
      {Levels({16, 16, 17, 16, 16}, 16), 1, 16},                                      // narrower than 32: never cut
      {Levels({16, 50, 84, 50, 16}), 50, 61},                                         // compared with the middle frame
      {Levels({60, 100, 50, 100, 60}), 40, 50},                                       // nothing past the first cut
      {Levels({16, 16, 56, 16, 16}, 64, "YV12", {100, 100, 200, 100, 100}), 41, 24},  // chroma not counted
      {Levels({0, 0, 255, 0, 0}), 254, 255},                                          //
      {Levels({0, 0, 255, 0, 0}), 255, 51},                                           // 255 and over: off
      {Levels({16, 16, 100, 16, 16}, 64, "YUY2"), 40, 100},                           // YUY2: the packed row
      {Levels({16, 16, 100, 16, 16}, 64, "YUY2"), 84, 33},
  };
  for (const auto& c : cases) {
    const std::string script =
        c.clip + "\nTemporalSoften(2, 255, 255, scenechange=" + std::to_string(c.scenechange) + ")";
    EXPECT_EQ(Eval(script)->GetFrame(2)->Row(0, 0)[0], c.luma) << script;
  }
}

}  // namespace
}  // namespace tandemix::test
