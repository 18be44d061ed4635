// Whole-image operations of the still-frame preview over pixel matrices and
// bitmaps that the caller owns. None allocates its destination matrix: the
// caller sizes it first, and the operation writes every pixel of it. The
// combining operations size their target bitmap themselves. All arithmetic
// is integer except the rotation's polar coordinates and the optimised
// anaglyph's power curve, and the results are exact to the last bit: the
// speed-ups (row bands on every core, tables, a cheap rotation estimate that
// falls back to the full polar formula when it cannot decide) never change
// an output value.
//
// Dimensions are at least 1 and at most kMaxPixDimension; a call whose
// dimensions do not fit its matrices throws std::invalid_argument.
#pragma once

#include <cstdint>

#include "preview/PixMatrix.h"
#include "preview/PreviewBitmap.h"

namespace tandemix {

// matrix[0..rows-1][0..columns-1] takes the first columns pixels of the
// bitmap's scan lines 0..rows-1.
void BitmapToMatrix(const Bitmap& bitmap, TPixMatrix& matrix, int rows, int columns);

// target becomes width × height; each channel is
// floor((first·weight + second·(255 − weight)) / 256). Full weight is 255,
// so 255 shows as 254.
void BlendToBitmap(const TPixMatrix& first, const TPixMatrix& second, Bitmap& target, int width, int height,
                   std::uint8_t weight);

// Grey red/cyan anaglyph: red is the luma of first, green and blue the luma
// of second, luma = floor((77·R + 151·G + 28·B) / 256).
void AnaglyphRedCyanToBitmap(const TPixMatrix& first, const TPixMatrix& second, Bitmap& target, int width, int height);

// Optimised colour anaglyph. Each pixel lends part of its excess red to
// green and blue: G' = G + floor(max(0, R − G)·greenGain / 256), B' likewise
// with blueGain. Red is round-half-even(256·(v / 65536)^(256 / gammaDivisor))
// with v = 191·G' + 64·B' of first; green and blue are G' and B' of second.
void AnaglyphOptimToBitmap(const TPixMatrix& first, const TPixMatrix& second, Bitmap& target, int width, int height,
                           std::uint8_t greenGain, std::uint8_t blueGain, std::uint16_t gammaDivisor);

// Fills destination (dR × dC, centre row ri, column rj) from source
// (sW × sH, centre column cx, row cy) turned by angle a radians, by inverse
// polar mapping and 8-bit bilinear fractions against the pixel to the right
// and the pixel above. A positive a turns the picture counter-clockwise on
// screen. Pixels whose sample falls on the source's top row, its rightmost
// column or outside it are black. Centres are 16-bit signed.
void RotateMatrix(const TPixMatrix& source, TPixMatrix& destination, int cx, int cy, int sW, int sH, int dR, int dC,
                  int ri, int rj, double a);

// Bilinear resize with 16.16 steps and 10-bit fractions; the top-left
// corners of both grids coincide. The source needs at least 2 × 2.
void ResizeMatrix(const TPixMatrix& source, TPixMatrix& destination, int sR, int sC, int dR, int dC);

// destination ((top + sR + bottom) × (left + sC + right)) holds the source
// at (top, left) with black margins; margins are at least 0.
void PlaceMatrix(const TPixMatrix& source, TPixMatrix& destination, int left, int top, int right, int bottom, int sR,
                 int sC);

}  // namespace tandemix
