#include "preview/ImageOps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "base/Errors.h"
#include "preview/PixelKernels.h"
#include "tests/preview/PixelReference.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

namespace ref = reference;

// Runs a test with the vector kernels on and again with the plain forms.
class BothKernels : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { EnableVectorKernels(GetParam()); }
  void TearDown() override { EnableVectorKernels(true); }
};
INSTANTIATE_TEST_SUITE_P(Kernels, BothKernels, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& kernel) {
                           return kernel.param ? "Vector" : "Plain";
                         });

TPixMatrix Filled(int rows, int columns, Pixel p) {
  TPixMatrix m(rows, columns);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) m[r][c] = p;
  return m;
}

constexpr Pixel kWhite{255, 255, 255};
constexpr Pixel kBlack{0, 0, 0};

// One pixel of a bitmap as (blue, green, red).
ref::Rgb At(const Bitmap& b, int row, int column) {
  const std::uint8_t* p = b.ScanLine(row) + 3 * column;
  return ref::Rgb{p[0], p[1], p[2]};
}

ref::Rgb At(const TPixMatrix& m, int row, int column) {
  return ref::Rgb{m[row][column].blue, m[row][column].green, m[row][column].red};
}

// ---- matrix and bitmap -------------------------------------------------

TEST(PixMatrix, SizeLimitsAndCopies) {
  TPixMatrix m;
  EXPECT_THROW(m.SetSize(1, 32768), TandemixError);
  EXPECT_THROW(m.SetSize(32768, 1), TandemixError);
  EXPECT_THROW(m.SetSize(0, 5), TandemixError);
  EXPECT_THROW(m.SetSize(-1, 5), TandemixError);
  EXPECT_THROW(m.SetSize(20000, 20000), TandemixError);  // over the pixel bound
  m.SetSize(1, 32767);
  EXPECT_EQ(m.Columns(), 32767);
  m.SetSize(2, 3);
  m[1][2] = Pixel{1, 2, 3};
  const TPixMatrix copy = m;
  EXPECT_EQ(copy.Rows(), 2);
  EXPECT_EQ(copy.Columns(), 3);
  EXPECT_EQ(At(copy, 1, 2), (ref::Rgb{1, 2, 3}));
}

TEST(Bitmap, SetSizeKeepsPixelsOnlyAtTheSameSize) {
  Bitmap b(2, 2);
  b.ScanLine(1)[3] = 9;
  b.SetSize(2, 2);
  EXPECT_EQ(b.ScanLine(1)[3], 9);
  b.SetSize(3, 2);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.ScanLine(1)[3], 0);
  b.SetSize(-4, 2);
  EXPECT_TRUE(b.Empty());
}

TEST(Bitmap, FileRoundTripAndFailedLoadKeepsPicture) {
  test::TempFolder dir;
  const Bitmap original = ref::ToBitmap(ref::Pattern(5, 3, 1));
  const std::string path = dir.File("a picture 'quoted'.bmp");
  original.SaveToFile(path);
  Bitmap loaded;
  loaded.LoadFromFile(path);
  EXPECT_EQ(ref::FromBitmap(loaded), ref::FromBitmap(original));
  EXPECT_THROW(loaded.LoadFromFile(dir.File("missing.bmp")), TandemixError);
  EXPECT_EQ(ref::FromBitmap(loaded), ref::FromBitmap(original));
}

TEST(BitmapToMatrix, CopiesScanLines) {
  const ref::Image img = ref::Pattern(4, 3, 2);
  const Bitmap b = ref::ToBitmap(img);
  TPixMatrix m(3, 4);
  BitmapToMatrix(b, m, 3, 4);
  EXPECT_EQ(ref::FromMatrix(m, 3, 4), img);
  // A part of the bitmap into a larger matrix.
  TPixMatrix big(5, 6);
  BitmapToMatrix(b, big, 2, 3);
  EXPECT_EQ(At(big, 1, 2), img.at(1, 2));
  EXPECT_THROW(BitmapToMatrix(b, big, 4, 4), std::invalid_argument);  // bitmap too small
}

