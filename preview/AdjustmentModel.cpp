#include "preview/AdjustmentModel.h"

#include <algorithm>
#include <cmath>

#include "base/Errors.h"
#include "core/EditNumber.h"
#include "core/Geometry.h"

namespace tandemix {
namespace {

void SetClamped(ScrollRange& bar, int position) { bar.SetPosition(position); }

// round(value) for a bar position, saturated so that a wild number typed
// into a box still lands at the bar's end.
int PositionOf(double value) { return RoundHalfEven(value); }

}  // namespace

double ScaleFromPosition(int position) { return position / 10.0 + 100.0; }
int PositionFromScale(double percent) { return PositionOf(10.0 * percent - 1000.0); }
double AngleFromPosition(int position) { return position / 10.0; }
int PositionFromAngle(double degrees) { return PositionOf(10.0 * degrees); }

AdjustmentModel::AdjustmentModel(AlignmentSettings& settings, AdjustmentHost& host) : settings_(settings), host_(host) {
  sliderA.caption = "SliderA";
  sliderB.caption = "SliderB";
}

void AdjustmentModel::Displacement(ScrollRange& bar, std::string& text, int position, bool endOfScroll) {
  SetClamped(bar, position);
  text = std::to_string(bar.position);
  if (endOfScroll) host_.RefreshPreview();
}

void AdjustmentModel::HorizontalScroll(int p, bool end) { Displacement(settings_.horizontal, horizontalText, p, end); }
void AdjustmentModel::VerticalScroll(int p, bool end) { Displacement(settings_.vertical, verticalText, p, end); }

// A value set on one side of a lock: write it into its own box and bar,
// then the partner's value into the partner's box and bar.
void AdjustmentModel::ScaleLinked(bool fromLeft, double value) {
  if (!lockScale) return;
  const double partner = fromLeft ? value * settings_.scaleLockRatio : value / settings_.scaleLockRatio;
  (fromLeft ? settings_.scaleRText : settings_.scaleText) = FormatEditReal(partner);
  SetClamped(fromLeft ? resizeR : resize, PositionFromScale(partner));
}

void AdjustmentModel::AngleLinked(bool fromLeft, double value) {
  if (!lockAngle) return;
  const double partner = fromLeft ? value + settings_.angleLockOffset : value - settings_.angleLockOffset;
  (fromLeft ? settings_.angleRText : settings_.angleText) = FormatEditReal(partner);
  SetClamped(fromLeft ? rotationR : rotation, PositionFromAngle(partner));
}

// A scale or tilt bar moved: its box shows the value; a lock carries it to
// the partner.
void AdjustmentModel::ScaleOrTiltScroll(ScrollRange& bar, int position, bool end, bool scale, bool left) {
  SetClamped(bar, position);
  const double v = scale ? ScaleFromPosition(bar.position) : AngleFromPosition(bar.position);
  std::string& text =
      scale ? (left ? settings_.scaleText : settings_.scaleRText) : (left ? settings_.angleText : settings_.angleRText);
  text = FormatEditReal(v);
  if (scale) {
    ScaleLinked(left, v);
  } else {
    AngleLinked(left, v);
  }
  if (end) host_.RefreshPreview();
}

void AdjustmentModel::ResizeScroll(int p, bool end) { ScaleOrTiltScroll(resize, p, end, true, true); }
void AdjustmentModel::ResizeRScroll(int p, bool end) { ScaleOrTiltScroll(resizeR, p, end, true, false); }
void AdjustmentModel::RotationScroll(int p, bool end) { ScaleOrTiltScroll(rotation, p, end, false, true); }
void AdjustmentModel::RotationRScroll(int p, bool end) { ScaleOrTiltScroll(rotationR, p, end, false, false); }

void AdjustmentModel::UserSliderScroll(int which, int p, bool end) {
  UserSlider& s = Slider(which);
  SetClamped(s.bar, p);
  double& value = which == 0 ? settings_.sliderAValue : settings_.sliderBValue;
  const double step = which == 0 ? settings_.sliderAStep : settings_.sliderBStep;
  value = s.bar.position * step;
  s.editText = FormatEditReal(value);
  // The values reach the scripts at the next regeneration; the render shows
  // the same picture.
  if (end) host_.RefreshPreview();
}

void AdjustmentModel::SliderAScroll(int p, bool end) { UserSliderScroll(0, p, end); }
void AdjustmentModel::SliderBScroll(int p, bool end) { UserSliderScroll(1, p, end); }

void AdjustmentModel::HorizontalEnter() {
  SetClamped(settings_.horizontal, PositionOf(ParseEditReal(horizontalText)));
  host_.RefreshPreview();
}

void AdjustmentModel::VerticalEnter() {
  SetClamped(settings_.vertical, PositionOf(ParseEditReal(verticalText)));
  host_.RefreshPreview();
}

void AdjustmentModel::ScaleEnter() {
  const double v = ParseEditReal(settings_.scaleText);
  SetClamped(resize, PositionFromScale(v));
  ScaleLinked(true, v);
  host_.RefreshPreview();
}

void AdjustmentModel::ScaleREnter() {
  const double v = ParseEditReal(settings_.scaleRText);
  SetClamped(resizeR, PositionFromScale(v));
  ScaleLinked(false, v);
  host_.RefreshPreview();
}

void AdjustmentModel::AngleEnter() {
  const double v = ParseEditReal(settings_.angleText);
  SetClamped(rotation, PositionFromAngle(v));
  AngleLinked(true, v);
  host_.RefreshPreview();
}

void AdjustmentModel::AngleREnter() {
  const double v = ParseEditReal(settings_.angleRText);
  SetClamped(rotationR, PositionFromAngle(v));
  AngleLinked(false, v);
  host_.RefreshPreview();
}

void AdjustmentModel::FinalSizeEnter() { host_.RefreshPreview(); }

void AdjustmentModel::ApplyProposal(const AlignmentProposal& p) {
  settings_.scaleText = FormatEditReal(p.scaleLeft);
  settings_.scaleRText = FormatEditReal(p.scaleRight);
  settings_.angleText = FormatEditReal(p.angleLeft);
  settings_.angleRText = FormatEditReal(p.angleRight);
  SetClamped(resize, PositionFromScale(p.scaleLeft));
  SetClamped(resizeR, PositionFromScale(p.scaleRight));
  SetClamped(rotation, PositionFromAngle(p.angleLeft));
  SetClamped(rotationR, PositionFromAngle(p.angleRight));
  if (lockScale) settings_.scaleLockRatio = p.scaleRight / p.scaleLeft;
  if (lockAngle) settings_.angleLockOffset = p.angleRight - p.angleLeft;
  SetClamped(settings_.horizontal, p.shiftH);
  SetClamped(settings_.vertical, p.shiftV);
  horizontalText = std::to_string(settings_.horizontal.position);
  verticalText = std::to_string(settings_.vertical.position);
  host_.RefreshPreview();
}

void AdjustmentModel::FollowSettings() {
  const auto follow = [](ScrollRange& bar, const std::string& text, int (*position)(double)) {
    try {
      SetClamped(bar, position(ParseEditReal(text)));
    } catch (const TandemixError&) {
      // A box that holds no number keeps its bar; reading it says why.
    }
  };
  follow(resize, settings_.scaleText, PositionFromScale);
  follow(resizeR, settings_.scaleRText, PositionFromScale);
  follow(rotation, settings_.angleText, PositionFromAngle);
  follow(rotationR, settings_.angleRText, PositionFromAngle);
  horizontalText = std::to_string(settings_.horizontal.position);
  verticalText = std::to_string(settings_.vertical.position);
  const double values[2] = {settings_.sliderAValue, settings_.sliderBValue};
  const double steps[2] = {settings_.sliderAStep, settings_.sliderBStep};
  for (int which = 0; which < 2; ++which) {
    UserSlider& s = Slider(which);
    if (steps[which] != 0.0) SetClamped(s.bar, PositionOf(values[which] / steps[which]));
    s.editText = FormatEditReal(values[which]);
  }
  lockScale = false;
  lockAngle = false;
  autoAlignStatus.clear();
}

void AdjustmentModel::SetLockScale(bool on) {
  if (on == lockScale) return;
  if (on) {
    const double right = ParseEditReal(settings_.scaleRText);
    const double left = ParseEditReal(settings_.scaleText);
    if (left == 0.0)
      throw TandemixError(
          "The left scale is 0 %, so the right scale cannot be locked to it. "
          "Set a left scale other than 0 first.");
    settings_.scaleLockRatio = right / left;
  }
  lockScale = on;
}

void AdjustmentModel::SetLockAngle(bool on) {
  if (on == lockAngle) return;
  if (on) settings_.angleLockOffset = ParseEditReal(settings_.angleRText) - ParseEditReal(settings_.angleText);
  lockAngle = on;
}

void AdjustmentModel::SetAutoCrop(bool on) {
  if (on == settings_.autoCrop) return;
  settings_.autoCrop = on;
  host_.RequestRegeneration();
}

void AdjustmentModel::SetUseFinalSize(bool on) {
  if (on == settings_.useFinalSize) return;
  settings_.useFinalSize = on;
  host_.RequestRegeneration();
}

void AdjustmentModel::SetSwap(bool on) {
  if (on == settings_.swapViews) return;
  settings_.swapViews = on;
  host_.RefreshPreview();
}

void AdjustmentModel::SetShowClip(ShowClip item) {
  if (item == settings_.showClip) return;
  settings_.showClip = item;
  host_.RefreshPreview();
}

void AdjustmentModel::SetPreviewMode(PreviewMode item) {
  if (item == settings_.previewMode) return;
  settings_.previewMode = item;
  host_.RefreshPreview();
}

void AdjustmentModel::ApplyToClip() { host_.RequestRegeneration(); }

void AdjustmentModel::ResetAll() {
  autoAlignStatus.clear();
  resize.SetPosition(0);
  resizeR.SetPosition(0);
  rotation.SetPosition(0);
  rotationR.SetPosition(0);
  settings_.scaleLockRatio = 1.0;
  settings_.angleLockOffset = 0.0;
  for (UserSlider* s : {&sliderA, &sliderB}) s->bar = {-100, 100, 0};
  settings_.sliderAValue = 0.0;
  settings_.sliderBValue = 0.0;
  settings_.horizontal.SetPosition(0);
  settings_.vertical.SetPosition(0);
  settings_.scaleText = "100";
  settings_.scaleRText = "100";
  settings_.angleText = "0";
  settings_.angleRText = "0";
  sliderA.editText = "0";
  sliderB.editText = "0";
  horizontalText = "0";
  verticalText = "0";
  settings_.finalWidthText = "720";
  settings_.finalHeightText = "576";
  SetLockScale(false);
  SetLockAngle(false);
  SetAutoCrop(false);
  SetUseFinalSize(false);
  SetSwap(false);
  SetShowClip(ShowClip::Output);
  SetPreviewMode(PreviewMode::RedCyan);
  host_.RefreshPreview();
}

}  // namespace tandemix
