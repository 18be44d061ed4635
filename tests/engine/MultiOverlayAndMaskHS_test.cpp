// MultiOverlay and MaskHS against the numbers AviSynth gives: copied
// rectangles and their refusals, and hue/saturation masks over every
// chroma pair.
#include <string>
#include <vector>

#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

int At(const FramePtr& f, int p, int x, int y) { return f->Row(p, y)[x]; }

// A 32x16 base of luma 16 and an 8x4 overlay whose pixel (x, y) is
// 100 + x + 10 y.
constexpr const char* kPair =
    "a = BlankClip(width=32, height=16, pixel_type=\"Y8\", color_yuv=$101010)\n"
    "b = BlankClip(width=8, height=4, pixel_type=\"Y8\").Expr(\"sx sy 10 * + 100 +\")\n";

TEST(MultiOverlay, CopiesRectanglesWhereTheyAreToGo) {
  struct Pixel {
    int x, y, value;
  };
  struct Case {
    const char* call;
    std::vector<Pixel> pixels;
  };
  const Case cases[] = {
      {"MultiOverlay(a, [b], [4, 2, 1, 1, 3, 2])",
       {{4, 2, 111}, {6, 2, 113}, {4, 3, 121}, {6, 3, 123}, {7, 2, 16}, {4, 4, 16}, {3, 2, 16}, {4, 1, 16}}},
      // partly outside the base, on either side; the overlays go in order
      {"MultiOverlay(a, [b, b], [-2, -1, 28, 14])",
       {{0, 0, 112}, {5, 0, 117}, {6, 0, 16}, {0, 2, 132}, {0, 3, 16}, {28, 14, 100}, {31, 15, 113}, {27, 14, 16}}},
      {"MultiOverlay(a, b, 10, 4)", {{10, 4, 100}, {17, 7, 137}, {18, 4, 16}, {10, 8, 16}}},
      {"MultiOverlay(a, [b, b], [0, 0, 2, 0, 4, 1, 3, 0, 1, 1, 3, 1])",
       {{0, 0, 102}, {2, 0, 104}, {3, 0, 111}, {5, 0, 113}, {6, 0, 16}, {0, 1, 16}}},
  };
  for (const Case& c : cases) {
    const auto clip = Eval(std::string(kPair) + c.call);
    ASSERT_EQ(SizeOf(clip), (Size{32, 16, 240})) << c.call;
    const FramePtr f = clip->GetFrame(0);
    for (const Pixel& p : c.pixels) EXPECT_EQ(At(f, 0, p.x, p.y), p.value) << c.call << " at " << p.x << "," << p.y;
  }
  // RGB places its rows from the top as the picture shows them.
  TempFolder folder;
  const std::string picture = PictureSource(folder, "p.bmp", CoordinatePicture(4, 4));
  const FramePtr rgb = Eval("a = BlankClip(width=16, height=8, pixel_type=\"RGB24\")\nMultiOverlay(a, [" + picture +
                            "], [2, 1, 1, 1, 2, 2])")
                           ->GetFrame(0);
  EXPECT_EQ(PixelAt(*rgb, 2, 1), (Bgr{1, 1, 100}));
  EXPECT_EQ(PixelAt(*rgb, 3, 2), (Bgr{2, 2, 100}));
  EXPECT_EQ(PixelAt(*rgb, 4, 1), (Bgr{0, 0, 0}));
  // Subsampled chroma moves by half the luma numbers.
  const FramePtr yv12 = Eval(
                            "a = BlankClip(width=32, height=16, pixel_type=\"YV12\")\n"
                            "b = BlankClip(width=8, height=4, pixel_type=\"YV12\", color_yuv=$508090)\n"
                            "MultiOverlay(a, b, 4, 2)")
                            ->GetFrame(0);
  EXPECT_EQ(At(yv12, 2, 2, 1), 0x90);
  EXPECT_EQ(At(yv12, 2, 5, 2), 0x90);
  EXPECT_EQ(At(yv12, 2, 6, 1), 128);
  EXPECT_EQ(At(yv12, 2, 2, 3), 128);
}

TEST(MultiOverlay, RefusesAsAviSynthDoes) {
  const struct {
    const char* call;
    const char* error;
  } cases[] = {
      {"MultiOverlay(a, [b, b], [10, 20])",
       "MultiOverlay: position array must contain 2 or 6 entries for each clip to overlay!"},
      {"MultiOverlay(a, [b], [10, 20, 30, 40])",
       "MultiOverlay: position array must contain 2 or 6 entries for each clip to overlay!"},
      {"MultiOverlay(a, [b], [4, 2, 1, 1, 0, -1])", "MultiOverlay: source width and height must be positive."},
      {"MultiOverlay(a, [b], [4, 2, -1, -1, 3, 3])", "MultiOverlay: source coordinate cannot be negative."},
      {"MultiOverlay(a, [b], [4, 2, 1, 1, 20, 20])",
       "MultiOverlay: copy exceeds clip width. x=1, size=20, clip width=8"},
      {"MultiOverlay(a, [b], [4, 2, 1, 3, 3, 2])",
       "MultiOverlay: copy exceeds clip height. y=3, size=2, clip height=4"},
      {"MultiOverlay(a, [b.ConvertToYV24()], [10, 20])", "MultiOverlay: image format must match with the base"},
      {"MultiOverlay(a.ConvertToYV12(), [b.ConvertToYV12()], [11, 20])",
       "MultiOverlay: target x must be mod 2 for this video format"},
      {"MultiOverlay(a.ConvertToYV12(), [b.ConvertToYV12()], [10, 21])",
       "MultiOverlay: target y must be mod 2 for this video format"},
      {"MultiOverlay(a.ConvertToYV12(), [b.ConvertToYV12()], [4, 2, 1, 2, 4, 2])",
       "MultiOverlay: source x must be mod 2 for this video format"},
      {"MultiOverlay(a.ConvertToYV12(), [b.ConvertToYV12()], [4, 2, 2, 2, 4, 1])",
       "MultiOverlay: source height must be mod 2 for this video format"},
  };
  for (const auto& c : cases) EXPECT_EQ(Message(EvalError(std::string(kPair) + c.call)), c.error) << c.call;
}

