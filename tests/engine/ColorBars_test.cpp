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
    // The bottom: -I, white, +Q, black to 71, the pluge at 7, 16 and 25 from
    // (100 * 16 + 10) / 21 = 76 on, black from 86 to the edge.
    EXPECT_EQ(PixelAt(f, 0, 75), (Bgr{0x62, 0x3a, 0x00}));
    EXPECT_EQ(PixelAt(f, 17, 99), (Bgr{0x62, 0x3a, 0x00}));
    EXPECT_EQ(PixelAt(f, 18, 99), (Bgr{235, 235, 235}));
    EXPECT_EQ(PixelAt(f, 36, 99), (Bgr{0x7e, 0x0f, 0x4b}));
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
  // 4:2:0: a chroma sample takes the bar of its first luma pixel.
  const FrameBGR yv12 = Bars("YV12");
  EXPECT_EQ(at(yv12, 0, 28, 0), 162);
  EXPECT_EQ(at(yv12, 0, 29, 0), 131);
  EXPECT_EQ(at(yv12, 1, 14, 0), 44);    // luma 28: yellow
  EXPECT_EQ(at(yv12, 2, 14, 33), 142);  // chroma row 33 is luma row 66: the top
  EXPECT_EQ(at(yv12, 1, 14, 37), 128);  // luma row 74: black in the strip
  // YUY2: Y0 U Y1 V, U and V of the pair's first pixel.
  const FrameBGR yuy2 = Bars("YUY2");
  EXPECT_EQ(static_cast<int>(yuy2.Row(0)[2 * 28]), 162);
  EXPECT_EQ(static_cast<int>(yuy2.Row(0)[2 * 28 + 1]), 44);
  EXPECT_EQ(static_cast<int>(yuy2.Row(0)[2 * 28 + 3]), 142);
  EXPECT_EQ(static_cast<int>(yuy2.Row(0)[2 * 29]), 131);
  // Y8: the luma alone.
  EXPECT_EQ(static_cast<int>(Bars("Y8").Row(0, 99)[85]), 25);
}

TEST(ColorBars, BadSizesAndTypesAreRefused) {
  EXPECT_EQ(Message(EvalError("ColorBars(width=0)")), "ColorBars: the frame size 0x480 is empty.");
  EXPECT_EQ(Message(EvalError("ColorBars(width=99, pixel_type=\"YV12\")")),
            "ColorBars: width must be a multiple of 2 for this pixel_type");
  EXPECT_EQ(Message(EvalError("ColorBars(pixel_type=\"NV12\")")).substr(0, 29), "ColorBars: pixel_type must be");
  // A picture narrower than the bars: empty bars are left out, every
  // column is drawn (grey ends at (3 + 3) / 7 = 0, yellow at 1, green at 2).
  const FrameBGR tiny = *Eval("ColorBars(width=3, height=2, pixel_type=\"RGB24\")")->GetFrame(0);
  EXPECT_EQ(PixelAt(tiny, 0, 0), (Bgr{16, 180, 180}));
  EXPECT_EQ(PixelAt(tiny, 1, 0), (Bgr{16, 180, 16}));
  EXPECT_EQ(PixelAt(tiny, 2, 0), (Bgr{16, 16, 180}));
}

}  // namespace
}  // namespace tandemix::test
