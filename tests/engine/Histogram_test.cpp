// Histogram against the numbers AviSynth gives: the picture sizes and
// refusals of every mode in every pixel type, and the drawn levels of each
// mode on pictures whose distribution is known.
#include <string>
#include <vector>

#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

// Plane p of a frame at (x, y): bytes as they lie (YUY2 luma at 2x).
int At(const FramePtr& f, int p, int x, int y) { return f->Row(p, y)[x]; }

struct SizeCase {
  const char* script;
  int width, height;  // 0: refused with `error`
  const char* error;
};

constexpr SizeCase kSizes[] = {
    {"ColorBars(pixel_type=\"YV12\").Histogram()", 896, 480, ""},
    {"ColorBars(pixel_type=\"YUY2\").Histogram(\"classic\")", 896, 480, ""},
    {"ColorBars(pixel_type=\"YV24\").ConvertToY8().Histogram()", 896, 480, ""},
    {"BlankClip(width=64, height=48, pixel_type=\"YV12\").Histogram(keepsource=false)", 256, 48, ""},
    {"BlankClip(width=64, height=48, pixel_type=\"YV12\").Histogram(\"no such mode\")", 320, 48, ""},
    {"BlankClip(width=64, height=48, pixel_type=\"YV12\").Histogram(bits=9)", 576, 48, ""},
    {"BlankClip(width=64, height=48, pixel_type=\"YUY2\").Histogram(bits=12, keepsource=false)", 4096, 48, ""},
    {"ColorBars().Histogram()", 0, 0, "Histogram: YUV(A) data only"},
    {"ColorBars(pixel_type=\"RGB24\").Histogram(\"classic\", keepsource=false)", 0, 0, "Histogram: YUV(A) data only"},
    {"ColorBars(pixel_type=\"YV12\").Histogram(bits=7)", 0, 0, "Histogram: bits parameter can only be 8, 9 .. 12"},
    {"ColorBars(pixel_type=\"YV12\").Histogram(bits=13)", 0, 0, "Histogram: bits parameter can only be 8, 9 .. 12"},
    {"ColorBars(pixel_type=\"YV12\").Histogram(factor=3)", 0, 0, "Histogram: Unknown optional value."},
    {"BlankClip(width=64, height=48, pixel_type=\"YV12\").Histogram(\"levels\")", 320, 256, ""},
    {"BlankClip(width=64, height=300, pixel_type=\"RGB32\").Histogram(\"levels\")", 320, 300, ""},
    {"BlankClip(width=64, height=300, pixel_type=\"Y8\").Histogram(\"levels\", keepsource=false)", 256, 256, ""},
    {"ColorBars(pixel_type=\"YUY2\").Histogram(\"levels\")", 0, 0, "Histogram: Levels mode only available in PLANAR."},
    {"ColorBars(pixel_type=\"YV12\").Histogram(\"levels\", 101)", 0, 0,
     "Histogram: Levels population clamping must be between 0 and 100%"},
};

TEST(Histogram, SizesAndRefusalsAsAviSynthGivesThem) {
  for (const SizeCase& c : kSizes) {
    if (c.width == 0) {
      EXPECT_EQ(Message(EvalError(c.script)), c.error) << c.script;
      continue;
    }
    const auto clip = Eval(c.script);
    EXPECT_EQ(clip->Info().width, c.width) << c.script;
    EXPECT_EQ(clip->Info().height, c.height) << c.script;
    const FramePtr f = clip->GetFrame(0);
    EXPECT_EQ(f->width, c.width) << c.script;
  }
}

