// Each filter family on small pictures with known pixels: sizes, frame
// counts, rates, pixels and the errors in AviSynth's wording.
#include <cmath>

#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

class Filters : public ::testing::Test {
 protected:
  // ImageSource of a width x height coordinate picture, as a script line.
  std::string Picture(int width, int height) {
    const std::string name = "p" + std::to_string(width) + "x" + std::to_string(height) + ".bmp";
    return PictureSource(folder_, name, CoordinatePicture(width, height));
  }
  static FrameBGR Frame(const engine::ClipPtr& clip, int n = 0) { return *clip->GetFrame(n); }
  // A clip whose frame i is filled with grey level i (i < count).
  static std::string Counter(int count, int width = 8, int height = 6) {
    std::string text;
    for (int i = 0; i < count; ++i) {
      if (i) text += " + ";
      text += "BlankClip(length=1, width=" + std::to_string(width) + ", height=" + std::to_string(height) +
              ", color=" + std::to_string(i * 0x010101) + ")";
    }
    return text;
  }
  static int Level(const engine::ClipPtr& clip, int n) { return clip->GetFrame(n)->pixels[0]; }

  TempFolder folder_;
};

TEST_F(Filters, GeneratorsHaveAviSynthDefaults) {
  auto blank = Eval("BlankClip()");
  EXPECT_EQ(SizeOf(blank), (Size{640, 480, 240}));
  EXPECT_EQ(blank->Info().rateNumerator, 24);
  EXPECT_EQ(blank->Info().rateDenominator, 1);
  EXPECT_EQ(PixelAt(Frame(blank), 5, 5), (Bgr{0, 0, 0}));
  EXPECT_EQ(PixelAt(Frame(Eval("BlankClip(color=$FF8040)")), 0, 0), (Bgr{0x40, 0x80, 0xFF}));
  auto bars = Eval("ColorBars()");
  EXPECT_EQ(bars->Info().width, 640);
  EXPECT_EQ(bars->Info().height, 480);
  EXPECT_EQ(bars->Info().rateNumerator, 30000);
  EXPECT_EQ(bars->Info().rateDenominator, 1001);
  EXPECT_EQ(PixelAt(Frame(bars), 10, 10), (Bgr{180, 180, 180}));  // the first bar is grey
  EXPECT_EQ(PixelAt(Frame(bars), 639, 10), (Bgr{180, 16, 16}));   // the last blue
  auto like = Eval("BlankClip(BlankClip(width=32, height=16, length=7, fps=25), color=$FFFFFF)");
  EXPECT_EQ(SizeOf(like), (Size{32, 16, 7}));
  EXPECT_EQ(like->Info().Rate(), 25.0);
  EXPECT_DOUBLE_EQ(Eval("BlankClip(fps=30000, fps_denominator=1001)")->Info().Rate(), 30000.0 / 1001.0);
}

TEST_F(Filters, HugeAndEmptySizesAreRefusedClearly) {
  EXPECT_EQ(EvalError("BlankClip(width=100000,height=100000)"),
            "BlankClip: the frame size 100000x100000 is too large (at most 16384 pixels a side and 67108864 pixels "
            "in all).\n(test.avs, line 1)");
  EXPECT_EQ(Message(EvalError("BlankClip(width=0)")), "BlankClip: the frame size 0x480 is empty.");
  EXPECT_EQ(Message(EvalError("BlankClip(width=16000,height=16000)")).substr(0, 47),
            "BlankClip: the frame size 16000x16000 is too la");
  EXPECT_EQ(Message(EvalError("BlankClip(width=10000,height=10).AddBorders(0,0,2147483647,0)")).substr(0, 36),
            "AddBorders: the frame size 214749364");
  EXPECT_EQ(Message(EvalError("Lanczos4Resize(BlankClip(), 20000, 100)")).substr(0, 40),
            "Lanczos4Resize: the frame size 20000x100");
  EXPECT_EQ(Message(EvalError("c = BlankClip(length=2000000000)\nInterleave(c, c)")),
            "Interleave: too many frames (4000000000).");
  EXPECT_EQ(Message(EvalError("c = BlankClip(width=16384, height=4096)\nStackVertical(c, c)")).substr(0, 46),
            "StackVertical: the frame size 16384x8192 is to");
}

