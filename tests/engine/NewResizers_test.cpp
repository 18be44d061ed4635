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
       1},
      {"SincResize(16, 4)", 4, {58, 72, 51, 94, 155, 46, 74, 57}, 0},
  };
  for (const Case& c : cases) {
    const std::vector<int> ours = Row(c.call, c.first, static_cast<int>(c.reference.size()));
    for (std::size_t i = 0; i < ours.size(); ++i)
      EXPECT_NEAR(ours[i], c.reference[i], c.slack) << c.call << " at x " << c.first + static_cast<int>(i);
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
