// Least-squares colour anaglyphs for three kinds of glasses. Each output
// pixel is the pair of input pixels, in linear light, projected onto the
// colours that the glasses let each eye see:
//   out = clamp(ML · left + MR · right, 0, 1)
// with left and right the linear RGB values of the two views (the sRGB
// curve removed), then encoded with the sRGB curve again and rounded to
// 8 bits. The matrices are Eric Dubois's published least-squares matrices:
// E. Dubois, "A projection method to generate anaglyph stereo images",
// Proc. IEEE ICASSP 2001, vol. 3, pp. 1661-1664, with the revised tables for
// red-cyan, green-magenta and amber-blue glasses that he published on his
// University of Ottawa anaglyph page. The method works on linear RGB values
// (display gamma removed), so the combination is done in linear light.
#pragma once

#include <array>

#include "preview/PixMatrix.h"
#include "preview/PreviewBitmap.h"

namespace tandemix {

enum class DuboisGlasses { RedCyan, GreenMagenta, AmberBlue };

// Rows give the output red, green and blue; columns weigh the input red,
// green and blue.
using ColourMatrix = std::array<std::array<double, 3>, 3>;

struct DuboisMatrices {
  ColourMatrix left;
  ColourMatrix right;
};

const DuboisMatrices& DuboisMatricesFor(DuboisGlasses glasses);

// The sRGB curve: an 8-bit code to linear light in [0, 1], and linear light
// (clamped to [0, 1]) to the nearest 8-bit code.
double SrgbToLinear(int code);
int LinearToSrgb(double linear);

// target becomes width × height; first is the left view, second the right.
void AnaglyphDuboisToBitmap(const TPixMatrix& first, const TPixMatrix& second, Bitmap& target, int width, int height,
                            DuboisGlasses glasses);

}  // namespace tandemix
