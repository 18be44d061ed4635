// The pixel types: properties, conversions against AviSynth's integer
// formulas, per-type refusals of the filters, and the engine faults found
// by fuzzing (resizer windows, frame memory budget, non-finite zoom angles).
#include <cmath>
#include <cstdio>

#include "base/VectorKernels.h"
#include "engine/kernels/PixelConvert.h"
#include "engine/kernels/Resampler.h"
#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

FrameBGR Frame(const engine::ClipPtr& clip, int n = 0) { return *clip->GetFrame(n); }

// A script line making `big` infinite by arithmetic (1e9 to the 35th).
const std::string kInfinity =
    "g = 1000000000.0\nbig = g*g*g*g*g*g*g*g*g*g*g*g*g*g*g*g*g*g*g*g*g*g*g*g*g*g*g*g*g*g*g*g*g*g*g\n";

TEST(PixelTypes, PropertiesFollowTheType) {
  EXPECT_EQ(Eval("BlankClip()")->Info().pixelType, PixelType::RGB32);  // AviSynth's default
  EXPECT_EQ(Eval("ColorBars()")->Info().pixelType, PixelType::RGB32);
  for (const char* type : {"RGB24", "RGB32", "YV12", "YV16", "YV24", "Y8", "YUY2"}) {
    SCOPED_TRACE(type);
    const std::string clip = std::string("c = BlankClip(width=8, height=4, pixel_type=\"") + type + "\")\n";
    auto boolean = [&](const std::string& f) {
      return Eval(clip + "BlankClip(width=" + f + "(c) ? 2 : 1)")->Info().width == 2;
    };
    const std::string t = type;
    EXPECT_EQ(boolean("IsRGB"), t == "RGB24" || t == "RGB32");
    EXPECT_EQ(boolean("IsRGB24"), t == "RGB24");
    EXPECT_EQ(boolean("IsRGB32"), t == "RGB32");
    EXPECT_EQ(boolean("IsYUV"), !(t == "RGB24" || t == "RGB32"));
    EXPECT_EQ(boolean("IsYV12"), t == "YV12");
    EXPECT_EQ(boolean("IsYUY2"), t == "YUY2");
    EXPECT_EQ(boolean("IsPlanar"), t == "YV12" || t == "YV16" || t == "YV24" || t == "Y8");
    EXPECT_EQ(Eval(clip + "BlankClip(width=PixelType(c) == \"" + t + "\" ? 2 : 1)")->Info().width, 2);
  }
}

TEST(PixelTypes, PlaneLayoutIsAviSynths) {
  const FrameBGR yv12 = Frame(Eval("BlankClip(width=8, height=4, pixel_type=\"YV12\")"));
  EXPECT_EQ(yv12.pixels.size(), 8u * 4 + 2 * 4 * 2);
  EXPECT_EQ(yv12.pixels[0], 16);  // black: luma 16, chroma 128
  EXPECT_EQ(yv12.pixels[32], 128);
  EXPECT_EQ(Frame(Eval("BlankClip(width=8, height=4, pixel_type=\"YV16\")")).pixels.size(), 8u * 4 + 2 * 4 * 4);
  EXPECT_EQ(Frame(Eval("BlankClip(width=8, height=4, pixel_type=\"YV24\")")).pixels.size(), 3u * 8 * 4);
  EXPECT_EQ(Frame(Eval("BlankClip(width=8, height=4, pixel_type=\"YUY2\")")).pixels.size(), 2u * 8 * 4);
  EXPECT_EQ(Frame(Eval("BlankClip(width=8, height=4, pixel_type=\"Y8\")")).pixels.size(), 8u * 4);
  EXPECT_EQ(Frame(Eval("BlankClip(width=8, height=4, pixel_type=\"RGB32\")")).pixels.size(), 4u * 8 * 4);
}

