// Bilinear resize with 16.16 steps and 10-bit fractions.
//
// Positions and fractions of the columns are the same on every row and are
// worked out once. Where SSE4.1 is at hand, four neighbouring output pixels
// whose source columns fit one 16-byte window are weighted together: a byte
// shuffle gathers, for each of their twelve output bytes, the sample and
// its right neighbour as a 16-bit pair, and one multiply-add per row pair
// gives w00·s00 + w10·s10 (and w01·s01 + w11·s11), the same sums as the
// per-pixel form.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "base/ParallelFor.h"
#include "preview/ImageOps.h"
#include "preview/ImageOpsChecks.h"
#include "preview/PixelKernels.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define TANDEMIX_RESIZE_SSE41 1
#endif

namespace tandemix {
namespace {

struct Columns {
  std::vector<int> x0;  // left sample column, at most sC − 2
  std::vector<int> fx;  // 10-bit fraction, left unclamped at the right edge
};

// Four output columns 4g .. 4g + 3 for the group kernel.
struct ColumnGroup {
  // For the output bytes 4r .. 4r + 3 (r = 0, 1, 2): the window offsets of
  // the sample and of its right neighbour, each followed by a zero byte.
  alignas(16) std::uint8_t pick[3][16];
  alignas(16) std::int32_t fx[4];
  alignas(16) std::int32_t gx[4];  // 1024 − fx
  int windowX;                     // the window starts at this source column
  bool usable;                     // the samples and neighbours fit the window
};

struct Resize {
  const TPixMatrix* source;
  TPixMatrix* destination;
  int sR, dC;
  std::int64_t stepY;
  const Columns* columns;
  const std::vector<ColumnGroup>* groups;

  void Pixels(const Pixel* row0, const Pixel* row1, int fy, Pixel* out, int j, int end) const {
    const int* x0s = columns->x0.data();
    const int* fxs = columns->fx.data();
    for (; j < end; ++j) {
      const int x0 = x0s[j];
      const int fx = fxs[j];
      const int w00 = ((1024 - fx) * (1024 - fy)) >> 10;
      const int w01 = ((1024 - fx) * fy) >> 10;
      const int w10 = (fx * (1024 - fy)) >> 10;
      const int w11 = (fx * fy) >> 10;
      out[j] = WeightedPixel<10>(row0 + x0, row1 + x0, w00, w10, w01, w11);
    }
  }

  // Row i's sample rows and fraction; a position clamped to sR − 2 keeps
  // its fraction.
  void RowOf(int i, const Pixel*& row0, const Pixel*& row1, int& fy) const {
    const std::int64_t py = stepY * i;
    const int y0 = static_cast<int>(std::min<std::int64_t>(py >> 16, sR - 2));
    fy = static_cast<int>((py & 0xffff) >> 6);
    row0 = (*source)[y0];
    row1 = (*source)[y0 + 1];
  }

  void RowsPlain(int rowBegin, int rowEnd) const {
    for (int i = rowBegin; i < rowEnd; ++i) {
      const Pixel *row0, *row1;
      int fy;
      RowOf(i, row0, row1, fy);
      Pixels(row0, row1, fy, (*destination)[i], 0, dC);
    }
  }

#if defined(TANDEMIX_RESIZE_SSE41)
  __attribute__((target("sse4.1"))) void RowsSse41(int rowBegin, int rowEnd) const {
    // Output bytes 4r .. 4r + 3 belong to pixels (4r + k) / 3; each takes its
    // pair (w00, w10) from a pack of w00 of pixels 0..3 followed by w10.
    const __m128i spreadWeights[3] = {_mm_setr_epi8(0, 1, 8, 9, 0, 1, 8, 9, 0, 1, 8, 9, 2, 3, 10, 11),
                                      _mm_setr_epi8(2, 3, 10, 11, 2, 3, 10, 11, 4, 5, 12, 13, 4, 5, 12, 13),
                                      _mm_setr_epi8(4, 5, 12, 13, 6, 7, 14, 15, 6, 7, 14, 15, 6, 7, 14, 15)};
    const std::vector<ColumnGroup>& groupList = *groups;
    const int groupCount = static_cast<int>(groupList.size());
    for (int i = rowBegin; i < rowEnd; ++i) {
      const Pixel *row0, *row1;
      int fy;
      RowOf(i, row0, row1, fy);
      Pixel* out = (*destination)[i];
      const __m128i fyv = _mm_set1_epi32(fy), gyv = _mm_set1_epi32(1024 - fy);
      for (int g = 0; g < groupCount; ++g) {
        const ColumnGroup& group = groupList[g];
        if (!group.usable) {
          Pixels(row0, row1, fy, out, 4 * g, 4 * g + 4);
          continue;
        }
        const __m128i fx = _mm_load_si128(reinterpret_cast<const __m128i*>(group.fx));
        const __m128i gx = _mm_load_si128(reinterpret_cast<const __m128i*>(group.gx));
        // w00, w10 for the upper row and w01, w11 for the lower one.
        const __m128i upper =
            _mm_packs_epi32(_mm_srli_epi32(_mm_mullo_epi32(gx, gyv), 10), _mm_srli_epi32(_mm_mullo_epi32(fx, gyv), 10));
        const __m128i lower =
            _mm_packs_epi32(_mm_srli_epi32(_mm_mullo_epi32(gx, fyv), 10), _mm_srli_epi32(_mm_mullo_epi32(fx, fyv), 10));
        const __m128i window0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row0 + group.windowX));
        const __m128i window1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row1 + group.windowX));
        __m128i sums[3];
        for (int r = 0; r < 3; ++r) {
          const __m128i pick = _mm_load_si128(reinterpret_cast<const __m128i*>(group.pick[r]));
          sums[r] = _mm_srli_epi32(
              _mm_add_epi32(_mm_madd_epi16(_mm_shuffle_epi8(window0, pick), _mm_shuffle_epi8(upper, spreadWeights[r])),
                            _mm_madd_epi16(_mm_shuffle_epi8(window1, pick), _mm_shuffle_epi8(lower, spreadWeights[r]))),
              10);
        }
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(sums[0], sums[1]), _mm_packs_epi32(sums[2], sums[2]));
        std::uint8_t* target = reinterpret_cast<std::uint8_t*>(out + 4 * g);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(target), bytes);
        const std::uint32_t tail = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(bytes, 8)));
        std::memcpy(target + 8, &tail, 4);
      }
      Pixels(row0, row1, fy, out, 4 * groupCount, dC);
    }
  }
