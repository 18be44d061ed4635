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

TEST_F(ConvolutionFilters, RefusesAsAviSynthDoes) {
  const std::pair<const char*, const char*> cases[] = {
      {"BlankClip().Sharpen(1.01)", "Sharpen: arguments must be in the range -1.58 to 1.0"},
      {"BlankClip().Sharpen(-1.6)", "Sharpen: arguments must be in the range -1.58 to 1.0"},
      {"BlankClip().Sharpen(0.5, 1.2)", "Sharpen: arguments must be in the range -1.58 to 1.0"},
      {"BlankClip().Blur(1.59)", "Blur: arguments must be in the range -1.0 to 1.58"},
      {"BlankClip().Blur(-1.01)", "Blur: arguments must be in the range -1.0 to 1.58"},
      {"BlankClip().Blur(1.58, -1.1)", "Blur: arguments must be in the range -1.0 to 1.58"},
  };
  for (const auto& [script, message] : cases) EXPECT_EQ(Message(EvalError(script)), message) << script;
  EXPECT_EQ(SizeOf(Eval("BlankClip(pixel_type=\"YV12\").Blur(0.5, 0.5, false).Sharpen(-1.58)")), (Size{640, 480, 240}));
}

}  // namespace
}  // namespace tandemix::test