TEST_F(Filters, TrimKeepsAviSynthsMeaningOfItsArguments) {
  EXPECT_EQ(Eval("Trim(BlankClip(length=250), 3, 0)")->Info().frameCount, 247);
  EXPECT_EQ(Eval("Trim(BlankClip(length=250), 0, 246)")->Info().frameCount, 247);
  EXPECT_EQ(Eval("Trim(BlankClip(length=250), 0, -10)")->Info().frameCount, 10);
  EXPECT_EQ(Eval("Trim(BlankClip(length=250), 0, 0)")->Info().frameCount, 250);
  EXPECT_EQ(Eval("Trim(BlankClip(length=250), 5, -1)")->Info().frameCount, 1);
  EXPECT_EQ(Eval("Trim(BlankClip(length=250), 300, 0)")->Info().frameCount, 1);  // clamped to the last frame
  EXPECT_EQ(Eval("Trim(BlankClip(length=250), 10, 5)")->Info().frameCount, 1);
  auto trimmed = Eval("ClipB = " + Counter(10) + "\nClipB = Trim(ClipB,3,0)\nClipB");
  EXPECT_EQ(trimmed->Info().frameCount, 7);
  EXPECT_EQ(Level(trimmed, 0), 3);
  EXPECT_EQ(Level(trimmed, 6), 9);
  EXPECT_EQ(Level(trimmed, 50), 9);  // past the end: the last frame
  auto head = Eval("ClipA = " + Counter(10) + "\nClipA = Trim(ClipA,0,6)\nClipA");
  EXPECT_EQ(head->Info().frameCount, 7);
  EXPECT_EQ(Level(head, 6), 6);
}

TEST_F(Filters, SelectInterleaveReverseAndSplice) {
  auto even = Eval(Counter(7) + "\nSelectEven()");
  auto odd = Eval(Counter(7) + "\nSelectOdd()");
  EXPECT_EQ(even->Info().frameCount, 4);
  EXPECT_EQ(odd->Info().frameCount, 3);
  EXPECT_EQ(Level(even, 3), 6);
  EXPECT_EQ(Level(odd, 2), 5);
  EXPECT_EQ(even->Info().Rate(), 12.0);
  auto every = Eval(Counter(10) + "\nSelectEvery(5, 1, 3)");
  EXPECT_EQ(every->Info().frameCount, 4);
  EXPECT_EQ(Level(every, 3), 8);
  auto both = Eval("Interleave(SelectEven(" + Counter(6) + "), SelectOdd(" + Counter(6) + "))");
  EXPECT_EQ(both->Info().frameCount, 6);
  EXPECT_EQ(both->Info().Rate(), 24.0);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Level(both, i), i);
  EXPECT_EQ(Level(Eval(Counter(5) + "\nReverse()"), 0), 4);
  EXPECT_EQ(Message(EvalError("Interleave(BlankClip(width=8), BlankClip(width=9))")),
            "Interleave: video attributes of all clips must match");
  EXPECT_EQ(Message(EvalError("BlankClip(width=8) + BlankClip(width=9)")), "Splice: Frame sizes don't match");
}

