// Fields and their row and column forms: every byte and frame count as
// the AviSynth engine gives them, and its refusals.
#include "tests/engine/FilterDigest.h"

namespace tandemix::test {
namespace {

class FieldFilters : public ::testing::Test {
 protected:
  TempFolder folder_;
};

TEST_F(FieldFilters, EveryByteAsAviSynthMakesIt) {
  // A 40x16 noise picture in each pixel type, bottom field first unless
  // told otherwise; the frame taken is the third number.
  const DigestCase cases[] = {
      {"RGB24", "SeparateFields()", 1, 40, 8, 0xc6cc38e5u},
      {"RGB24", "AssumeTFF().SeparateFields()", 1, 40, 8, 0x9f424bbfu},
      {"RGB24", "SeparateFields().Trim(0, 4).Weave()", 2, 40, 16, 0x5c4c3ad1u},
      {"RGB24", "DoubleWeave()", 1, 40, 16, 0xdbb4d873u},
      {"RGB24", "AssumeTFF().DoubleWeave()", 3, 40, 16, 0xdbb4d873u},
      {"RGB24", "DoubleWeave()", 2001, 40, 16, 0xdbb4d873u},
      {"RGB24", "SeparateFields().SelectEvery(4, 0, 3).Pulldown(1, 3)", 1, 40, 8, 0xc6cc38e5u},
      {"RGB24", "SwapFields()", 0, 40, 16, 0x16ed3937u},
      {"RGB24", "SeparateFields().ComplementParity().Weave()", 0, 40, 16, 0x16ed3937u},
      {"RGB24", "SeparateRows(4)", 5, 40, 4, 0xb9d212feu},
      {"RGB24", "SeparateRows(4).Trim(1, 0).WeaveRows(4)", 0, 40, 16, 0xfbbcaa63u},
      {"RGB24", "SeparateColumns(4)", 3, 10, 16, 0x2c598a90u},
      {"RGB24", "SeparateColumns(4).Trim(2, 0).WeaveColumns(4)", 0, 40, 16, 0xd9de69dbu},
      {"RGB24", "Bob()", 0, 40, 16, 0x9790ca60u},
      {"RGB24", "AssumeTFF().Bob()", 1, 40, 16, 0x9790ca60u},
      {"RGB24", "Bob(0, 1, height=24)", 1, 40, 24, 0x5b1fa564u},
      {"RGB24", "SeparateFields().Bob(1, 0)", 2, 40, 16, 0xddd7e5d3u},
      {"RGB32", "SeparateFields()", 1, 40, 8, 0xc6cc38e5u},
      {"RGB32", "AssumeTFF().SeparateFields()", 1, 40, 8, 0x9f424bbfu},
      {"RGB32", "SeparateFields().Trim(0, 4).Weave()", 2, 40, 16, 0x5c4c3ad1u},
      {"RGB32", "DoubleWeave()", 1, 40, 16, 0xdbb4d873u},
      {"RGB32", "AssumeTFF().DoubleWeave()", 3, 40, 16, 0xdbb4d873u},
      {"RGB32", "DoubleWeave()", 2001, 40, 16, 0xdbb4d873u},
      {"RGB32", "SeparateFields().SelectEvery(4, 0, 3).Pulldown(1, 3)", 1, 40, 8, 0xc6cc38e5u},
      {"RGB32", "SwapFields()", 0, 40, 16, 0x16ed3937u},
      {"RGB32", "SeparateFields().ComplementParity().Weave()", 0, 40, 16, 0x16ed3937u},
      {"RGB32", "SeparateRows(4)", 5, 40, 4, 0xb9d212feu},
      {"RGB32", "SeparateRows(4).Trim(1, 0).WeaveRows(4)", 0, 40, 16, 0xfbbcaa63u},
      {"RGB32", "SeparateColumns(4)", 3, 10, 16, 0x2c598a90u},
      {"RGB32", "SeparateColumns(4).Trim(2, 0).WeaveColumns(4)", 0, 40, 16, 0xd9de69dbu},
      {"RGB32", "Bob()", 0, 40, 16, 0x9790ca60u},
      {"RGB32", "AssumeTFF().Bob()", 1, 40, 16, 0x9790ca60u},
      {"RGB32", "Bob(0, 1, height=24)", 1, 40, 24, 0x5b1fa564u},
      {"RGB32", "SeparateFields().Bob(1, 0)", 2, 40, 16, 0xddd7e5d3u},
      {"YV12", "SeparateFields()", 1, 40, 8, 0x49d797d7u},
      {"YV12", "AssumeTFF().SeparateFields()", 1, 40, 8, 0x6c163ccdu},
      {"YV12", "SeparateFields().Trim(0, 4).Weave()", 2, 40, 16, 0x3c0fe771u},
      {"YV12", "DoubleWeave()", 1, 40, 16, 0x0058f66fu},
      {"YV12", "AssumeTFF().DoubleWeave()", 3, 40, 16, 0x0058f66fu},
      {"YV12", "DoubleWeave()", 2001, 40, 16, 0x0058f66fu},
      {"YV12", "SeparateFields().SelectEvery(4, 0, 3).Pulldown(1, 3)", 1, 40, 8, 0x49d797d7u},
      {"YV12", "SwapFields()", 0, 40, 16, 0xe5223e9bu},
      {"YV12", "SeparateFields().ComplementParity().Weave()", 0, 40, 16, 0xe5223e9bu},
      {"YV12", "SeparateRows(4)", 5, 40, 4, 0xacb55429u},
      {"YV12", "SeparateRows(4).Trim(1, 0).WeaveRows(4)", 0, 40, 16, 0x9191ca37u},
      {"YV12", "SeparateColumns(4)", 3, 10, 16, 0xdbfd7be5u},
      {"YV12", "SeparateColumns(4).Trim(2, 0).WeaveColumns(4)", 0, 40, 16, 0x2897d96fu},
      {"YV12", "Bob()", 0, 40, 16, 0x3c54c072u},
      {"YV12", "AssumeTFF().Bob()", 1, 40, 16, 0x3c54c072u},
      {"YV12", "Bob(0, 1, height=24)", 1, 40, 24, 0x00eeab03u},
      {"YV12", "SeparateFields().Bob(1, 0)", 2, 40, 16, 0xb7c4f941u},
      {"YV16", "SeparateFields()", 1, 40, 8, 0x4379b10du},
      {"YV16", "AssumeTFF().SeparateFields()", 1, 40, 8, 0x51acad23u},
      {"YV16", "SeparateFields().Trim(0, 4).Weave()", 2, 40, 16, 0x27711219u},
      {"YV16", "DoubleWeave()", 1, 40, 16, 0xd21081a3u},
      {"YV16", "AssumeTFF().DoubleWeave()", 3, 40, 16, 0xd21081a3u},
      {"YV16", "DoubleWeave()", 2001, 40, 16, 0xd21081a3u},
      {"YV16", "SeparateFields().SelectEvery(4, 0, 3).Pulldown(1, 3)", 1, 40, 8, 0x4379b10du},
      {"YV16", "SwapFields()", 0, 40, 16, 0x82148b5bu},
      {"YV16", "SeparateFields().ComplementParity().Weave()", 0, 40, 16, 0x82148b5bu},
      {"YV16", "SeparateRows(4)", 5, 40, 4, 0x36086386u},
      {"YV16", "SeparateRows(4).Trim(1, 0).WeaveRows(4)", 0, 40, 16, 0x23a52c0fu},
      {"YV16", "SeparateColumns(4)", 3, 10, 16, 0x8556086bu},
      {"YV16", "SeparateColumns(4).Trim(2, 0).WeaveColumns(4)", 0, 40, 16, 0x6cd50643u},
      {"YV16", "Bob()", 0, 40, 16, 0x106fc9f2u},
      {"YV16", "AssumeTFF().Bob()", 1, 40, 16, 0x106fc9f2u},
      {"YV16", "Bob(0, 1, height=24)", 1, 40, 24, 0x2faa752eu},
      {"YV16", "SeparateFields().Bob(1, 0)", 2, 40, 16, 0x1b59532eu},
      {"YV24", "SeparateFields()", 1, 40, 8, 0x0a8ed20bu},
      {"YV24", "AssumeTFF().SeparateFields()", 1, 40, 8, 0xdd3a141du},
      {"YV24", "SeparateFields().Trim(0, 4).Weave()", 2, 40, 16, 0x56cf5ac1u},
      {"YV24", "DoubleWeave()", 1, 40, 16, 0x083e7633u},
      {"YV24", "AssumeTFF().DoubleWeave()", 3, 40, 16, 0x083e7633u},
      {"YV24", "DoubleWeave()", 2001, 40, 16, 0x083e7633u},
      {"YV24", "SeparateFields().SelectEvery(4, 0, 3).Pulldown(1, 3)", 1, 40, 8, 0x0a8ed20bu},
      {"YV24", "SwapFields()", 0, 40, 16, 0x05888bdfu},
      {"YV24", "SeparateFields().ComplementParity().Weave()", 0, 40, 16, 0x05888bdfu},
      {"YV24", "SeparateRows(4)", 5, 40, 4, 0x981d8d3cu},
      {"YV24", "SeparateRows(4).Trim(1, 0).WeaveRows(4)", 0, 40, 16, 0x1420e6dbu},
      {"YV24", "SeparateColumns(4)", 3, 10, 16, 0x6e74ef12u},
      {"YV24", "SeparateColumns(4).Trim(2, 0).WeaveColumns(4)", 0, 40, 16, 0x4bb2cc6fu},
      {"YV24", "Bob()", 0, 40, 16, 0x35e0345du},
      {"YV24", "AssumeTFF().Bob()", 1, 40, 16, 0x35e0345du},
      {"YV24", "Bob(0, 1, height=24)", 1, 40, 24, 0x8f1132a5u},
      {"YV24", "SeparateFields().Bob(1, 0)", 2, 40, 16, 0xa06aa2bfu},
      {"Y8", "SeparateFields()", 1, 40, 8, 0x29346bdfu},
      {"Y8", "AssumeTFF().SeparateFields()", 1, 40, 8, 0x1760a79fu},
      {"Y8", "SeparateFields().Trim(0, 4).Weave()", 2, 40, 16, 0x1ba10329u},
      {"Y8", "DoubleWeave()", 1, 40, 16, 0x0e7ac1d9u},
      {"Y8", "AssumeTFF().DoubleWeave()", 3, 40, 16, 0x0e7ac1d9u},
      {"Y8", "DoubleWeave()", 2001, 40, 16, 0x0e7ac1d9u},
      {"Y8", "SeparateFields().SelectEvery(4, 0, 3).Pulldown(1, 3)", 1, 40, 8, 0x29346bdfu},
      {"Y8", "SwapFields()", 0, 40, 16, 0x90e2eb71u},
      {"Y8", "SeparateFields().ComplementParity().Weave()", 0, 40, 16, 0x90e2eb71u},
      {"Y8", "SeparateRows(4)", 5, 40, 4, 0xaa2d661au},
      {"Y8", "SeparateRows(4).Trim(1, 0).WeaveRows(4)", 0, 40, 16, 0xbd6340d9u},
      {"Y8", "SeparateColumns(4)", 3, 10, 16, 0x7753c9cdu},
      {"Y8", "SeparateColumns(4).Trim(2, 0).WeaveColumns(4)", 0, 40, 16, 0xd8cc3b5du},
      {"Y8", "Bob()", 0, 40, 16, 0xd7a0201fu},
      {"Y8", "AssumeTFF().Bob()", 1, 40, 16, 0xd7a0201fu},
      {"Y8", "Bob(0, 1, height=24)", 1, 40, 24, 0xdf0f2ae8u},
      {"Y8", "SeparateFields().Bob(1, 0)", 2, 40, 16, 0xc4f2a5dfu},
      {"YUY2", "SeparateFields()", 1, 40, 8, 0x4379b10du},
      {"YUY2", "AssumeTFF().SeparateFields()", 1, 40, 8, 0x51acad23u},
      {"YUY2", "SeparateFields().Trim(0, 4).Weave()", 2, 40, 16, 0x27711219u},
      {"YUY2", "DoubleWeave()", 1, 40, 16, 0xd21081a3u},
      {"YUY2", "AssumeTFF().DoubleWeave()", 3, 40, 16, 0xd21081a3u},
      {"YUY2", "DoubleWeave()", 2001, 40, 16, 0xd21081a3u},
      {"YUY2", "SeparateFields().SelectEvery(4, 0, 3).Pulldown(1, 3)", 1, 40, 8, 0x4379b10du},
      {"YUY2", "SwapFields()", 0, 40, 16, 0x82148b5bu},
      {"YUY2", "SeparateFields().ComplementParity().Weave()", 0, 40, 16, 0x82148b5bu},
      {"YUY2", "SeparateRows(4)", 5, 40, 4, 0x36086386u},
      {"YUY2", "SeparateRows(4).Trim(1, 0).WeaveRows(4)", 0, 40, 16, 0x23a52c0fu},
      {"YUY2", "SeparateColumns(4)", 3, 10, 16, 0x8556086bu},
      {"YUY2", "SeparateColumns(4).Trim(2, 0).WeaveColumns(4)", 0, 40, 16, 0x6cd50643u},
      {"YUY2", "Bob()", 0, 40, 16, 0x106fc9f2u},
      {"YUY2", "AssumeTFF().Bob()", 1, 40, 16, 0x106fc9f2u},
      {"YUY2", "Bob(0, 1, height=24)", 1, 40, 24, 0x2faa752eu},
      {"YUY2", "SeparateFields().Bob(1, 0)", 2, 40, 16, 0x1b59532eu},
      {"YUY2", "SeparateRows(2).PeculiarBlend(3)", 0, 40, 8, 0x7dcbf631u},
      {"YUY2", "SeparateRows(2).PeculiarBlend(20)", 0, 40, 8, 0x39abe700u},
      {"YUY2", "SeparateRows(2).PeculiarBlend(33)", 0, 40, 8, 0xb11a139eu},
      {"YUY2", "SeparateRows(2).PeculiarBlend(36)", 1, 40, 8, 0xebef8d5eu},
  };
  ExpectDigests(folder_, 40, 16, cases, std::size(cases));
}

TEST_F(FieldFilters, FrameCountsAndRatesAsAviSynthHasThem) {
  struct Case {
    const char* script;
    int width, height, frames, rateNumerator, rateDenominator;
  };
  const std::string clip = "BlankClip(length=5, width=8, height=8, pixel_type=\"YV12\", fps=25)";
  const Case cases[] = {
      {"BlankClip(length=5, width=8, height=8, fps=25).SelectEven()", 8, 8, 3, 25, 2},
      {"BlankClip(length=5, width=8, height=8, fps=25).SelectOdd()", 8, 8, 2, 25, 2},
      // (count - 1 - offset) / step + 1, cut toward zero: one frame of none.
      {"BlankClip(length=1, width=8, height=8).SelectOdd()", 8, 8, 1, 12, 1},
      {"BlankClip(length=0, width=8, height=8).SelectEven()", 8, 8, 1, 12, 1},
      {"BlankClip(length=0, width=8, height=8).SelectOdd()", 8, 8, 0, 12, 1},
      {"BlankClip(length=6, width=8, height=8).SelectEvery(3, 0, 2)", 8, 8, 4, 16, 1},
      {"BlankClip(length=5, width=8, height=8).SelectEvery(3, 1, 7)", 8, 8, 3, 16, 1},
      {"BlankClip(length=6, width=8, height=8).SelectEvery(3, -1)", 8, 8, 3, 8, 1},
      {"BlankClip(length=6, width=8, height=8).SelectEvery(2)", 8, 8, 3, 12, 1},
      // 625 fields weave into 313 frames, the last with itself.
      {"BlankClip(length=313, width=8, height=8).SeparateFields().Trim(0, 624).Weave()", 8, 8, 313, 24, 1},
      {"BlankClip(length=5, width=8, height=8, fps=25).DoubleWeave()", 8, 8, 10, 50, 1},
      {"BlankClip(length=5, width=8, height=8, fps=25).SeparateFields().DoubleWeave()", 8, 8, 10, 50, 1},
      {"BlankClip(length=5, width=8, height=8, fps=25).Pulldown(0, 7)", 8, 8, 2, 10, 1},
      {"BlankClip(length=5, width=8, height=8, fps=24).SeparateFields().Pulldown(0, 2)", 8, 4, 4, 96, 5},
      {"BlankClip(length=5, width=8, height=8, fps=24).Pulldown(-1, 2)", 8, 8, 3, 48, 5},
      {"BlankClip(length=5, width=8, height=8, fps=25).SeparateRows(4)", 8, 2, 20, 100, 1},
      {"BlankClip(length=5, width=8, height=8, fps=25).WeaveRows(3)", 8, 24, 2, 25, 3},
      {"BlankClip(length=5, width=8, height=8, fps=25).SeparateColumns(2)", 4, 8, 10, 50, 1},
      {"BlankClip(length=5, width=8, height=8, fps=25).WeaveColumns(3)", 24, 8, 2, 25, 3},
      {"BlankClip(length=5, width=8, height=8, pixel_type=\"YV12\", fps=25).Bob(height=20)", 8, 20, 10, 50, 1},
      {"BlankClip(length=5, width=8, height=6, pixel_type=\"YUY2\", fps=24).SeparateFields()", 8, 3, 10, 48, 1},
      {"BlankClip(length=5, width=8, height=8, fps=24).SeparateFields().SwapFields()", 8, 4, 10, 48, 1},
  };
  (void)clip;
  for (const Case& c : cases) {
    const auto result = Eval(c.script);
    EXPECT_EQ(SizeOf(result), (Size{c.width, c.height, c.frames})) << c.script;
    EXPECT_EQ(result->Info().rateNumerator, c.rateNumerator) << c.script;
    EXPECT_EQ(result->Info().rateDenominator, c.rateDenominator) << c.script;
  }
  // ComplementParity turns the field order over, twice back again.
  EXPECT_TRUE(Eval("BlankClip().ComplementParity()")->Info().topFieldFirst);
  EXPECT_FALSE(Eval("BlankClip().AssumeTFF().ComplementParity()")->Info().topFieldFirst);
}

TEST_F(FieldFilters, RefusesAsAviSynthDoes) {
  const std::pair<const char*, const char*> cases[] = {
      {"BlankClip(width=8, height=8, pixel_type=\"YV12\").PeculiarBlend(123)", "PeculiarBlend: requires YUY2 input"},
      {"BlankClip(width=8, height=8).SeparateRows(3)", "SeparateRows: height must be mod 3."},
      {"BlankClip(width=8, height=8).SeparateRows(0)", "SeparateRows: interval must be greater than zero."},
      {"BlankClip(width=8, height=8).WeaveRows(0)", "WeaveRows: period must be greater than zero."},
      {"BlankClip(width=8, height=8).SeparateColumns(3)", "SeparateColumns: width must be mod 3."},
      {"BlankClip(width=8, height=8).SeparateColumns(-1)", "SeparateColumns: interval must be greater than zero."},
      {"BlankClip(width=8, height=8).WeaveColumns(0)", "WeaveColumns: period must be greater than zero."},
      {"BlankClip(width=8, height=8, pixel_type=\"YV12\").Bob(0, 0.5, height=21)",
       "Resize: Planar destination height must be a multiple of 2."},
      {"BlankClip(width=8, height=6, pixel_type=\"YV12\").SeparateFields()",
       "SeparateFields: YUV420 height must be multiple of 4"},
      {"BlankClip(width=8, height=5).SeparateFields()", "SeparateFields: height must be even"},
      {"BlankClip(width=8, height=5).SwapFields()", "SeparateFields: height must be even"},
      {"BlankClip(width=8, height=8).SeparateFields().SeparateFields()",
       "SeparateFields: SeparateFields should be applied on frame-based material: use AssumeFrameBased() beforehand"},
      {"BlankClip(width=8, height=8).Weave()",
       "Weave: Weave should be applied on field-based material: use AssumeFieldBased() beforehand"},
      {"BlankClip(width=8, height=8).SelectEvery(0, 1)", "Parameter 'every' of SelectEvery cannot be zero."},
  };
  for (const auto& [script, message] : cases) EXPECT_EQ(Message(EvalError(script)), message) << script;
}

}  // namespace
}  // namespace tandemix::test