// ---- combining ---------------------------------------------------------

// Rows of 21 pixels: the vector paths take the first 16, the others go one
// by one, and every pixel must agree.
constexpr int kRow = 21;

void ExpectEveryPixel(const Bitmap& b, ref::Rgb expected, const char* what) {
  for (int r = 0; r < b.Height(); ++r)
    for (int c = 0; c < b.Width(); ++c) EXPECT_EQ(At(b, r, c), expected) << what << " at " << r << "," << c;
}

TEST(BlendToBitmap, ListedWeights) {
  const TPixMatrix white = Filled(2, kRow, kWhite);
  const TPixMatrix black = Filled(2, kRow, kBlack);
  Bitmap out(7, 7);
  BlendToBitmap(white, black, out, kRow, 2, 255);
  EXPECT_EQ(out.Width(), kRow);
  EXPECT_EQ(out.Height(), 2);
  ExpectEveryPixel(out, {254, 254, 254}, "weight 255");
  BlendToBitmap(black, white, out, kRow, 2, 0);
  ExpectEveryPixel(out, {254, 254, 254}, "weight 0");
  BlendToBitmap(white, black, out, kRow, 2, 128);
  ExpectEveryPixel(out, {127, 127, 127}, "weight 128");
}

TEST_P(BothKernels, BlendToBitmapMatchesFormulaOnPatterns) {
  const ref::Image a = ref::Pattern(301, 250, 3);
  const ref::Image b = ref::Pattern(301, 250, 4);
  const TPixMatrix ma = ref::ToMatrix(a), mb = ref::ToMatrix(b);
  Bitmap out;
  for (int w : {0, 1, 100, 128, 254, 255}) {
    BlendToBitmap(ma, mb, out, 301, 250, static_cast<std::uint8_t>(w));
    EXPECT_EQ(ref::FromBitmap(out), ref::Blend(a, b, w)) << "weight " << w;
  }
}

TEST(AnaglyphRedCyan, ListedValuesAndPatterns) {
  const TPixMatrix white = Filled(1, kRow, kWhite);
  const TPixMatrix black = Filled(1, kRow, kBlack);
  const TPixMatrix red = Filled(1, kRow, Pixel{0, 0, 255});
  Bitmap out;
  AnaglyphRedCyanToBitmap(white, black, out, kRow, 1);
  ExpectEveryPixel(out, {0, 0, 255}, "white over black");  // blue 0, green 0, red 255
  AnaglyphRedCyanToBitmap(red, black, out, kRow, 1);
  ExpectEveryPixel(out, {0, 0, 76}, "pure red");

  const ref::Image a = ref::Pattern(257, 300, 5);
  const ref::Image b = ref::Pattern(257, 300, 6);
  AnaglyphRedCyanToBitmap(ref::ToMatrix(a), ref::ToMatrix(b), out, 257, 300);
  EXPECT_EQ(ref::FromBitmap(out), ref::RedCyan(a, b));
}

TEST(AnaglyphOptim, ListedRedChannels) {
  struct Case {
    Pixel first;
    int red;
  };
  const Case cases[] = {
      {kWhite, 255},           {Pixel{0, 0, 255}, 138},     {Pixel{0, 255, 0}, 210},
      {Pixel{255, 0, 0}, 101}, {Pixel{128, 128, 128}, 161}, {Pixel{1, 1, 1}, 6},
  };
  const TPixMatrix black = Filled(1, kRow, kBlack);
  Bitmap out;
  for (const Case& c : cases) {
    AnaglyphOptimToBitmap(Filled(1, kRow, c.first), black, out, kRow, 1, 115, 64, 384);
    ExpectEveryPixel(out, {0, 0, c.red}, "listed first pixel");
  }
  // Pure red lends G' 114 and B' 63 (v = 25806); as the second pixel these
  // become green and blue as they are.
  EXPECT_EQ(191 * 114 + 64 * 63, 25806);
  AnaglyphOptimToBitmap(black, Filled(1, kRow, Pixel{0, 0, 255}), out, kRow, 1, 115, 64, 384);
  ExpectEveryPixel(out, {63, 114, 0}, "pure red second pixel");
}