// AviSynth's Rec601 formulas worked by hand: 75 % bars and the extremes.
TEST(PixelTypes, ConversionsUseAviSynthsIntegerFormulas) {
  int y, u, v;
  engine::RgbToYuv601(0, 0, 0, y, u, v);
  EXPECT_EQ((std::array{y, u, v}), (std::array{16, 128, 128}));
  engine::RgbToYuv601(255, 255, 255, y, u, v);
  EXPECT_EQ((std::array{y, u, v}), (std::array{235, 128, 128}));
  engine::RgbToYuv601(191, 191, 0, y, u, v);  // 75 % yellow
  EXPECT_EQ(y, 161);
  EXPECT_EQ(u, 44);
  EXPECT_EQ(v, 142);
  engine::RgbToYuv601(0, 0, 191, y, u, v);  // 75 % blue
  EXPECT_EQ(y, 35);
  EXPECT_EQ(u, 212);
  EXPECT_EQ(v, 114);
  int r, g, b;
  engine::YuvToRgb601(235, 128, 128, r, g, b);
  EXPECT_EQ((std::array{r, g, b}), (std::array{255, 255, 255}));
  engine::YuvToRgb601(16, 128, 128, r, g, b);
  EXPECT_EQ((std::array{r, g, b}), (std::array{0, 0, 0}));
  // PC.601 keeps the full range.
  engine::RgbToYuv(engine::Matrix::PC601, 255, 255, 255, y, u, v);
  EXPECT_EQ(y, 255);
  engine::RgbToYuv(engine::Matrix::Rec709, 255, 0, 0, y, u, v);
  EXPECT_EQ(y, 62);  // 16 + 219 * 0.2126 * 255 / 255.5, as AviSynth gives it
}

TEST(PixelTypes, RoundTripsAndFlatColoursSurvive) {
  for (const char* type : {"YV12", "YV16", "YV24", "YUY2"}) {
    SCOPED_TRACE(type);
    // A flat colour goes through any subsampling unchanged.
    const auto back =
        PixelAt(Frame(Eval(std::string("BlankClip(width=16, height=8, color=$406080, pixel_type=\"RGB24\")"
                                       ".ConvertTo") +
                           type + "().ConvertToRGB24()")),
                5, 3);
    EXPECT_NEAR(back.r, 0x40, 2);
    EXPECT_NEAR(back.g, 0x60, 2);
    EXPECT_NEAR(back.b, 0x80, 2);
  }
  // YV24 and back is AviSynth's: every studio-range grey comes back within 1.
  for (int level : {0, 17, 128, 200, 255}) {
    const long long c = level * 0x010101LL;
    const auto p = PixelAt(Frame(Eval("BlankClip(width=4, height=2, color=" + std::to_string(c) +
                                      ", pixel_type=\"RGB24\").ConvertToYV24().ConvertToRGB24()")),
                           0, 0);
    EXPECT_NEAR(p.g, level, 1);
  }
  // YUY2 and YV16 hold the same samples.
  const std::string src = "ColorBars(width=64, height=48, pixel_type=\"YV16\")";
  EXPECT_EQ(Frame(Eval(src + ".ConvertToYUY2().ConvertToYV16()")).pixels, Frame(Eval(src)).pixels);
  // The player and capture see YUV through Rec601.
  const FramePtr shown =
      engine::ToRGB24(Eval("BlankClip(width=8, height=4, pixel_type=\"YV12\", color_yuv=$EB8080)")->GetFrame(0));
  EXPECT_EQ(PixelAt(*shown, 1, 1), (Bgr{255, 255, 255}));
}

