// ColorBars as AviSynth draws them, checked pixel by pixel at the edges
// that rounding, the row split and the pluge decide. A 100x100 picture puts
// the rounded edges where truncated ones would differ: the yellow bar ends
// at (100 * 2 + 3) / 7 = 29, not 28.
#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

FrameBGR Bars(const std::string& type) {
  return *Eval("ColorBars(width=100, height=100, pixel_type=\"" + type + "\")")->GetFrame(0);
}

TEST(ColorBars, RgbBarsHaveRoundedEdgesAndRowsSplitFromTheBottom) {
  for (const char* type : {"RGB32", "RGB24"}) {
    const FrameBGR f = Bars(type);
    const Bgr grey{180, 180, 180}, yellow{16, 180, 180}, cyan{180, 180, 16}, blue{180, 16, 16};
    const Bgr black{16, 16, 16}, magenta{180, 16, 180};
    EXPECT_EQ(PixelAt(f, 13, 0), grey);
    EXPECT_EQ(PixelAt(f, 14, 0), yellow);  // (100 + 3) / 7 = 14
    EXPECT_EQ(PixelAt(f, 28, 0), yellow);  // truncated, 200 / 7 = 28 would make this cyan
    EXPECT_EQ(PixelAt(f, 29, 0), cyan);
    EXPECT_EQ(PixelAt(f, 99, 0), blue);  // the last column is the last bar's
    // From the bottom: h / 4 = 25 rows of the bottom quarter, then up to
    // h / 3 = 33 rows the reversed strip; the rest is the top.
    EXPECT_EQ(PixelAt(f, 0, 66), grey);
    EXPECT_EQ(PixelAt(f, 0, 67), blue);
    EXPECT_EQ(PixelAt(f, 14, 74), black);
    EXPECT_EQ(PixelAt(f, 29, 74), magenta);
    EXPECT_EQ(PixelAt(f, 99, 74), grey);
    // The bottom: -I (16, 70, 106 as red, green, blue), white, +Q (72, 16,
    // 118), black to 71, the pluge at 7, 16 and 25 from
    // (100 * 16 + 10) / 21 = 76 on, black from 86 to the edge.
    EXPECT_EQ(PixelAt(f, 0, 75), (Bgr{106, 70, 16}));
    EXPECT_EQ(PixelAt(f, 17, 99), (Bgr{106, 70, 16}));
    EXPECT_EQ(PixelAt(f, 18, 99), (Bgr{235, 235, 235}));
    EXPECT_EQ(PixelAt(f, 36, 99), (Bgr{118, 16, 72}));
    EXPECT_EQ(PixelAt(f, 54, 99), black);
    EXPECT_EQ(PixelAt(f, 71, 99), (Bgr{7, 7, 7}));
    EXPECT_EQ(PixelAt(f, 75, 99), (Bgr{7, 7, 7}));
    EXPECT_EQ(PixelAt(f, 76, 99), black);
    EXPECT_EQ(PixelAt(f, 81, 99), (Bgr{25, 25, 25}));
    EXPECT_EQ(PixelAt(f, 85, 99), (Bgr{25, 25, 25}));
    EXPECT_EQ(PixelAt(f, 86, 99), black);
    EXPECT_EQ(PixelAt(f, 99, 99), black);
  }
  EXPECT_EQ(Bars("RGB32").Row(0)[3], 0);  // alpha
}