TEST_F(Filters, CropReadsZeroAndNegativeSizesFromTheEdges) {
  auto c = Eval("ClipA = " + Picture(60, 50) + "\nClipA = Crop(ClipA,14,17,-23,-13)\nClipA");
  EXPECT_EQ(SizeOf(c), (Size{23, 20, 1001}));
  EXPECT_EQ(PixelAt(Frame(c), 0, 0), (Bgr{14, 17, 100}));
  const std::string src = Picture(40, 30);
  EXPECT_EQ(SizeOf(Eval(src + "\nCrop(0,0,-10,-0)")), (Size{30, 30, 1001}));
  EXPECT_EQ(SizeOf(Eval(src + "\nCrop(8,0,-8,-0)")), (Size{24, 30, 1001}));
  auto positive = Eval(src + "\nCrop(5,6,10,4)");
  EXPECT_EQ(SizeOf(positive), (Size{10, 4, 1001}));
  EXPECT_EQ(PixelAt(Frame(positive), 9, 3), (Bgr{14, 9, 100}));
  EXPECT_EQ(Message(EvalError(src + "\nCrop(-1,0,0,0)")), "Crop: Top and Left must be more than 0");
  EXPECT_EQ(Message(EvalError(src + "\nCrop(0,-1,0,0)")), "Crop: Top and Left must be more than 0");
  EXPECT_EQ(Message(EvalError(src + "\nCrop(20,0,-20,0)")), "Crop: Destination width is 0 or less.");
  EXPECT_EQ(Message(EvalError(src + "\nCrop(0,10,0,-25)")), "Crop: Destination height is 0 or less.");
  EXPECT_EQ(Message(EvalError(src + "\nCrop(1,0,40,0)")), "Crop: you cannot use crop to enlarge or 'shift' a clip");
  EXPECT_EQ(Message(EvalError(src + "\nCrop(0,0,0,31)")), "Crop: you cannot use crop to enlarge or 'shift' a clip");
}

TEST_F(Filters, AddBordersTakesNegativeSidesAsZero) {
  const std::string src = Picture(10, 8);
  auto padded = Eval("ClipB = " + src + "\nClipB = AddBorders(ClipB,7,9,8,10)\nreturn(ClipB)");
  EXPECT_EQ(SizeOf(padded), (Size{25, 27, 1001}));
  const FrameBGR f = Frame(padded);
  EXPECT_EQ(PixelAt(f, 6, 9), (Bgr{0, 0, 0}));
  EXPECT_EQ(PixelAt(f, 7, 9), (Bgr{0, 0, 100}));
  EXPECT_EQ(PixelAt(f, 16, 16), (Bgr{9, 7, 100}));
  EXPECT_EQ(PixelAt(f, 17, 16), (Bgr{0, 0, 0}));
  EXPECT_EQ(SizeOf(Eval(src + "\nAddBorders(-72,72,-72,72)")), (Size{10, 152, 1001}));
  EXPECT_EQ(PixelAt(Frame(Eval(src + "\nAddBorders(1,0,0,0,$00FF00)")), 0, 0), (Bgr{0, 255, 0}));
}

TEST_F(Filters, ResizersGiveTheAskedSizeAndKeepFlatColours) {
  for (const char* name : {"Lanczos4Resize", "LanczosResize", "Spline36Resize", "BicubicResize", "BilinearResize"}) {
    SCOPED_TRACE(name);
    auto r = Eval("BlankClip(width=64, height=48, color=$204080)." + std::string(name) + "(97, 31)");
    EXPECT_EQ(SizeOf(r), (Size{97, 31, 240}));
    const FrameBGR f = Frame(r);
    for (int y = 0; y < 31; y += 5)
      for (int x = 0; x < 97; x += 7) EXPECT_EQ(PixelAt(f, x, y), (Bgr{0x80, 0x40, 0x20}));
  }
  // The same size passes the pixels through untouched.
  const std::string src = Picture(20, 10);
  EXPECT_EQ(PixelAt(Frame(Eval(src + "\nLanczos4Resize(20,10)")), 13, 7), (Bgr{13, 7, 100}));
  // A source window crops before scaling.
  auto window = Eval(src + "\nBilinearResize(10, 5, 4, 2, 10, 5)");
  EXPECT_EQ(PixelAt(Frame(window), 0, 0), (Bgr{4, 2, 100}));
  // Upscaling a left-to-right ramp keeps it increasing.
  const FrameBGR up = Frame(Eval(src + "\nLanczos4Resize(40, 20)"));
  EXPECT_LT(PixelAt(up, 4, 10).b, PixelAt(up, 20, 10).b);
  EXPECT_LT(PixelAt(up, 20, 10).b, PixelAt(up, 36, 10).b);
  EXPECT_EQ(Message(EvalError(src + "\nLanczos4Resize(0, 10)")), "Lanczos4Resize: the frame size 0x10 is empty.");
  // Windows reaching past the picture read its edge samples repeated: luma
  // at (0,0) (3,1) (10,6) (19,11) (12,3), as the reference engine gives it.
  const struct {
    const char* script;
    std::vector<int> luma;
  } outside[] = {
      {"ColorBars(width=64, height=48, pixel_type=\"YV24\").BilinearResize(20, 12, -10.5, -4, 60, 40)",
       {180, 180, 131, 22, 122}},
      {"ColorBars(width=64, height=48, pixel_type=\"YV12\").Spline36Resize(20, 12, 50.25, 30, 40, 30)",
       {55, 195, 16, 16, 5}},
      {"ColorBars(width=64, height=48, pixel_type=\"RGB24\").Lanczos4Resize(20, 12, -500, 1000, 10, "
       "10).ConvertToYV24()",
       {58, 58, 58, 58, 58}},
  };
  for (const auto& c : outside) {
    const FrameBGR f = Frame(Eval(c.script));
    std::vector<int> luma;
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{3, 1}, std::pair{10, 6}, std::pair{19, 11}, std::pair{12, 3}})
      luma.push_back(f.Row(0, y)[x]);
    EXPECT_EQ(luma, c.luma) << c.script;
  }
  // Only windows with no size are refused.
  EXPECT_EQ(Message(EvalError(src + "\nLanczosResize(10, 10, 15, 0, -5, 10)")),
            "LanczosResize: the source window lies outside the picture.");
}