TEST(Histogram, ClassicCountsEachRowsLevels) {
  // Row y holds y pixels of level 0 (below 16: marked, 68 brighter and at
  // most 235) and 300 - y of level 128.
  const auto clip = Eval("BlankClip(width=300, height=300, pixel_type=\"Y8\").Expr(\"sx sy < 0 128 ?\").Histogram()");
  const FramePtr f = clip->GetFrame(0);
  struct Row {
    int y, level0, level128;
  };
  const Row rows[] = {{0, 84, 235},   {1, 89, 235},   {5, 109, 235},   {10, 130, 235}, {20, 167, 235},
                      {48, 233, 234}, {49, 235, 234}, {250, 235, 169}, {290, 235, 62}, {299, 235, 21}};
  for (const Row& r : rows) {
    EXPECT_EQ(At(f, 0, 300 + 0, r.y), r.level0) << "row " << r.y;
    EXPECT_EQ(At(f, 0, 300 + 128, r.y), r.level128) << "row " << r.y;
    EXPECT_EQ(At(f, 0, 300 + 200, r.y), 16) << "row " << r.y;  // no pixels, in range
    EXPECT_EQ(At(f, 0, 300 + 250, r.y), 84) << "row " << r.y;  // no pixels, above 235
    EXPECT_EQ(At(f, 0, 300 + 125, r.y), 84) << "row " << r.y;  // the middle marker
    EXPECT_EQ(At(f, 0, 299, r.y), 128) << "row " << r.y;       // the source is kept
  }
}

TEST(Histogram, ClassicMarkersInEveryLayout) {
  // 16 pixels a row of level 16 (count 16 draws 85). Columns read: 0, 15,
  // 16, 124, 125, 235, 236 of the histogram; chroma at the same levels.
  struct Case {
    const char* type;
    const char* options;
    int luma[7];
    int u[7], v[7];
  };
  const Case cases[] = {
      {"YV24", "", {84, 84, 85, 16, 84, 16, 84}, {16, 16, 128, 128, 160, 128, 16}, {160, 160, 128, 128, 16, 128, 160}},
      {"YV12", "", {84, 84, 85, 16, 84, 16, 84}, {16, 16, 128, 128, 128, 128, 16}, {160, 160, 128, 128, 128, 128, 160}},
      {"YUY2", "", {84, 84, 85, 84, 16, 16, 84}, {16, 16, 128, 160, 160, 128, 16}, {160, 160, 128, 16, 16, 128, 160}},
      {"YV24",
       ", markers=false",
       {16, 16, 85, 16, 16, 16, 16},
       {128, 128, 128, 128, 128, 128, 128},
       {128, 128, 128, 128, 128, 128, 128}},
  };
  const int columns[7] = {0, 15, 16, 124, 125, 235, 236};
  for (const Case& c : cases) {
    const std::string script = std::string("BlankClip(width=16, height=4, pixel_type=\"") + c.type +
                               "\").Histogram(keepsource=false" + c.options + ")";
    const FramePtr f = Eval(script)->GetFrame(0);
    const bool packed = f->type == PixelType::YUY2;
    const int sx = ChromaShiftX(f->type);
    for (int i = 0; i < 7; ++i) {
      const int x = columns[i];
      EXPECT_EQ(packed ? At(f, 0, 2 * x, 1) : At(f, 0, x, 1), c.luma[i]) << script << " luma column " << x;
      const int u = packed ? At(f, 0, 4 * (x / 2) + 1, 1) : At(f, 1, x >> sx, 0);
      const int v = packed ? At(f, 0, 4 * (x / 2) + 3, 1) : At(f, 2, x >> sx, 0);
      EXPECT_EQ(u, c.u[i]) << script << " U column " << x;
      EXPECT_EQ(v, c.v[i]) << script << " V column " << x;
    }
  }
}

// A 64x64 picture whose luma levels have uneven counts (level 0 the most,
// 144 pixels), U on odd levels 1..253 and V on 7, 10, .. 196.
constexpr const char* kSpread =
    "BlankClip(width=64, height=64, pixel_type=\"YV24\").Expr(\"sx sy * 256 %\", \"sy 4 * 1 +\", \"sx 3 * 7 +\")";

