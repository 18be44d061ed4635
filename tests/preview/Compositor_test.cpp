#include "preview/Compositor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Errors.h"
#include "preview/PixelKernels.h"
#include "tests/preview/PixelReference.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

namespace ref = reference;

// Records what the compositor asks of the windows.
class FakeDisplay : public PreviewDisplay {
 public:
  std::vector<std::string> calls;
  int shownWidth = 0, shownHeight = 0;
  void EnablePreviewOptions(bool enabled) override { calls.push_back(enabled ? "enable" : "disable"); }
  void ShowPicture(const Bitmap& picture) override {
    calls.push_back("picture");
    shownWidth = picture.Width();
    shownHeight = picture.Height();
  }
  void ShowAdjustmentWindow() override { calls.push_back("adjustment"); }
};

PreviewSwitches Switches(ShowClip show, PreviewMode mode = PreviewMode::RedCyan, bool swap = false, bool crop = false) {
  return PreviewSwitches{crop, swap, show, mode};
}

ref::Image Solid(int width, int height, ref::Rgb colour) {
  ref::Image img(width, height);
  for (ref::Rgb& p : img.pixels) p = colour;
  return img;
}

struct Pair {
  ref::Image left, right;
};

PreviewCompositor Loaded(const Pair& pair, PreviewDisplay* display = nullptr) {
  PreviewCompositor c(display);
  c.SetFrames(ref::ToBitmap(pair.left), ref::ToBitmap(pair.right));
  return c;
}

// Columns of `m`'s row `row` that are not black.
std::pair<int, int> CoveredColumns(const TPixMatrix& m, int row) {
  int first = -1, last = -1;
  for (int c = 0; c < m.Columns(); ++c)
    if (m[row][c].blue || m[row][c].green || m[row][c].red) {
      if (first < 0) first = c;
      last = c;
    }
  return {first, last};
}

TEST(Compositor, EqualFramesWithDefaultsKeepTheFrameSize) {
  const Pair pair{ref::Pattern(720, 576, 1), ref::Pattern(720, 576, 2)};
  FakeDisplay display;
  PreviewCompositor c = Loaded(pair, &display);
  c.ComposePreview(0, 0, 1.0, 1.0, 0.0, 0.0, Switches(ShowClip::Left));
  EXPECT_EQ(c.PreviewImage().Width(), 720);
  EXPECT_EQ(c.PreviewImage().Height(), 576);
  // Each level v of the left frame shows as floor(255·v / 256).
  EXPECT_EQ(ref::FromBitmap(c.PreviewImage()), ref::Blend(pair.left, pair.right, 255));
  EXPECT_EQ(display.calls, (std::vector<std::string>{"disable", "picture", "adjustment"}));
  EXPECT_EQ(display.shownWidth, 720);

  c.ComposePreview(0, 0, 1.0, 1.0, 0.0, 0.0, Switches(ShowClip::Output, PreviewMode::Blend));
  EXPECT_EQ(ref::FromBitmap(c.PreviewImage()), ref::Blend(pair.left, pair.right, 128));
  EXPECT_EQ(display.calls[3], "enable");
  c.ComposePreview(0, 0, 1.0, 1.0, 0.0, 0.0, Switches(ShowClip::Right));
  EXPECT_EQ(ref::FromBitmap(c.PreviewImage()), ref::Blend(pair.left, pair.right, 0));
  EXPECT_EQ(display.calls[6], "disable");
}

TEST(Compositor, NarrowerRightFrameIsCentred) {
  // 720 against 704, no shift: dW = -16, padL = padR = -8.
  const Pair pair{Solid(720, 4, {10, 20, 30}), Solid(704, 4, {40, 50, 60})};
  PreviewCompositor c = Loaded(pair);
  c.ComposePreview(0, 0, 1.0, 1.0, 0.0, 0.0, Switches(ShowClip::Output));
  EXPECT_EQ(c.PreviewImage().Width(), 720);
  EXPECT_EQ(CoveredColumns(c.LeftCanvas(), 0), (std::pair{0, 719}));
  EXPECT_EQ(CoveredColumns(c.RightCanvas(), 0), (std::pair{8, 711}));
}

