#include "preview/ImageOps.h"

#include <cstring>

#include "base/ParallelFor.h"
#include "preview/ImageOpsChecks.h"
#include "preview/PixelKernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tandemix {
namespace {

constexpr std::int64_t kBytesPerPixel = 3;

// Luma of a pixel with weights adding up to 256, so white stays 255.
inline std::uint8_t Luma(const Pixel& p) {
  return static_cast<std::uint8_t>((77 * p.red + 151 * p.green + 28 * p.blue) >> 8);
}

}  // namespace

void BitmapToMatrix(const Bitmap& bitmap, TPixMatrix& matrix, int rows, int columns) {
  CheckDimensions(columns, rows);
  CheckHolds(matrix, rows, columns, "destination");
  if (bitmap.Width() < columns || bitmap.Height() < rows)
    throw std::invalid_argument("BitmapToMatrix: the bitmap is smaller than the matrix");
  for (int r = 0; r < rows; ++r)
    std::memcpy(matrix[r], bitmap.ScanLine(r), static_cast<std::size_t>(columns) * sizeof(Pixel));
}

void BlendToBitmap(const TPixMatrix& first, const TPixMatrix& second, Bitmap& target, int width, int height,
                   std::uint8_t weight) {
  CheckCombine(first, second, width, height);
  target.SetSize(width, height);
  const int w1 = weight;
  const int w2 = 255 - weight;
  [[maybe_unused]] const bool vector = VectorKernelsEnabled();
  ParallelFor(height, width * kBytesPerPixel, [&](int rowBegin, int rowEnd) {
    for (int r = rowBegin; r < rowEnd; ++r) {
      // The bitmap's scan line and a matrix row share the byte layout.
      const std::uint8_t* a = reinterpret_cast<const std::uint8_t*>(first[r]);
      const std::uint8_t* b = reinterpret_cast<const std::uint8_t*>(second[r]);
      std::uint8_t* out = target.ScanLine(r);
      const int bytes = width * 3;
      int k = 0;
#if defined(__SSE2__)
      // Sixteen bytes at a time in 16-bit lanes; a·w1 + b·w2 ≤ 255·255 fits.
      const int vectorBytes = vector ? bytes : 0;
      const __m128i zero = _mm_setzero_si128();
      const __m128i weight1 = _mm_set1_epi16(static_cast<short>(w1));
      const __m128i weight2 = _mm_set1_epi16(static_cast<short>(w2));
      for (; k + 16 <= vectorBytes; k += 16) {
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + k));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + k));
        const __m128i low = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(va, zero), weight1),
                                                         _mm_mullo_epi16(_mm_unpacklo_epi8(vb, zero), weight2)),
                                           8);
        const __m128i high = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(va, zero), weight1),
                                                          _mm_mullo_epi16(_mm_unpackhi_epi8(vb, zero), weight2)),
                                            8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_packus_epi16(low, high));
      }
#endif
      for (; k < bytes; ++k) out[k] = static_cast<std::uint8_t>((a[k] * w1 + b[k] * w2) >> 8);
    }
  });
}

void AnaglyphRedCyanToBitmap(const TPixMatrix& first, const TPixMatrix& second, Bitmap& target, int width, int height) {
  CheckCombine(first, second, width, height);
  target.SetSize(width, height);
  ParallelFor(height, width * kBytesPerPixel, [&](int rowBegin, int rowEnd) {
    for (int r = rowBegin; r < rowEnd; ++r) {
      const Pixel* a = first[r];
      const Pixel* b = second[r];
      Pixel* out = reinterpret_cast<Pixel*>(target.ScanLine(r));
      for (int c = 0; c < width; ++c) {
        const std::uint8_t cyan = Luma(b[c]);
        out[c] = Pixel{cyan, cyan, Luma(a[c])};
      }
    }
  });
}

void PlaceMatrix(const TPixMatrix& source, TPixMatrix& destination, int left, int top, int right, int bottom, int sR,
                 int sC) {
  CheckDimensions(sC, sR);
  if (left < 0 || top < 0 || right < 0 || bottom < 0)
    throw std::invalid_argument("PlaceMatrix: margins must not be negative");
  const std::int64_t dR64 = std::int64_t{top} + sR + bottom;
  const std::int64_t dC64 = std::int64_t{left} + sC + right;
  CheckDimensions(dC64, dR64);
  const int dR = static_cast<int>(dR64);
  const int dC = static_cast<int>(dC64);
  CheckHolds(source, sR, sC, "source");
  CheckHolds(destination, dR, dC, "destination");
  ParallelFor(dR, dC * kBytesPerPixel, [&](int rowBegin, int rowEnd) {
    for (int r = rowBegin; r < rowEnd; ++r) {
      Pixel* out = destination[r];
      if (r < top || r >= top + sR) {
        std::memset(out, 0, static_cast<std::size_t>(dC) * sizeof(Pixel));
        continue;
      }
      std::memset(out, 0, static_cast<std::size_t>(left) * sizeof(Pixel));
      std::memcpy(out + left, source[r - top], static_cast<std::size_t>(sC) * sizeof(Pixel));
      std::memset(out + left + sC, 0, static_cast<std::size_t>(right) * sizeof(Pixel));
    }
  });
}

}  // namespace tandemix
