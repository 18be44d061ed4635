// Colours as scripts give them ($RRGGBB, $YYUUVV) in a frame's type, and
// filling with them.
#pragma once

#include <cstdint>

#include "base/Frame.h"

namespace tandemix::engine {

// A colour given as $RRGGBB, as three bytes in frame order (blue, green, red).
struct ColorBGR {
  std::uint8_t b = 0, g = 0, r = 0;
};
ColorBGR ColorFromInt(long long rgb);

// One colour in a frame's type: bytes per plane (packed RGB: b, g, r, a in
// plane 0; planar RGB: one per plane in the same order).
struct PlaneColor {
  std::uint8_t v[4] = {0, 0, 0, 0};
};
// $RRGGBB in the clip's type (YUV through the Rec601 matrix, as AviSynth's
// AddBorders and BlankClip do).
PlaneColor ColorInType(PixelType type, long long rgb);
// A $YYUUVV colour (BlankClip's color_yuv) in the clip's type.
PlaneColor YuvColorInType(PixelType type, long long yuv);
// Fills the rectangle (x0, y0)-(x1, y1) in luma pixels (fitting the
// subsampling) with a colour.
void FillRect(FrameBGR& f, int x0, int y0, int x1, int y1, const PlaneColor& c);

}  // namespace tandemix::engine
