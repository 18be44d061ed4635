// Turns, reductions, letterboxes, skews, borders and crops: every byte as
// the AviSynth engine gives it for the same picture, and its refusals.
#include <vector>

#include "tests/engine/FilterDigest.h"

namespace tandemix::test {
namespace {

class GeometryFilters : public ::testing::Test {
 protected:
  TempFolder folder_;
};

TEST_F(GeometryFilters, EveryByteAsAviSynthMakesIt) {
  // A 40x16 noise picture in each pixel type (4:2:2 turned a quarter has its
  // chroma resized by AviSynth's bicubic on the way).
  const DigestCase cases[] = {
      {"RGB24", "TurnLeft()", 0, 16, 40, 0x34ca9b4du},
      {"RGB24", "TurnRight()", 0, 16, 40, 0x34f7d9edu},
      {"RGB24", "Turn180()", 0, 40, 16, 0xf5f80dcbu},
      {"RGB24", "ReduceBy2()", 0, 20, 8, 0x40028c71u},
      {"RGB24", "HorizontalReduceBy2()", 0, 20, 16, 0xba3481bdu},
      {"RGB24", "VerticalReduceBy2()", 0, 40, 8, 0xeb83d54fu},
      {"RGB24", "Letterbox(2, 4, 6, 2)", 0, 40, 16, 0xf18babcdu},
      {"RGB24", "CropBottom(6)", 0, 40, 10, 0xe6d8afdau},
      {"RGB24", "AddBorders(2, 4, 6, 2, color=$FF8040)", 0, 48, 22, 0xfccaeeabu},
      {"RGB32", "TurnLeft()", 0, 16, 40, 0x34ca9b4du},
      {"RGB32", "TurnRight()", 0, 16, 40, 0x34f7d9edu},
      {"RGB32", "Turn180()", 0, 40, 16, 0xf5f80dcbu},
      {"RGB32", "ReduceBy2()", 0, 20, 8, 0x40028c71u},
      {"RGB32", "HorizontalReduceBy2()", 0, 20, 16, 0xba3481bdu},
      {"RGB32", "VerticalReduceBy2()", 0, 40, 8, 0xeb83d54fu},
      {"RGB32", "Letterbox(2, 4, 6, 2)", 0, 40, 16, 0xf18babcdu},
      {"RGB32", "CropBottom(6)", 0, 40, 10, 0xe6d8afdau},
      {"RGB32", "AddBorders(2, 4, 6, 2, color=$FF8040)", 0, 48, 22, 0xfccaeeabu},
      {"YV12", "TurnLeft()", 0, 16, 40, 0xcef9c3bbu},
      {"YV12", "TurnRight()", 0, 16, 40, 0x2ff5ff0fu},
      {"YV12", "Turn180()", 0, 40, 16, 0x902ace03u},
      {"YV12", "ReduceBy2()", 0, 20, 8, 0x4027a38bu},
      {"YV12", "HorizontalReduceBy2()", 0, 20, 16, 0x004d3b0cu},
      {"YV12", "VerticalReduceBy2()", 0, 40, 8, 0x81023ee1u},
      {"YV12", "Letterbox(2, 4, 6, 2)", 0, 40, 16, 0x30f7a768u},
      {"YV12", "CropBottom(6)", 0, 40, 10, 0xe60fe7b1u},
      {"YV12", "AddBorders(2, 4, 6, 2, color=$FF8040)", 0, 48, 22, 0x46498a3bu},
      {"YV16", "TurnLeft()", 0, 16, 40, 0x1a838506u},
      {"YV16", "TurnRight()", 0, 16, 40, 0xb0e8a1c4u},
      {"YV16", "Turn180()", 0, 40, 16, 0x75baf8bbu},
      {"YV16", "ReduceBy2()", 0, 20, 8, 0x4b3f1414u},
      {"YV16", "HorizontalReduceBy2()", 0, 20, 16, 0x201cab33u},
      {"YV16", "VerticalReduceBy2()", 0, 40, 8, 0x25ed3b97u},
      {"YV16", "Letterbox(2, 4, 6, 2)", 0, 40, 16, 0x77751866u},
      {"YV16", "CropBottom(6)", 0, 40, 10, 0x0e4540f0u},
      {"YV16", "AddBorders(2, 4, 6, 2, color=$FF8040)", 0, 48, 22, 0xaa637ba7u},
      {"YV24", "TurnLeft()", 0, 16, 40, 0x3d2c3515u},
      {"YV24", "TurnRight()", 0, 16, 40, 0xa00e5fd5u},
      {"YV24", "Turn180()", 0, 40, 16, 0x451c4c6fu},
      {"YV24", "ReduceBy2()", 0, 20, 8, 0x305e64d5u},
      {"YV24", "HorizontalReduceBy2()", 0, 20, 16, 0xe490aa6bu},
      {"YV24", "VerticalReduceBy2()", 0, 40, 8, 0x7800c16du},
      {"YV24", "Letterbox(2, 4, 6, 2)", 0, 40, 16, 0xe6b2f825u},
      {"YV24", "CropBottom(6)", 0, 40, 10, 0x6ef0b7eau},
      {"YV24", "AddBorders(2, 4, 6, 2, color=$FF8040)", 0, 48, 22, 0xa16c71fbu},
      {"Y8", "TurnLeft()", 0, 16, 40, 0xe9256189u},
      {"Y8", "TurnRight()", 0, 16, 40, 0xa8484721u},
      {"Y8", "Turn180()", 0, 40, 16, 0x93c0ff39u},
      {"Y8", "ReduceBy2()", 0, 20, 8, 0x595a9957u},
      {"Y8", "HorizontalReduceBy2()", 0, 20, 16, 0xd5a41395u},
      {"Y8", "VerticalReduceBy2()", 0, 40, 8, 0x75afb420u},
      {"Y8", "Letterbox(2, 4, 6, 2)", 0, 40, 16, 0x85f6b190u},
      {"Y8", "CropBottom(6)", 0, 40, 10, 0x8fc92eb5u},
      {"Y8", "AddBorders(2, 4, 6, 2, color=$FF8040)", 0, 48, 22, 0xe3ea3a19u},
      {"YUY2", "TurnLeft()", 0, 16, 40, 0x82097dadu},
      {"YUY2", "TurnRight()", 0, 16, 40, 0xecb8da05u},
      {"YUY2", "Turn180()", 0, 40, 16, 0x75baf8bbu},
      {"YUY2", "ReduceBy2()", 0, 20, 8, 0x4b3f1414u},
      {"YUY2", "HorizontalReduceBy2()", 0, 20, 16, 0x201cab33u},
      {"YUY2", "VerticalReduceBy2()", 0, 40, 8, 0x25ed3b97u},
      {"YUY2", "Letterbox(2, 4, 6, 2)", 0, 40, 16, 0x77751866u},
      {"YUY2", "CropBottom(6)", 0, 40, 10, 0x0e4540f0u},
      {"YUY2", "AddBorders(2, 4, 6, 2, color=$FF8040)", 0, 48, 22, 0xaa637ba7u},
      {"RGB24", "SkewRows(3)", 0, 43, 15, 0xee1095f1u},
      {"RGB32", "SkewRows(-5)", 0, 35, 19, 0x7f75a7a5u},
      {"Y8", "SkewRows(7)", 0, 47, 14, 0x791af041u},
      {"YUY2", "SkewRows(-6)", 0, 34, 19, 0xa00f04e7u},
      {"YUY2", "SkewRows(4)", 0, 44, 15, 0x669387e3u},
      {"YV12", "Letterbox(2, 4, 6, 2, color_yuv=$A01080)", 0, 40, 16, 0x685cf6a8u},
      {"YUY2", "AddBorders(2, 4, 6, 2, color_yuv=$A01080)", 0, 48, 22, 0x0a0d42bfu},
      {"YV24", "AddBorders(1, 3, 5, 7, color_yuv=$A01080, color=0)", 0, 46, 26, 0x6f0d9fbfu},
  };
  ExpectDigests(folder_, 40, 16, cases, std::size(cases));
}

TEST_F(GeometryFilters, ResamplingReadsTheEdgeSamplePastTheEdge) {
  // Taps past the picture's edge read the edge sample (RGB weighed from the
  // bottom row up): resizes, and the chroma resampling of conversions,
  // give AviSynth's bytes near the edges too.
  const DigestCase cases[] = {
      {"RGB24", "BicubicResize(100, 70)", 0, 100, 70, 0xc3c5d0f2u},
      {"RGB32", "Spline36Resize(90, 30)", 0, 90, 30, 0x2479cc07u},
      {"Y8", "LanczosResize(50, 30)", 0, 50, 30, 0xac1f9167u},
      {"YV24", "BicubicResize(90, 64, src_left=3.5, src_top=2.25, src_width=30, src_height=10)", 0, 90, 64,
       0xf84a3b29u},
      {"YV24", "BilinearResize(33, 21)", 0, 33, 21, 0xbe8e59c2u},
      {"YV12", "ConvertToYV24()", 0, 40, 16, 0xba1571eau},
      {"YV24", "ConvertToYV12()", 0, 40, 16, 0x00001903u},
      {"YV16", "ConvertToYV12()", 0, 40, 16, 0x0f97c6f1u},
      {"YV12", "ConvertToRGB24()", 0, 40, 16, 0x87194f74u},
  };
  ExpectDigests(folder_, 40, 16, cases, std::size(cases));
}

TEST_F(GeometryFilters, ReductionsAreOneTwoOneFilters) {
  // Levels 0, 40, 80, 120, 200, 240 along a row or down a column: output x
  // is (a + 2b + c + 2) / 4 of samples 2x .. 2x + 2; along rows the last is
  // the mean of the last two, down columns the last row counts twice. RGB
  // rows are counted from the bottom, as AviSynth keeps them.
  const std::string ramp =
      "function Bar(int v, string t, bool tall) { return BlankClip(width=tall ? 6 : 1, height=tall ? 1 : 6, "
      "pixel_type=t, color=v * 65793) }\n"
      "function Ramp(string t, bool tall) { return tall ? StackVertical(Bar(0, t, tall), Bar(40, t, tall), "
      "Bar(80, t, tall), Bar(120, t, tall), Bar(200, t, tall), Bar(240, t, tall)) : StackHorizontal(Bar(0, t, "
      "tall), Bar(40, t, tall), Bar(80, t, tall), Bar(120, t, tall), Bar(200, t, tall), Bar(240, t, tall)) }\n";
  struct Case {
    const char* call;
    std::vector<int> expected;  // blue along the first row, or down the first column
  };
  const Case cases[] = {
      {"Ramp(\"RGB24\", false).HorizontalReduceBy2()", {40, 130, 220}},
      {"Ramp(\"RGB24\", true).VerticalReduceBy2()", {10, 80, 190}},
      {"Ramp(\"RGB32\", true).VerticalReduceBy2()", {10, 80, 190}},
  };
  for (const Case& c : cases) {
    const auto clip = Eval(ramp + c.call);
    const FramePtr f = clip->GetFrame(0);
    const bool down = f->height > 1 && f->width == 6;
    std::vector<int> got;
    for (int i = 0; i < (down ? f->height : f->width); ++i)
      got.push_back(down ? f->Row(i)[0] : f->Row(0)[static_cast<std::size_t>(i) * BytesPerPixel(f->type)]);
    EXPECT_EQ(got, c.expected) << c.call;
  }
}

TEST_F(GeometryFilters, RefusesAsAviSynthDoes) {
  const std::pair<const char*, const char*> cases[] = {
      {"BlankClip(width=8, height=5, pixel_type=\"YUY2\").TurnLeft()", "Turn: YUY2 data must have mod2 height."},
      {"BlankClip(width=7, height=6, pixel_type=\"YV24\").HorizontalReduceBy2()",
       "HorizontalReduceBy2: Planar source width must be divisible by 2."},
      {"BlankClip(width=6, height=6, pixel_type=\"YV12\").HorizontalReduceBy2()",
       "HorizontalReduceBy2: Planar source width must be divisible by 4."},
      {"BlankClip(width=6, height=6, pixel_type=\"YUY2\").HorizontalReduceBy2()",
       "HorizontalReduceBy2: YUY2 output image width must be even"},
      {"BlankClip(width=7, height=6, pixel_type=\"RGB24\").HorizontalReduceBy2()",
       "HorizontalReduceBy2: Image width must be even"},
      {"BlankClip(width=4, height=4, pixel_type=\"YV12\").VerticalReduceBy2()",
       "VerticalReduceBy2: Image too small to be reduced by 2."},
      {"BlankClip(width=4, height=6, pixel_type=\"YV12\").VerticalReduceBy2()",
       "VerticalReduceBy2: Planar source height must be divisible by 4."},
      {"BlankClip(width=5, height=5, pixel_type=\"RGB32\").ReduceBy2()",
       "VerticalReduceBy2: Image height must be even"},
      {"BlankClip(width=4, height=2).Letterbox(0, 0, 2, -1)",
       "LetterBox: You cannot specify letterboxing less than 0."},
      {"BlankClip(width=8, height=6, pixel_type=\"YV12\").Letterbox(2, 2, 3)",
       "LetterBox: YUV images width must be divideable by 2 (left side)."},
      {"BlankClip(width=8, height=6, pixel_type=\"YV12\").Letterbox(1, 2)",
       "LetterBox: YUV images height must be divideable by 2 (top)."},
      {"BlankClip(width=8, height=6).Letterbox(3, 2, 4, 4)",
       "LetterBox: You cannot specify letterboxing that is bigger than the picture (width)."},
      {"BlankClip(width=8, height=6).Letterbox(3, 3)",
       "LetterBox: You cannot specify letterboxing that is bigger than the picture (height)."},
      {"BlankClip(width=8, height=6).Letterbox(1, 1, color_yuv=$808080)",
       "LetterBox: color_yuv only valid for YUV color spaces"},
      {"BlankClip(width=8, height=6, pixel_type=\"YV24\").Letterbox(1, 1, color_yuv=$808080, color=$010101)",
       "LetterBox: color and color_yuv are mutually exclusive"},
      {"BlankClip(width=8, height=6).CropBottom(-2)", "Crop: you cannot use crop to enlarge or 'shift' a clip"},
      {"BlankClip(width=8, height=6, pixel_type=\"YV12\").CropBottom(3)",
       "Crop: YUV image can only be cropped by Mod 2 (bottom)."},
      {"BlankClip(width=8, height=6, pixel_type=\"YV12\").SkewRows(3)",
       "SkewRows: requires non-planar or greyscale input"},
      {"BlankClip(width=8, height=6, pixel_type=\"YUY2\").SkewRows(3)", "SkewRows: For YUY2 skew must be even"},
      {"BlankClip(width=8, height=6).SkewRows(-8)", "SkewRows: skew must leave at least one pixel in a row"},
      {"BlankClip(width=8, height=6).AddBorders(2, 2, 2, 2, color_yuv=$108080)",
       "AddBorders: color_yuv only valid for YUV color spaces"},
      {"BlankClip(width=8, height=6, pixel_type=\"YV12\").AddBorders(2, 2, 2, 2, color_yuv=$108080, color=1)",
       "AddBorders: color and color_yuv are mutually exclusive"},
  };
  for (const auto& [script, message] : cases) EXPECT_EQ(Message(EvalError(script)), message) << script;
  // What AviSynth takes: black beside color_yuv, a crop of the whole height
  // (a height of 0 keeps it whole), align, a skew down to one pixel a row.
  EXPECT_EQ(SizeOf(Eval("BlankClip(width=8, height=6, pixel_type=\"YV12\").AddBorders(2, 2, 2, 2, "
                        "color_yuv=$108080, color=0)")),
            (Size{12, 10, 240}));
  EXPECT_EQ(SizeOf(Eval("BlankClip(width=8, height=6).CropBottom(6)")), (Size{8, 6, 240}));
  EXPECT_EQ(SizeOf(Eval("BlankClip(width=8, height=6).CropBottom(7)")), (Size{8, 5, 240}));
  EXPECT_EQ(SizeOf(Eval("BlankClip(width=8, height=6, pixel_type=\"YV12\").Crop(2, 2, -2, -2, align=true)")),
            (Size{4, 2, 240}));
  EXPECT_EQ(SizeOf(Eval("BlankClip(width=8, height=6).SkewRows(-7)")), (Size{1, 48, 240}));
}

}  // namespace
}  // namespace tandemix::test
