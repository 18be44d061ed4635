// How the two views of a stereo picture share the frame: the one layout
// type for what a script's Output template makes, what a movie's 3D tag
// says and what a clip is found to hold.
#pragma once

namespace tandemix {

enum class ViewLayout {
  None,             // nothing recognised
  SideBySide,       // the left view on the left
  SideBySideHalf,   // the same, each view squeezed to half width
  SideBySideCross,  // the right view on the left (cross-eyed viewing)
  OverUnder,        // the left view on top
  OverUnderHalf,    // the same, each view squeezed to half height
  OverUnderCross,   // the right view on top
  Rows,             // woven rows
  Anaglyph,         // a colour mix
  Mono              // one view
};

constexpr bool IsSideBySide(ViewLayout layout) {
  return layout == ViewLayout::SideBySide || layout == ViewLayout::SideBySideHalf ||
         layout == ViewLayout::SideBySideCross;
}
constexpr bool IsOverUnder(ViewLayout layout) {
  return layout == ViewLayout::OverUnder || layout == ViewLayout::OverUnderHalf || layout == ViewLayout::OverUnderCross;
}
// The right view comes first (on the left, or on top).
constexpr bool RightViewFirst(ViewLayout layout) {
  return layout == ViewLayout::SideBySideCross || layout == ViewLayout::OverUnderCross;
}

}  // namespace tandemix
