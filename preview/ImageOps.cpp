#include "preview/ImageOps.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "preview/ImageOpsChecks.h"
#include "preview/PixelKernels.h"
#include "preview/RowBands.h"
#include "script/Geometry.h"

namespace tandemix {
namespace {

constexpr std::int64_t kBytesPerPixel = 3;

// Luma of a pixel with weights adding up to 256, so white stays 255.
inline std::uint8_t Luma(const Pixel& p) {
  return static_cast<std::uint8_t>((77 * p.red + 151 * p.green + 28 * p.blue) >> 8);
}

void CheckCombine(const TPixMatrix& first, const TPixMatrix& second, int width, int height) {
  CheckDimensions(width, height);
  CheckHolds(first, height, width, "first");
  CheckHolds(second, height, width, "second");
}

// The optimised anaglyph's red channel for every v = 191·G' + 64·B'
// (at most 191·255 + 64·255 = 65025). The power curve costs one pow a
// table entry instead of one a pixel; the table is kept for the last
// divisor used, since the preview always asks for the same one.
constexpr int kMaxAnaglyphV = 191 * 255 + 64 * 255;
using GammaTable = std::array<std::uint8_t, kMaxAnaglyphV + 1>;

std::shared_ptr<const GammaTable> GammaTableFor(std::uint16_t divisor) {
  static std::mutex mutex;
  static std::uint16_t cachedDivisor = 0;
  static std::shared_ptr<const GammaTable> cached;
  std::lock_guard lock(mutex);
  if (cached && cachedDivisor == divisor) return cached;
  auto table = std::make_shared<GammaTable>();
  const double exponent = 256.0 / static_cast<double>(divisor);
  (*table)[0] = 0;
  for (int v = 1; v <= kMaxAnaglyphV; ++v) {
    const int red = RoundHalfEven(256.0 * std::pow(static_cast<double>(v) / 65536.0, exponent));
    (*table)[v] = static_cast<std::uint8_t>(std::clamp(red, 0, 255));
  }
  cached = table;
  cachedDivisor = divisor;
  return cached;
}

// floor(d·gain / 256) for every excess d of red over a channel.
std::array<std::uint8_t, 256> ExcessShare(std::uint8_t gain) {
  std::array<std::uint8_t, 256> share{};
  for (int d = 0; d < 256; ++d) share[d] = static_cast<std::uint8_t>((d * gain) >> 8);
  return share;
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

void BlendToBitmap(const TPixMatrix& first, const TPixMatrix& second, Bitmap& target, int width,
                   int height, std::uint8_t weight) {
  CheckCombine(first, second, width, height);
  target.SetSize(width, height);
  const int w1 = weight;
  const int w2 = 255 - weight;
  ForEachRowBand(height, width * kBytesPerPixel, [&](int rowBegin, int rowEnd) {
    for (int r = rowBegin; r < rowEnd; ++r) {
      // The bitmap's scan line and a matrix row share the byte layout.
      const std::uint8_t* a = reinterpret_cast<const std::uint8_t*>(first[r]);
      const std::uint8_t* b = reinterpret_cast<const std::uint8_t*>(second[r]);
      std::uint8_t* out = target.ScanLine(r);
      const int bytes = width * 3;
      int k = 0;
#if defined(__SSE2__)
      // Sixteen bytes at a time in 16-bit lanes; a·w1 + b·w2 ≤ 255·255 fits.
      const __m128i zero = _mm_setzero_si128();
      const __m128i weight1 = _mm_set1_epi16(static_cast<short>(w1));
      const __m128i weight2 = _mm_set1_epi16(static_cast<short>(w2));
      for (; k + 16 <= bytes; k += 16) {
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

void AnaglyphRedCyanToBitmap(const TPixMatrix& first, const TPixMatrix& second, Bitmap& target,
                             int width, int height) {
  CheckCombine(first, second, width, height);
  target.SetSize(width, height);
  ForEachRowBand(height, width * kBytesPerPixel, [&](int rowBegin, int rowEnd) {
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

void AnaglyphOptimToBitmap(const TPixMatrix& first, const TPixMatrix& second, Bitmap& target,
                           int width, int height, std::uint8_t greenGain, std::uint8_t blueGain,
                           std::uint16_t gammaDivisor) {
  CheckCombine(first, second, width, height);
  const std::shared_ptr<const GammaTable> gammaHolder = GammaTableFor(gammaDivisor);
  const GammaTable& gamma = *gammaHolder;
  const std::array<std::uint8_t, 256> greenShare = ExcessShare(greenGain);
  const std::array<std::uint8_t, 256> blueShare = ExcessShare(blueGain);
  // G' and B' of a pixel; both stay within 0..255 since a gain is below 256.
  auto lend = [&](const Pixel& p, int& g, int& b) {
    g = p.green + greenShare[std::max(0, p.red - p.green)];
    b = p.blue + blueShare[std::max(0, p.red - p.blue)];
  };
  target.SetSize(width, height);
  ForEachRowBand(height, width * kBytesPerPixel, [&](int rowBegin, int rowEnd) {
    for (int r = rowBegin; r < rowEnd; ++r) {
      const Pixel* a = first[r];
      const Pixel* b = second[r];
      Pixel* out = reinterpret_cast<Pixel*>(target.ScanLine(r));
      for (int c = 0; c < width; ++c) {
        int g1, b1, g2, b2;
        lend(a[c], g1, b1);
        lend(b[c], g2, b2);
        out[c] = Pixel{static_cast<std::uint8_t>(b2), static_cast<std::uint8_t>(g2), gamma[191 * g1 + 64 * b1]};
      }
    }
  });
}

void ResizeMatrix(const TPixMatrix& source, TPixMatrix& destination, int sR, int sC, int dR, int dC) {
  CheckDimensions(sC, sR);
  CheckDimensions(dC, dR);
  if (sR < 2 || sC < 2) throw std::invalid_argument("ResizeMatrix: the source needs at least 2 x 2 pixels");
  CheckHolds(source, sR, sC, "source");
  CheckHolds(destination, dR, dC, "destination");
  // 16.16 steps; the quotient is taken in floating point, then rounded down.
  const std::int64_t stepX = static_cast<std::int64_t>(std::floor(sC * 65536.0 / dC));
  const std::int64_t stepY = static_cast<std::int64_t>(std::floor(sR * 65536.0 / dR));
  // Column positions and fractions are the same on every row. A position
  // clamped to sC − 2 keeps its fraction.
  std::vector<int> columnX0(static_cast<std::size_t>(dC));
  std::vector<int> columnFx(static_cast<std::size_t>(dC));
  for (int j = 0; j < dC; ++j) {
    const std::int64_t px = stepX * j;
    columnX0[j] = static_cast<int>(std::min<std::int64_t>(px >> 16, sC - 2));
    columnFx[j] = static_cast<int>((px & 0xffff) >> 6);
  }
  ForEachRowBand(dR, dC * kBytesPerPixel * 3, [&](int rowBegin, int rowEnd) {
    for (int i = rowBegin; i < rowEnd; ++i) {
      const std::int64_t py = stepY * i;
      const int y0 = static_cast<int>(std::min<std::int64_t>(py >> 16, sR - 2));
      const int fy = static_cast<int>((py & 0xffff) >> 6);
      const Pixel* row0 = source[y0];
      const Pixel* row1 = source[y0 + 1];
      Pixel* out = destination[i];
      for (int j = 0; j < dC; ++j) {
        const int x0 = columnX0[j];
        const int fx = columnFx[j];
        const int w00 = ((1024 - fx) * (1024 - fy)) >> 10;
        const int w01 = ((1024 - fx) * fy) >> 10;
        const int w10 = (fx * (1024 - fy)) >> 10;
        const int w11 = (fx * fy) >> 10;
        out[j] = WeightedPixel<10>(row0 + x0, row1 + x0, w00, w10, w01, w11);
      }
    }
  });
}

void PlaceMatrix(const TPixMatrix& source, TPixMatrix& destination, int left, int top, int right,
                 int bottom, int sR, int sC) {
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
  ForEachRowBand(dR, dC * kBytesPerPixel, [&](int rowBegin, int rowEnd) {
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