TEST(Histogram, ClassicWithMoreBitsSpreadsTheLevels) {
  // bits=10: level v counts in column 4v; the limits move to 64 and 940,
  // the middle marker to 501. bits=9 on 4:2:0: the middle falls on chroma
  // column 125.
  struct Case {
    const char* script;
    int width;
    int plane, row;
    std::vector<int> columns, values;
  };
  const Case cases[] = {
      {"BlankClip(width=16, height=4, pixel_type=\"YV24\").Histogram(bits=10, keepsource=false)",
       1024,
       0,
       1,
       {0, 63, 64, 500, 501, 940, 941, 1023},
       {84, 84, 85, 16, 84, 16, 84, 84}},
      {"BlankClip(width=16, height=4, pixel_type=\"YV24\").Histogram(bits=10, keepsource=false)",
       1024,
       1,
       1,
       {0, 63, 64, 500, 501, 940, 941, 1023},
       {16, 16, 128, 128, 160, 128, 16, 16}},
      {"BlankClip(width=16, height=4, pixel_type=\"YV24\").Histogram(bits=10, keepsource=false)",
       1024,
       2,
       1,
       {0, 63, 64, 500, 501, 940, 941, 1023},
       {160, 160, 128, 128, 16, 128, 160, 160}},
      {"BlankClip(width=16, height=4, pixel_type=\"YV12\").Histogram(bits=9, keepsource=false)",
       512,
       0,
       0,
       {0, 31, 32, 250, 251, 470, 471, 511},
       {84, 84, 85, 84, 16, 16, 84, 84}},
      {"BlankClip(width=16, height=4, pixel_type=\"YV12\").Histogram(bits=9, keepsource=false)",
       512,
       1,
       0,
       {0, 15, 16, 125, 234, 235, 236, 255},
       {16, 16, 128, 160, 128, 128, 16, 16}},
  };
  for (const Case& c : cases) {
    const FramePtr f = Eval(c.script)->GetFrame(0);
    EXPECT_EQ(f->width, c.width) << c.script;
    for (std::size_t i = 0; i < c.columns.size(); ++i)
      EXPECT_EQ(At(f, c.plane, c.columns[i], c.row), c.values[i])
          << c.script << " plane " << c.plane << " column " << c.columns[i];
  }
}

TEST(Histogram, LevelsDrawsBarsOverEachPanel) {
  struct Point {
    int plane, x, y, value;
  };
  struct Case {
    const char* tail;
    std::vector<Point> points;
  };
  const Case cases[] = {
      {".Histogram(\"levels\", keepsource=false)",
       {// luma panel: levels outside 16..235 on 32, bars of 235 up to 64 rows
        // high, the last at row 65; a dotted line at 128
        {0, 0, 0, 32},
        {0, 0, 1, 32},
        {0, 0, 2, 235},
        {0, 0, 65, 235},
        {0, 0, 66, 16},
        {0, 1, 61, 32},
        {0, 1, 62, 235},
        {0, 16, 48, 16},
        {0, 16, 49, 235},
        {0, 128, 0, 16},
        {0, 128, 2, 128},
        {0, 128, 51, 128},
        {0, 128, 52, 235},
        {0, 128, 66, 128},
        {0, 128, 68, 16},
        // U panel: the background shows each level's colour
        {0, 0, 80, 105},
        {0, 15, 80, 211},
        {0, 16, 80, 210},
        {0, 127, 80, 1},
        {0, 240, 80, 41},
        {0, 241, 80, 20},
        {0, 1, 81, 105},
        {0, 1, 82, 235},
        {0, 128, 80, 0},
        {0, 128, 82, 128},
        // V panel
        {0, 0, 160, 85},
        {0, 16, 160, 170},
        {0, 16, 162, 235},
        {0, 240, 160, 81},
        {0, 241, 160, 40},
        {0, 16, 226, 16},
        // chroma
        {1, 0, 0, 16},
        {1, 16, 0, 128},
        {1, 239, 0, 16},
        {1, 0, 80, 72},
        {1, 15, 80, 15},
        {1, 241, 80, 184},
        {1, 0, 160, 128},
        {2, 0, 0, 160},
        {2, 0, 80, 128},
        {2, 0, 160, 72},
        {2, 200, 160, 200}}},
      {".ConvertToYV12().Histogram(\"levels\", keepsource=false)",
       {{1, 7, 40, 14},
        {1, 6, 40, 72},
        {1, 120, 40, 240},
        {1, 121, 40, 184},
        {1, 0, 32, 16},
        {1, 0, 33, 128},
        {2, 0, 80, 72},
        {0, 16, 80, 210}}},
      {".Histogram(\"levels\", keepsource=false, markers=false)",
       {{0, 0, 0, 16}, {0, 0, 2, 235}, {0, 128, 2, 16}, {0, 16, 80, 16}, {1, 0, 80, 128}, {2, 0, 0, 128}}},
  };
  for (const Case& c : cases) {
    const std::string script = std::string(kSpread) + c.tail;
    const auto clip = Eval(script);
    ASSERT_EQ(SizeOf(clip), (Size{256, 256, 240})) << script;
    const FramePtr f = clip->GetFrame(0);
    for (const Point& p : c.points)
      EXPECT_EQ(At(f, p.plane, p.x, p.y), p.value) << script << " plane " << p.plane << " at " << p.x << "," << p.y;
  }
  // RGB: red, green and blue panels over a background of their own
  // channel's level, white bars, a grey dotted line; the source is kept
  // at the left and the rest is black.
  const FramePtr rgb = Eval("ColorBars(pixel_type=\"RGB24\").Histogram(\"levels\")")->GetFrame(0);
  ASSERT_EQ(rgb->width, 896);
  const struct {
    int x, y;
    Bgr value;
  } pixels[] = {{820, 0, {0, 0, 180}},      {820, 30, {255, 255, 255}}, {820, 65, {255, 255, 255}},
                {820, 66, {0, 0, 0}},       {656, 10, {255, 255, 255}}, {768, 2, {128, 128, 128}},
                {768, 70, {128, 128, 128}}, {656, 80, {0, 16, 0}},      {840, 160, {200, 0, 0}},
                {640, 60, {0, 0, 0}},       {656, 65, {255, 255, 255}}, {100, 300, {16, 180, 180}},
                {700, 300, {0, 0, 0}}};
  for (const auto& p : pixels) EXPECT_EQ(PixelAt(*rgb, p.x, p.y), p.value) << "RGB at " << p.x << "," << p.y;
}