TEST(PixelTypes, SizeRulesAndRefusalsInAviSynthsWords) {
  const std::string yv12 = "BlankClip(width=40, height=30, pixel_type=\"YV12\")";
  EXPECT_EQ(Message(EvalError(yv12 + ".Crop(1,0,0,0)")), "Crop: YUV image can only be cropped by Mod 2 (left side).");
  EXPECT_EQ(Message(EvalError(yv12 + ".Crop(0,0,-1,0)")), "Crop: YUV image can only be cropped by Mod 2 (right side).");
  EXPECT_EQ(Message(EvalError(yv12 + ".Crop(0,1,0,0)")), "Crop: YUV image can only be cropped by Mod 2 (top).");
  EXPECT_EQ(Message(EvalError(yv12 + ".Crop(0,0,0,-3)")), "Crop: YUV image can only be cropped by Mod 2 (bottom).");
  EXPECT_EQ(Message(EvalError(yv12 + ".AddBorders(1,0,0,0)")),
            "AddBorders: YUV image can only add by Mod 2 (left side).");
  EXPECT_EQ(Message(EvalError(yv12 + ".AddBorders(0,0,0,1)")), "AddBorders: YUV image can only add by Mod 2 (bottom).");
  // YV16 and YUY2 only horizontally; YV24 and Y8 anywhere.
  EXPECT_EQ(EvalError("BlankClip(width=40, height=30, pixel_type=\"YV16\").Crop(0,1,0,0)"), "");
  EXPECT_EQ(Message(EvalError("BlankClip(width=40, height=30, pixel_type=\"YUY2\").Crop(1,0,0,0)")),
            "Crop: YUV image can only be cropped by Mod 2 (left side).");
  EXPECT_EQ(EvalError("BlankClip(width=40, height=30, pixel_type=\"YV24\").Crop(1,1,-1,-1).AddBorders(1,1,1,1)"), "");
  EXPECT_EQ(Message(EvalError("BlankClip(width=41, height=30, pixel_type=\"RGB24\").ConvertToYV12()")),
            "Convert: Cannot convert if width isn't mod2!");
  EXPECT_EQ(Message(EvalError("BlankClip(width=40, height=31, pixel_type=\"RGB24\").ConvertToYV12()")),
            "Convert: Cannot convert if height isn't mod2!");
  EXPECT_EQ(Message(EvalError("StackHorizontal(" + yv12 + ", BlankClip(width=40, height=30))")),
            "StackHorizontal: image formats don't match");
  EXPECT_EQ(Message(EvalError(yv12 + ".Lanczos4Resize(41, 30)")),
            "Lanczos4Resize: Planar destination width must be a multiple of 2.");
  EXPECT_EQ(Message(EvalError("Tweak(BlankClip(), sat=0.5)")), "Tweak: YUV data only (no RGB)");
  EXPECT_EQ(Message(EvalError(yv12 + ".ShowRed()")), "ShowRed: plane is valid only with RGB or planar RGB(A) source");
  EXPECT_EQ(Message(EvalError("BlankClip().Weave()")),
            "Weave: Weave should be applied on field-based material: use AssumeFieldBased() beforehand");
}

TEST(PixelTypes, FiltersWorkPerPlane) {
  // A YV12 picture cropped, bordered, resized, turned, stacked and flipped
  // keeps its type and its flat colour.
  const std::string src = "BlankClip(width=64, height=48, pixel_type=\"YV12\", color_yuv=$A05070)";
  for (const char* chain : {".Crop(2,2,-2,-2)", ".AddBorders(2,2,2,2,color=$000000).Crop(2,2,-2,-2)",
                            ".Lanczos4Resize(80,60)", ".Spline36Resize(32,24)", ".BilinearResize(66,50)",
                            ".PointResize(32,24)", ".FlipHorizontal()", ".FlipVertical()", ".Invert().Invert()",
                            ".Merge(BlankClip(width=64, height=48, pixel_type=\"YV12\", color_yuv=$A05070), 0.3)",
                            ".SeparateFields().Weave()"}) {
    SCOPED_TRACE(chain);
    const engine::ClipPtr c = Eval(src + chain);
    EXPECT_EQ(c->Info().pixelType, PixelType::YV12);
    const FrameBGR f = Frame(c);
    EXPECT_EQ(f.Row(0, f.height / 2)[f.width / 2], 0xA0);
  }
  const FrameBGR bordered = Frame(Eval(src + ".AddBorders(2,2,2,2)"));
  EXPECT_EQ(bordered.Row(0, 0)[0], 16);   // black border luma
  EXPECT_EQ(bordered.Row(1, 0)[0], 128);  // and chroma
  const FrameBGR grey = Frame(Eval(src + ".Greyscale()"));
  EXPECT_EQ(grey.Row(1, 3)[3], 128);
  // zoom turns every plane; black corners are luma 16, chroma 128.
  const FrameBGR turned = Frame(Eval(src + ".zoom(angle=\"10\")"));
  EXPECT_EQ(turned.Row(0, 0)[0], 16);
  EXPECT_EQ(turned.Row(1, 0)[0], 128);
  EXPECT_EQ(turned.Row(0, 24)[32], 0xA0);
  // Tweak with coring clamps to the TV range.
  const FrameBGR cored = Frame(Eval("BlankClip(width=8, height=4, pixel_type=\"YV24\", color_yuv=$FFFFFF).Tweak()"));
  EXPECT_EQ(cored.Row(0, 0)[0], 235);
  EXPECT_EQ(cored.Row(1, 0)[0], 240);
}