TEST(Compositor, HorizontalShiftMovesTheLeftView) {
  const Pair pair{Solid(720, 4, {10, 20, 30}), Solid(720, 4, {40, 50, 60})};
  PreviewCompositor c = Loaded(pair);
  c.ComposePreview(10, 0, 1.0, 1.0, 0.0, 0.0, Switches(ShowClip::Output));
  EXPECT_EQ(c.PreviewImage().Width(), 730);
  EXPECT_EQ(CoveredColumns(c.LeftCanvas(), 0), (std::pair{10, 729}));
  EXPECT_EQ(CoveredColumns(c.RightCanvas(), 0), (std::pair{0, 719}));
  c.ComposePreview(-10, 0, 1.0, 1.0, 0.0, 0.0, Switches(ShowClip::Output));
  EXPECT_EQ(c.PreviewImage().Width(), 730);
  EXPECT_EQ(CoveredColumns(c.LeftCanvas(), 0), (std::pair{0, 719}));
  EXPECT_EQ(CoveredColumns(c.RightCanvas(), 0), (std::pair{10, 729}));
}

TEST(Compositor, OddDifferenceAndVerticalShift) {
  // dW = -3 splits into -1 and -2; the right view gets 1 column left, 2 right.
  const CompositionPlan p = PlanComposition({10, 6}, {7, 6}, 0, 0, 1, 1, 0, 0, false);
  EXPECT_EQ(p.canvasWidth, 10);
  EXPECT_EQ(p.right.canvas, (Margins{1, 0, 2, 0}));
  EXPECT_EQ(p.left.canvas, (Margins{0, 0, 0, 0}));
  // VerticalShift moves the left view down.
  const CompositionPlan v = PlanComposition({8, 6}, {8, 6}, 0, 3, 1, 1, 0, 0, false);
  EXPECT_EQ(v.canvasHeight, 9);
  EXPECT_EQ(v.left.canvas, (Margins{0, 3, 0, 0}));
  EXPECT_EQ(v.right.canvas, (Margins{0, 0, 0, 3}));
}

TEST(Compositor, SwapPutsTheRightViewInRed) {
  const Pair pair{Solid(6, 4, {0, 0, 255}), Solid(6, 4, {255, 255, 255})};
  PreviewCompositor c = Loaded(pair);
  c.ComposePreview(2, 0, 1.0, 1.0, 0.0, 0.0, Switches(ShowClip::Output, PreviewMode::RedCyan, true));
  const Bitmap& img = c.PreviewImage();
  ASSERT_EQ(img.Width(), 8);
  // Column 0: only the right view (white) -> red; the left view was moved 2 right.
  EXPECT_EQ(img.ScanLine(0)[2], 255);
  EXPECT_EQ(img.ScanLine(0)[1], 0);
  // Column 7: only the left view (red, luma 76) -> cyan.
  EXPECT_EQ(img.ScanLine(0)[3 * 7 + 2], 0);
  EXPECT_EQ(img.ScanLine(0)[3 * 7 + 1], 76);
}

TEST(Compositor, ScaleRoundsHalvesToEven) {
  const CompositionPlan p = PlanComposition({755, 11}, {755, 11}, 0, 0, 1.5, 1.0, 0, 0, false);
  EXPECT_EQ(p.left.scaledSize.width, 1132);  // 1132.5
  EXPECT_EQ(p.left.scaledSize.height, 16);   // 16.5
  EXPECT_EQ(p.canvasWidth, 1132);
}

TEST(Compositor, TiltUsesTheRotatedFrameSize) {
  const CompositionPlan p = PlanComposition({720, 576}, {720, 576}, 0, 0, 1.0, 1.0, 0.0, 1.5, false);
  EXPECT_FALSE(p.left.tilted);
  EXPECT_EQ(p.right.rotated, (FrameSize{735, 595}));
  EXPECT_DOUBLE_EQ(p.right.radians, -1.5 * 0.01745329252);
  const CompositionPlan crop = PlanComposition({720, 576}, {720, 576}, 0, 0, 1.0, 1.0, 0.0, 1.5, true);
  EXPECT_EQ(crop.right.rotated, (FrameSize{697, 558}));
  EXPECT_EQ(crop.canvasWidth, 720);
}