TEST(Histogram, LevelsGradientsStayWithinOneOfAviSynth) {
  // The chroma panels' luma is a float ramp; AviSynth's rounds three of
  // its 450 steps up where ours truncates (U 199, V 18 and 45).
  const FramePtr f = Eval(std::string(kSpread) + ".Histogram(\"levels\", keepsource=false)")->GetFrame(0);
  EXPECT_NEAR(At(f, 0, 199, 80), 26, 1);
  EXPECT_NEAR(At(f, 0, 18, 160), 167, 1);
  EXPECT_NEAR(At(f, 0, 45, 160), 126, 1);
  EXPECT_EQ(At(f, 0, 198, 80), 25);
  EXPECT_EQ(At(f, 0, 44, 160), 127);
  EXPECT_EQ(At(f, 0, 200, 160), 52);
}

TEST(Histogram, ColorCountsEachChromaPair) {
  // U = sx / 8 + 30 and V = sy / 16 + 100, rounded: (30, 100) holds 32
  // pixels of the 4:4:4 picture, (31, 101) 128; subsampled, a quarter.
  const std::string picture =
      "BlankClip(width=64, height=64, pixel_type=\"YV24\").Expr(\"sx sy * 256 %\", \"sx 8 / 30 +\", \"sy 16 / 100 +\")";
  struct Case {
    const char* convert;
    int at30x100, at31x101, at30x105;
  };
  const Case cases[] = {{"", 48, 144, 16}, {".ConvertToYV12()", 24, 48, 16}, {".ConvertToYV16()", 32, 80, 16}};
  for (const Case& c : cases) {
    const std::string script = picture + c.convert + ".Histogram(\"color\")";
    const auto clip = Eval(script);
    ASSERT_EQ(SizeOf(clip), (Size{320, 256, 240})) << script;
    const FramePtr f = clip->GetFrame(0);
    const int sx = ChromaShiftX(f->type), sy = ChromaShiftY(f->type);
    EXPECT_EQ(At(f, 0, 64 + 30, 100), c.at30x100) << script;
    EXPECT_EQ(At(f, 0, 64 + 31, 101), c.at31x101) << script;
    EXPECT_EQ(At(f, 0, 64 + 30, 105), c.at30x105) << script;
    EXPECT_EQ(At(f, 0, 64 + 15, 100), 0) << script;  // outside 16..240
    EXPECT_EQ(At(f, 0, 64 + 241, 100), 0) << script;
    EXPECT_EQ(At(f, 0, 64 + 100, 16), 16) << script;
    EXPECT_EQ(At(f, 1, (64 >> sx) + (200 >> sx), 10), 200) << script;  // chroma is the place's own
    EXPECT_EQ(At(f, 2, (64 >> sx) + 3, 50 >> sy), 50 >> sy << sy) << script;
    EXPECT_EQ(At(f, 0, 10, 10), 10 * 10) << script;  // the source is kept
  }
  // A flat picture: 4096 pixels of one chroma are cut to 235, outside the
  // studio range too.
  const FramePtr flat = Eval(
                            "BlankClip(width=64, height=64, pixel_type=\"YV24\", "
                            "color_yuv=$800505).Histogram(\"color\", keepsource=false)")
                            ->GetFrame(0);
  EXPECT_EQ(At(flat, 0, 5, 5), 235);
  EXPECT_EQ(At(flat, 0, 6, 5), 0);
  // Below the square, where the source is taller, the last chroma column
  // is 0.
  const FramePtr tall = Eval("BlankClip(width=64, height=400, pixel_type=\"YV12\").Histogram(\"color\")")->GetFrame(0);
  EXPECT_EQ(At(tall, 1, 159, 127), 254);
  EXPECT_EQ(At(tall, 1, 159, 128), 0);
  EXPECT_EQ(At(tall, 2, 159, 199), 0);
  EXPECT_EQ(At(tall, 1, 158, 128), 128);
  EXPECT_EQ(Message(EvalError("ColorBars(pixel_type=\"YV24\").ConvertToY8().Histogram(\"color\")")),
            "Histogram: Color mode not available in greyscale.");
  EXPECT_EQ(Message(EvalError("ColorBars(pixel_type=\"YUY2\").Histogram(\"color\")")),
            "Histogram: Color mode only available in PLANAR.");
  EXPECT_EQ(Message(EvalError("ColorBars(pixel_type=\"RGB24\").Histogram(\"color2\")")),
            "Histogram: Color2 mode is not available in RGB.");
}

