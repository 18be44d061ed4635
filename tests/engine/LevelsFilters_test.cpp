// Levels, RGBAdjust and Limiter on ramps: every number here is what the
// AviSynth engine gives for the same script.
#include <array>
#include <vector>

#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

class LevelsFilters : public ::testing::Test {
 protected:
  // A 256x16 coordinate picture: blue is a ramp 0..255 along x, green is y.
  std::string Ramp() { return PictureSource(folder_, "ramp.bmp", CoordinatePicture(256, 16)); }
  // Plane p of frame 0 at (x, y).
  static int At(const engine::ClipPtr& clip, int p, int x, int y) {
    const FramePtr f = clip->GetFrame(0);
    return f->Row(p, y)[static_cast<std::size_t>(x) * (p == 0 ? BytesPerPixel(f->type) : 1)];
  }
  TempFolder folder_;
};

constexpr std::array<int, 13> kInputs = {0, 10, 16, 30, 60, 100, 128, 171, 200, 217, 235, 240, 255};

TEST_F(LevelsFilters, MapsEachLevelAsAviSynthDoes) {
  // kind: the ramp as RGB24 (blue read), as Y8 luma, or as YV24 chroma (U read).
  enum Kind { Rgb, Luma, Chroma };
  struct Case {
    Kind kind;
    const char* filter;
    std::array<int, 13> expected;
  };
  const Case cases[] = {
      // RGB: the place in the input range is rounded to single precision
      // (171 -> 178.5 rounds down, 217 -> 229.5 too).
      {Rgb, "Levels(10, 1.0, 240, 0, 255)", {0, 0, 7, 22, 55, 100, 131, 178, 211, 229, 249, 255, 255}},
      {Rgb, "Levels(30, 1.3, 200, 255, 0)", {255, 255, 255, 255, 188, 126, 88, 34, 0, 0, 0, 0, 0}},
      {Luma, "Levels(30, 1.3, 200, 255, 0)", {235, 235, 235, 235, 191, 127, 89, 36, 16, 16, 16, 16, 16}},
      {Luma, "Levels(30, 1.3, 200, 255, 0, coring=false)", {255, 255, 255, 255, 188, 126, 88, 34, 0, 0, 0, 0, 0}},
      {Luma, "Levels(0, 0.7, 255, 16, 235)", {30, 30, 30, 33, 49, 78, 102, 145, 176, 196, 218, 218, 218}},
      {Chroma, "Levels(0, 1.0, 255, 16, 235)", {18, 27, 32, 44, 70, 104, 128, 165, 190, 204, 220, 224, 237}},
      {Chroma, "Levels(20, 2.0, 220, 0, 255, coring=false)", {0, 0, 0, 3, 41, 92, 128, 183, 220, 241, 255, 255, 255}},
      {Rgb,
       "RGBAdjust(1.2, 0.9, 1.1, 0.5, 10, -5, 3, 0, 1.3, 0.8, 1.0, 1.0)",
       {3, 14, 21, 36, 69, 113, 144, 191, 223, 242, 255, 255, 255}},
  };
  for (const Case& c : cases) {
    const std::string source = c.kind == Rgb    ? Ramp()
                               : c.kind == Luma ? Ramp() + ".ShowBlue(\"Y8\")"
                                                : Ramp() + ".ShowBlue(\"Y8\")\nYToUV(last, last, last)";
    const auto clip = Eval(source + "." + c.filter);
    for (std::size_t i = 0; i < kInputs.size(); ++i)
      EXPECT_EQ(At(clip, c.kind == Chroma ? 1 : 0, kInputs[i], 0), c.expected[i])
          << c.filter << " of " << kInputs[i] << (c.kind == Chroma ? " (chroma)" : "");
  }
  // RGBAdjust: red 100 * 1.1 + 10 = 120, to the power 1/1.3 of 120/255, is 152.
  const auto adjusted = Eval(Ramp() + ".RGBAdjust(1.2, 0.9, 1.1, 0.5, 10, -5, 3, 0, 1.3, 0.8, 1.0, 1.0)");
  EXPECT_EQ(adjusted->GetFrame(0)->Row(0)[2], 152);
  EXPECT_EQ(adjusted->GetFrame(0)->Row(0)[1], 0);  // green 0 * 0.9 - 5 is cut to 0
}

