// The resizers' kernels against AviSynth's: the row a single bright
// column on grey becomes when scaled up four times (every byte as AviSynth
// gives it), and the chroma placement of subsampled planes.
#include <regex>
#include <string>
#include <vector>

#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

const std::string kImpulse =
    "StackHorizontal(BlankClip(width=16, height=4, pixel_type=\"RGB24\", color=$404040), BlankClip(width=1, "
    "height=4, pixel_type=\"RGB24\", color=$FFFFFF), BlankClip(width=15, height=4, pixel_type=\"RGB24\", "
    "color=$404040))";

std::vector<int> Row(const std::string& call, int first, int count) {
  FramePtr f = Eval(kImpulse + "." + call)->GetFrame(0);
  std::vector<int> out;
  for (int x = first; x < first + count; ++x) out.push_back(f->Row(0)[3 * x]);
  return out;
}

TEST(NewResizers, KernelsGiveAviSynthsBytes) {
  struct Case {
    std::string call;
    int first;
    std::vector<int> reference;
    int slack;  // the largest difference allowed in a byte
  };
  const Case cases[] = {
      {"BlackmanResize(128, 4)",
       54,
       {65, 67, 69, 67, 59, 47, 39, 49, 86, 145, 208, 249, 249, 208, 145, 86, 49, 39, 47, 59, 67, 69, 67, 65},
       0},
      {"GaussResize(128, 4)", 59, {65, 67, 75, 95, 134, 181, 213, 213, 181, 134, 95, 75, 67, 65}, 0},
      {"Spline64Resize(128, 4)",
       51,
       {63,  63,  63,  65, 69, 70, 68, 58, 45, 38, 49, 87, 147, 208, 249,
        249, 208, 147, 87, 49, 38, 45, 58, 68, 70, 69, 65, 63,  63,  63},
       0},
      {"SincLin2Resize(128, 4, taps=4)",
       51,
       {61,  59,  61,  69, 79, 83, 74, 52, 29, 23, 43, 91, 154, 215, 250,
        250, 215, 154, 91, 43, 23, 29, 52, 74, 83, 79, 69, 61,  59,  61},
       0},
      {"UserDefined2Resize(128, 4)",
       58,
       {67, 74, 86, 101, 119, 137, 151, 159, 159, 151, 137, 119, 101, 86, 74, 67, 64, 63, 63},
       0},
      {"SincResize(16, 4)", 4, {58, 72, 51, 94, 155, 46, 74, 57}, 0},
  };
  for (const Case& c : cases) {
    const std::vector<int> ours = Row(c.call, c.first, static_cast<int>(c.reference.size()));
    for (std::size_t i = 0; i < ours.size(); ++i)
      EXPECT_NEAR(ours[i], c.reference[i], c.slack) << c.call << " at x " << c.first + static_cast<int>(i);
  }
}

// The kernels on a busy picture (every byte a different sum), where the
// arithmetic shows: SinPower's lobes and its power p (clamped to 1..10),
// Sinc, SincLin2 and UserDefined2 not cut at their support, where a
// shrinking window ends (the support times the step between targets),
// UserDefined2's default support of single precision, taps folded onto the
// edge of a picture narrower than the kernel. One row each, from `first`.
TEST(NewResizers, KernelsOnABusyPictureGiveAviSynthsBytes) {
  const std::string busy =
      "BlankClip(width=40, height=30, pixel_type=\"Y8\").Expr(\"sx 37 * sy 91 * + sx sy * 3 * + 256 %\")";
  struct Case {
    std::string call;
    int row, first;
    std::vector<int> reference;
  };
  const Case cases[] = {
      {"SinPowerResize(100, 70)", 5, 0, {195, 240, 225, 230, 183, 96, 38, 52, 40, 98, 124, 118, 118, 119, 104, 132}},
      {"SinPowerResize(100, 70, p=1)", 3, 0, {91, 66, 111, 156, 98, 204, 146, 191, 236, 178, 255, 255, 143, 0, 2, 108}},
      {"SinPowerResize(100, 70, p=0.2)",
       3,
       0,
       {91, 66, 111, 156, 98, 204, 146, 191, 236, 178, 255, 255, 143, 0, 2, 108}},
      {"SinPowerResize(17, 13, p=4.1)",
       6,
       0,
       {135, 129, 128, 127, 126, 126, 125, 129, 135, 130, 126, 136, 142, 136, 131, 127, 119}},
      {"SincResize(17, 13)", 0, 0, {80, 144, 147, 84, 136, 132, 96, 108, 134, 115, 132, 140, 107, 101, 152, 140, 85}},
      {"SincResize(40, 22)", 12, 0, {75, 47, 137, 79, 64, 116, 66, 71, 142, 90, 75, 149, 107, 37, 153, 111}},
      {"SincLin2Resize(123, 19)", 0, 52, {85, 74, 92, 110, 119, 125, 126, 130, 146, 169, 185, 176, 138, 86, 52, 54}},
      {"SincLin2Resize(19, 30)",
       5,
       0,
       {219, 68, 221, 114, 153, 68, 111, 145, 39, 205, 19, 192, 76, 118, 162, 52, 203, 61, 151}},
      {"UserDefined2Resize(100, 30)",
       0,
       24,
       {88, 103, 118, 133, 147, 162, 177, 188, 186, 169, 135, 96, 62, 45, 43, 53}},
      {"UserDefined2Resize(100, 30, s=2.3)",
       0,
       24,
       {88, 103, 118, 133, 147, 162, 178, 188, 186, 169, 135, 96, 62, 45, 43, 53}},
      {"UserDefined2Resize(16, 12, b=90, c=40, s=4.7)",
       1,
       0,
       {118, 135, 136, 127, 124, 125, 121, 122, 117, 118, 125, 129, 130, 136, 131, 130}},
      {"UserDefined2Resize(100, 30, b=100, c=33.3)",
       0,
       0,
       {4, 12, 20, 36, 47, 60, 77, 89, 108, 120, 133, 151, 163, 172, 182, 181}},
  };
  for (const Case& c : cases) {
    FramePtr f = Eval(busy + "." + c.call)->GetFrame(0);
    const std::uint8_t* row = f->Row(c.row) + c.first;
    EXPECT_EQ(std::vector<int>(row, row + c.reference.size()), c.reference) << c.call;
  }
  // A picture smaller than the kernel is resized, not refused: its taps
  // fold onto the edge samples.
  const std::string tiny = "BlankClip(width=3, height=2, pixel_type=\"Y8\").Expr(\"sx 90 * sy 60 * + 20 +\")";
  const Case small[] = {
      {"LanczosResize(8, 4)", 1, 0, {25, 36, 62, 102, 143, 183, 209, 217}},
      {"SincResize(9, 5)", 2, 0, {37, 50, 64, 98, 140, 183, 215, 228, 234}},
      {"BilinearResize(7, 1)", 0, 0, {50, 63, 101, 140, 178, 215, 228}},
      {"Spline64Resize(2, 1)", 0, 0, {73, 206}},
  };
  for (const Case& c : small) {
    FramePtr f = Eval(tiny + "." + c.call)->GetFrame(0);
    EXPECT_EQ(std::vector<int>(f->Row(c.row), f->Row(c.row) + c.reference.size()), c.reference) << c.call;
  }
}

