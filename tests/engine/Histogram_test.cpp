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
    {"ColorBars().Histogram()", 0, 0, "Histogram: YUV(A) data only"},
    {"ColorBars(pixel_type=\"RGB24\").Histogram(\"classic\", keepsource=false)", 0, 0, "Histogram: YUV(A) data only"},
    {"ColorBars(pixel_type=\"YV12\").Histogram(bits=7)", 0, 0, "Histogram: bits parameter can only be 8, 9 .. 12"},
    {"ColorBars(pixel_type=\"YV12\").Histogram(bits=13)", 0, 0, "Histogram: bits parameter can only be 8, 9 .. 12"},
    {"ColorBars(pixel_type=\"YV12\").Histogram(factor=3)", 0, 0, "Histogram: Unknown optional value."},
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

}  // namespace
}  // namespace tandemix::test