TEST_F(LevelsFilters, DitherFollowsTheOrderedPattern) {
  // Output rows 0..5 at x = 100..107 of the luma ramp.
  const int expected[6][8] = {{128, 125, 124, 122, 122, 120, 119, 117}, {127, 126, 124, 123, 121, 120, 118, 118},
                              {127, 126, 124, 122, 122, 120, 119, 117}, {126, 126, 124, 123, 121, 120, 118, 118},
                              {128, 125, 124, 122, 122, 120, 119, 117}, {127, 126, 124, 123, 121, 120, 118, 118}};
  const auto clip = Eval(Ramp() + ".ShowBlue(\"Y8\").Levels(30, 1.3, 200, 255, 0, dither=true)");
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(At(clip, 0, 100 + x, y), expected[y][x]) << "at " << 100 + x << "," << y;
  // Without a change of levels the dither leaves every level as it is.
  const auto same = Eval(Ramp() + ".ShowBlue(\"Y8\").Levels(0, 1.0, 255, 0, 255, coring=false, dither=true)");
  for (int x = 0; x < 256; x += 15) EXPECT_EQ(At(same, 0, x, 3), x);
}

TEST_F(LevelsFilters, LimiterCutsAndShows) {
  const auto cut = Eval(Ramp() + ".ShowBlue(\"Y8\")\nYToUV(last, last, last).Limiter(30, 200, 60, 190)");
  EXPECT_EQ(At(cut, 0, 10, 0), 30);
  EXPECT_EQ(At(cut, 0, 220, 0), 200);
  EXPECT_EQ(At(cut, 1, 10, 0), 60);
  EXPECT_EQ(At(cut, 2, 250, 0), 190);
  EXPECT_EQ(At(cut, 1, 100, 0), 100);
  // show="luma": below the range red (81, 91, 240), above it green (145, 54, 34).
  const auto shown = Eval(
      "BlankClip(length=1, width=4, height=2, pixel_type=\"YV24\", color_yuv=$0A8080) + "
      "BlankClip(width=4, height=2, pixel_type=\"YV24\", color_yuv=$F08080)\nLimiter(30, 200, 60, 190, show=\"luma\")");
  const FramePtr low = shown->GetFrame(0), high = shown->GetFrame(1);
  EXPECT_EQ((std::array<int, 3>{low->Row(0, 0)[0], low->Row(1, 0)[0], low->Row(2, 0)[0]}),
            (std::array<int, 3>{81, 91, 240}));
  EXPECT_EQ((std::array<int, 3>{high->Row(0, 0)[0], high->Row(1, 0)[0], high->Row(2, 0)[0]}),
            (std::array<int, 3>{145, 54, 34}));
  // show="chroma": chroma out of range yellow (210, 16, 146).
  const FramePtr chroma = Eval(
                              "BlankClip(width=4, height=2, pixel_type=\"YV24\", color_yuv=$8080F8)"
                              ".Limiter(30, 200, 60, 190, show=\"chroma\")")
                              ->GetFrame(0);
  EXPECT_EQ((std::array<int, 3>{chroma->Row(0, 0)[0], chroma->Row(1, 0)[0], chroma->Row(2, 0)[0]}),
            (std::array<int, 3>{210, 16, 146}));
}

TEST_F(LevelsFilters, RefusesInAviSynthsWords) {
  const struct {
    const char* script;
    const char* message;
  } cases[] = {
      {"BlankClip().Levels(0, 0, 255, 0, 255)", "Levels: gamma must be positive"},
      {"BlankClip().Levels(0, -1.5, 255, 0, 255)", "Levels: gamma must be positive"},
      {"BlankClip().RGBAdjust(rg=0)", "RGBAdjust: gammas must be positive"},
      {"BlankClip(pixel_type=\"YV12\").RGBAdjust(1.1)", "RGBAdjust requires RGB input"},
      {"BlankClip().Limiter()", "Limiter: Source must be YUV or YUVA"},
      {"BlankClip().Limiter(show=\"xx\")",
       "Limiter: show must be \"luma\", \"luma_grey\", \"chroma\" or \"chroma_grey\""},
      {"BlankClip(pixel_type=\"YV16\").Limiter(show=\"luma\")",
       "Limiter: Source must be YUV(A) 4:4:4, 4:2:0 or YUY2 with show option."},
  };
  for (const auto& c : cases) EXPECT_EQ(Message(EvalError(c.script)), c.message) << c.script;
}

}  // namespace
}  // namespace tandemix::test