TEST_F(Filters, ZoomTurnsClockwiseForPositiveAnglesLikeThePreview) {
  // The still-frame preview turns a view clockwise on screen for a positive
  // tilt; zoom must do the same. A bright block right of the centre, turned
  // by +90 degrees, must land below the centre (rows run downwards).
  FrameBGR picture(41, 41);
  for (int y = 18; y <= 22; ++y)
    for (int x = 30; x <= 34; ++x) SetPixel(picture, x, y, Bgr{255, 255, 255});
  const std::string src = PictureSource(folder_, "dot.bmp", picture);
  const FrameBGR turned = Frame(Eval(src + "\nzoom(angle=\"90\")"));
  EXPECT_EQ(turned.width, 41);
  EXPECT_EQ(turned.height, 41);
  EXPECT_EQ(PixelAt(turned, 20, 32), (Bgr{255, 255, 255}));  // below the centre
  EXPECT_EQ(PixelAt(turned, 32, 20), (Bgr{0, 0, 0}));        // no longer to the right
  EXPECT_EQ(PixelAt(turned, 20, 8), (Bgr{0, 0, 0}));         // not above (that would be counter-clockwise)
  const FrameBGR back = Frame(Eval(src + "\nzoom(angle=\"-90\")"));
  EXPECT_EQ(PixelAt(back, 20, 8), (Bgr{255, 255, 255}));
  // A tilt keeps the size, fills the corners with black and leaves the
  // centre where it was.
  auto tilted = Eval("ClipB = " + Picture(64, 48) + "\nClipB=zoom(ClipB,angle=\"1.5\")\nreturn ClipB");
  EXPECT_EQ(SizeOf(tilted), (Size{64, 48, 1001}));
  const FrameBGR t = Frame(tilted);
  const FrameBGR t5 = Frame(Eval(Picture(64, 48) + "\nzoom(angle=\"5\")"));
  for (auto [x, y] : {std::pair{0, 0}, {63, 0}, {0, 47}, {63, 47}}) EXPECT_EQ(PixelAt(t5, x, y), (Bgr{0, 0, 0}));
  const Bgr centre = PixelAt(t, 32, 24);
  EXPECT_NEAR(centre.b, 32, 1);
  EXPECT_NEAR(centre.g, 24, 1);
  // Clockwise: on the right of the centre the picture comes from higher up.
  EXPECT_LT(PixelAt(t, 60, 24).g, 24);
  // Angle 0 and a number work; text that is no number does not.
  EXPECT_EQ(PixelAt(Frame(Eval(src + "\nzoom(angle=\"0\")")), 32, 20), (Bgr{255, 255, 255}));
  EXPECT_EQ(PixelAt(Frame(Eval(src + "\nzoom(angle=90)")), 20, 32), (Bgr{255, 255, 255}));
  EXPECT_EQ(Message(EvalError(src + "\nzoom(angle=\"1,5\")")), "zoom: the angle \"1,5\" is not a number");
}