TEST_P(BothKernels, AnaglyphOptimEveryGreenBlueCombinationMatchesThePowerCurve) {
  // Red 0 lends nothing, so G' = G and B' = B: all 65536 values of v.
  ref::Image a(256, 256), b = ref::Pattern(256, 256, 7);
  for (int g = 0; g < 256; ++g)
    for (int bl = 0; bl < 256; ++bl) a.at(g, bl) = ref::Rgb{bl, g, 0};
  Bitmap out;
  AnaglyphOptimToBitmap(ref::ToMatrix(a), ref::ToMatrix(b), out, 256, 256, 115, 64, 384);
  EXPECT_EQ(ref::FromBitmap(out), ref::Optim(a, b, 115, 64, 384));
  // Other gains and divisors, on pictures with plenty of excess red.
  const ref::Image c = ref::Pattern(200, 150, 8), d = ref::Pattern(200, 150, 9);
  AnaglyphOptimToBitmap(ref::ToMatrix(c), ref::ToMatrix(d), out, 200, 150, 200, 10, 256);
  EXPECT_EQ(ref::FromBitmap(out), ref::Optim(c, d, 200, 10, 256));
  AnaglyphOptimToBitmap(ref::ToMatrix(c), ref::ToMatrix(d), out, 200, 150, 115, 64, 384);
  EXPECT_EQ(ref::FromBitmap(out), ref::Optim(c, d, 115, 64, 384));
}

TEST(Combining, RejectsMatricesSmallerThanTheOutput) {
  const TPixMatrix small = Filled(2, 2, kWhite);
  const TPixMatrix big = Filled(3, 3, kWhite);
  Bitmap out(1, 1);
  EXPECT_THROW(BlendToBitmap(small, big, out, 3, 3, 1), std::invalid_argument);
  EXPECT_THROW(AnaglyphRedCyanToBitmap(big, small, out, 3, 3), std::invalid_argument);
  EXPECT_THROW(AnaglyphOptimToBitmap(big, big, out, 0, 3, 115, 64, 384), std::invalid_argument);
  EXPECT_EQ(out.Width(), 1);  // untouched
}

// ---- rotation ----------------------------------------------------------

TEST(RotateMatrix, NeverSamplesTheTopRowOrRightmostColumn) {
  // Without a turn the centre row and column map exactly onto the source.
  const ref::Image s = ref::Pattern(9, 7, 10);
  TPixMatrix d(7, 9);
  RotateMatrix(ref::ToMatrix(s), d, 4, 3, 9, 7, 7, 9, 3, 4, 0.0);
  for (int j = 0; j < 8; ++j) EXPECT_EQ(At(d, 3, j), s.at(3, j)) << j;
  EXPECT_EQ(At(d, 3, 8), (ref::Rgb{0, 0, 0}));  // lands on the rightmost column
  for (int i = 1; i < 7; ++i) EXPECT_EQ(At(d, i, 4), s.at(i, 4)) << i;
  EXPECT_EQ(At(d, 0, 4), (ref::Rgb{0, 0, 0}));  // lands on the top row
  EXPECT_EQ(ref::FromMatrix(d, 7, 9), ref::Rotate(s, 4, 3, 9, 7, 7, 9, 3, 4, 0.0));
}

TEST(RotateMatrix, PixelsOutsideTheSourceAreBlack) {
  const ref::Image s = ref::Pattern(6, 5, 11);
  TPixMatrix d(20, 21);
  RotateMatrix(ref::ToMatrix(s), d, 3, 2, 6, 5, 20, 21, 10, 10, 0.3);
  for (int i : {0, 19})
    for (int j : {0, 20}) EXPECT_EQ(At(d, i, j), (ref::Rgb{0, 0, 0}));
  EXPECT_EQ(ref::FromMatrix(d, 20, 21), ref::Rotate(s, 3, 2, 6, 5, 20, 21, 10, 10, 0.3));
}