TEST(NewResizers, ChromaPlacement) {
  EXPECT_EQ(Message(EvalError("BlankClip(pixel_type=\"YV12\").BilinearResize(32, 32, placement=\"foo\")")),
            "Unknown chroma placement");
  // One bright chroma column (6 of 16) of a 32-wide picture shrunk to 20:
  // centred chroma by default and for mpeg1/center/auto, sited on the left
  // for mpeg2/left, in 4:2:0 and 4:2:2 (the reference engine's bytes).
  // Down the columns chroma is always centred.
  const std::string impulse =
      "BlankClip(width=32, height=8, pixel_type=\"TYPE\", color_yuv=$108080).Expr(\"x\", \"sx 6 = 255 0 ?\", "
      "\"128\").BilinearResize(20, 8";
  for (const std::string type : {"YV12", "YV16"}) {
    const std::string script = std::regex_replace(impulse, std::regex("TYPE"), type);
    for (const std::string placement :
         {"", ", placement=\"mpeg1\"", ", placement=\"center\"", ", placement=\"auto\""}) {
      FramePtr f = Eval(script + placement + ")")->GetFrame(0);
      EXPECT_EQ(std::vector<int>(f->Row(1, 0), f->Row(1, 0) + 10), (std::vector<int>{0, 0, 0, 66, 92, 0, 0, 0, 0, 0}))
          << type << placement;
    }
    for (const std::string placement : {", placement=\"mpeg2\"", ", placement=\"left\""}) {
      FramePtr f = Eval(script + placement + ")")->GetFrame(0);
      EXPECT_EQ(std::vector<int>(f->Row(1, 0), f->Row(1, 0) + 10), (std::vector<int>{0, 0, 0, 51, 112, 0, 0, 0, 0, 0}))
          << type << placement;
    }
  }
  // Taps are clamped rather than refused.
  EXPECT_EQ(EvalError("BlankClip().SincResize(320, 240, taps=150).BlackmanResize(640, 480, taps=0)"), "");
}

}  // namespace
}  // namespace tandemix::test

namespace tandemix::test {
namespace {

// Where a kernel's own arguments stand among the positional ones, as
// AviSynth takes them: each positional call makes the same frame as its
// named form (and not the one where the numbers would have gone elsewhere).
TEST(NewResizers, PositionalArgumentsTakeAviSynthsOrder) {
  const std::string bars = "ColorBars(width=40, height=30, pixel_type=\"YV24\").";
  const struct {
    const char* positional;
    const char* named;
  } cases[] = {
      {"GaussResize(64, 48, 7.5)", "GaussResize(64, 48, src_left=7.5)"},
      {"GaussResize(64, 48, 0, 0, 40, 30, 10)", "GaussResize(64, 48, p=10)"},
      {"GaussResize(64, 48, 0, 0, 40, 30, 30, 3)", "GaussResize(64, 48, b=3)"},
      {"SinPowerResize(64, 48, 7.5)", "SinPowerResize(64, 48, src_left=7.5)"},
      {"SinPowerResize(64, 48, 0, 0, 40, 30, 4)", "SinPowerResize(64, 48, p=4)"},
      {"SinPowerResize(64, 48, 0.5, -1.25, 39, 29.5)",
       "SinPowerResize(64, 48, src_left=0.5, src_top=-1.25, src_width=39, src_height=29.5)"},
      {"BicubicResize(64, 48, 0.5)", "BicubicResize(64, 48, b=0.5)"},
      {"UserDefined2Resize(64, 48, 7.5)", "UserDefined2Resize(64, 48, b=7.5)"},
  };
  for (const auto& c : cases) {
    const FramePtr positional = Eval(bars + c.positional)->GetFrame(0);
    const FramePtr named = Eval(bars + c.named)->GetFrame(0);
    EXPECT_EQ(positional->pixels, named->pixels) << c.positional;
  }
}

}  // namespace
}  // namespace tandemix::test
