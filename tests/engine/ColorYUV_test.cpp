// ColorYUV on a ramp where Y, U and V each run 0..255: every number here is
// what the AviSynth engine gives for the same script.
#include <array>
#include <string>

#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

// A 256x1 YV24 clip whose pixel i has Y = U = V = i (a loop, not a
// recursion: 256 nested calls pass the stack budget under the sanitizers).
const std::string kRamp =
    "function Level(int i) {\n"
    "  return BlankClip(width=1, height=1, pixel_type=\"YV24\", color_yuv=i*65536+i*256+i, length=8)\n"
    "}\n"
    "r = Level(0)\n"
    "for (i = 1, 255) { r = StackHorizontal(r, Level(i)) }\n";

int At(const engine::ClipPtr& clip, int plane, int x, int y = 0, int frame = 0) {
  return clip->GetFrame(frame)->Row(plane, y)[x];
}

TEST(ColorYUV, MapsEachLevelAsAviSynthDoes) {
  constexpr std::array<int, 10> kLevels = {0, 16, 17, 64, 100, 128, 180, 235, 240, 255};
  const struct {
    const char* args;
    int plane;
    std::array<int, 10> expected;
  } cases[] = {
      {"gain_y=64", 0, {0, 20, 21, 80, 125, 160, 225, 255, 255, 255}},
      {"gain_y=-100, off_y=10.3", 0, {10, 20, 21, 49, 71, 88, 120, 154, 157, 166}},
      {"cont_y=64, off_y=-20", 0, {0, 0, 0, 28, 73, 108, 173, 242, 248, 255}},
      {"gamma_y=100", 0, {0, 35, 36, 94, 130, 156, 199, 241, 244, 255}},
      {"gamma_y=-100, cont_y=30", 0, {0, 0, 0, 21, 52, 82, 152, 242, 251, 255}},
      // Coring: the gamma works in TV range, and the result is held in it.
      {"gamma_y=100, opt=\"coring\"", 0, {16, 16, 21, 90, 126, 151, 194, 235, 235, 235}},
      {"levels=\"TV->PC\", gain_y=64", 0, {0, 5, 6, 75, 127, 168, 243, 255, 255, 255}},
      {"levels=\"PC->TV\", gamma_y=80", 0, {16, 43, 44, 92, 123, 146, 184, 222, 225, 235}},
      // The gamma comes before the levels conversion, in the input's range.
      {"levels=\"TV->PC\", gamma_u=100", 1, {0, 1, 6, 84, 126, 155, 203, 250, 254, 255}},
      {"levels=\"PC->TV\", gamma_u=100", 1, {16, 46, 48, 99, 130, 152, 190, 227, 230, 240}},
      {"levels=\"PC->TV.Y\", gamma_u=69, opt=\"coring\"", 1, {16, 16, 19, 82, 119, 145, 191, 235, 239, 240}},
      {"gain_u=64, cont_u=-40, off_u=3", 1, {23, 40, 41, 91, 128, 158, 213, 255, 255, 255}},
      {"levels=\"pc->tv\", cont_v=33", 2, {1, 17, 18, 65, 100, 128, 180, 234, 239, 254}},
      {"opt=\"coring\"", 2, {16, 16, 17, 64, 100, 128, 180, 235, 240, 240}},
      {"f2c=true, gain_y=2, cont_y=0.5, gamma_y=1.5, off_y=3", 0, {105, 121, 122, 164, 193, 214, 250, 255, 255, 255}},
      // -256 would divide by zero: no gamma. Past it, levels overflow to black.
      {"gamma_y=-256", 0, {0, 16, 17, 64, 100, 128, 180, 235, 240, 255}},
      {"gamma_y=-300", 0, {0, 0, 255, 255, 255, 255, 255, 255, 255, 255}},
  };
  for (const auto& c : cases) {
    const engine::ClipPtr clip = Eval(kRamp + "r.ColorYUV(" + c.args + ")");
    for (std::size_t k = 0; k < kLevels.size(); ++k)
      EXPECT_EQ(At(clip, c.plane, kLevels[k]), c.expected[k]) << c.args << " at level " << kLevels[k];
  }
}

