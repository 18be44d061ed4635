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

// Every (u, v) pair at once (U along x, V down y, luma a ramp): hue,
// saturation and luma settings, the hue and saturation ranges with and
// without their fade, and the single-precision realcalc form.
TEST(TweakChroma, EveryChromaPairAtSettings) {
  const struct {
    const char* args;
    std::uint32_t digest;
  } cases[] = {
      {"hue=10", 0xa4bc10d8u},
      {"hue=-30, sat=1.5", 0x3934ee1au},
      {"sat=0.7, coring=false", 0xcec648c5u},
      {"bright=10.3, cont=1.17", 0xb0f7adc5u},
      {"bright=-7.5, cont=0.8, coring=false", 0x34f1dfc5u},
      {"hue=20, startHue=30, endHue=120", 0x712b1cc9u},
      {"hue=20, startHue=300, endHue=60, coring=false", 0x677cda84u},
      {"sat=2, maxSat=60, minSat=10", 0xdb0ef0e7u},
      {"sat=2, maxSat=60, minSat=10, interp=10", 0x2397fa13u},
      {"sat=0.5, hue=15, maxSat=40, minSat=20, interp=0", 0xb59cfdc9u},
      {"hue=10, sat=1.3, realcalc=true", 0xd631b29au},
      {"bright=3.3, cont=0.9, realcalc=true", 0x9fd23bc5u},
      {"bright=-2.7, cont=1.3, realcalc=true, coring=false", 0xf47b57c5u},
  };
  for (const auto& c : cases) {
    const std::string script = std::string("BlankClip(pixel_type=\"YV24\", width=256, height=256)") +
                               ".Expr(\"sx\", \"sx\", \"sy\").Tweak(" + c.args + ")";
    EXPECT_EQ(FrameDigest(*Eval(script)->GetFrame(0)), c.digest) << c.args;
  }
  // One pixel by hand: u = 228, v = 128 turned by 10 degrees is
  // 100 cos 10 = 98.48 and -100 sin 10 = -17.36; times 512, truncated and
  // shifted by 9 bits: 98 and -18, so U 226 and V 110.
  const FramePtr f =
      Eval("BlankClip(pixel_type=\"YV24\", width=4, height=2, color_yuv=$80E480).Tweak(hue=10)")->GetFrame(0);
  EXPECT_EQ(f->Row(1, 0)[0], 226);
  EXPECT_EQ(f->Row(2, 0)[0], 110);
}

TEST(TweakChroma, RangeArgumentsRefusedInAviSynthsWords) {
  const struct {
    const char* args;
    const char* message;
  } cases[] = {
      {"startHue=-1", "Tweak: startHue must be greater than or equal to 0.0 and less than 360.0"},
      {"startHue=360", "Tweak: startHue must be greater than or equal to 0.0 and less than 360.0"},
      {"endHue=0", "Tweak: endHue must be greater than 0.0 and less than or equal to 360.0"},
      {"endHue=361", "Tweak: endHue must be greater than 0.0 and less than or equal to 360.0"},
      {"minSat=50, maxSat=40", "Tweak: MinSat must be less than MaxSat"},
      {"minSat=-1", "Tweak: minSat must be greater than or equal to 0 and less than 150."},
      {"maxSat=151", "Tweak: maxSat must be greater than 0 and less than or equal to 150."},
      {"minSat=150", "Tweak: MinSat must be less than MaxSat"},
      {"interp=150", "Tweak: Interp must be greater than or equal to 0 and less than 150."},
      {"interp=-1", "Tweak: Interp must be greater than or equal to 0 and less than 150."},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Message(EvalError(std::string("BlankClip(pixel_type=\"YV24\").Tweak(") + c.args + ")")), c.message)
        << c.args;
  for (const char* args : {"hue=10", "sat=1.1", "maxSat=100"})
    EXPECT_EQ(Message(EvalError(std::string("BlankClip(pixel_type=\"Y8\").Tweak(") + args + ")")),
              "Tweak: bright and cont are the only options available for greyscale.")
        << args;
  EXPECT_EQ(EvalError("BlankClip(pixel_type=\"Y8\").Tweak(bright=10, cont=1.2)"), "");
}

}  // namespace
}  // namespace tandemix::test