// YUV bars hold the bars' own values, not RGB bars converted; rows split
// from the top (y * 3 < h * 2, then y * 4 < h * 3).
TEST(ColorBars, YuvBarsAreDrawnInYuv) {
  const FrameBGR yv24 = Bars("YV24");
  auto at = [](const FrameBGR& f, int p, int x, int y) { return static_cast<int>(f.Row(p, y)[x]); };
  EXPECT_EQ(at(yv24, 0, 28, 0), 162);  // yellow: 162, 44, 142
  EXPECT_EQ(at(yv24, 1, 28, 0), 44);
  EXPECT_EQ(at(yv24, 2, 28, 0), 142);
  EXPECT_EQ(at(yv24, 0, 99, 66), 35);  // blue to row 66
  EXPECT_EQ(at(yv24, 1, 99, 66), 212);
  EXPECT_EQ(at(yv24, 0, 99, 67), 180);  // the strip from 67: light grey under blue
  EXPECT_EQ(at(yv24, 0, 0, 74), 35);
  EXPECT_EQ(at(yv24, 0, 0, 75), 16);  // -I: 16, 158, 95
  EXPECT_EQ(at(yv24, 1, 0, 75), 158);
  EXPECT_EQ(at(yv24, 2, 0, 75), 95);
  EXPECT_EQ(at(yv24, 1, 36, 99), 174);  // +Q: 16, 174, 149
  EXPECT_EQ(at(yv24, 2, 36, 99), 149);
  EXPECT_EQ(at(yv24, 0, 75, 99), 7);
  EXPECT_EQ(at(yv24, 0, 80, 99), 16);
  EXPECT_EQ(at(yv24, 0, 85, 99), 25);
  EXPECT_EQ(at(yv24, 1, 85, 99), 128);
  // 4:2:0 and 4:2:2 are laid out on the chroma grid: 50 chroma columns put
  // the yellow bar's end at (50 * 2 + 3) / 7 = 14, luma 28, where the luma
  // grid would give 29; rows split at chroma row 34 (34 * 3 >= 50 * 2),
  // luma 68, and the bottom starts at chroma row 38, luma 76.
  for (const char* type : {"YV12", "YV16"}) {
    const FrameBGR f = Bars(type);
    EXPECT_EQ(at(f, 0, 27, 0), 162) << type;
    EXPECT_EQ(at(f, 0, 28, 0), 131) << type;
    EXPECT_EQ(at(f, 0, 57, 0), 112) << type;
    EXPECT_EQ(at(f, 0, 58, 0), 84) << type;  // magenta from chroma 29, luma 58
    EXPECT_EQ(at(f, 1, 13, 0), 44) << type;
    EXPECT_EQ(at(f, 1, 14, 0), 156) << type;
  }
  const FrameBGR yv12 = Bars("YV12");
  EXPECT_EQ(at(yv12, 0, 0, 67), 180);
  EXPECT_EQ(at(yv12, 0, 0, 68), 35);
  EXPECT_EQ(at(yv12, 0, 0, 75), 35);
  EXPECT_EQ(at(yv12, 0, 0, 76), 16);
  EXPECT_EQ(at(yv12, 2, 0, 33), 128);  // grey's V on chroma row 33
  EXPECT_EQ(at(yv12, 2, 0, 34), 114);
  EXPECT_EQ(at(yv12, 1, 0, 34), 212);  // the strip's blue
  EXPECT_EQ(at(yv12, 1, 0, 38), 158);  // -I
  // The bottom row's pluge on the chroma grid: 7 from luma 72, 16 from 76,
  // 25 from 80, 16 from 86.
  EXPECT_EQ(at(yv12, 0, 71, 99), 16);
  EXPECT_EQ(at(yv12, 0, 72, 99), 7);
  EXPECT_EQ(at(yv12, 0, 76, 99), 16);
  EXPECT_EQ(at(yv12, 0, 80, 99), 25);
  EXPECT_EQ(at(yv12, 0, 86, 99), 16);
  // YUY2 the same, packed Y0 U Y1 V.
  const FrameBGR yuy2 = Bars("YUY2");
  EXPECT_EQ(static_cast<int>(yuy2.Row(0)[2 * 27]), 162);
  EXPECT_EQ(static_cast<int>(yuy2.Row(0)[2 * 28]), 131);
  EXPECT_EQ(static_cast<int>(yuy2.Row(0)[2 * 26 + 1]), 44);
  EXPECT_EQ(static_cast<int>(yuy2.Row(0)[2 * 26 + 3]), 142);
  EXPECT_EQ(static_cast<int>(yuy2.Row(0)[2 * 28 + 1]), 156);
}