TEST(ColorYUV, MeasuresEachFrameForAutoGainAndAutoWhite) {
  // Luma 50..205 stretched to 16..236; chroma means moved to 127.
  const engine::ClipPtr stretched = Eval(kRamp + "r.Crop(50,0,-50,0).ColorYUV(autogain=true, autowhite=true)");
  EXPECT_EQ(At(stretched, 0, 0), 16);
  EXPECT_EQ(At(stretched, 0, 77), 125);
  EXPECT_EQ(At(stretched, 0, 78), 127);
  EXPECT_EQ(At(stretched, 0, 155), 236);
  EXPECT_EQ(At(stretched, 1, 0), 127 - 77);  // the U mean is 127.5: offset -0.5, rounded half up
  // Below 16 the stretch starts from 16, and black falls below it.
  const engine::ClipPtr low = Eval(kRamp + "r.Crop(0,0,-100,0).ColorYUV(autogain=true)");
  EXPECT_EQ(At(low, 0, 0), 0);
  EXPECT_EQ(At(low, 0, 77), 113);
  EXPECT_EQ(At(low, 0, 155), 236);
  const engine::ClipPtr white = Eval(
      "BlankClip(pixel_type=\"YV12\", color_yuv=$50A060, width=16, height=16, length=2).ColorYUV(autowhite=true, "
      "off_u=5)");
  EXPECT_EQ(At(white, 0, 3, 3), 0x50);
  EXPECT_EQ(At(white, 1, 3, 3), 127);
  EXPECT_EQ(At(white, 2, 3, 3), 127);
}

TEST(ColorYUV, ConditionalTakesTheFrameVariables) {
  const engine::ClipPtr clip = Eval(
      "BlankClip(pixel_type=\"YV24\", color_yuv=$508080, width=8, height=8, length=10)"
      ".ColorYUV(conditional=true, off_y=5)"
      ".FrameEvaluate(\"global coloryuv_off_y = current_frame * 10.0\")");
  EXPECT_EQ(At(clip, 0, 0, 0, 0), 80);
  EXPECT_EQ(At(clip, 0, 0, 0, 3), 110);
}

TEST(ColorYUV, ShowYUVChartsEveryChromaPair) {
  const engine::ClipPtr tv =
      Eval("ColorBars(width=320, height=240, pixel_type=\"YV12\").Trim(0, 499).ColorYUV(showyuv=true)");
  EXPECT_EQ(SizeOf(tv), (Size{450, 450, 500}));
  EXPECT_EQ(tv->Info().pixelType, PixelType::YV12);
  // U across, V down, from 16; the luma rises a level a frame to 235 and falls.
  EXPECT_EQ(At(tv, 1, 0, 0), 16);
  EXPECT_EQ(At(tv, 1, 112, 5), 128);
  EXPECT_EQ(At(tv, 2, 7, 224), 240);
  for (const auto& [frame, luma] : {std::pair{0, 16}, {100, 116}, {219, 235}, {230, 224}, {260, 194}})
    EXPECT_EQ(At(tv, 0, 10, 10, frame), luma) << frame;
  const engine::ClipPtr full =
      Eval("BlankClip(pixel_type=\"YUY2\", length=600).ColorYUV(showyuv=true, showyuv_fullrange=true, gain_y=100)");
  EXPECT_EQ(SizeOf(full), (Size{510, 510, 600}));
  EXPECT_EQ(At(full, 1, 0, 0), 1);
  EXPECT_EQ(At(full, 1, 254, 0), 255);
  EXPECT_EQ(At(full, 2, 0, 3), 4);
  for (const auto& [frame, luma] : {std::pair{0, 0}, {255, 255}, {256, 254}, {300, 210}, {509, 1}})
    EXPECT_EQ(At(full, 0, 0, 0, frame), luma) << frame;
}

TEST(ColorYUV, AnalyzeWritesOverTheTopOnly) {
  const std::string bars = "ColorBars(width=640, height=480, pixel_type=\"YV12\")";
  const FramePtr plain = Eval(bars)->GetFrame(0);
  const FramePtr analyzed = Eval(bars + ".ColorYUV(analyze=true)")->GetFrame(0);
  int changedTop = 0, changedBelow = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      (y < 130 ? changedTop : changedBelow) += plain->Row(0, y)[x] != analyzed->Row(0, y)[x];
  EXPECT_GT(changedTop, 2000);  // six lines of text
  EXPECT_EQ(changedBelow, 0);
}

TEST(ColorYUV, RefusesInAviSynthsWords) {
  EXPECT_EQ(Message(EvalError("BlankClip(pixel_type=\"RGB32\").ColorYUV()")),
            "ColorYUV: Only work with YUV colorspace.");
  EXPECT_EQ(Message(EvalError("BlankClip(pixel_type=\"YV12\").ColorYUV(levels=\"foo\")")),
            "ColorYUV: invalid parameter : levels");
  EXPECT_EQ(Message(EvalError("BlankClip(pixel_type=\"YV12\").ColorYUV(opt=\"foo\")")),
            "ColorYUV: invalid parameter : opt");
}

}  // namespace
}  // namespace tandemix::test