TEST_F(Filters, StackingAndFlipping) {
  const std::string a = Picture(10, 8);
  auto h = Eval("ClipA = " + a +
                "\nClipB = BlankClip(width=6, height=8, length=3, color=$FFFFFF, "
                "pixel_type=\"RGB24\")\nStackHorizontal(ClipA,ClipB)");
  EXPECT_EQ(SizeOf(h), (Size{16, 8, 1001}));
  EXPECT_EQ(PixelAt(Frame(h), 9, 7), (Bgr{9, 7, 100}));
  EXPECT_EQ(PixelAt(Frame(h), 10, 0), (Bgr{255, 255, 255}));
  EXPECT_EQ(PixelAt(Frame(h, 500), 10, 0), (Bgr{255, 255, 255}));  // the short clip repeats its last frame
  auto v = Eval("ClipA = " + a + "\nStackVertical(ClipA, ClipA, ClipA)");
  EXPECT_EQ(SizeOf(v), (Size{10, 24, 1001}));
  EXPECT_EQ(PixelAt(Frame(v), 3, 17), (Bgr{3, 1, 100}));
  EXPECT_EQ(Message(EvalError("StackVertical(BlankClip(width=4), BlankClip(width=5))")),
            "StackVertical: image widths don't match");
  EXPECT_EQ(PixelAt(Frame(Eval(a + "\nFlipHorizontal()")), 0, 2), (Bgr{9, 2, 100}));
  EXPECT_EQ(PixelAt(Frame(Eval(a + "\nFlipVertical()")), 4, 0), (Bgr{4, 7, 100}));
}

TEST_F(Filters, FieldsSeparateAndWeaveBack) {
  const std::string src = Picture(8, 6);
  auto fields = Eval(src + "\nAssumeTFF()\nSeparateFields()");
  EXPECT_EQ(SizeOf(fields), (Size{8, 3, 2002}));
  EXPECT_EQ(fields->Info().Rate(), 48.0);
  EXPECT_EQ(PixelAt(Frame(fields, 0), 0, 1), (Bgr{0, 2, 100}));  // top field: even rows
  EXPECT_EQ(PixelAt(Frame(fields, 1), 0, 1), (Bgr{0, 3, 100}));  // bottom field: odd rows
  // Without a declared order the bottom field comes first, as in AviSynth.
  EXPECT_EQ(PixelAt(Frame(Eval(src + "\nSeparateFields()"), 0), 0, 0), (Bgr{0, 1, 100}));
  for (const char* order : {"AssumeTFF()", "AssumeBFF()"}) {
    auto woven = Eval(src + "\n" + order + "\nSeparateFields()\nWeave()");
    EXPECT_EQ(SizeOf(woven), (Size{8, 6, 1001}));
    EXPECT_EQ(woven->Info().Rate(), 24.0);
    EXPECT_EQ(Frame(woven).pixels, CoordinatePicture(8, 6).pixels);
  }
  EXPECT_EQ(Message(EvalError(Picture(8, 5) + "\nSeparateFields()")), "SeparateFields: height must be even");
}