TEST(ColorBars, BadSizesAndTypesAreRefused) {
  EXPECT_EQ(Message(EvalError("ColorBars(width=0)")), "ColorBars: the frame size 0x480 is empty.");
  const struct {
    const char* script;
    const char* message;
  } refused[] = {
      {"ColorBars(width=99, pixel_type=\"YV12\")", "ColorBars: for 4:2:0 both height and width must be even!"},
      {"ColorBars(height=99, pixel_type=\"YV12\")", "ColorBars: for 4:2:0 both height and width must be even!"},
      {"ColorBars(width=99, pixel_type=\"YV16\")", "ColorBars: for 4:2:2 width must be even!"},
      {"ColorBars(width=99, pixel_type=\"YUY2\")", "ColorBars: YUY2 width must be even!"},
      {"ColorBars(pixel_type=\"NV12\")", "ColorBars: this pixel_type not supported"},
      {"ColorBars(pixel_type=\"Y8\")", "ColorBars: this pixel_type not supported"},
  };
  for (const auto& r : refused) EXPECT_EQ(Message(EvalError(r.script)), r.message) << r.script;
  // Odd sizes are fine where nothing is subsampled vertically.
  EXPECT_EQ(SizeOf(Eval("ColorBars(width=101, height=99, pixel_type=\"YV24\")")), (Size{101, 99, 107892}));
  EXPECT_EQ(SizeOf(Eval("ColorBars(width=100, height=99, pixel_type=\"YUY2\")")), (Size{100, 99, 107892}));
  // A picture narrower than the bars: empty bars are left out, every
  // column is drawn (grey ends at (3 + 3) / 7 = 0, yellow at 1, green at 2).
  const FrameBGR tiny = *Eval("ColorBars(width=3, height=2, pixel_type=\"RGB24\")")->GetFrame(0);
  EXPECT_EQ(PixelAt(tiny, 0, 0), (Bgr{16, 180, 180}));
  EXPECT_EQ(PixelAt(tiny, 1, 0), (Bgr{16, 180, 16}));
  EXPECT_EQ(PixelAt(tiny, 2, 0), (Bgr{16, 16, 180}));
}

// BlankClip's colours in YUV types: color through AviSynth's own 16-bit
// Rec601 rounding, color_yuv as it is; the two exclude each other, and
// color_yuv is for YUV types only.
TEST(BlankClipColors, YuvColoursAreAviSynthsAndColorYuvIsForYuvOnly) {
  const struct {
    const char* color;
    int y, u, v;
  } colours[] = {{"$ff0000", 81, 91, 240},   {"$00ff00", 145, 54, 34},  {"$0000ff", 41, 240, 110},
                 {"$808080", 126, 128, 128}, {"$123456", 55, 148, 111}, {"$ffffff", 235, 128, 128},
                 {"$7f7f7f", 125, 128, 128}, {"$abcdef", 187, 148, 110}};
  for (const auto& c : colours) {
    for (const char* type : {"YV24", "YV12", "YUY2"}) {
      const FrameBGR f =
          *Eval(std::string("BlankClip(width=16, height=16, pixel_type=\"") + type + "\", color=" + c.color + ")")
               ->GetFrame(0);
      if (f.type == PixelType::YUY2) {
        EXPECT_EQ((std::vector<int>{f.Row(3)[4], f.Row(3)[5], f.Row(3)[7]}), (std::vector<int>{c.y, c.u, c.v}))
            << c.color << " " << type;
      } else {
        EXPECT_EQ((std::vector<int>{f.Row(0, 3)[4], f.Row(1, 1)[2], f.Row(2, 1)[2]}), (std::vector<int>{c.y, c.u, c.v}))
            << c.color << " " << type;
      }
    }
  }
  const FrameBGR yuv = *Eval("BlankClip(width=16, height=16, pixel_type=\"YV24\", color_yuv=$508030)")->GetFrame(0);
  EXPECT_EQ((std::vector<int>{yuv.Row(0, 0)[0], yuv.Row(1, 0)[0], yuv.Row(2, 0)[0]}), (std::vector<int>{80, 128, 48}));
  EXPECT_EQ(Message(EvalError("BlankClip(pixel_type=\"YV12\", color=$ff0000, color_yuv=$808080)")),
            "BlankClip: color and color_yuv are mutually exclusive");
  EXPECT_EQ(Message(EvalError("BlankClip(color_yuv=$808080)")), "BlankClip: color_yuv only valid for YUV color spaces");
  EXPECT_EQ(Message(EvalError("BlankClip(pixel_type=\"RGB24\", color_yuv=$808080)")),
            "BlankClip: color_yuv only valid for YUV color spaces");
}

}  // namespace
}  // namespace tandemix::test
