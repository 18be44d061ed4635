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
  for (int box = 0; box < kNumberBoxes; ++box) good_[box] = Text(static_cast<NumberBox>(box));
}

std::string& AdjustmentModel::Text(NumberBox box) {
  switch (box) {
    case NumberBox::Horizontal:
      return horizontalText;
    case NumberBox::Vertical:
      return verticalText;
    case NumberBox::Scale:
      return settings_.scaleText;
    case NumberBox::ScaleR:
      return settings_.scaleRText;
    case NumberBox::Angle:
      return settings_.angleText;
    case NumberBox::AngleR:
      return settings_.angleRText;
    case NumberBox::FinalWidth:
      return settings_.finalWidthText;
    case NumberBox::FinalHeight:
      break;
  }
  return settings_.finalHeightText;
}

namespace {

bool IsFinalSize(NumberBox box) { return box == NumberBox::FinalWidth || box == NumberBox::FinalHeight; }

// Whether the box's text reads as its kind of number.
bool HoldsNumber(NumberBox box, const std::string& text) {
  try {
    if (IsFinalSize(box)) {
      ParseEditInteger(text);
    } else {
      ParseEditReal(text);
    }
    return true;
  } catch (const TandemixError&) {
    return false;
  }
}

}  // namespace

bool AdjustmentModel::RefuseNonNumbers() {
  bool refused = false;
  for (int box = 0; box < kNumberBoxes; ++box) {
    std::string& text = Text(static_cast<NumberBox>(box));
    if (HoldsNumber(static_cast<NumberBox>(box), text)) continue;
    text = good_[box];
    refused = true;
  }
  return refused;
}

void AdjustmentModel::RememberGoodValues() {
  for (int box = 0; box < kNumberBoxes; ++box) {
    const std::string& text = Text(static_cast<NumberBox>(box));
    if (HoldsNumber(static_cast<NumberBox>(box), text)) good_[box] = text;
  }
}

void AdjustmentModel::Put(NumberBox box, std::string text) {
  good_[static_cast<int>(box)] = text;
  Text(box) = std::move(text);
}

double AdjustmentModel::Accept(NumberBox box) {
  try {
    return ParseEditReal(Text(box));
  } catch (const TandemixError&) {
    RefuseNonNumbers();
    throw;
  }
}

void AdjustmentModel::Render() {
  try {
    host_.RefreshPreview();
  } catch (const TandemixError&) {
    RefuseNonNumbers();
    throw;
  }
  RememberGoodValues();
  MeasureDepthNow();
}

void AdjustmentModel::Dragged() {
  host_.PreviewWhileDragging();
  // The histogram follows the bar too; it costs little.
  MeasureDepthNow();
}

void AdjustmentModel::MeasureDepthNow() {
  if (depthSource_.inliers.empty()) return;
  ViewAlignment values;
  try {
    values.scaleLeft = ParseEditReal(settings_.scaleText);
    values.scaleRight = ParseEditReal(settings_.scaleRText);
    values.angleLeft = ParseEditReal(settings_.angleText);
    values.angleRight = ParseEditReal(settings_.angleRText);
    values.shiftH = settings_.horizontal.position;
    values.shiftV = settings_.vertical.position;
    values.autoCrop = settings_.autoCrop;
    values.swapViews = settings_.swapViews;
    CanvasViews views;
    const auto points =
        PlaceOnCanvas(depthSource_.inliers, depthSource_.leftFrame, depthSource_.rightFrame, values, views);
    DepthView view;
    view.report = MeasureDepth(points, views, depthLimits);
    const DepthReport& r = view.report;
    const double low = std::min(r.nearPx, -r.nearLimitPx), high = std::max(r.farPx, r.farLimitPx);
    const double margin = std::max(2.0, 0.08 * (high - low));
    view.low = low - margin;
    view.high = high + margin;
    view.bins = ParallaxHistogram(points, view.low, view.high, kDepthBins);
    depth = std::move(view);
  } catch (const TandemixError&) {
    // Values the compositor refuses have said so already; the last depth stays.
  }
}

void AdjustmentModel::Displacement(ScrollRange& bar, std::string& text, int position, bool endOfScroll) {
  SetClamped(bar, position);
  Put(&text == &horizontalText ? NumberBox::Horizontal : NumberBox::Vertical, std::to_string(bar.position));
  if (endOfScroll) {
    Render();
  } else {
    Dragged();
  }
}

void AdjustmentModel::HorizontalScroll(int p, bool end) { Displacement(settings_.horizontal, horizontalText, p, end); }
void AdjustmentModel::VerticalScroll(int p, bool end) { Displacement(settings_.vertical, verticalText, p, end); }