TEST(RotateMatrix, PositiveAngleTurnsCounterClockwise) {
  // The right half is white; a quarter turn brings it to the top.
  ref::Image s(21, 21);
  for (int r = 0; r < 21; ++r)
    for (int c = 11; c < 21; ++c) s.at(r, c) = ref::Rgb{255, 255, 255};
  TPixMatrix d(21, 21);
  RotateMatrix(ref::ToMatrix(s), d, 10, 10, 21, 21, 21, 21, 10, 10, M_PI / 2);
  EXPECT_EQ(At(d, 5, 10), (ref::Rgb{255, 255, 255}));
  EXPECT_EQ(At(d, 15, 10), (ref::Rgb{0, 0, 0}));
  EXPECT_EQ(At(d, 10, 15), (ref::Rgb{0, 0, 0}));
}

TEST_P(BothKernels, RotateMatrixMatchesThePolarFormulaAtManyAngles) {
  const ref::Image s = ref::Pattern(97, 61, 12);
  const TPixMatrix ms = ref::ToMatrix(s);
  // Small, large, negative, quarter and half turns; beyond ±3 radians, and
  // angles that are whole turns away from others.
  const double angles[] = {0.0,  1e-9,  -0.0261799388, 0.0261799388, 0.3,      -1.2,       M_PI / 2, -M_PI / 2,
                           M_PI, -M_PI, 2.9,           3.1,          -3.14159, 17.4532925, -100.0,   2 * M_PI + 0.3};
  for (double a : angles) {
    const FrameSize n = RotatedFrameSize(97, 61, a, false);
    TPixMatrix d(n.height, n.width);
    RotateMatrix(ms, d, 48, 30, 97, 61, n.height, n.width, n.height / 2, n.width / 2, a);
    EXPECT_EQ(ref::FromMatrix(d, n.height, n.width),
              ref::Rotate(s, 48, 30, 97, 61, n.height, n.width, n.height / 2, n.width / 2, a))
        << "angle " << a;
  }
  // Centres away from the middle, negative ones included.
  TPixMatrix d(40, 50);
  RotateMatrix(ms, d, 90, 5, 97, 61, 40, 50, -7, 60, 0.7);
  EXPECT_EQ(ref::FromMatrix(d, 40, 50), ref::Rotate(s, 90, 5, 97, 61, 40, 50, -7, 60, 0.7));
}

TEST_P(BothKernels, RotateMatrixMatchesThePolarFormulaOnAFrame) {
  // Big enough for the rows to be split between threads.
  const ref::Image s = ref::Pattern(640, 360, 13);
  const double a = -1.5 * 0.01745329252;
  const FrameSize n = RotatedFrameSize(640, 360, a, false);
  TPixMatrix d(n.height, n.width);
  RotateMatrix(ref::ToMatrix(s), d, 320, 180, 640, 360, n.height, n.width, n.height / 2, n.width / 2, a);
  EXPECT_EQ(ref::FromMatrix(d, n.height, n.width),
            ref::Rotate(s, 320, 180, 640, 360, n.height, n.width, n.height / 2, n.width / 2, a));
}

TEST(RotateMatrix, RejectsBadArguments) {
  const TPixMatrix s = Filled(4, 4, kWhite);
  TPixMatrix d(4, 4);
  EXPECT_THROW(RotateMatrix(s, d, 2, 2, 4, 4, 5, 4, 2, 2, 0.1), std::invalid_argument);
  EXPECT_THROW(RotateMatrix(s, d, 2, 2, 5, 4, 4, 4, 2, 2, 0.1), std::invalid_argument);
  EXPECT_THROW(RotateMatrix(s, d, 40000, 2, 4, 4, 4, 4, 2, 2, 0.1), std::invalid_argument);
  EXPECT_THROW(RotateMatrix(s, d, 2, 2, 4, 4, 4, 4, 2, 2, NAN), std::invalid_argument);
}

// ---- resize ------------------------------------------------------------