TEST(MaskHS, MarksTheChromaInsideTheRanges) {
  // Every chroma pair once: U = x, V = y on a 256x256 YV24 picture.
  const std::string grid = "BlankClip(width=256, height=256, pixel_type=\"YV24\").Expr(\"128\", \"sx\", \"sy\")";
  // Points (U, V): three on the edge of saturation 100 (W = 119^2), grey,
  // and others around the circle.
  const int points[][2] = {{72, 233}, {184, 233}, {128, 247}, {128, 128}, {200, 128}, {128, 200},
                           {60, 60},  {200, 60},  {129, 200}, {127, 200}, {128, 9}};
  struct Case {
    const char* args;
    int inside;  // pixels of 255 among the 65536
    int expected[11];
  };
  const Case cases[] = {
      {"", 65511, {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255}},
      {"startHue=30, endHue=120, minSat=20, maxSat=100", 10672, {255, 255, 255, 0, 0, 255, 0, 0, 255, 255, 0}},
      {"startHue=90, endHue=45, minSat=100, maxSat=150", 18510, {255, 0, 255, 0, 0, 0, 0, 0, 0, 0, 255}},
      {"startHue=180, endHue=270", 16630, {0, 0, 0, 0, 0, 0, 255, 0, 0, 0, 255}},
      {"startHue=300, endHue=360, maxSat=60, coring=false", 2631, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    const std::string script = grid + ".MaskHS(" + c.args + ")";
    const auto clip = Eval(script);
    ASSERT_EQ(clip->Info().pixelType, PixelType::Y8) << script;
    const FramePtr f = clip->GetFrame(0);
    int inside = 0;
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x) {
        const int v = At(f, 0, x, y);
        ASSERT_TRUE(v == 0 || v == 255) << script;
        inside += v == 255;
      }
    EXPECT_EQ(inside, c.inside) << script;
    for (int i = 0; i < 11; ++i)
      EXPECT_EQ(At(f, 0, points[i][0], points[i][1]), c.expected[i])
          << script << " at U " << points[i][0] << ", V " << points[i][1];
  }
}

TEST(MaskHS, IsAsLargeAsTheChromaAndRefusesAsAviSynthDoes) {
  const struct {
    const char* type;
    int width, height;
  } sizes[] = {{"YV12", 320, 240}, {"YV16", 320, 480}, {"YV24", 640, 480}, {"YUY2", 320, 480}};
  for (const auto& s : sizes) {
    const std::string script = std::string("ColorBars(pixel_type=\"YV24\").ConvertTo") + s.type + "().MaskHS()";
    const auto clip = Eval(script);
    EXPECT_EQ(SizeOf(clip), (Size{s.width, s.height, 107892})) << script;
    EXPECT_EQ(clip->GetFrame(0)->type, PixelType::Y8) << script;
  }
  // YUY2 reads each pair's chroma: a flat colour inside the default range.
  const FramePtr packed =
      Eval("BlankClip(width=8, height=2, pixel_type=\"YUY2\", color_yuv=$80F080).MaskHS(startHue=350, endHue=10)")
          ->GetFrame(0);
  EXPECT_EQ(At(packed, 0, 3, 1), 255);
  const struct {
    const char* call;
    const char* error;
  } errors[] = {
      {"ColorBars().MaskHS()", "MaskHS: YUV data only (no RGB)"},
      {"ColorBars(pixel_type=\"YV24\").ConvertToY8().MaskHS()", "MaskHS: clip must contain chroma."},
      {"ColorBars(pixel_type=\"YV12\").MaskHS(startHue=400)",
       "MaskHS: startHue must be greater than or equal to 0.0 and less than 360.0"},
      {"ColorBars(pixel_type=\"YV12\").MaskHS(endHue=-1)",
       "MaskHS: endHue must be greater than 0.0 and less than or equal to 360.0"},
      {"ColorBars(pixel_type=\"YV12\").MaskHS(maxSat=200)",
       "MaskHS: maxSat must be greater than 0 and less than or equal to 150."},
      {"ColorBars(pixel_type=\"YV12\").MaskHS(minSat=-1)",
       "MaskHS: minSat must be greater than or equal to 0 and less than 150."},
      {"ColorBars(pixel_type=\"YV12\").MaskHS(minSat=100, maxSat=50)", "MaskHS: MinSat must be less than MaxSat"},
      {"ColorBars(pixel_type=\"YV12\").MaskHS(1, 2, 3, 4)", "MaskHS: MinSat must be less than MaxSat"},
  };
  for (const auto& e : errors) EXPECT_EQ(Message(EvalError(e.call)), e.error) << e.call;
}

}  // namespace
}  // namespace tandemix::test
