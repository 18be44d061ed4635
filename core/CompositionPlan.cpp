#include "core/CompositionPlan.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "base/Errors.h"
#include "core/ScriptNumber.h"

namespace tandemix {
namespace {

std::int64_t PositivePart(std::int64_t x) { return x < 0 ? 0 : x; }

std::string SizeText(FrameSize s) { return std::to_string(s.width) + " x " + std::to_string(s.height); }

ViewPlan PlanView(const char* name, FrameSize frame, double scale, double angle, bool autoCrop) {
  const std::string view = std::string("the ") + name + " view";
  if (!std::isfinite(angle)) throw TandemixError("The tilt of " + view + " is not a finite number.");
  if (!std::isfinite(scale)) throw TandemixError("The scale of " + view + " is not a finite number.");
  ViewPlan plan;
  plan.frame = frame;
  plan.rotated = frame;
  // Exact comparisons: any tilt, however small, is applied.
  if (angle != 0.0) {
    plan.tilted = true;
    plan.radians = -angle * kDegreesToRadians;  // positive tilts turn clockwise on screen
    plan.rotated = RotatedFrameSize(frame.width, frame.height, plan.radians, autoCrop);
    CheckPictureSize(("The " + std::string(name) + " view after tilting").c_str(), plan.rotated.width,
                     plan.rotated.height);
  }
  plan.scaledSize = plan.rotated;
  if (scale != 1.0) {
    plan.scaled = true;
    if (scale <= 0.0)
      throw TandemixError("The scale of " + view + " must be above 0 %; it is " + FormatScriptNumber(scale * 100.0) +
                          " %.");
    if (plan.rotated.width < 2 || plan.rotated.height < 2)
      throw TandemixError("The " + std::string(name) + " view is " + SizeText(plan.rotated) +
                          " pixels; it needs at least 2 x 2 to be scaled.");
    plan.scaledSize = FrameSize{RoundHalfEven(plan.rotated.width * scale), RoundHalfEven(plan.rotated.height * scale)};
    CheckPictureSize(("The " + std::string(name) + " view after scaling").c_str(), plan.scaledSize.width,
                     plan.scaledSize.height);
  }
  return plan;
}

}  // namespace

CompositionPlan PlanComposition(FrameSize leftFrame, FrameSize rightFrame, int horizontalShift, int verticalShift,
                                double scaleLeft, double scaleRight, double angleLeft, double angleRight,
                                bool autoCrop) {
  CheckPictureSize("The left frame", leftFrame.width, leftFrame.height);
  CheckPictureSize("The right frame", rightFrame.width, rightFrame.height);
  CompositionPlan plan;
  plan.left = PlanView("left", leftFrame, scaleLeft, angleLeft, autoCrop);
  plan.right = PlanView("right", rightFrame, scaleRight, angleRight, autoCrop);

  // Centre the left view on the right one, then move it by the shifts. The
  // canvas is the bounding box of both; 64 bits, since shifts are arbitrary.
  const std::int64_t w1 = plan.left.scaledSize.width, h1 = plan.left.scaledSize.height;
  const std::int64_t dW = plan.right.scaledSize.width - w1;
  const std::int64_t dH = plan.right.scaledSize.height - h1;
  const std::int64_t hW = dW / 2, hH = dH / 2;  // truncated toward zero
  const std::int64_t padL = hW + horizontalShift;
  const std::int64_t padR = (dW - hW) - horizontalShift;
  const std::int64_t padT = hH + verticalShift;
  const std::int64_t padB = (dH - hH) - verticalShift;
  const std::int64_t canvasWidth = PositivePart(padL) + w1 + PositivePart(padR);
  const std::int64_t canvasHeight = PositivePart(padT) + h1 + PositivePart(padB);
  CheckPictureSize("The preview canvas", canvasWidth, canvasHeight);
  plan.canvasWidth = static_cast<int>(canvasWidth);
  plan.canvasHeight = static_cast<int>(canvasHeight);
  // With the canvas within limits every margin below fits an int.
  plan.left.canvas = Margins{static_cast<int>(PositivePart(padL)), static_cast<int>(PositivePart(padT)),
                             static_cast<int>(PositivePart(padR)), static_cast<int>(PositivePart(padB))};
  plan.right.canvas = Margins{static_cast<int>(PositivePart(-padL)), static_cast<int>(PositivePart(-padT)),
                              static_cast<int>(PositivePart(-padR)), static_cast<int>(PositivePart(-padB))};
  return plan;
}

}  // namespace tandemix