// A value set on one side of a lock: write it into its own box and bar,
// then the partner's value into the partner's box and bar; the partner's
// value, too, stays within its bar's range.
void AdjustmentModel::ScaleLinked(bool fromLeft, double value) {
  if (!lockScale) return;
  ScrollRange& bar = fromLeft ? resizeR : resize;
  const double partner = std::clamp(fromLeft ? value * settings_.scaleLockRatio : value / settings_.scaleLockRatio,
                                    ScaleFromPosition(bar.minimum), ScaleFromPosition(bar.maximum));
  Put(fromLeft ? NumberBox::ScaleR : NumberBox::Scale, FormatEditReal(partner));
  SetClamped(bar, PositionFromScale(partner));
}

void AdjustmentModel::AngleLinked(bool fromLeft, double value) {
  if (!lockAngle) return;
  ScrollRange& bar = fromLeft ? rotationR : rotation;
  const double partner = std::clamp(fromLeft ? value + settings_.angleLockOffset : value - settings_.angleLockOffset,
                                    AngleFromPosition(bar.minimum), AngleFromPosition(bar.maximum));
  Put(fromLeft ? NumberBox::AngleR : NumberBox::Angle, FormatEditReal(partner));
  SetClamped(bar, PositionFromAngle(partner));
}

// A scale or tilt bar moved: its box shows the value; a lock carries it to
// the partner.
void AdjustmentModel::ScaleOrTiltScroll(ScrollRange& bar, int position, bool end, bool scale, bool left) {
  SetClamped(bar, position);
  const double v = scale ? ScaleFromPosition(bar.position) : AngleFromPosition(bar.position);
  Put(scale ? (left ? NumberBox::Scale : NumberBox::ScaleR) : (left ? NumberBox::Angle : NumberBox::AngleR),
      FormatEditReal(v));
  if (scale) {
    ScaleLinked(left, v);
  } else {
    AngleLinked(left, v);
  }
  if (end) {
    Render();
  } else {
    Dragged();
  }
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
  if (end) Render();
}

void AdjustmentModel::SliderAScroll(int p, bool end) { UserSliderScroll(0, p, end); }
void AdjustmentModel::SliderBScroll(int p, bool end) { UserSliderScroll(1, p, end); }

void AdjustmentModel::HorizontalEnter() {
  SetClamped(settings_.horizontal, PositionOf(Accept(NumberBox::Horizontal)));
  Put(NumberBox::Horizontal, std::to_string(settings_.horizontal.position));
  Render();
}

void AdjustmentModel::VerticalEnter() {
  SetClamped(settings_.vertical, PositionOf(Accept(NumberBox::Vertical)));
  Put(NumberBox::Vertical, std::to_string(settings_.vertical.position));
  Render();
}

namespace {

// The typed number within [low, high]; the box shows the number taken,
// as typed when it was in range.
double Within(std::string& text, double typed, double low, double high) {
  const double taken = std::clamp(typed, low, high);
  if (taken != typed) text = FormatEditReal(taken);
  return taken;
}

}  // namespace

void AdjustmentModel::ScaleEnter() {
  std::string text = Text(NumberBox::Scale);
  const double v =
      Within(text, Accept(NumberBox::Scale), ScaleFromPosition(resize.minimum), ScaleFromPosition(resize.maximum));
  Put(NumberBox::Scale, text);
  SetClamped(resize, PositionFromScale(v));
  ScaleLinked(true, v);
  Render();
}

void AdjustmentModel::ScaleREnter() {
  std::string text = Text(NumberBox::ScaleR);
  const double v =
      Within(text, Accept(NumberBox::ScaleR), ScaleFromPosition(resizeR.minimum), ScaleFromPosition(resizeR.maximum));
  Put(NumberBox::ScaleR, text);
  SetClamped(resizeR, PositionFromScale(v));
  ScaleLinked(false, v);
  Render();
}

void AdjustmentModel::AngleEnter() {
  std::string text = Text(NumberBox::Angle);
  const double v =
      Within(text, Accept(NumberBox::Angle), AngleFromPosition(rotation.minimum), AngleFromPosition(rotation.maximum));
  Put(NumberBox::Angle, text);
  SetClamped(rotation, PositionFromAngle(v));
  AngleLinked(true, v);
  Render();
}

void AdjustmentModel::AngleREnter() {
  std::string text = Text(NumberBox::AngleR);
  const double v = Within(text, Accept(NumberBox::AngleR), AngleFromPosition(rotationR.minimum),
                          AngleFromPosition(rotationR.maximum));
  Put(NumberBox::AngleR, text);
  SetClamped(rotationR, PositionFromAngle(v));
  AngleLinked(false, v);
  Render();
}

