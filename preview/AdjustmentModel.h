// The adjustment window's behaviour without the window: the bars beside the
// scale, tilt, displacement and user-slider boxes, the two locks, Enter in
// the boxes, the switches and Reset All. The alignment values themselves
// live in AlignmentSettings; this model keeps the bars and the box texts
// that only mirror them.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "analysis/AutoAlign.h"
#include "analysis/DepthBudget.h"
#include "core/AlignmentSettings.h"
#include "core/EditNumber.h"

namespace tandemix {

// What the model asks of its surroundings.
class AdjustmentHost {
 public:
  virtual ~AdjustmentHost() = default;
  // Renders the still-frame preview from the current values; may throw
  // TandemixError (a box holding a non-number).
  virtual void RefreshPreview() = 0;
  // Asks the script generator for a regeneration (the hold-off may drop it).
  virtual void RequestRegeneration() = 0;
  // A bar is being dragged: a picture of the current values, rendered
  // without holding up the window (the newest one only). The end of the
  // drag renders with RefreshPreview as before.
  virtual void PreviewWhileDragging() {}
  // The depth limits were changed in the window: the program keeps them.
  virtual void DepthLimitsChanged(const DepthLimits& limits) { (void)limits; }
};

// A user slider: its bar, steps, box text and label caption.
struct UserSlider {
  ScrollRange bar{-100, 100, 0};
  int largeStep = 10;
  int smallStep = 1;
  std::string editText = "0";
  std::string caption;
};

// Bar/value mappings. Positions computed from values are clamped to the
// receiving bar's range by the caller.
double ScaleFromPosition(int position);  // p / 10 + 100, percent
int PositionFromScale(double percent);   // round(10 v - 1000)
double AngleFromPosition(int position);  // p / 10, degrees
int PositionFromAngle(double degrees);   // round(10 v)

// The final-size boxes take whole numbers in this range; a number beyond it
// is brought to its end.
constexpr int kMinFinalSize = 8;
constexpr int kMaxFinalSize = 8192;

// The number boxes whose texts the model guards: each returns to its last
// good value when it is found to hold something other than a number.
enum class NumberBox : int { Horizontal, Vertical, Scale, ScaleR, Angle, AngleR, FinalWidth, FinalHeight };
constexpr int kNumberBoxes = 8;

// The depth of the scene as the window shows it: the report, and the
// parallax counted into bins over [low, high] (canvas pixels), a range that
// holds the near and far ends and both limits.
struct DepthView {
  DepthReport report;
  std::vector<int> bins;
  double low = 0.0;
  double high = 0.0;
};
constexpr int kDepthBins = 48;

class AdjustmentModel {
 public:
  AdjustmentModel(AlignmentSettings& settings, AdjustmentHost& host);

  AlignmentSettings& Settings() { return settings_; }

  // Bars of the scale and tilt boxes: only a way to set the number.
  ScrollRange resize{-900, 1100, 0};
  ScrollRange resizeR{-900, 1100, 0};
  ScrollRange rotation{-1000, 1000, 0};
  ScrollRange rotationR{-900, 900, 0};
  // Boxes that mirror the displacement bars.
  std::string horizontalText = "0";
  std::string verticalText = "0";
  UserSlider sliderA;
  UserSlider sliderB;
  bool lockScale = false;
  bool lockAngle = false;
  // What the last "Auto align" found, or why it failed; empty when nothing
  // stands (at start, after Reset All, after new clips).
  std::string autoAlignStatus;
  // The depth after "Auto align": its matches measured on the alignment
  // the boxes and bars hold at each render (a box holding a non-number
  // leaves it as it was). None before, and gone with the status.
  std::optional<DepthView> depth;
  // The limits the depth is held to (the program's settings), and the
  // boxes that edit two of them: the screen width in metres and the near
  // budget in percent of the width.
  DepthLimits depthLimits;
  std::string screenWidthText = FormatEditReal(kDefaultScreenWidthMetres);
  std::string nearBudgetText = FormatEditReal(kDefaultNearBudgetPercent);

