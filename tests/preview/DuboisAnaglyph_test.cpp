#include "preview/DuboisAnaglyph.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>

#include "preview/Compositor.h"
#include "preview/ImageOps.h"

namespace tandemix {
namespace {

using Rgb = std::array<int, 3>;

// The published least-squares tables, entry by entry.
TEST(DuboisAnaglyph, PublishedMatrices) {
  struct Row {
    DuboisGlasses glasses;
    ColourMatrix left, right;
  };
  const Row rows[] = {
      {DuboisGlasses::RedCyan,
       {{{0.437, 0.449, 0.164}, {-0.062, -0.062, -0.024}, {-0.048, -0.050, -0.017}}},
       {{{-0.011, -0.032, -0.007}, {0.377, 0.761, 0.009}, {-0.026, -0.093, 1.234}}}},
      {DuboisGlasses::GreenMagenta,
       {{{-0.062, -0.158, -0.039}, {0.284, 0.668, 0.143}, {-0.015, -0.027, 0.021}}},
       {{{0.529, 0.705, 0.024}, {-0.016, -0.015, -0.065}, {0.009, 0.075, 0.937}}}},
      {DuboisGlasses::AmberBlue,
       {{{1.062, -0.205, 0.299}, {-0.026, 0.908, 0.068}, {-0.038, -0.173, 0.022}}},
       {{{-0.016, -0.123, -0.017}, {0.006, 0.062, -0.017}, {0.094, 0.185, 0.911}}}},
  };
  for (const Row& row : rows) {
    const DuboisMatrices& m = DuboisMatricesFor(row.glasses);
    for (int o = 0; o < 3; ++o)
      for (int i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(m.left[o][i], row.left[o][i]) << static_cast<int>(row.glasses) << " L " << o << i;
        EXPECT_DOUBLE_EQ(m.right[o][i], row.right[o][i]) << static_cast<int>(row.glasses) << " R " << o << i;
      }
  }
}

TEST(DuboisAnaglyph, SrgbCurve) {
  // Linear values from the sRGB definition, computed apart.
  EXPECT_DOUBLE_EQ(SrgbToLinear(0), 0.0);
  EXPECT_NEAR(SrgbToLinear(1), 0.0003035269835488375, 1e-15);
  EXPECT_NEAR(SrgbToLinear(10), 0.003035269835488375, 1e-15);
  EXPECT_NEAR(SrgbToLinear(11), 0.003346535763899161, 1e-15);
  EXPECT_NEAR(SrgbToLinear(50), 0.03189603307301153, 1e-15);
  EXPECT_NEAR(SrgbToLinear(128), 0.21586050011389926, 1e-15);
  EXPECT_NEAR(SrgbToLinear(200), 0.5775804404296506, 1e-15);
  EXPECT_DOUBLE_EQ(SrgbToLinear(255), 1.0);
  // Every code survives the round trip, and the encoding rounds to the
  // nearest code on each side of a half-way point.
  for (int code = 0; code < 256; ++code) EXPECT_EQ(LinearToSrgb(SrgbToLinear(code)), code) << code;
  EXPECT_EQ(LinearToSrgb(-0.5), 0);
  EXPECT_EQ(LinearToSrgb(1.7), 255);
  EXPECT_EQ(LinearToSrgb(0.5 / 255 / 12.92 - 1e-9), 0);
  EXPECT_EQ(LinearToSrgb(0.5 / 255 / 12.92 + 1e-9), 1);
  EXPECT_EQ(LinearToSrgb(0.2140), 127);  // 127.5 lies at linear 0.21404
  EXPECT_EQ(LinearToSrgb(0.2141), 128);
}

TEST(DuboisAnaglyph, PixelsAgainstIndependentNumbers) {
  // Expected codes computed apart from the published matrices in double
  // precision: decode both views, out = ML·l + MR·r, clamp, encode, round.
  struct Row {
    DuboisGlasses glasses;
    Rgb left, right, expected;
  };
  const Row rows[] = {
      {DuboisGlasses::RedCyan, {255, 255, 255}, {255, 255, 255}, {255, 255, 255}},
      {DuboisGlasses::RedCyan, {255, 0, 0}, {0, 0, 0}, {177, 0, 0}},
      {DuboisGlasses::RedCyan, {0, 0, 0}, {0, 255, 255}, {0, 227, 255}},
      {DuboisGlasses::RedCyan, {200, 120, 40}, {30, 180, 220}, {153, 151, 231}},
      {DuboisGlasses::RedCyan, {128, 128, 128}, {64, 64, 64}, {130, 46, 50}},
      {DuboisGlasses::RedCyan, {10, 250, 90}, {240, 15, 130}, {176, 142, 124}},
      {DuboisGlasses::GreenMagenta, {255, 255, 255}, {255, 255, 255}, {255, 255, 255}},
      {DuboisGlasses::GreenMagenta, {255, 0, 0}, {0, 0, 0}, {0, 145, 0}},
      {DuboisGlasses::GreenMagenta, {0, 0, 0}, {0, 255, 255}, {222, 0, 255}},
      {DuboisGlasses::GreenMagenta, {200, 120, 40}, {30, 180, 220}, {144, 134, 217}},
      {DuboisGlasses::GreenMagenta, {128, 128, 128}, {64, 64, 64}, {23, 132, 62}},
      {DuboisGlasses::GreenMagenta, {10, 250, 90}, {240, 15, 130}, {152, 207, 122}},
      {DuboisGlasses::AmberBlue, {255, 255, 255}, {255, 255, 255}, {255, 255, 255}},
      {DuboisGlasses::AmberBlue, {255, 0, 0}, {0, 0, 0}, {255, 0, 0}},
      {DuboisGlasses::AmberBlue, {0, 0, 0}, {0, 255, 255}, {0, 60, 255}},
      {DuboisGlasses::AmberBlue, {200, 120, 40}, {30, 180, 220}, {190, 116, 216}},
      {DuboisGlasses::AmberBlue, {128, 128, 128}, {64, 64, 64}, {135, 126, 39}},
      {DuboisGlasses::AmberBlue, {10, 250, 90}, {240, 15, 130}, {0, 241, 98}},
  };
  // One row of all the cases, each pair at its own column, so the pass over
  // rows and columns is checked too.
  for (DuboisGlasses glasses : {DuboisGlasses::RedCyan, DuboisGlasses::GreenMagenta, DuboisGlasses::AmberBlue}) {
    TPixMatrix left(3, 6), right(3, 6);
    std::array<Rgb, 6> expected{};
    int column = 0;
    for (const Row& row : rows) {
      if (row.glasses != glasses) continue;
      for (int r = 0; r < 3; ++r) {
        left[r][column] = Pixel{static_cast<std::uint8_t>(row.left[2]), static_cast<std::uint8_t>(row.left[1]),
                                static_cast<std::uint8_t>(row.left[0])};
        right[r][column] = Pixel{static_cast<std::uint8_t>(row.right[2]), static_cast<std::uint8_t>(row.right[1]),
                                 static_cast<std::uint8_t>(row.right[0])};
      }
      expected[static_cast<std::size_t>(column)] = row.expected;
      ++column;
    }
    ASSERT_EQ(column, 6);
    Bitmap out;
    AnaglyphDuboisToBitmap(left, right, out, 6, 3, glasses);
    ASSERT_EQ(out.Width(), 6);
    ASSERT_EQ(out.Height(), 3);
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 6; ++c) {
        const std::uint8_t* p = out.ScanLine(r) + 3 * c;
        const Rgb got{p[2], p[1], p[0]};
        EXPECT_EQ(got, expected[static_cast<std::size_t>(c)])
            << "glasses " << static_cast<int>(glasses) << " row " << r << " column " << c;
      }
  }
}

TEST(DuboisAnaglyph, SizesThatDoNotFitAreRefused) {
  TPixMatrix small(2, 2), large(4, 4);
  Bitmap out;
  EXPECT_THROW(AnaglyphDuboisToBitmap(small, large, out, 4, 4, DuboisGlasses::RedCyan), std::invalid_argument);
  EXPECT_THROW(AnaglyphDuboisToBitmap(large, large, out, 0, 4, DuboisGlasses::AmberBlue), std::invalid_argument);
}

TEST(DuboisAnaglyph, CompositorShowsEachGlassesMode) {
  // A left view in warm colours and a right one in cool ones; with no
  // shift, scale or tilt the preview is the anaglyph of the two frames.
  Bitmap left(5, 4), right(5, 4);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 5; ++c) {
      std::uint8_t* a = left.ScanLine(r) + 3 * c;
      std::uint8_t* b = right.ScanLine(r) + 3 * c;
      a[0] = static_cast<std::uint8_t>(10 * c);
      a[1] = static_cast<std::uint8_t>(60 + 20 * r);
      a[2] = 220;
      b[0] = 200;
      b[1] = static_cast<std::uint8_t>(150 - 10 * c);
      b[2] = static_cast<std::uint8_t>(5 * r);
    }
  const struct {
    PreviewMode mode;
    DuboisGlasses glasses;
  } modes[] = {{PreviewMode::DuboisRedCyan, DuboisGlasses::RedCyan},
               {PreviewMode::DuboisGreenMagenta, DuboisGlasses::GreenMagenta},
               {PreviewMode::DuboisAmberBlue, DuboisGlasses::AmberBlue}};
  for (const auto& m : modes) {
    PreviewCompositor c;
    c.SetFrames(left, right);
    c.ComposePreview(0, 0, 1.0, 1.0, 0.0, 0.0, PreviewSwitches{false, false, ShowClip::Output, m.mode});
    Bitmap expected;
    AnaglyphDuboisToBitmap(c.LeftCanvas(), c.RightCanvas(), expected, c.PreviewImage().Width(),
                           c.PreviewImage().Height(), m.glasses);
    ASSERT_EQ(c.PreviewImage().Width(), 5);
    ASSERT_EQ(c.PreviewImage().Height(), 4);
    for (int r = 0; r < 4; ++r)
      for (int col = 0; col < 15; ++col)
        EXPECT_EQ(c.PreviewImage().ScanLine(r)[col], expected.ScanLine(r)[col]) << static_cast<int>(m.mode);
    // The canvas holds the frames' pixels (no scaling happened), so the
    // red-cyan result for the first pixel is the independent one:
    // left (R,G,B) = (220, 60, 0), right = (0, 150, 200).
    if (m.glasses == DuboisGlasses::RedCyan) {
      const std::uint8_t* p = c.PreviewImage().ScanLine(0);
      EXPECT_EQ((Rgb{p[2], p[1], p[0]}), (Rgb{153, 121, 210}));
    }
  }
}

}  // namespace
}  // namespace tandemix
