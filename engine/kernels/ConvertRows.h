// The AVX2 and SSE4.1 forms of the RGB to YUV and YUV to RGB steps of the
// conversions (PixelConvert.cpp), giving the very bytes of the plain
// formulas. Call each only where the processor has its instructions.
#pragma once

#include <cstdint>

namespace tandemix::engine {

// The integer matrix of YUV to RGB (13-bit coefficients), as PixelConvert.cpp
// builds it.
struct ToRgbMatrix {
  int yb, ub, vb, yg, ug, vg, yr, ur, vr, offsetY;
};

// The integer matrix of RGB to YUV (15-bit coefficients).
struct ToYuvMatrix {
  int yb, yg, yr, ub, ug, ur, vb, vg, vr, offsetY;
  int offsetRgb;  // taken from R, G and B first (16 for studio-range RGB)
};

// Converts `count` 3- or 4-byte BGR(A) pixels into 4:4:4 planes; returns
// how many it did (a multiple of 8 leaving the row's last pixels, so no
// read passes the row's end).
int RgbRowToYuvAvx2(const ToYuvMatrix& m, const std::uint8_t* s, std::uint8_t* y, std::uint8_t* u, std::uint8_t* v,
                    int count, int bytesPerPixel);

// Converts `count` pixels of 4:4:4 planes into 3- or 4-byte BGR(A) pixels;
// returns how many it did (a multiple of 8 that leaves the last bytes of the
// row to the plain formula, so no store passes the row's end).
int YuvRowToRgbAvx2(const ToRgbMatrix& m, const std::uint8_t* y, const std::uint8_t* u, const std::uint8_t* v,
                    std::uint8_t* d, int count, int bytesPerPixel);

// The same four pixels a step (PixelConvertSse41.cpp): multiples of 4.
int RgbRowToYuvSse41(const ToYuvMatrix& m, const std::uint8_t* s, std::uint8_t* y, std::uint8_t* u, std::uint8_t* v,
                     int count, int bytesPerPixel);
int YuvRowToRgbSse41(const ToRgbMatrix& m, const std::uint8_t* y, const std::uint8_t* u, const std::uint8_t* v,
                     std::uint8_t* d, int count, int bytesPerPixel);

}  // namespace tandemix::engine
