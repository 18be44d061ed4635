#include "preview/Compositor.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>

#include "base/Errors.h"
#include "core/ScriptNumber.h"
#include "preview/DuboisAnaglyph.h"
#include "preview/ImageOps.h"

namespace tandemix {

PreviewSwitches SwitchesFrom(const AlignmentSettings& settings) {
  return PreviewSwitches{settings.autoCrop, settings.swapViews, settings.showClip, settings.previewMode};
}

void PreviewCompositor::LoadFrames(const std::string& leftPath, const std::string& rightPath) {
  Bitmap left, right;
  left.LoadFromFile(leftPath);
  right.LoadFromFile(rightPath);
  SetFrames(std::move(left), std::move(right));
}

void PreviewCompositor::SetFrames(Bitmap left, Bitmap right) {
  CheckPictureSize("The left frame", left.Width(), left.Height());
  CheckPictureSize("The right frame", right.Width(), right.Height());
  TPixMatrix leftSource(left.Height(), left.Width());
  TPixMatrix rightSource(right.Height(), right.Width());
  BitmapToMatrix(left, leftSource, left.Height(), left.Width());
  BitmapToMatrix(right, rightSource, right.Height(), right.Width());
  leftFrame_ = std::move(left);
  rightFrame_ = std::move(right);
  leftSource_ = std::move(leftSource);
  rightSource_ = std::move(rightSource);
}

void PreviewCompositor::TiltAndScale(const TPixMatrix& source, const ViewPlan& plan, TPixMatrix& rotated,
                                     TPixMatrix& scaled) {
  const FrameSize f = plan.frame;
  const FrameSize r = plan.rotated;
  rotated.SetSize(r.height, r.width);
  if (plan.tilted)
    RotateMatrix(source, rotated, f.width / 2, f.height / 2, f.width, f.height, r.height, r.width, r.height / 2,
                 r.width / 2, plan.radians);
  else
    PlaceMatrix(source, rotated, 0, 0, 0, 0, f.height, f.width);
  const FrameSize s = plan.scaledSize;
  scaled.SetSize(s.height, s.width);
  if (plan.scaled)
    ResizeMatrix(rotated, scaled, r.height, r.width, s.height, s.width);
  else
    PlaceMatrix(rotated, scaled, 0, 0, 0, 0, r.height, r.width);
}

void PreviewCompositor::ComposePreview(int horizontalShift, int verticalShift, double scaleLeft, double scaleRight,
                                       double angleLeft, double angleRight, const PreviewSwitches& switches) {
  if (!HasFrames()) throw TandemixError("There is no captured frame to compose.");
  // Every size is settled first: values that break a limit stop here, with
  // the matrices and the last picture untouched.
  const CompositionPlan plan = PlanComposition(
      FrameSize{leftFrame_.Width(), leftFrame_.Height()}, FrameSize{rightFrame_.Width(), rightFrame_.Height()},
      horizontalShift, verticalShift, scaleLeft, scaleRight, angleLeft, angleRight, switches.autoCrop);

  TiltAndScale(leftSource_, plan.left, leftRotated_, leftScaled_);
  TiltAndScale(rightSource_, plan.right, rightRotated_, rightScaled_);

  const int width = plan.canvasWidth;
  const int height = plan.canvasHeight;
  leftCanvas_.SetSize(height, width);
  rightCanvas_.SetSize(height, width);
  const Margins& l = plan.left.canvas;
  const Margins& r = plan.right.canvas;
  PlaceMatrix(leftScaled_, leftCanvas_, l.left, l.top, l.right, l.bottom, plan.left.scaledSize.height,
              plan.left.scaledSize.width);
  PlaceMatrix(rightScaled_, rightCanvas_, r.left, r.top, r.right, r.bottom, plan.right.scaledSize.height,
              plan.right.scaledSize.width);

  Combine(switches, width, height);

  if (display_) {
    display_->ShowPicture(previewImage_);
    display_->ShowAdjustmentWindow();
  }
}

void PreviewCompositor::Combine(const PreviewSwitches& switches, int width, int height) {
  // The swap comes after the displacement: the shift always moves the left
  // source view.
  const TPixMatrix& first = switches.swapViews ? rightCanvas_ : leftCanvas_;
  const TPixMatrix& second = switches.swapViews ? leftCanvas_ : rightCanvas_;
  switch (switches.showClip) {
    case ShowClip::Left:
      if (display_) display_->EnablePreviewOptions(false);
      BlendToBitmap(first, second, previewImage_, width, height, 255);
      return;
    case ShowClip::Right:
      if (display_) display_->EnablePreviewOptions(false);
      BlendToBitmap(first, second, previewImage_, width, height, 0);
      return;
    case ShowClip::Output:
      if (display_) display_->EnablePreviewOptions(true);
      switch (switches.previewMode) {
        case PreviewMode::RedCyan:
          AnaglyphRedCyanToBitmap(first, second, previewImage_, width, height);
          return;
        case PreviewMode::Optimised:
          AnaglyphOptimToBitmap(first, second, previewImage_, width, height, kOptimGreenGain, kOptimBlueGain,
                                kOptimGammaDivisor);
          return;
        case PreviewMode::Blend:
          BlendToBitmap(first, second, previewImage_, width, height, 128);
          return;
        case PreviewMode::DuboisRedCyan:
          AnaglyphDuboisToBitmap(first, second, previewImage_, width, height, DuboisGlasses::RedCyan);
          return;
        case PreviewMode::DuboisGreenMagenta:
          AnaglyphDuboisToBitmap(first, second, previewImage_, width, height, DuboisGlasses::GreenMagenta);
          return;
        case PreviewMode::DuboisAmberBlue:
          AnaglyphDuboisToBitmap(first, second, previewImage_, width, height, DuboisGlasses::AmberBlue);
          return;
        default:
          return;  // no preview option chosen: the last picture stays
      }
    default:
      return;  // no view chosen: the last picture stays
  }
}

void PreviewCompositor::ComposeFromSettings(const AlignmentSettings& settings) {
  const double scaleLeft = settings.ScaleLeftFactor();
  const double scaleRight = settings.ScaleRightFactor();
  const double angleLeft = settings.AngleLeft();
  const double angleRight = settings.AngleRight();
  ComposePreview(settings.HorizontalShift(), settings.VerticalShift(), scaleLeft, scaleRight, angleLeft, angleRight,
                 SwitchesFrom(settings));
}

}  // namespace tandemix
