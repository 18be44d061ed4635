// The still-frame alignment preview: the two captured frames are tilted,
// scaled and laid on a common canvas, the left view displaced against the
// right one, and combined into PreviewImage as one view, a red/cyan,
// optimised or least-squares (Dubois) anaglyph, or a blend. The compositor runs without a window; what
// it asks of the windows goes through PreviewDisplay.
#pragma once

#include <string>

#include "core/AlignmentSettings.h"
#include "core/CompositionPlan.h"
#include "core/Geometry.h"
#include "preview/PixMatrix.h"
#include "preview/PreviewBitmap.h"

namespace tandemix {

// The window-facing effects of a composition.
class PreviewDisplay {
 public:
  virtual ~PreviewDisplay() = default;
  // The preview options (anaglyph, blend) apply only while the output is
  // shown; their group is enabled then and greyed out for a single view.
  virtual void EnablePreviewOptions(bool enabled) = 0;
  // Shows the "Selected frame" window holding a copy of `picture`, sized to it.
  virtual void ShowPicture(const Bitmap& picture) = 0;
  // Shows the adjustment window; the first composition is what opens it.
  virtual void ShowAdjustmentWindow() = 0;
};

// The switches a composition reads besides its six numbers.
struct PreviewSwitches {
  bool autoCrop = false;
  bool swapViews = false;
  ShowClip showClip = ShowClip::Output;            // another value: none chosen
  PreviewMode previewMode = PreviewMode::RedCyan;  // another value: none chosen
};

PreviewSwitches SwitchesFrom(const AlignmentSettings& settings);

// Green gain, blue gain and gamma divisor of the optimised anaglyph.
constexpr int kOptimGreenGain = 115;
constexpr int kOptimBlueGain = 64;
constexpr int kOptimGammaDivisor = 384;

class PreviewCompositor {
 public:
  // `display` may be null (tandemix-cli, tests); it must outlive the compositor.
  explicit PreviewCompositor(PreviewDisplay* display = nullptr) : display_(display) {}

  // "Adjust Clip": loads the two captured frames as LeftFrame and RightFrame
  // and fills LeftSource and RightSource with their pixels. Throws "Cannot
  // open file <path>" or a size message; nothing changes then.
  void LoadFrames(const std::string& leftPath, const std::string& rightPath);
  void SetFrames(Bitmap left, Bitmap right);
  bool HasFrames() const { return !leftFrame_.Empty() && !rightFrame_.Empty(); }

  // Renders the preview from LeftSource and RightSource: tilt (degrees,
  // positive turns clockwise), scale (factors), displacement of the left
  // view, then the combination that `switches` choose, into PreviewImage,
  // and shows it. With no view or mode chosen PreviewImage stays as it was.
  // Values that break the limits (see PlanComposition) throw TandemixError
  // before anything changes, so the last picture stays.
  void ComposePreview(int horizontalShift, int verticalShift, double scaleLeft, double scaleRight, double angleLeft,
                      double angleRight, const PreviewSwitches& switches);

  // Reads the four boxes in the order scale, right scale, tilt, right tilt
  // (a non-number throws its conversion message before anything is drawn),
  // the two bar positions and the switches, then composes.
  void ComposeFromSettings(const AlignmentSettings& settings);

  const Bitmap& PreviewImage() const { return previewImage_; }
  const Bitmap& LeftFrame() const { return leftFrame_; }
  const Bitmap& RightFrame() const { return rightFrame_; }
  const TPixMatrix& LeftSource() const { return leftSource_; }
  const TPixMatrix& RightSource() const { return rightSource_; }
  const TPixMatrix& LeftRotated() const { return leftRotated_; }
  const TPixMatrix& RightRotated() const { return rightRotated_; }
  const TPixMatrix& LeftScaled() const { return leftScaled_; }
  const TPixMatrix& RightScaled() const { return rightScaled_; }
  const TPixMatrix& LeftCanvas() const { return leftCanvas_; }
  const TPixMatrix& RightCanvas() const { return rightCanvas_; }

 private:
  static void TiltAndScale(const TPixMatrix& source, const ViewPlan& plan, TPixMatrix& rotated, TPixMatrix& scaled);
  void Combine(const PreviewSwitches& switches, int width, int height);

  PreviewDisplay* display_;
  Bitmap leftFrame_, rightFrame_, previewImage_;
  TPixMatrix leftSource_, rightSource_;
  TPixMatrix leftRotated_, rightRotated_;
  TPixMatrix leftScaled_, rightScaled_;
  TPixMatrix leftCanvas_, rightCanvas_;
};

}  // namespace tandemix
