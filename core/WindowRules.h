// Where windows open and which window a message belongs to. Plain rules
// over rectangles, so the windows only read their geometry, ask here and
// apply the answer.
#pragma once

#include <QRect>
#include <QSize>
#include <vector>

namespace tandemix {

// What a rule needs to know of one of the program's windows.
struct WindowFacts {
  bool shown = false;
  bool active = false;
};

// The window a message or dialog belongs to (is parented to): the shown
// window the user is working in, else the main window. `windows[main]` is
// the main window. Returns an index into `windows`.
std::size_t ChooseMessageOwner(const std::vector<WindowFacts>& windows, std::size_t main);

// The top-left corner of a window of `size` centred on `owner`, moved back
// inside `screen` where it would cross an edge.
QPoint CentredOn(const QRect& owner, const QSize& size, const QRect& screen);

// The top-left corner of a window of `size` beside `anchor` without covering
// it: to its right when the screen has room there, else to its left, else
// below, else above, top edges aligned; when no side has room, to the right
// moved back inside the screen. `gap` pixels lie between the two.
QPoint BesideOf(const QRect& anchor, const QSize& size, const QRect& screen, int gap = 8);

// A window's rectangle moved (not resized, unless larger) into `screen`.
QRect KeptInside(const QRect& window, const QRect& screen);

// The "Selected frame" window's next geometry when it shows a picture.
struct PictureWindowFacts {
  bool placed = false;  // it has a place of its own (shown before)
  QRect current;        // its geometry now
  QSize lastPicture;    // the picture it showed last (empty: none)
  QSize picture;        // the picture it is to show
  int border = 0;       // frame around the picture inside the window
  QRect viewer;         // the clip viewer's frame; empty when hidden
  QRect screen;         // the available screen area
};
// On its first showing the window takes the picture's size (within the
// screen) and stands beside the viewer. Afterwards it keeps its place and
// size; only a picture of another size gives it that size, at its place.
QRect PictureWindowGeometry(const PictureWindowFacts& facts);

// The main window is drawn for an 11-pixel font; at that drawing it fits
// captions in `fittingFontPixels` (11 or a little less, as the font's
// glyphs are wide). With a larger desktop font every place and size grows
// by desktop / fitting (never shrinks), so the desktop's size fits and one
// font size serves every window.
inline constexpr int kLayoutFontPixels = 11;
double LayoutScale(int desktopFontPixels, int fittingFontPixels);
// `r` grown by `scale`: corners are scaled and rounded, so controls that
// touched still touch.
QRect ScaledRect(const QRect& r, double scale);

}  // namespace tandemix