#endif
};

std::vector<ColumnGroup> GroupColumns(const Columns& columns, int dC) {
  std::vector<ColumnGroup> groups(static_cast<std::size_t>(dC / 4));
  for (std::size_t g = 0; g < groups.size(); ++g) {
    ColumnGroup& group = groups[g];
    const int j = static_cast<int>(4 * g);
    group.windowX = columns.x0[j];
    // Five pixels (15 bytes) fit a 16-byte window; positions never decrease.
    group.usable = columns.x0[j + 3] + 1 - group.windowX <= 4;
    for (int k = 0; k < 4; ++k) {
      group.fx[k] = columns.fx[j + k];
      group.gx[k] = 1024 - columns.fx[j + k];
    }
    for (int b = 0; b < 12; ++b) {
      const int pixel = b / 3;
      const int offset = group.usable ? 3 * (columns.x0[j + pixel] - group.windowX) + b % 3 : 0;
      std::uint8_t* pick = &group.pick[b / 4][4 * (b % 4)];
      pick[0] = static_cast<std::uint8_t>(offset);
      pick[1] = 0x80;  // a zero byte: the sample as a 16-bit lane
      pick[2] = static_cast<std::uint8_t>(offset + 3);
      pick[3] = 0x80;
    }
  }
  return groups;
}

}  // namespace

void ResizeMatrix(const TPixMatrix& source, TPixMatrix& destination, int sR, int sC, int dR, int dC) {
  CheckDimensions(sC, sR);
  CheckDimensions(dC, dR);
  if (sR < 2 || sC < 2) throw std::invalid_argument("ResizeMatrix: the source needs at least 2 x 2 pixels");
  CheckHolds(source, sR, sC, "source");
  CheckHolds(destination, dR, dC, "destination");
  // 16.16 steps; the quotient is taken in floating point, then rounded down.
  const std::int64_t stepX = static_cast<std::int64_t>(std::floor(sC * 65536.0 / dC));
  const std::int64_t stepY = static_cast<std::int64_t>(std::floor(sR * 65536.0 / dR));
  Columns columns;
  columns.x0.resize(static_cast<std::size_t>(dC));
  columns.fx.resize(static_cast<std::size_t>(dC));
  for (int j = 0; j < dC; ++j) {
    const std::int64_t px = stepX * j;
    columns.x0[j] = static_cast<int>(std::min<std::int64_t>(px >> 16, sC - 2));
    columns.fx[j] = static_cast<int>((px & 0xffff) >> 6);
  }
  Resize resize{&source, &destination, sR, dC, stepY, &columns, nullptr};
#if defined(TANDEMIX_RESIZE_SSE41)
  if (UseSse41Kernels()) {
    const std::vector<ColumnGroup> groups = GroupColumns(columns, dC);
    resize.groups = &groups;
    ParallelFor(dR, std::int64_t{dC} * 9, [&](int rowBegin, int rowEnd) { resize.RowsSse41(rowBegin, rowEnd); });
    return;
  }
#endif
  ParallelFor(dR, std::int64_t{dC} * 9, [&](int rowBegin, int rowEnd) { resize.RowsPlain(rowBegin, rowEnd); });
}

}  // namespace tandemix