TEST(Compositor, FullCompositionMatchesTheFormulas) {
  // Tilt, scale and shift on both views, each view and mode, swapped and not.
  const Pair pair{ref::Pattern(41, 29, 3), ref::Pattern(36, 31, 4)};
  PreviewCompositor c = Loaded(pair);
  ref::ComposeInput in;
  in.shiftH = 3;
  in.shiftV = -2;
  in.scaleLeft = 1.07;
  in.scaleRight = 0.93;
  in.angleLeft = 3.5;
  in.angleRight = -2.0;
  for (bool crop : {false, true})
    for (bool swap : {false, true})
      for (int show = 0; show < 3; ++show)
        for (int mode = 0; mode < 3; ++mode) {
          in.autoCrop = crop;
          in.swap = swap;
          in.show = show;
          in.mode = mode;
          c.ComposePreview(in.shiftH, in.shiftV, in.scaleLeft, in.scaleRight, in.angleLeft, in.angleRight,
                           Switches(static_cast<ShowClip>(show), static_cast<PreviewMode>(mode), swap, crop));
          EXPECT_EQ(ref::FromBitmap(c.PreviewImage()), ref::Compose(pair.left, pair.right, in))
              << "crop " << crop << " swap " << swap << " show " << show << " mode " << mode;
        }
}

TEST(Compositor, LargerFramesMatchTheFormulas) {
  // Large enough for every pass to run on several threads, with the vector
  // kernels and with the plain forms.
  const Pair pair{ref::Pattern(480, 270, 5), ref::Pattern(480, 270, 6)};
  ref::ComposeInput in;
  in.shiftH = 7;
  in.shiftV = 4;
  in.scaleLeft = 1.02;
  in.angleLeft = 1.5;
  in.angleRight = 1.5;
  in.mode = static_cast<int>(PreviewMode::Optimised);
  const ref::Image expected = ref::Compose(pair.left, pair.right, in);
  for (bool vector : {true, false}) {
    EnableVectorKernels(vector);
    PreviewCompositor c = Loaded(pair);
    c.ComposePreview(7, 4, 1.02, 1.0, 1.5, 1.5, Switches(ShowClip::Output, PreviewMode::Optimised));
    EXPECT_EQ(ref::FromBitmap(c.PreviewImage()), expected) << (vector ? "vector" : "plain");
    // The same settings again give the same picture.
    c.ComposePreview(7, 4, 1.02, 1.0, 1.5, 1.5, Switches(ShowClip::Output, PreviewMode::Optimised));
    EXPECT_EQ(ref::FromBitmap(c.PreviewImage()), expected) << (vector ? "vector" : "plain");
  }
  EnableVectorKernels(true);
}

TEST(Compositor, NoChoiceLeavesTheLastPicture) {
  const Pair pair{ref::Pattern(8, 6, 7), ref::Pattern(8, 6, 8)};
  FakeDisplay display;
  PreviewCompositor c = Loaded(pair, &display);
  c.ComposePreview(0, 0, 1, 1, 0, 0, Switches(ShowClip::Output, PreviewMode::Blend));
  const ref::Image blend = ref::FromBitmap(c.PreviewImage());
  c.ComposePreview(3, 0, 1, 1, 0, 0, Switches(ShowClip::Output, static_cast<PreviewMode>(-1)));
  EXPECT_EQ(ref::FromBitmap(c.PreviewImage()), blend);
  c.ComposePreview(3, 0, 1, 1, 0, 0, Switches(static_cast<ShowClip>(-1)));
  EXPECT_EQ(ref::FromBitmap(c.PreviewImage()), blend);
  // The windows still show; the group's state changes only with a view chosen.
  EXPECT_EQ(display.calls, (std::vector<std::string>{"enable", "picture", "adjustment", "enable", "picture",
                                                     "adjustment", "picture", "adjustment"}));
}