TEST_F(Filters, ColourOperations) {
  const std::string setup =
      "r = BlankClip(width=4, height=2, color=$C01020)\n"
      "g = BlankClip(width=4, height=2, color=$30A040)\n"
      "b = BlankClip(width=4, height=2, color=$5060F0)\n";
  EXPECT_EQ(PixelAt(Frame(Eval(setup + "MergeRGB(r, g, b)")), 1, 1), (Bgr{0xF0, 0xA0, 0xC0}));
  EXPECT_EQ(PixelAt(Frame(Eval(setup + "r.ShowRed()")), 0, 0), (Bgr{0xC0, 0xC0, 0xC0}));
  EXPECT_EQ(PixelAt(Frame(Eval(setup + "g.ShowGreen()")), 0, 0), (Bgr{0xA0, 0xA0, 0xA0}));
  EXPECT_EQ(PixelAt(Frame(Eval(setup + "b.ShowBlue()")), 0, 0), (Bgr{0xF0, 0xF0, 0xF0}));
  EXPECT_EQ(PixelAt(Frame(Eval(setup + "Merge(r, b)")), 0, 0),
            (Bgr{(0x20 + 0xF0 + 1) / 2, (0x10 + 0x60) / 2, (0xC0 + 0x50) / 2}));
  EXPECT_EQ(PixelAt(Frame(Eval(setup + "Merge(r, b, 1.0)")), 0, 0), (Bgr{0xF0, 0x60, 0x50}));
  EXPECT_EQ(Message(EvalError(setup + "MergeRGB(r, g, BlankClip())")),
            "MergeRGB: All clips must have the same width and height!");
  EXPECT_EQ(Message(EvalError(setup + "Merge(r, BlankClip())")), "Merge: Images must have same width and height!");
  // Tweak (YUV only, as in AviSynth) with its neutral values leaves the
  // picture exactly as it was.
  const std::string src = Picture(12, 10) + ".ConvertToYV24()";
  EXPECT_EQ(Frame(Eval(src + "\nTweak(hue=0)")).pixels, Frame(Eval(src)).pixels);
  const Bgr grey = PixelAt(Frame(Eval(setup + "r.ConvertToYV24().Tweak(sat=0).ConvertToRGB24()")), 0, 0);
  EXPECT_EQ(grey.r, grey.g);
  EXPECT_EQ(grey.g, grey.b);
  EXPECT_GT(PixelAt(Frame(Eval(setup + "g.ConvertToYV24().Tweak(bright=20).ConvertToRGB24()")), 0, 0).g, 0xA0);
  EXPECT_EQ(Message(EvalError(setup + "Tweak(r.ConvertToYV24(), sat=-1)")), "Tweak: sat must be between 0.0 and 10.0");
  EXPECT_EQ(Message(EvalError(setup + "Tweak(r, sat=0)")), "Tweak: YUV data only (no RGB)");
}

TEST_F(Filters, FormatDeclarationsAndRates) {
  auto c = Eval("BlankClip(width=8, height=6).ConvertToRGB24().ConvertToRGB32().ConvertToYV12()");
  EXPECT_EQ(SizeOf(c), (Size{8, 6, 240}));
  auto fps = Eval("BlankClip().AssumeFPS(30000, 1001)");
  EXPECT_EQ(fps->Info().rateNumerator, 30000);
  EXPECT_EQ(fps->Info().rateDenominator, 1001);
  EXPECT_EQ(Eval("BlankClip().AssumeFPS(25)")->Info().Rate(), 25.0);
  EXPECT_EQ(Eval("BlankClip().AssumeFPS(29.97)")->Info().rateNumerator, 2997);
  EXPECT_EQ(Eval("BlankClip().AssumeFPS(ColorBars())")->Info().rateDenominator, 1001);
  EXPECT_EQ(Message(EvalError("BlankClip().AssumeFPS(0)")), "AssumeFPS: the frame rate must be more than 0.");
  EXPECT_DOUBLE_EQ(Eval("c = ColorBars()\nBlankClip(width=Int(c.FrameRate * 10))")->Info().width, 299);
}

