// Pixel copies between frames: owned copies of views, single pixels,
// rectangles and windows.
#pragma once

#include <cstdint>

#include "base/Frame.h"

namespace tandemix::engine {

// The frame with planes of its own: a view (a decoder's picture read where
// it lies) copied, any other frame as it is. For filters that run over a
// frame's bytes whole.
FramePtr Owned(FramePtr frame);
// The byte of plane p that holds pixel (x, y) (x and y fit the subsampling).
std::uint8_t* PixelAt(FrameBGR& f, int p, int x, int y);
const std::uint8_t* PixelAt(const FrameBGR& f, int p, int x, int y);
// Copies the rectangle of `src` at (sx, sy) into `dst` at (dx, dy), plane by
// plane (every corner fits the subsampling); no clipping. Same pixel types.
void CopyRect(const FrameBGR& src, int sx, int sy, FrameBGR& dst, int dx, int dy, int width, int height);
// Copies `src` into `dst` with its top-left corner at (x, y), plane by
// plane (x and y fit the subsampling); no clipping. Same pixel types.
void Blit(const FrameBGR& src, FrameBGR& dst, int x, int y);
// Copies the window (x, y, width, height) of `src` into `dst` (of that size).
void CopyWindow(const FrameBGR& src, FrameBGR& dst, int x, int y);

}  // namespace tandemix::engine
