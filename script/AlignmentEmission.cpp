#include "script/AlignmentEmission.h"

#include <utility>

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

// Whether numbers across (widths, left and right sides) and down (heights,
// top and bottom) fit the chroma subsampling of `type`.
bool FitsAcross(PixelType type, int n) { return n % (1 << ChromaShiftX(type)) == 0; }
bool FitsDown(PixelType type, int n) { return n % (1 << ChromaShiftY(type)) == 0; }
bool MarginsFit(PixelType type, const Margins& m) {
  return FitsAcross(type, m.left) && FitsAcross(type, m.right) && FitsDown(type, m.top) && FitsDown(type, m.bottom);
}
bool IsSubsampled(PixelType type) { return ChromaShiftX(type) != 0 || ChromaShiftY(type) != 0; }

struct View {
  const char* clip;
  const char* name;
  int width;
  int height;
  PixelType type;
  int firstLine = -1;            // index of the view's first line, -1 while it has none
  bool needsFullChroma = false;  // a number in its lines does not fit its type
};

// Appends a line of `view`; `fits` tells whether its numbers fit the type.
void Emit(LineList& lines, View& view, const std::string& line, bool fits) {
  if (view.firstLine < 0) view.firstLine = static_cast<int>(lines.size());
  if (!fits) view.needsFullChroma = true;
  lines.push_back(line);
}

void Scale(LineList& lines, View& view, double factor) {
  if (factor == 1.0) return;
  view.width = RoundHalfEven(view.width * factor);
  view.height = RoundHalfEven(view.height * factor);
  Emit(lines, view, ScaleLine(view.clip, view.width, view.height),
       FitsAcross(view.type, view.width) && FitsDown(view.type, view.height));
}

// Borders with negative sides add nothing on those sides.
void Pad(LineList& lines, View& view, const Margins& m) {
  Emit(lines, view, PadLine(view.clip, m), MarginsFit(view.type, Clamped(m)));
}
void Cut(LineList& lines, View& view, const Margins& m) {
  Emit(lines, view, CropLine(view.clip, m), MarginsFit(view.type, m));
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
    Pad(lines, view, m);
    Emit(lines, view, TiltLine(view.clip, degrees), true);
  } else {
    Emit(lines, view, TiltLine(view.clip, degrees), true);
    Cut(lines, view, Negated(m));
  }
  view.width = turned.width;
  view.height = turned.height;
}

// Puts the conversions to YV24 in front of the views' first lines (or, for
// a view without lines, after all the others).
void InsertConversions(LineList& lines, View& l, View& r) {
  if (l.needsFullChroma != r.needsFullChroma) {
    View& other = l.needsFullChroma ? r : l;
    if (IsSubsampled(other.type)) other.needsFullChroma = true;
  }
  const int end = static_cast<int>(lines.size());
  const auto at = [end](const View& v) { return v.firstLine < 0 ? end : v.firstLine; };
  // The later insertion first, so that the earlier index stays valid.
  View* views[2] = {&l, &r};
  if (at(r) > at(l)) std::swap(views[0], views[1]);
  for (View* v : views)
    if (v->needsFullChroma) lines.insert(lines.begin() + at(*v), ConvertLine(v->clip));
}

}  // namespace

std::string ConvertLine(const std::string& clip) { return clip + " = ConvertToYV24(" + clip + ")"; }

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

LineList AlignmentLinesFor(const AlignmentValues& values, FrameSize left, FrameSize right, PixelType leftType,
                           PixelType rightType) {
  LineList lines;
  View l{"ClipA", "left", left.width, left.height, leftType};
  View r{"ClipB", "right", right.width, right.height, rightType};
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
    if (AnyNegative(shifted)) Cut(lines, l, Negated(shifted));
    if (AnyPositive(shifted)) Cut(lines, r, Clamped(shifted));
  } else {
    if (AnyNegative(shifted)) Pad(lines, r, Negated(shifted));
    if (AnyPositive(shifted)) Pad(lines, l, Clamped(shifted));
  }
  InsertConversions(lines, l, r);
  if (values.swapViews) {
    lines.push_back("ClipC = ClipA");
    lines.push_back("ClipA = ClipB");
    lines.push_back("ClipB = ClipC");
  }
  return lines;
}

LineList EmitFinalSize(int currentWidth, int currentHeight, int finalWidth, int finalHeight, PixelType outputType) {
  if (finalWidth == currentWidth && finalHeight == currentHeight) return {};
  const Margins m = SplitDifference(currentWidth, currentHeight, finalWidth, finalHeight);
  const Margins crop = Negated(m);
  const Margins pad = Clamped(m);
  const std::string cropLine = "Crop(" + Join4(crop.left, crop.top, crop.right, crop.bottom, ",-", ",-") + ")";
  const std::string padLine = "AddBorders(" + Join4(pad.left, pad.top, pad.right, pad.bottom, ",", ",") + ")";
  const bool shrinks = finalWidth <= currentWidth && finalHeight <= currentHeight;
  const bool grows = finalWidth >= currentWidth && finalHeight >= currentHeight;
  LineList lines;
  if (!grows) lines.push_back(cropLine);
  if (!shrinks) lines.push_back(padLine);
  if (!MarginsFit(outputType, crop) || !MarginsFit(outputType, pad)) lines.insert(lines.begin(), "ConvertToYV24()");
  return lines;
}

}  // namespace tandemix
