#include "script/AlignmentEmission.h"

#include "core/ScriptNumber.h"
#include "platform/Errors.h"

namespace tandemix {
namespace {

std::string Join4(int a, int b, int c, int d, const char* sep2, const char* sep3) {
  return std::to_string(a) + "," + std::to_string(b) + sep2 + std::to_string(c) + sep3 + std::to_string(d);
}

Margins Negated(const Margins& m) {
  return {NonNegative(-m.left), NonNegative(-m.top), NonNegative(-m.right), NonNegative(-m.bottom)};
}
Margins Clamped(const Margins& m) {
  return {NonNegative(m.left), NonNegative(m.top), NonNegative(m.right), NonNegative(m.bottom)};
}
bool AnyNegative(const Margins& m) { return m.left < 0 || m.top < 0 || m.right < 0 || m.bottom < 0; }
bool AnyPositive(const Margins& m) { return m.left > 0 || m.top > 0 || m.right > 0 || m.bottom > 0; }

struct View {
  const char* clip;
  const char* name;
  int width;
  int height;
};

void Scale(LineList& lines, View& view, double factor) {
  if (factor == 1.0) return;
  view.width = RoundHalfEven(view.width * factor);
  view.height = RoundHalfEven(view.height * factor);
  lines.push_back(ScaleLine(view.clip, view.width, view.height));
}

void Tilt(LineList& lines, View& view, double degrees, bool autoCrop) {
  if (degrees == 0.0) return;
  if (view.width <= 0 || view.height <= 0)
    throw TandemixError(std::string("The ") + view.name + " view measures " + std::to_string(view.width) + " x " +
                        std::to_string(view.height) +
                        " and cannot be tilted. Check that its script opens and returns a clip.");
  const FrameSize turned = RotatedFrameSize(view.width, view.height, degrees * kDegreesToRadians, autoCrop);
  const Margins m = SplitDifference(view.width, view.height, turned.width, turned.height);
  if (!autoCrop) {
    lines.push_back(PadLine(view.clip, m));
    lines.push_back(TiltLine(view.clip, degrees));
  } else {
    lines.push_back(TiltLine(view.clip, degrees));
    lines.push_back(CropLine(view.clip, Negated(m)));
  }
  view.width = turned.width;
  view.height = turned.height;
}

}  // namespace

std::string ScaleLine(const std::string& clip, int width, int height) {
  return clip + "=Lanczos4Resize(" + clip + "," + std::to_string(width) + "," + std::to_string(height) + ")";
}

std::string TiltLine(const std::string& clip, double degrees) {
  return clip + "=zoom(" + clip + ",angle=\"" + FormatScriptNumber(degrees) + "\")";
}

std::string PadLine(const std::string& clip, const Margins& m) {
  return clip + " = AddBorders(" + clip + "," + Join4(m.left, m.top, m.right, m.bottom, ",", ",") + ")";
}

std::string CropLine(const std::string& clip, const Margins& m) {
  return clip + " = Crop(" + clip + "," + Join4(m.left, m.top, m.right, m.bottom, ",-", ",-") + ")";
}

LineList AlignmentLinesFor(const AlignmentValues& values, FrameSize left, FrameSize right) {
  LineList lines;
  View l{"ClipA", "left", left.width, left.height};
  View r{"ClipB", "right", right.width, right.height};
  Scale(lines, l, values.scaleLeft);
  Scale(lines, r, values.scaleRight);
  Tilt(lines, l, values.angleLeft, values.autoCrop);
  Tilt(lines, r, values.angleRight, values.autoCrop);

  // Margins of the left view centred in the right view's frame, then moved
  // by the displacement.
  const Margins centred = SplitDifference(l.width, l.height, r.width, r.height);
  const Margins shifted{centred.left + values.horizontalShift, centred.top + values.verticalShift,
                        centred.right - values.horizontalShift, centred.bottom - values.verticalShift};
  if (values.autoCrop) {
    if (AnyNegative(shifted)) lines.push_back(CropLine("ClipA", Negated(shifted)));
    if (AnyPositive(shifted)) lines.push_back(CropLine("ClipB", Clamped(shifted)));
  } else {
    if (AnyNegative(shifted)) lines.push_back(PadLine("ClipB", Negated(shifted)));
    if (AnyPositive(shifted)) lines.push_back(PadLine("ClipA", Clamped(shifted)));
  }
  if (values.swapViews) {
    lines.push_back("ClipC = ClipA");
    lines.push_back("ClipA = ClipB");
    lines.push_back("ClipB = ClipC");
  }
  return lines;
}

LineList EmitFinalSize(int currentWidth, int currentHeight, int finalWidth, int finalHeight) {
  if (finalWidth == currentWidth && finalHeight == currentHeight) return {};
  const Margins m = SplitDifference(currentWidth, currentHeight, finalWidth, finalHeight);
  const Margins crop = Negated(m);
  const Margins pad = Clamped(m);
  const std::string cropLine = "Crop(" + Join4(crop.left, crop.top, crop.right, crop.bottom, ",-", ",-") + ")";
  const std::string padLine = "AddBorders(" + Join4(pad.left, pad.top, pad.right, pad.bottom, ",", ",") + ")";
  const bool shrinks = finalWidth <= currentWidth && finalHeight <= currentHeight;
  const bool grows = finalWidth >= currentWidth && finalHeight >= currentHeight;
  if (shrinks) return {cropLine};
  if (grows) return {padLine};
  return {cropLine, padLine};
}

}  // namespace tandemix