// The vector passes (AVX2, and SSE4.1 as a processor without AVX2 runs
// them) give the plain passes' bytes: every kernel, enlarging and
// shrinking, sizes that leave a tail past the vector width, and pictures of
// extremes that drive the sums below 0 and past 255.
class VectorResample : public ::testing::TestWithParam<VectorLevel> {
 protected:
  void SetUp() override {
    LimitVectorKernels(GetParam());
    if (GetParam() == VectorLevel::Avx2 ? !UseAvx2Kernels() : !UseSse41Kernels())
      GTEST_SKIP() << "the processor lacks these instructions";
  }
  void TearDown() override { EnableVectorKernels(true); }
};

TEST_P(VectorResample, PassesMatchThePlainPasses) {
  using Kind = engine::ResampleKernel::Kind;
  int shuffled = 0, gathered = 0;  // programs that take the shuffle form along rows, and that do not
  for (const Kind kind : {Kind::Point, Kind::Bilinear, Kind::Bicubic, Kind::Lanczos, Kind::Spline16, Kind::Spline36}) {
    for (const int target : {37, 100, 103, 250}) {
      for (const int rowBytes : {16, 53, 1960}) {
        engine::ResampleKernel kernel;
        kernel.kind = kind;
        kernel.taps = 4;
        const int sourceHeight = 100;
        // Near the whole picture, and a window at a fraction.
        const bool window = rowBytes == 53;
        const engine::ResampleProgram program = engine::MakeResampleProgram(kernel, sourceHeight, window ? 3.25 : 0.5,
                                                                            window ? 60.5 : sourceHeight - 1.0, target);
        (program.shuffleTargets > 0 ? shuffled : gathered) += 1;
        std::vector<std::uint8_t> src(static_cast<std::size_t>(rowBytes) * sourceHeight);
        std::uint32_t seed = 12345u + static_cast<std::uint32_t>(target * rowBytes);
        for (std::size_t i = 0; i < src.size(); ++i) {
          seed = seed * 1664525u + 1013904223u;
          src[i] = (i / 7) % 3 == 0 ? static_cast<std::uint8_t>((seed >> 24) & 1 ? 255 : 0)
                                    : static_cast<std::uint8_t>(seed >> 24);
        }
        std::vector<std::uint8_t> plain(static_cast<std::size_t>(rowBytes) * target, 7);
        std::vector<std::uint8_t> vector(plain.size(), 9);
        engine::ResampleColumnsPlain(src.data(), rowBytes, plain.data(), rowBytes, rowBytes, program);
        engine::ResampleColumns(src.data(), rowBytes, vector.data(), rowBytes, rowBytes, program);
        ASSERT_EQ(plain, vector) << "kernel " << static_cast<int>(kind) << ", " << target << " rows of " << rowBytes;
        // Along the rows: the same source read as sourceHeight-wide rows.
        const int rows = rowBytes;
        std::vector<std::uint8_t> plainRows(static_cast<std::size_t>(rows) * target, 7);
        std::vector<std::uint8_t> vectorRows(plainRows.size(), 9);
        engine::ResampleRowsPlain(src.data(), sourceHeight, plainRows.data(), target, rows, 1, program);
        engine::ResampleRows(src.data(), sourceHeight, vectorRows.data(), target, rows, 1, program);
        ASSERT_EQ(plainRows, vectorRows) << "kernel " << static_cast<int>(kind) << ", rows of " << target;
      }
    }
  }
  EXPECT_GT(shuffled, 0);
  EXPECT_GT(gathered, 0);
}

INSTANTIATE_TEST_SUITE_P(Levels, VectorResample, ::testing::Values(VectorLevel::Avx2, VectorLevel::Sse41),
                         [](const auto& level) { return level.param == VectorLevel::Avx2 ? "Avx2" : "Sse41"; });