// The frames ChangeFPS takes, its counts and rates, as the reference engine
// gives them: frame n is frame floor(n * old duration / new duration), the
// count is rounded to the nearest, the sound stays as it was.
TEST_F(Filters, ChangeFPSRepeatsOrDropsFramesToKeepTheTime) {
  const struct {
    int count;
    const char* from;
    const char* to;
    int num, den;
    std::vector<int> frames;
  } rows[] = {
      {30, "30", "25, 1", 25, 1, {0,  1,  2,  3,  4,  6,  7,  8,  9,  10, 12, 13, 14,
                                  15, 16, 18, 19, 20, 21, 22, 24, 25, 26, 27, 28}},
      {31, "25", "30000, 1001", 30000, 1001, {0,  0,  1,  2,  3,  4,  5,  5,  6,  7,  8,  9,  10,
                                              10, 11, 12, 13, 14, 15, 15, 16, 17, 18, 19, 20, 20,
                                              21, 22, 23, 24, 25, 25, 26, 27, 28, 29, 30}},
      {12, "25", "24", 24, 1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
      {10, "25", "12.5", 25, 2, {0, 2, 4, 6, 8}},
      {6, "24", "ColorBars()", 30000, 1001, {0, 0, 1, 2, 3, 4, 4}},
  };
  for (const auto& row : rows) {
    const auto clip = Eval("(" + Counter(row.count) + ").AssumeFPS(" + row.from + ").ChangeFPS(" + row.to + ")");
    SCOPED_TRACE(row.to);
    EXPECT_EQ(clip->Info().rateNumerator, row.num);
    EXPECT_EQ(clip->Info().rateDenominator, row.den);
    ASSERT_EQ(clip->Info().frameCount, static_cast<int>(row.frames.size()));
    for (std::size_t n = 0; n < row.frames.size(); ++n) EXPECT_EQ(Level(clip, static_cast<int>(n)), row.frames[n]);
  }
  EXPECT_EQ(SizeOf(Eval("BlankClip(length=100, fps=25).ChangeFPS(29.97)")), (Size{640, 480, 120}));
  EXPECT_EQ(SizeOf(Eval("BlankClip(length=100, fps=25).ChangeFPS(7.3, linear=false)")), (Size{640, 480, 29}));
  const auto sound = Eval("BlankClip(length=50, fps=25, audio_rate=48000).ChangeFPS(30)");
  EXPECT_EQ(sound->Info().frameCount, 60);
  EXPECT_EQ(sound->Info().audio.sampleCount, 96000);
}

TEST_F(Filters, ImageSourceShowsOnePictureForItsFrames) {
  const std::string src = Picture(16, 12);
  auto still = Eval(src);
  EXPECT_EQ(SizeOf(still), (Size{16, 12, 1001}));
  EXPECT_EQ(still->Info().Rate(), 24.0);
  EXPECT_EQ(Frame(still, 1000).pixels, CoordinatePicture(16, 12).pixels);
  const std::string path = folder_.File("p16x12.bmp");
  EXPECT_EQ(SizeOf(Eval("ImageSource(\"" + path + "\", 0, 9, 25)")), (Size{16, 12, 10}));
  // A numbered sequence.
  SaveBmp24(folder_.File("seq001.bmp"), FrameBGR(4, 4));
  FrameBGR white(4, 4);
  std::fill(white.pixels.begin(), white.pixels.end(), 255);
  SaveBmp24(folder_.File("seq002.bmp"), white);
  auto seq = Eval("ImageSource(\"" + folder_.File("seq%03d.bmp") + "\", 1, 2)");
  EXPECT_EQ(SizeOf(seq), (Size{4, 4, 2}));
  EXPECT_EQ(Frame(seq, 1).pixels[0], 255);
  EXPECT_EQ(Message(EvalError("ImageSource(\"" + folder_.File("missing.png") + "\")")),
            "ImageSource: Cannot open " + folder_.File("missing.png"));
}

TEST_F(Filters, ImageReaderReadsNumberedPicturesAsAviSynth) {
  FrameBGR grey(4, 2);
  std::fill(grey.pixels.begin(), grey.pixels.end(), 200);
  SaveBmp24(folder_.File("pic0.bmp"), grey);
  SaveBmp24(folder_.File("pic1.bmp"), CoordinatePicture(4, 2));
  const std::string seq = "\"" + folder_.File("pic%d.bmp") + "\"";
  // A number the sequence lacks is a black frame; the type is RGB24 unless asked.
  const auto clip = Eval("ImageReader(" + seq + ", 0, 3, 25)");
  EXPECT_EQ(SizeOf(clip), (Size{4, 2, 4}));
  EXPECT_EQ(clip->Info().pixelType, PixelType::RGB24);
  EXPECT_EQ(Frame(clip, 0).pixels, grey.pixels);
  EXPECT_EQ(Frame(clip, 1).pixels, CoordinatePicture(4, 2).pixels);
  EXPECT_EQ(Frame(clip, 3).pixels, std::vector<std::uint8_t>(24, 0));
  // The rate is the single-precision number given, as an exact fraction.
  const struct {
    const char* fps;
    int num, den;
  } rates[] = {{"25", 25, 1}, {"29.97", 15712911, 524288}, {"23.976", 12570329, 524288}, {"0.5", 1, 2}};
  for (const auto& r : rates) {
    const auto c = Eval("ImageSource(" + seq + ", 0, 1, " + r.fps + ")");
    EXPECT_EQ(c->Info().rateNumerator, r.num) << r.fps;
    EXPECT_EQ(c->Info().rateDenominator, r.den) << r.fps;
  }
  // An end before the start gives no frames.
  EXPECT_EQ(SizeOf(Eval("ImageSource(" + seq + ", 1, 0)")), (Size{4, 2, 0}));
  EXPECT_EQ(Eval("ImageSource(" + seq + ", 0, 1, pixel_type=\"rgb32\")")->Info().pixelType, PixelType::RGB32);
  EXPECT_EQ(Eval("ImageSource(" + seq + ", 0, 1, pixel_type=\"Y8\")")->Info().pixelType, PixelType::Y8);
  // Grey of a colour picture is its luminance with the Rec709 weights in
  // single precision, truncated, as AviSynth reads it; grey pixels pass.
  const struct {
    int r, g, b, y;
  } lumas[] = {{127, 0, 254, 45},  {253, 0, 0, 53},      {0, 254, 0, 181}, {0, 0, 254, 18},     {253, 253, 0, 234},
               {0, 255, 255, 200}, {219, 139, 27, 147},  {36, 52, 19, 46}, {61, 61, 0, 56},     {255, 255, 254, 254},
               {35, 35, 35, 35},   {200, 200, 200, 200}, {0, 0, 0, 0},     {255, 255, 255, 255}};
  FrameBGR colours(static_cast<int>(std::size(lumas)), 1);
  for (std::size_t i = 0; i < std::size(lumas); ++i) {
    colours.pixels[3 * i] = static_cast<std::uint8_t>(lumas[i].b);
    colours.pixels[3 * i + 1] = static_cast<std::uint8_t>(lumas[i].g);
    colours.pixels[3 * i + 2] = static_cast<std::uint8_t>(lumas[i].r);
  }
  SaveBmp24(folder_.File("colours.bmp"), colours);
  const FrameBGR luma =
      Frame(Eval("ImageReader(\"" + folder_.File("colours.bmp") + "\", end=0, pixel_type=\"Y8\")"), 0);
  for (std::size_t i = 0; i < std::size(lumas); ++i)
    EXPECT_EQ(luma.Row(0)[i], lumas[i].y) << lumas[i].r << "," << lumas[i].g << "," << lumas[i].b;
  const struct {
    const char* args;
    const char* message;
  } refusals[] = {
      {", pixel_type=\"YV12\"", "ImageReader: supports the following pixel types: RGB24/32/48/64 or Y8/16"},
      {", pixel_type=\"\"", "ImageReader: supports the following pixel types: RGB24/32/48/64 or Y8/16"},
      {", pixel_type=\"RGB48\"",
       "ImageReader: RGB48 has 16 bits per sample; the engine works in 8 bits (RGB24, RGB32, Y8)"},
      {", 5, 6", "ImageReader: Cannot open "},
      {", fps=0", "ImageReader: the frame rate must be more than 0."},
  };
  for (const auto& r : refusals)
    EXPECT_EQ(Message(EvalError("ImageReader(" + seq + r.args + ")")).substr(0, std::string(r.message).size()),
              r.message)
        << r.args;
}

}  // namespace
}  // namespace tandemix::test
