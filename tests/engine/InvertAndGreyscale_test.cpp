// Invert's channels and Greyscale's matrices: every byte as the AviSynth
// engine gives it for the same picture, and its refusals.
#include "tests/engine/FilterDigest.h"

namespace tandemix::test {
namespace {

class InvertAndGreyscale : public ::testing::Test {
 protected:
  TempFolder folder_;
};

TEST_F(InvertAndGreyscale, EveryByteAsAviSynthMakesIt) {
  // Invert turns the channels named, in any case, and passes over other
  // letters; Greyscale weighs RGB in 15 bits as AviSynth does (PC.601 by
  // default, "average" 10901, 10966, 10901; the Rec matrices add 16).
  const DigestCase cases[] = {
      {"RGB24", "Invert(\"R\")", 0, 40, 16, 0x04d7268bu},
      {"RGB24", "Invert(\"gbA\")", 0, 40, 16, 0xadcd6e57u},
      {"RGB24", "Invert(\"U\")", 0, 40, 16, 0xdbb4d873u},
      {"RGB24", "Invert(\"yv\")", 0, 40, 16, 0xdbb4d873u},
      {"RGB24", "Invert(\"X\")", 0, 40, 16, 0xdbb4d873u},
      {"RGB32", "Invert(\"R\")", 0, 40, 16, 0x04d7268bu},
      {"RGB32", "Invert(\"gbA\")", 0, 40, 16, 0xadcd6e57u},
      {"RGB32", "Invert(\"U\")", 0, 40, 16, 0xdbb4d873u},
      {"RGB32", "Invert(\"yv\")", 0, 40, 16, 0xdbb4d873u},
      {"RGB32", "Invert(\"X\")", 0, 40, 16, 0xdbb4d873u},
      {"YV12", "Invert(\"R\")", 0, 40, 16, 0x0058f66fu},
      {"YV12", "Invert(\"gbA\")", 0, 40, 16, 0x0058f66fu},
      {"YV12", "Invert(\"U\")", 0, 40, 16, 0xdf5acbe3u},
      {"YV12", "Invert(\"yv\")", 0, 40, 16, 0x87f96123u},
      {"YV12", "Invert(\"X\")", 0, 40, 16, 0x0058f66fu},
      {"YUY2", "Invert(\"R\")", 0, 40, 16, 0xd21081a3u},
      {"YUY2", "Invert(\"gbA\")", 0, 40, 16, 0xd21081a3u},
      {"YUY2", "Invert(\"U\")", 0, 40, 16, 0x7e1caec7u},
      {"YUY2", "Invert(\"yv\")", 0, 40, 16, 0x2c04cb4fu},
      {"YUY2", "Invert(\"X\")", 0, 40, 16, 0xd21081a3u},
      {"Y8", "Invert(\"R\")", 0, 40, 16, 0x0e7ac1d9u},
      {"Y8", "Invert(\"gbA\")", 0, 40, 16, 0x0e7ac1d9u},
      {"Y8", "Invert(\"U\")", 0, 40, 16, 0x0e7ac1d9u},
      {"Y8", "Invert(\"yv\")", 0, 40, 16, 0xb9ef2059u},
      {"Y8", "Invert(\"X\")", 0, 40, 16, 0x0e7ac1d9u},
      {"YV24", "Invert(\"R\")", 0, 40, 16, 0x083e7633u},
      {"YV24", "Invert(\"gbA\")", 0, 40, 16, 0x083e7633u},
      {"YV24", "Invert(\"U\")", 0, 40, 16, 0x9b651bd3u},
      {"YV24", "Invert(\"yv\")", 0, 40, 16, 0x81d429fbu},
      {"YV24", "Invert(\"X\")", 0, 40, 16, 0x083e7633u},
      {"RGB24", "Greyscale()", 0, 40, 16, 0xe8fbd5bcu},
      {"RGB24", "Greyscale(\"Rec709\")", 0, 40, 16, 0x615b19e3u},
      {"RGB24", "Greyscale(\"average\")", 0, 40, 16, 0x79096118u},
      {"RGB24", "Greyscale(\"Rec2020\")", 0, 40, 16, 0x972575c6u},
      {"RGB24", "Greyscale(\"PC.601\")", 0, 40, 16, 0xe8fbd5bcu},
      {"RGB24", "Greyscale(matrix=\"PC.709\")", 0, 40, 16, 0xac98fac3u},
      {"RGB24", "Grayscale(\"pc2020\")", 0, 40, 16, 0x182609e3u},
      {"RGB24", "Greyscale(\"rec601\")", 0, 40, 16, 0x120175c2u},
      {"RGB32", "Greyscale()", 0, 40, 16, 0xe8fbd5bcu},
      {"RGB32", "Greyscale(\"Rec709\")", 0, 40, 16, 0x615b19e3u},
      {"RGB32", "Greyscale(\"average\")", 0, 40, 16, 0x79096118u},
      {"RGB32", "Greyscale(\"Rec2020\")", 0, 40, 16, 0x972575c6u},
      {"RGB32", "Greyscale(\"PC.601\")", 0, 40, 16, 0xe8fbd5bcu},
      {"RGB32", "Greyscale(matrix=\"PC.709\")", 0, 40, 16, 0xac98fac3u},
      {"RGB32", "Grayscale(\"pc2020\")", 0, 40, 16, 0x182609e3u},
      {"RGB32", "Greyscale(\"rec601\")", 0, 40, 16, 0x120175c2u},
      {"YV12", "Greyscale()", 0, 40, 16, 0x48dd46d9u},
      {"YUY2", "Grayscale()", 0, 40, 16, 0x1c00cbd9u},
      {"Y8", "Greyscale(\"rec709\")", 0, 40, 16, 0x0e7ac1d9u},
  };
  ExpectDigests(folder_, 40, 16, cases, std::size(cases));
}

TEST_F(InvertAndGreyscale, AlphaAndWorkedNumbers) {
  // Alpha turns unless the channels leave it out.
  const std::string clip = "BlankClip(pixel_type=\"RGB32\", color=$80102030)";
  EXPECT_EQ(Eval(clip + ".Invert()")->GetFrame(0)->Row(0)[3], 0x7f);
  EXPECT_EQ(Eval(clip + ".Invert(\"RGB\")")->GetFrame(0)->Row(0)[3], 0x80);
  EXPECT_EQ(Eval(clip + ".Invert(\"B\")")->GetFrame(0)->Row(0)[0], 0xff - 0x30);
  EXPECT_EQ(Eval(clip + ".Invert(\"B\")")->GetFrame(0)->Row(0)[1], 0x20);
  // (b 48, g 32, r 16): (48 * 3728 + 32 * 19262 + 16 * 9778 + 16384) >> 15 = 29;
  // studio range (48 * 3202 + 32 * 16487 + 16 * 8398 + 16384) >> 15 + 16 = 41.
  EXPECT_EQ(Eval(clip + ".Greyscale()")->GetFrame(0)->Row(0)[0], 29);
  EXPECT_EQ(Eval(clip + ".Grayscale(\"Rec601\")")->GetFrame(0)->Row(0)[2], 41);
  const std::pair<const char*, const char*> refusals[] = {
      {"BlankClip().Greyscale(\"rec.601\")", "Convert: Unknown matrix"},
      {"BlankClip(pixel_type=\"YV12\").Greyscale(\"rec709\")",
       "GreyScale: invalid \"matrix\" parameter (RGB data only)"},
  };
  for (const auto& [script, message] : refusals) EXPECT_EQ(Message(EvalError(script)), message) << script;
  EXPECT_EQ(SizeOf(Eval("BlankClip(pixel_type=\"Y8\").Greyscale(\"foo\")")), (Size{640, 480, 240}));
}

}  // namespace
}  // namespace tandemix::test