// Source windows near 2^62 once overflowed and read past the frame.
TEST(PixelTypes, ResizerWindowsAreCheckedWithoutOverflow) {
  EXPECT_EQ(
      Message(EvalError("BilinearResize(ColorBars(), 2048, 480, 4611686018427388928.0, 0, 4611686018427389952.0, 0)")),
      "BilinearResize: the source window lies outside the picture.");
  EXPECT_EQ(Message(EvalError("BilinearResize(ColorBars(), 2048, 480, 4611686019501129728.0, 0)")),
            "BilinearResize: the source window lies outside the picture.");
  EXPECT_EQ(Message(EvalError(kInfinity + "BilinearResize(ColorBars(), 64, 48, 0, 0, big, 0)")),
            "BilinearResize: the source window lies outside the picture.");
  // Fractional windows resample at the fraction (no rounding to a pixel).
  const FrameBGR whole = Frame(Eval("ColorBars(pixel_type=\"RGB24\").BilinearResize(320, 240, 10, 0, 320, 480)"));
  const FrameBGR half = Frame(Eval("ColorBars(pixel_type=\"RGB24\").BilinearResize(320, 240, 10.5, 0, 320, 480)"));
  EXPECT_NE(whole.pixels, half.pixels);
}

// Pooled frames beyond the script's budget are released; only live frames
// that cannot fit fail, naming the budget.
TEST(PixelTypes, FrameMemoryHasABudgetPerScript) {
  std::string chain = "SetMemoryMax(64)\nBlankClip(width=2000, height=2000, pixel_type=\"RGB32\")\n";  // 16 MB frames
  for (int i = 0; i < 20; ++i) chain += "AddBorders(1,0,0,0).Crop(1,0,0,0)\n";
  const engine::ClipPtr clip = Eval(chain);
  for (int n = 0; n < 3; ++n) EXPECT_EQ(clip->GetFrame(n)->width, 2000);
  // Live frames that cannot fit: four 16 MB views stacked are 64 MB at once.
  const engine::ClipPtr stacked = Eval(
      "SetMemoryMax(40)\nc = BlankClip(width=2000, height=2000, pixel_type=\"RGB32\").Invert()\nStackVertical(c, "
      "c.Invert())");
  try {
    stacked->GetFrame(0);
    ADD_FAILURE() << "no error";
  } catch (const TandemixError& e) {
    EXPECT_NE(std::string(e.what()).find("does not fit the budget of 40 MB"), std::string::npos) << e.what();
  }
}

// A non-finite angle reached by arithmetic is refused.
TEST(PixelTypes, ZoomRefusesNonFiniteAngles) {
  EXPECT_EQ(Message(EvalError(kInfinity + "zoom(BlankClip(), angle=big)")),
            "zoom: the angle infinity is not a finite number");
  EXPECT_EQ(Message(EvalError(kInfinity + "zoom(BlankClip(), angle=-big)")),
            "zoom: the angle infinity is not a finite number");
  EXPECT_EQ(Message(EvalError(kInfinity + "zoom(BlankClip(), angle=big - big)")),
            "zoom: the angle NaN is not a finite number");
}

// A finite angle too large to turn into radians turns as that angle less
// its whole turns.
TEST(PixelTypes, ZoomTakesHugeFiniteAnglesLessWholeTurns) {
  double huge = 1.0;
  std::string product = "1.0";
  for (int i = 0; i < 34; ++i) {
    huge *= 1000000000.0;
    product += " * 1000000000.0";
  }
  huge *= 170.0;  // 1.7e308: finite, but times pi it is not
  const std::string bars = "ColorBars(width=32, height=16, pixel_type=\"RGB24\")";
  const FramePtr turned = Eval("huge = " + product + " * 170.0\n" + bars + ".zoom(angle=huge)")->GetFrame(0);
  char reduced[64];
  std::snprintf(reduced, sizeof reduced, "%.17g", std::fmod(huge, 360.0));
  EXPECT_EQ(turned->pixels, Eval(bars + ".zoom(angle=\"" + reduced + "\")")->GetFrame(0)->pixels) << reduced;
}

}  // namespace
}  // namespace tandemix::test
