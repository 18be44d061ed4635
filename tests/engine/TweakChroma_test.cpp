// Tweak's hue and sat on a grid of every chroma pair region: the bytes the
// AviSynth engine gives (digests of the YV24 frame, planes Y, U, V), and
// the YV12 colour bars turned and saturated.
#include "tests/engine/FilterDigest.h"

namespace tandemix::test {
namespace {

TEST(TweakChroma, TurnsAndScalesChromaAsAviSynthDoes) {
  const struct {
    const char* args;
    std::uint32_t digest;
  } cases[] = {
      {"hue=45, sat=1.2", 0xaa3e10dcu},
      {"hue=0, sat=1.2", 0x283f40c5u},
  };
  for (const auto& c : cases) {
    // U rises along x and V down y, by 4 with an odd step on every other line.
    const std::string script = std::string("BlankClip(pixel_type=\"YV24\", width=64, height=64)") +
                               ".Expr(\"128\", \"sx 4 * sy 2 % +\", \"sy 4 * sx 2 % +\").Tweak(" + c.args + ")";
    EXPECT_EQ(FrameDigest(*Eval(script)->GetFrame(0)), c.digest) << c.args;
  }
  // One pixel worked through: u = 100, v = 1 turned by 45 degrees is
  // (-109.6, -70.0) in 12-bit fixed point; scaled by 1.2 and shifted back
  // once, -132 and -84, so U 16 (cored) and V 44.
  const FramePtr f = Eval(
                         "BlankClip(pixel_type=\"YV24\", width=4, height=2, color_yuv=$806401)"
                         ".Tweak(hue=45, sat=1.2)")
                         ->GetFrame(0);
  EXPECT_EQ(f->Row(1, 0)[0], 16);
  EXPECT_EQ(f->Row(2, 0)[0], 44);
}

}  // namespace
}  // namespace tandemix::test
