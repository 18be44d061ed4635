// FixBrokenChromaUpsampling and FixLuminance on YUY2, with the numbers the
// AviSynth engine gives, and their refusals.
#include <vector>

#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

// Column 0 of a plane, row by row, of the clip made YV16 again.
std::vector<int> Column(const std::string& script, int plane) {
  const FramePtr f = Eval(script + ".ConvertToYV16()")->GetFrame(0);
  std::vector<int> values;
  for (int y = 0; y < f->PlaneHeight(plane); ++y) values.push_back(f->Row(plane, y)[0]);
  return values;
}

TEST(ChromaRepair, SwapsTheMiddleLinesChromaOfEveryFour) {
  const std::string src =
      "BlankClip(pixel_type=\"YV16\", width=8, height=11).Expr(\"sy 10 * 100 +\", \"sy 10 * 20 +\", \"sy 7 * 50 "
      "+\").ConvertToYUY2().FixBrokenChromaUpsampling()";
  EXPECT_EQ(Column(src, 0), (std::vector<int>{100, 110, 120, 130, 140, 150, 160, 170, 180, 190, 200}));
  EXPECT_EQ(Column(src, 1), (std::vector<int>{20, 40, 30, 50, 60, 80, 70, 90, 100, 120, 110}));
  EXPECT_EQ(Column(src, 2), (std::vector<int>{50, 64, 57, 71, 78, 92, 85, 99, 106, 120, 113}));
}

TEST(ChromaRepair, FixLuminanceLeavesTheFrames) {
  const std::string src =
      "BlankClip(pixel_type=\"YV16\", width=8, height=64).Expr(\"100\", \"sy 10 * 20 +\", \"77\").ConvertToYUY2()";
  EXPECT_EQ(Column(src + ".FixLuminance(40, 5000)", 0), Column(src, 0));
  EXPECT_EQ(Column(src + ".FixLuminance(40, 5000)", 1), Column(src, 1));
  const struct {
    const char* script;
    const char* message;
  } refusals[] = {
      {"ColorBars(pixel_type=\"YV12\").FixLuminance(10, 2)", "FixLuminance: requires YUY2 input"},
      {"ColorBars(pixel_type=\"RGB32\").FixBrokenChromaUpsampling()", "FixBrokenChromaUpsampling: requires YUY2 input"},
      {"ColorBars(pixel_type=\"YUY2\").FixLuminance()", "Script error: Invalid arguments to function 'FixLuminance'."},
  };
  for (const auto& r : refusals) EXPECT_EQ(Message(EvalError(r.script)), r.message) << r.script;
}

}  // namespace
}  // namespace tandemix::test
