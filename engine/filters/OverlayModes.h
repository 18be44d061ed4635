// Overlay's modes other than blend, on 4:4:4 YUV (or Y8) frames: each
// pixel of the overlay's window [srcX, srcX + width) x [srcY, srcY + height)
// changes the base pixel at (dstX, dstY) + the same offset in `out`.
#pragma once

#include "base/Frame.h"

namespace tandemix::engine {

enum class OverlayMode {
  Blend,
  Add,
  Subtract,
  Multiply,
  Chroma,
  Luma,
  Lighten,
  Darken,
  SoftLight,
  HardLight,
  Difference,
  Exclusion
};

// `mask` may be null; with `greymask` its luma weighs all three planes.
void OverlayModeRows(OverlayMode mode, const FrameBGR& over, const FrameBGR* mask, FrameBGR& out, int srcX, int srcY,
                     int dstX, int dstY, int width, int height, float opacity, bool greymask);

}  // namespace tandemix::engine
