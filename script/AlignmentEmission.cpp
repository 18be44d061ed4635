#include "script/AlignmentEmission.h"

#include <cstdint>
#include <string>
#include <utility>

#include "base/Errors.h"
#include "core/ScriptNumber.h"

namespace tandemix {
namespace {

std::string Join4(std::int64_t a, std::int64_t b, std::int64_t c, std::int64_t d, const char* sep2, const char* sep3) {
  return std::to_string(a) + "," + std::to_string(b) + sep2 + std::to_string(c) + sep3 + std::to_string(d);
}

WideMargins Negated(const WideMargins& m) {
  return {NonNegative(-m.left), NonNegative(-m.top), NonNegative(-m.right), NonNegative(-m.bottom)};
}
WideMargins Clamped(const WideMargins& m) {
  return {NonNegative(m.left), NonNegative(m.top), NonNegative(m.right), NonNegative(m.bottom)};
}
bool AnyNegative(const WideMargins& m) { return m.left < 0 || m.top < 0 || m.right < 0 || m.bottom < 0; }
bool AnyPositive(const WideMargins& m) { return m.left > 0 || m.top > 0 || m.right > 0 || m.bottom > 0; }

// Whether numbers across (widths, left and right sides) and down (heights,
// top and bottom) fit the chroma subsampling of `type`.
bool FitsAcross(PixelType type, std::int64_t n) { return n % (1 << ChromaShiftX(type)) == 0; }
bool FitsDown(PixelType type, std::int64_t n) { return n % (1 << ChromaShiftY(type)) == 0; }
bool MarginsFit(PixelType type, const WideMargins& m) {
  return FitsAcross(type, m.left) && FitsAcross(type, m.right) && FitsDown(type, m.top) && FitsDown(type, m.bottom);
}
bool IsSubsampled(PixelType type) { return ChromaShiftX(type) != 0 || ChromaShiftY(type) != 0; }

// Sizes are 64-bit: every step is checked against the largest frame a
// script can make before its line is written, so no number overflows.
struct View {
  const char* clip;
  const char* name;
  std::int64_t width;
  std::int64_t height;
  PixelType type;
  int firstLine = -1;            // index of the view's first line, -1 while it has none
  bool needsFullChroma = false;  // a number in its lines does not fit its type

  bool Measured() const { return width > 0 && height > 0; }
  std::string After(const char* step) const { return std::string("The ") + name + " view after " + step; }
  void RefuseUnmeasured(const char* verb) const {
    if (Measured()) return;
    throw TandemixError(std::string("The ") + name + " view measures " + std::to_string(width) + " x " +
                        std::to_string(height) + " and cannot be " + verb +
                        ". Check that its script opens and returns a clip.");
  }
};

// Appends a line of `view`; `fits` tells whether its numbers fit the type.
void Emit(LineList& lines, View& view, const std::string& line, bool fits) {
  if (view.firstLine < 0) view.firstLine = static_cast<int>(lines.size());
  if (!fits) view.needsFullChroma = true;
  lines.push_back(line);
}

void Scale(LineList& lines, View& view, double factor) {
  if (factor == 1.0) return;
  view.RefuseUnmeasured("scaled");
  const std::int64_t width = RoundHalfEven64(static_cast<double>(view.width) * factor);
  const std::int64_t height = RoundHalfEven64(static_cast<double>(view.height) * factor);
  CheckScriptFrameSize(view.After("scaling"), width, height);
  view.width = width;
  view.height = height;
  Emit(lines, view, ScaleLine(view.clip, static_cast<int>(width), static_cast<int>(height)),
       FitsAcross(view.type, width) && FitsDown(view.type, height));
}

// Borders with negative sides add nothing on those sides.
void Pad(LineList& lines, View& view, const WideMargins& m) {
  Emit(lines, view, PadLine(view.clip, m), MarginsFit(view.type, Clamped(m)));
}
void Cut(LineList& lines, View& view, const WideMargins& m) {
  Emit(lines, view, CropLine(view.clip, m), MarginsFit(view.type, m));
}

void Tilt(LineList& lines, View& view, double degrees, bool autoCrop) {
  if (degrees == 0.0) return;
  view.RefuseUnmeasured("tilted");
  // A measured view fits the script limits, so its size fits an int.
  const FrameSize turned = RotatedFrameSize(static_cast<int>(view.width), static_cast<int>(view.height),
                                            degrees * kDegreesToRadians, autoCrop);
  CheckScriptFrameSize(view.After("tilting"), turned.width, turned.height);
  const WideMargins m = SplitDifference(view.width, view.height, turned.width, turned.height);
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

// The size of a view once `grow` is added on its sides and `shrink` taken
// off, checked when both views were measured (a view that did not measure
// fails with its own error when the output script opens).
void CheckDisplaced(const View& view, const WideMargins& grow, const WideMargins& shrink, bool check) {
  if (!check) return;
  CheckScriptFrameSize(view.After("the displacement"), view.width + grow.left + grow.right - shrink.left - shrink.right,
                       view.height + grow.top + grow.bottom - shrink.top - shrink.bottom);
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

std::string PadLine(const std::string& clip, const WideMargins& m) {
  return clip + " = AddBorders(" + clip + "," + Join4(m.left, m.top, m.right, m.bottom, ",", ",") + ")";
}

std::string CropLine(const std::string& clip, const WideMargins& m) {
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
  const WideMargins centred = SplitDifference(l.width, l.height, r.width, r.height);
  const WideMargins shifted{centred.left + values.horizontalShift, centred.top + values.verticalShift,
                            centred.right - values.horizontalShift, centred.bottom - values.verticalShift};
  const bool check = l.Measured() && r.Measured();
  if (values.autoCrop) {
    CheckDisplaced(l, {}, Negated(shifted), check);
    CheckDisplaced(r, {}, Clamped(shifted), check);
    if (AnyNegative(shifted)) Cut(lines, l, Negated(shifted));
    if (AnyPositive(shifted)) Cut(lines, r, Clamped(shifted));
  } else {
    CheckDisplaced(r, Negated(shifted), {}, check);
    CheckDisplaced(l, Clamped(shifted), {}, check);
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
  CheckScriptFrameSize("The final frame", finalWidth, finalHeight);
  const WideMargins m = SplitDifference(currentWidth, currentHeight, finalWidth, finalHeight);
  const WideMargins crop = Negated(m);
  const WideMargins pad = Clamped(m);
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
