// The values with which the user aligns the two views and tunes the user
// sliders. The adjustment window shows and edits them; the generator, the
// alignment emission and the preview compositor read them at the moment of
// use. Box texts are kept as typed and parsed when read, so a number typed
// without pressing Enter already counts, and a non-number fails the reader.
#pragma once

#include <string>

namespace tandemix {

// A scroll bar's range and position. Setting a range clamps the position
// into it without any notification.
struct ScrollRange {
  int minimum = 0;
  int maximum = 0;
  int position = 0;

  void SetPosition(int p);
  // Sets the maximum, then the minimum, then clamps the position.
  void SetRange(int newMinimum, int newMaximum);
};

// The picture the still-frame preview shows, and how it shows the pair.
// The numbers are the radio items' and never change.
enum class ShowClip : int { Left = 0, Right = 1, Output = 2 };
// The Dubois modes are least-squares colour anaglyphs for red-cyan,
// green-magenta and amber-blue glasses.
enum class PreviewMode : int {
  RedCyan = 0,
  Optimised = 1,
  Blend = 2,
  DuboisRedCyan = 3,
  DuboisGreenMagenta = 4,
  DuboisAmberBlue = 5
};

struct AlignmentSettings {
  // Displacement of the left view: the bar position is the value.
  ScrollRange horizontal{-718, 718, 0};
  ScrollRange vertical{-574, 574, 0};

  // Box texts, as typed.
  std::string scaleText = "100";   // Edit_Scale, percent
  std::string scaleRText = "100";  // Edit_ScaleR, percent
  std::string angleText = "0";     // Edit_Angle, degrees
  std::string angleRText = "0";    // Edit_AngleR, degrees
  std::string finalWidthText = "720";
  std::string finalHeightText = "576";

  bool useFinalSize = false;
  bool autoCrop = false;
  bool swapViews = false;
  ShowClip showClip = ShowClip::Output;
  PreviewMode previewMode = PreviewMode::RedCyan;

  double sliderAValue = 0.0;
  double sliderBValue = 0.0;
  double sliderAStep = 1.0;
  double sliderBStep = 1.0;
  double scaleLockRatio = 1.0;
  double angleLockOffset = 0.0;
  int editedSlider = 0;

  // Ticks left before the generator may run again; never negative.
  int regenerateHoldoff = 0;

  // Readers: parse the box texts now. Throw "'<text>' is not a valid
  // floating point value" / "... integer value" on a non-number.
  double ScaleLeftFactor() const;   // Edit_Scale / 100
  double ScaleRightFactor() const;  // Edit_ScaleR / 100
  double AngleLeft() const;
  double AngleRight() const;
  int FinalWidth() const;
  int FinalHeight() const;
  int HorizontalShift() const { return horizontal.position; }
  int VerticalShift() const { return vertical.position; }

  // One tick of the adjustment window's 10 ms timer.
  void TickHoldoff() {
    if (regenerateHoldoff > 0) --regenerateHoldoff;
  }
};

}  // namespace tandemix