TEST(Histogram, LumaSpreadsTheLowBits) {
  // Levels 0..255 along x: 0..15 rise by 16, 16..31 fall from 255.
  const int levels[] = {0, 1, 15, 16, 17, 31, 32, 100, 255};
  const int expected[] = {0, 16, 240, 255, 239, 15, 0, 64, 15};
  for (const char* type : {"YV24", "YV12", "YUY2", "Y8"}) {
    const std::string script =
        std::string(
            "BlankClip(width=256, height=4, pixel_type=\"YV24\").Expr(\"sx\", \"sy 50 * 3 +\", \"sx 2 /\").ConvertTo") +
        type + "().Histogram(\"luma\")";
    const auto clip = Eval(script);
    ASSERT_EQ(SizeOf(clip), (Size{256, 4, 240})) << script;
    const FramePtr f = clip->GetFrame(0);
    const bool packed = f->type == PixelType::YUY2;
    for (std::size_t i = 0; i < std::size(levels); ++i)
      EXPECT_EQ(At(f, 0, packed ? 2 * levels[i] : levels[i], 1), expected[i]) << script << " level " << levels[i];
    if (packed) {
      EXPECT_EQ(At(f, 0, 1, 3), 128) << script;
    } else if (f->Planes() == 3) {
      EXPECT_EQ(At(f, 1, 5, 1), 128) << script;
      EXPECT_EQ(At(f, 2, 100, 1), 128) << script;
    }
  }
  EXPECT_EQ(Message(EvalError("ColorBars().Histogram(\"luma\")")), "Histogram: Luma mode only available in YUV(A).");
}

}  // namespace
}  // namespace tandemix::test
