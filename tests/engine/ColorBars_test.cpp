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
// A plane row as runs "start:value" of equal samples.
std::string Runs(const FrameBGR& f, int plane, int y) {
  std::string out;
  const std::uint8_t* r = f.Row(plane, y);
  for (int x = 0; x < f.PlaneWidth(plane); ++x)
    if (x == 0 || r[x] != r[x - 1]) out += (out.empty() ? "" : " ") + std::to_string(x) + ":" + std::to_string(r[x]);
  return out;
}

// Rows as AviSynth draws them (read from its frames).
TEST(ColorBars, HdBarsInYv24AsAviSynthDrawsThem) {
  const FrameBGR hd = *Eval("ColorBarsHD()")->GetFrame(0);
  ASSERT_EQ(hd.type, PixelType::YV24);
  ASSERT_EQ(SizeOf(Eval("ColorBarsHD()")), (Size{1288, 720, 107892}));
  const struct {
    int plane, y;
    const char* runs;
  } rows[] = {
      {0, 0, "0:104 161:180 299:168 437:145 575:133 713:63 851:51 989:28 1127:104"},
      {1, 419, "0:128 299:44 437:147 575:63 713:193 851:109 989:212 1127:128"},
      {2, 0, "0:128 299:136 437:44 575:52 713:204 851:212 989:120 1127:128"},
      {0, 420, "0:188 161:61 299:180 1127:32"},
      {1, 479, "0:154 161:103 299:128 1127:240"},
      {2, 420, "0:16 161:157 299:128 1127:118"},
      {1, 480, "0:16 161:128 1127:102"},
      {2, 539, "0:138 161:128 1127:240"},
      {0, 540, "0:49 161:16 368:235 644:16 759:12 805:16 851:20 897:16 943:25 989:16 1127:49"},
      {0, 719, "0:49 161:16 368:235 644:16 759:12 805:16 851:20 897:16 943:25 989:16 1127:49"},
      {1, 540, "0:128"},
  };
  for (const auto& r : rows) EXPECT_EQ(Runs(hd, r.plane, r.y), r.runs) << "plane " << r.plane << " row " << r.y;
  // The ramp: 16 + 220 (x - 161) / 966, then 100% red.
  const std::uint8_t* ramp = hd.Row(0, 500);
  EXPECT_EQ(ramp[160], 219);
  for (int x : {161, 165, 166, 170, 644, 1122, 1123, 1126}) EXPECT_EQ(ramp[x], 16 + (x - 161) * 220 / 966) << x;
  EXPECT_EQ(ramp[1123], 235);
  EXPECT_EQ(ramp[1127], 63);
  // Odd sizes: the bar width and the bands are rounded, the left border takes
  // the odd column, the pluge's steps fall on thirds of a bar.
  const FrameBGR odd = *Eval("ColorBarsHD(70, 23)")->GetFrame(0);
  EXPECT_EQ(Runs(odd, 0, 0), "0:104 7:180 15:168 23:145 31:133 39:63 47:51 55:28 63:104");
  EXPECT_EQ(Runs(odd, 0, 12), "0:104 7:180 15:168 23:145 31:133 39:63 47:51 55:28 63:104");
  EXPECT_EQ(Runs(odd, 0, 13), "0:188 7:61 15:180 63:32");
  EXPECT_EQ(Runs(odd, 0, 17), "0:49 7:16 19:235 35:16 42:12 44:16 47:20 50:16 52:25 55:16 63:49");
  const FrameBGR small = *Eval("ColorBarsHD(333, 97)")->GetFrame(0);
  EXPECT_EQ(Runs(small, 0, 56), "0:104 41:180 77:168 113:145 149:133 185:63 221:51 257:28 293:104");
  EXPECT_EQ(Runs(small, 0, 57), "0:188 41:61 77:180 293:32");
  EXPECT_EQ(Runs(small, 0, 73), "0:49 41:16 95:235 167:16 197:12 209:16 221:20 233:16 245:25 257:16 293:49");
  const FrameBGR tiny = *Eval("ColorBarsHD(9, 12)")->GetFrame(0);
  EXPECT_EQ(Runs(tiny, 0, 8), "0:219 1:16 2:47 3:78 4:110 5:141 6:173 7:204 8:63");
  EXPECT_EQ(Runs(tiny, 0, 11), "0:49 1:16 3:235 5:12 6:16 8:49");
  // The same tone as ColorBars.
  const auto tone = Eval("ColorBarsHD()");
  EXPECT_EQ(tone->Info().audio.sampleCount, 172799827);
  EXPECT_EQ(tone->Info().audio.sampleType, engine::SampleType::Float);
  EXPECT_EQ(Message(EvalError("ColorBarsHD(pixel_type=\"YV12\")")),
            "ColorBarsHD: pixel_type must be \"YV24\" or other 4:4:4 video format");
  EXPECT_EQ(Message(EvalError("ColorBarsHD(pixel_type=\"RGB32\")")),
            "ColorBarsHD: pixel_type must be \"YV24\" or other 4:4:4 video format");
}

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