// Both final-size boxes are read, so Enter in one refuses a non-number
// left in the other too.
void AdjustmentModel::FinalSizeEnter() {
  for (NumberBox box : {NumberBox::FinalWidth, NumberBox::FinalHeight}) {
    int value = 0;
    try {
      value = ParseEditInteger(Text(box));
    } catch (const TandemixError&) {
      RefuseNonNumbers();
      throw;
    }
    const int taken = std::clamp(value, kMinFinalSize, kMaxFinalSize);
    Put(box, taken == value ? Text(box) : std::to_string(taken));
  }
  Render();
}

void AdjustmentModel::LeaveBox(NumberBox box) {
  if (HoldsNumber(box, Text(box))) return;
  const std::string typed = Text(box);
  RefuseNonNumbers();
  throw IsFinalSize(box) ? NotValidInteger(typed) : NotValidFloat(typed);
}

void AdjustmentModel::ApplyProposal(const AlignmentProposal& p) {
  const auto scale = [](const ScrollRange& bar, double v) {
    return std::clamp(v, ScaleFromPosition(bar.minimum), ScaleFromPosition(bar.maximum));
  };
  const auto angle = [](const ScrollRange& bar, double v) {
    return std::clamp(v, AngleFromPosition(bar.minimum), AngleFromPosition(bar.maximum));
  };
  const double scaleLeft = scale(resize, p.scaleLeft);
  const double scaleRight = scale(resizeR, p.scaleRight);
  const double angleLeft = angle(rotation, p.angleLeft);
  const double angleRight = angle(rotationR, p.angleRight);
  Put(NumberBox::Scale, FormatEditReal(scaleLeft));
  Put(NumberBox::ScaleR, FormatEditReal(scaleRight));
  Put(NumberBox::Angle, FormatEditReal(angleLeft));
  Put(NumberBox::AngleR, FormatEditReal(angleRight));
  SetClamped(resize, PositionFromScale(scaleLeft));
  SetClamped(resizeR, PositionFromScale(scaleRight));
  SetClamped(rotation, PositionFromAngle(angleLeft));
  SetClamped(rotationR, PositionFromAngle(angleRight));
  if (lockScale) settings_.scaleLockRatio = scaleRight / scaleLeft;
  if (lockAngle) settings_.angleLockOffset = angleRight - angleLeft;
  SetClamped(settings_.horizontal, p.shiftH);
  SetClamped(settings_.vertical, p.shiftV);
  Put(NumberBox::Horizontal, std::to_string(settings_.horizontal.position));
  Put(NumberBox::Vertical, std::to_string(settings_.vertical.position));
  depthSource_ = p;
  depth.reset();
  Render();
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
  ForgetDepth();
  RememberGoodValues();
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
  Render();
}

void AdjustmentModel::SetShowClip(ShowClip item) {
  if (item == settings_.showClip) return;
  settings_.showClip = item;
  Render();
}

void AdjustmentModel::SetPreviewMode(PreviewMode item) {
  if (item == settings_.previewMode) return;
  settings_.previewMode = item;
  Render();
}

void AdjustmentModel::ApplyToClip() { host_.RequestRegeneration(); }

void AdjustmentModel::ForgetDepth() {
  depth.reset();
  depthSource_ = AlignmentProposal{};
}

void AdjustmentModel::SetDepthLimits(const DepthLimits& limits) {
  CheckDepthLimits(limits);
  depthLimits = limits;
  screenWidthText = FormatEditReal(limits.screenWidthMetres);
  nearBudgetText = FormatEditReal(limits.nearComfortPercent);
  MeasureDepthNow();
}

void AdjustmentModel::DepthLimitsEnter() {
  DepthLimits typed = depthLimits;
  try {
    typed.screenWidthMetres = ParseEditReal(screenWidthText);
    typed.nearComfortPercent = ParseEditReal(nearBudgetText);
    CheckDepthLimits(typed);
  } catch (const TandemixError&) {
    screenWidthText = FormatEditReal(depthLimits.screenWidthMetres);
    nearBudgetText = FormatEditReal(depthLimits.nearComfortPercent);
    throw;
  }
  if (typed.screenWidthMetres == depthLimits.screenWidthMetres &&
      typed.nearComfortPercent == depthLimits.nearComfortPercent)
    return;
  depthLimits = typed;
  MeasureDepthNow();
  host_.DepthLimitsChanged(depthLimits);
}

void AdjustmentModel::ResetAll() {
  autoAlignStatus.clear();
  ForgetDepth();
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
  Render();
}

}  // namespace tandemix