TEST(Compositor, ValuesBreakingTheLimitsStopAndKeepThePicture) {
  const Pair pair{ref::Pattern(40, 30, 9), ref::Pattern(40, 30, 10)};
  FakeDisplay display;
  PreviewCompositor c = Loaded(pair, &display);
  c.ComposePreview(0, 0, 1, 1, 0, 0, Switches(ShowClip::Output));
  const ref::Image last = ref::FromBitmap(c.PreviewImage());
  display.calls.clear();

  auto expectStop = [&](int h, int v, double sl, double sr, double al, double ar, const std::string& words) {
    try {
      c.ComposePreview(h, v, sl, sr, al, ar, Switches(ShowClip::Output));
      ADD_FAILURE() << "no error for " << words;
    } catch (const TandemixError& e) {
      EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << e.what();
    }
    EXPECT_EQ(ref::FromBitmap(c.PreviewImage()), last);
    EXPECT_TRUE(display.calls.empty());
  };
  expectStop(0, 0, 0.0, 1, 0, 0, "The scale of the left view must be above 0 %; it is 0 %.");
  expectStop(0, 0, 1, -0.5, 0, 0, "The scale of the right view must be above 0 %; it is -50 %.");
  expectStop(0, 0, 0.001, 1, 0, 0, "The left view after scaling would be 0 x 0 pixels; it needs at least 1 x 1.");
  expectStop(0, 0, 1000, 1, 0, 0,
             "The left view after scaling would be 40000 x 30000 pixels; no side may exceed 32767.");
  expectStop(0, 0, 300, 1, 0, 0,
             "The left view after scaling would be 12000 x 9000 pixels; the limit is 67108864 pixels.");
  expectStop(40000, 0, 1, 1, 0, 0, "The preview canvas would be 40040 x 30 pixels; no side may exceed 32767.");
  expectStop(2147483647, 0, 1, 1, 0, 0, "The preview canvas would be");
  expectStop(0, 0, 1, 1, NAN, 0, "The tilt of the left view is not a finite number.");
  expectStop(0, 0, 1, INFINITY, 0, 0, "The scale of the right view is not a finite number.");

  // A view under 2 x 2 cannot be scaled, though it can be shown as it is.
  PreviewCompositor thin = Loaded(Pair{ref::Pattern(1, 5, 1), ref::Pattern(3, 5, 2)});
  thin.ComposePreview(0, 0, 1, 1, 0, 0, Switches(ShowClip::Output));
  EXPECT_EQ(thin.PreviewImage().Width(), 3);
  EXPECT_THROW(thin.ComposePreview(0, 0, 2, 1, 0, 0, Switches(ShowClip::Output)), TandemixError);
  try {
    thin.ComposePreview(0, 0, 2, 1, 0, 0, Switches(ShowClip::Output));
  } catch (const TandemixError& e) {
    EXPECT_STREQ(e.what(), "The left view is 1 x 5 pixels; it needs at least 2 x 2 to be scaled.");
  }
}

TEST(Compositor, FramesAreNeededAndKeptOnAFailedLoad) {
  PreviewCompositor c;
  EXPECT_FALSE(c.HasFrames());
  EXPECT_THROW(c.ComposePreview(0, 0, 1, 1, 0, 0, Switches(ShowClip::Output)), TandemixError);

  test::TempFolder dir;
  const ref::Image left = ref::Pattern(12, 8, 1), right = ref::Pattern(10, 8, 2);
  ref::ToBitmap(left).SaveToFile(dir.File("left view.bmp"));
  ref::ToBitmap(right).SaveToFile(dir.File("right.bmp"));
  c.LoadFrames(dir.File("left view.bmp"), dir.File("right.bmp"));
  EXPECT_EQ(c.LeftFrame().Width(), 12);
  EXPECT_EQ(ref::FromMatrix(c.RightSource(), 8, 10), right);
  EXPECT_THROW(c.LoadFrames(dir.File("right.bmp"), dir.File("missing.bmp")), TandemixError);
  EXPECT_EQ(c.LeftFrame().Width(), 12);  // the old pair stays
  EXPECT_EQ(ref::FromMatrix(c.LeftSource(), 8, 12), left);
  EXPECT_THROW(c.SetFrames(Bitmap(), ref::ToBitmap(right)), TandemixError);
}

TEST(Compositor, ComposeFromSettingsReadsTheBoxes) {
  const Pair pair{ref::Pattern(30, 20, 11), ref::Pattern(30, 20, 12)};
  PreviewCompositor c = Loaded(pair);
  AlignmentSettings s;
  s.scaleText = "110";
  s.angleRText = "-2";
  s.horizontal.position = 4;
  s.swapViews = true;
  s.previewMode = PreviewMode::Optimised;
  c.ComposeFromSettings(s);
  ref::ComposeInput in;
  in.scaleLeft = 1.1;
  in.angleRight = -2;
  in.shiftH = 4;
  in.swap = true;
  in.mode = static_cast<int>(PreviewMode::Optimised);
  EXPECT_EQ(ref::FromBitmap(c.PreviewImage()), ref::Compose(pair.left, pair.right, in));
  const ref::Image last = ref::FromBitmap(c.PreviewImage());
  s.angleText = "abc";
  try {
    c.ComposeFromSettings(s);
    ADD_FAILURE() << "no conversion error";
  } catch (const TandemixError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid floating point value");
  }
  EXPECT_EQ(ref::FromBitmap(c.PreviewImage()), last);
}

}  // namespace
}  // namespace tandemix