TEST(ResizeMatrix, SameSizeRepeatsTheLastRowAndColumn) {
  const ref::Image s = ref::Pattern(6, 5, 14);
  TPixMatrix d(5, 6);
  ResizeMatrix(ref::ToMatrix(s), d, 5, 6, 5, 6);
  for (int r = 0; r < 5; ++r)
    for (int c = 0; c < 6; ++c) EXPECT_EQ(At(d, r, c), s.at(std::min(r, 3), std::min(c, 4))) << r << "," << c;
}

TEST(ResizeMatrix, HalvingTakesEverySecondPixel) {
  const ref::Image s = ref::Pattern(4, 4, 15);
  TPixMatrix d(2, 2);
  ResizeMatrix(ref::ToMatrix(s), d, 4, 4, 2, 2);
  EXPECT_EQ(At(d, 0, 0), s.at(0, 0));
  EXPECT_EQ(At(d, 0, 1), s.at(0, 2));
  EXPECT_EQ(At(d, 1, 0), s.at(2, 0));
  EXPECT_EQ(At(d, 1, 1), s.at(2, 2));
}

TEST_P(BothKernels, ResizeMatrixMatchesTheFixedPointFormula) {
  const ref::Image s = ref::Pattern(37, 23, 16);
  const TPixMatrix ms = ref::ToMatrix(s);
  const int sizes[][2] = {{23, 37}, {24, 38}, {46, 74}, {11, 19}, {1, 1}, {2, 2}, {100, 7}, {3, 300}};
  for (const auto& size : sizes) {
    TPixMatrix d(size[0], size[1]);
    ResizeMatrix(ms, d, 23, 37, size[0], size[1]);
    EXPECT_EQ(ref::FromMatrix(d, size[0], size[1]), ref::Resize(s, 23, 37, size[0], size[1]))
        << size[0] << " x " << size[1];
  }
  const ref::Image two = ref::Pattern(2, 2, 17);
  TPixMatrix d(9, 5);
  ResizeMatrix(ref::ToMatrix(two), d, 2, 2, 9, 5);
  EXPECT_EQ(ref::FromMatrix(d, 9, 5), ref::Resize(two, 2, 2, 9, 5));
  const ref::Image frame = ref::Pattern(700, 400, 18);
  TPixMatrix big(408, 714);
  ResizeMatrix(ref::ToMatrix(frame), big, 400, 700, 408, 714);
  EXPECT_EQ(ref::FromMatrix(big, 408, 714), ref::Resize(frame, 400, 700, 408, 714));
}

TEST(ResizeMatrix, NeedsASourceOfTwoByTwo) {
  const TPixMatrix s = Filled(1, 5, kWhite);
  TPixMatrix d(3, 3);
  EXPECT_THROW(ResizeMatrix(s, d, 1, 5, 3, 3), std::invalid_argument);
  EXPECT_THROW(ResizeMatrix(Filled(5, 1, kWhite), d, 5, 1, 3, 3), std::invalid_argument);
}

// ---- placement ---------------------------------------------------------

TEST(PlaceMatrix, MarginsAroundTheSource) {
  const ref::Image s = ref::Pattern(5, 4, 19);  // 4 rows x 5 columns
  TPixMatrix d(8, 7);
  PlaceMatrix(ref::ToMatrix(s), d, 2, 1, 0, 3, 4, 5);
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 7; ++c) {
      const bool inside = r >= 1 && r <= 4 && c >= 2 && c <= 6;
      const ref::Rgb expected = inside ? s.at(r - 1, c - 2) : ref::Rgb{0, 0, 0};
      EXPECT_EQ(At(d, r, c), expected) << r << "," << c;
    }
  TPixMatrix copy(4, 5);
  PlaceMatrix(ref::ToMatrix(s), copy, 0, 0, 0, 0, 4, 5);
  EXPECT_EQ(ref::FromMatrix(copy, 4, 5), s);
  EXPECT_THROW(PlaceMatrix(ref::ToMatrix(s), d, -1, 1, 0, 3, 4, 5), std::invalid_argument);
  EXPECT_THROW(PlaceMatrix(ref::ToMatrix(s), d, 2, 1, 1, 3, 4, 5), std::invalid_argument);  // 8 columns
}

}  // namespace
}  // namespace tandemix