  // Scroll notifications: the boxes follow every one; the end of a scroll
  // renders, and the moves of a drag of the displacement, scale and tilt
  // bars ask for a picture while dragging (the user sliders change no
  // picture).
  void HorizontalScroll(int position, bool endOfScroll);
  void VerticalScroll(int position, bool endOfScroll);
  void ResizeScroll(int position, bool endOfScroll);
  void ResizeRScroll(int position, bool endOfScroll);
  void RotationScroll(int position, bool endOfScroll);
  void RotationRScroll(int position, bool endOfScroll);
  void SliderAScroll(int position, bool endOfScroll);
  void SliderBScroll(int position, bool endOfScroll);

  // Enter in a box. A number beyond the bar's range is brought to the bar's
  // end, and the box shows the number taken (the displacement boxes the bar
  // position). A non-number puts the box back to its last good value and
  // throws "'<text>' is not a valid floating point value" (integer value
  // for the final size); what was changed before stands.
  void HorizontalEnter();
  void VerticalEnter();
  void ScaleEnter();
  void ScaleREnter();
  void AngleEnter();
  void AngleREnter();
  void FinalSizeEnter();
  // The box lost the focus: a non-number in it is refused as by Enter; a
  // number stays as typed (readers take it as it is).
  void LeaveBox(NumberBox box);

  // Switches. Each runs only when the state changes.
  // Locking the scale when the left scale is 0 throws and leaves it off.
  void SetLockScale(bool on);
  void SetLockAngle(bool on);
  void SetAutoCrop(bool on);
  void SetUseFinalSize(bool on);
  void SetSwap(bool on);
  void SetShowClip(ShowClip item);
  void SetPreviewMode(PreviewMode item);

  void ApplyToClip();
  void ResetAll();
  // "Auto align": puts a proposal into the scale, tilt and displacement
  // boxes and bars (a lock keeps the new pair's ratio or difference), then
  // renders.
  void ApplyProposal(const AlignmentProposal& proposal);
  // The settings changed outside the window (new clips, an opened
  // project): the bars and mirror boxes follow them, the locks open and the
  // auto-align status goes, since it spoke of another alignment. A box
  // holding a non-number leaves its bar where it is.
  void FollowSettings();
  // The depth goes (new frames, Reset All, new settings).
  void ForgetDepth();
  // The program's limits (its settings): the boxes show them and the depth
  // is measured against them. Throws, changing nothing, when one is out of
  // reason.
  void SetDepthLimits(const DepthLimits& limits);
  // Enter in a depth box (or leaving it): the two boxes, when numbers
  // within reason (screen 0.1 to 100 m, near budget above 0 and at most
  // 50 %), become the limits, the depth is measured again and the host is
  // told. Otherwise both boxes show the limits again and the reason is
  // thrown ("'x' is not a valid floating point value", "The screen width
  // must be between 0.1 and 100 m."). Unchanged numbers tell nobody.
  void DepthLimitsEnter();

  UserSlider& Slider(int which) { return which == 0 ? sliderA : sliderB; }

  // The text of a guarded box, and the value it returns to.
  std::string& Text(NumberBox box);
  const std::string& LastGood(NumberBox box) const { return good_[static_cast<int>(box)]; }
  // Every guarded box that holds no number gets its last good value back;
  // true when one did. Any failure of a handler ends with this.
  bool RefuseNonNumbers();
  // The boxes that hold numbers now are what they return to later.
  void RememberGoodValues();

 private:
  void ScaleOrTiltScroll(ScrollRange& bar, int position, bool end, bool scale, bool left);
  void ScaleLinked(bool fromLeft, double value);
  void AngleLinked(bool fromLeft, double value);
  void Displacement(ScrollRange& bar, std::string& text, int position, bool endOfScroll);
  void UserSliderScroll(int which, int position, bool endOfScroll);
  // Writes a box and makes it the value the box returns to.
  void Put(NumberBox box, std::string text);
  // Parses a box for its Enter; a non-number is refused.
  double Accept(NumberBox box);
  // Renders; a failure refuses the non-numbers left in boxes, a success
  // makes every box's number a good value.
  void Render();
  // A bar moved during a drag.
  void Dragged();
  // The depth of the last proposal's matches on the current alignment.
  void MeasureDepthNow();

  AlignmentSettings& settings_;
  AlignmentProposal depthSource_;
  AdjustmentHost& host_;
  std::array<std::string, kNumberBoxes> good_;
};

}  // namespace tandemix
