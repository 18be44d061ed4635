#include <immintrin.h>

#include <algorithm>
#include <limits>

#include "platform/engine/ZoomPixels.h"

namespace tandemix::engine {
namespace {

// (left << 8) + (right - left) * wx, lane by lane.
__attribute__((target("avx2"))) inline __m256i Across(__m256i left, __m256i right, __m256i wx) {
  return _mm256_add_epi32(_mm256_slli_epi32(left, 8), _mm256_mullo_epi32(_mm256_sub_epi32(right, left), wx));
}

// Eight 32-bit lanes of 0..255 as eight bytes, in order.
__attribute__((target("avx2"))) inline __m128i Bytes8(__m256i lanes) {
  const __m256i words = _mm256_packs_epi32(lanes, lanes);
  const __m256i bytes = _mm256_packus_epi16(words, words);
  return _mm_unpacklo_epi32(_mm256_castsi256_si128(bytes), _mm256_extracti128_si256(bytes, 1));
}

// Bytes `at` of `first` where `useFirst`, else of `second`.
__attribute__((target("avx2"))) inline __m128i Pick(__m128i first, __m128i second, __m128i at, __m128i useFirst) {
  return _mm_blendv_epi8(_mm_shuffle_epi8(second, at), _mm_shuffle_epi8(first, at), useFirst);
}

}  // namespace

// Eight pixels at a time without gathers (slow on processors that guard
// against gather data sampling): where the eight source points lie on at
// most two neighbouring rows and within 15 bytes along them, which a small
// angle gives nearly everywhere, 16 bytes of each of the three rows they
// touch are loaded and the neighbours picked out with byte shuffles. Then
// the plain integer formula in 32-bit lanes. Other groups, and pixels off
// the picture's interior, take ZoomPixel<1>.
__attribute__((target("avx2"))) void ZoomPlaneRowAvx2(const PlaneView& src, std::int64_t fx, std::int64_t fy,
                                                      std::int64_t stepX, std::int64_t stepY, std::uint8_t* d,
                                                      int count, int black) {
  const std::int64_t lastX = fx + stepX * count, lastY = fy + stepY * count;
  constexpr std::int64_t kLow = std::numeric_limits<std::int32_t>::min() / 2;
  constexpr std::int64_t kHigh = std::numeric_limits<std::int32_t>::max() / 2;
  const bool fits = fx > kLow && fx < kHigh && fy > kLow && fy < kHigh && lastX > kLow && lastX < kHigh &&
                    lastY > kLow && lastY < kHigh;
  int x = 0;
  if (fits && count >= 8) {
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i stepX8 = _mm256_set1_epi32(static_cast<int>(stepX * 8));
    const __m256i stepY8 = _mm256_set1_epi32(static_cast<int>(stepY * 8));
    __m256i vx = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(fx)),
                                  _mm256_mullo_epi32(lane, _mm256_set1_epi32(static_cast<int>(stepX))));
    __m256i vy = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(fy)),
                                  _mm256_mullo_epi32(lane, _mm256_set1_epi32(static_cast<int>(stepY))));
    const __m256i maxX = _mm256_set1_epi32(src.width - 1);
    const __m256i maxY = _mm256_set1_epi32(src.height - 1);
    const __m256i minusOne = _mm256_set1_epi32(-1);
    const __m256i byteMask = _mm256_set1_epi32(255);
    const __m256i round = _mm256_set1_epi32(32768);
    const __m128i one = _mm_set1_epi8(1);
    for (; x + 8 <= count; x += 8, vx = _mm256_add_epi32(vx, stepX8), vy = _mm256_add_epi32(vy, stepY8)) {
      const __m256i ix = _mm256_srai_epi32(vx, 16);
      const __m256i iy = _mm256_srai_epi32(vy, 16);
      const __m256i inside =
          _mm256_and_si256(_mm256_and_si256(_mm256_cmpgt_epi32(ix, minusOne), _mm256_cmpgt_epi32(maxX, ix)),
                           _mm256_and_si256(_mm256_cmpgt_epi32(iy, minusOne), _mm256_cmpgt_epi32(maxY, iy)));
      // Positions move steadily along the row: the ends bound them.
      const int ix0 = _mm256_extract_epi32(ix, 0), ix7 = _mm256_extract_epi32(ix, 7);
      const int iy0 = _mm256_extract_epi32(iy, 0), iy7 = _mm256_extract_epi32(iy, 7);
      const int left = std::min(ix0, ix7), top = std::min(iy0, iy7);
      const bool near = std::max(ix0, ix7) - left <= 14 && std::max(iy0, iy7) - top <= 1 && top + 2 < src.height &&
                        left + 16 <= static_cast<int>(src.stride);
      if (_mm256_movemask_epi8(inside) != -1 || !near) {
        for (int k = 0; k < 8; ++k) ZoomPixel<1>(src, fx + stepX * (x + k), fy + stepY * (x + k), d + x + k, black);
        continue;
      }
      const std::uint8_t* row0 = src.data + src.stride * static_cast<std::size_t>(top) + left;
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row0));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row0 + src.stride));
      const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row0 + 2 * src.stride));
      const __m128i pickLeft = Bytes8(_mm256_sub_epi32(ix, _mm256_set1_epi32(left)));
      const __m128i pickRight = _mm_add_epi8(pickLeft, one);
      // 0xff where a point lies on the upper of the two rows.
      const __m256i upper32 = _mm256_cmpeq_epi32(iy, _mm256_set1_epi32(top));
      const __m256i upper16 = _mm256_packs_epi32(upper32, upper32);
      const __m256i upper8 = _mm256_packs_epi16(upper16, upper16);
      const __m128i upper = _mm_unpacklo_epi32(_mm256_castsi256_si128(upper8), _mm256_extracti128_si256(upper8, 1));
      const __m256i wx = _mm256_and_si256(_mm256_srai_epi32(vx, 8), byteMask);
      const __m256i wy = _mm256_and_si256(_mm256_srai_epi32(vy, 8), byteMask);
      const __m256i topRow = Across(_mm256_cvtepu8_epi32(Pick(a, b, pickLeft, upper)),
                                    _mm256_cvtepu8_epi32(Pick(a, b, pickRight, upper)), wx);
      const __m256i bottomRow = Across(_mm256_cvtepu8_epi32(Pick(b, c, pickLeft, upper)),
                                       _mm256_cvtepu8_epi32(Pick(b, c, pickRight, upper)), wx);
      __m256i sum =
          _mm256_add_epi32(_mm256_slli_epi32(topRow, 8), _mm256_mullo_epi32(_mm256_sub_epi32(bottomRow, topRow), wy));
      sum = _mm256_srai_epi32(_mm256_add_epi32(sum, round), 16);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(d + x), Bytes8(sum));
    }
  }
  for (; x < count; ++x) ZoomPixel<1>(src, fx + stepX * x, fy + stepY * x, d + x, black);
}

}  // namespace tandemix::engine
