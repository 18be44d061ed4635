#include <immintrin.h>

#include <algorithm>
#include <limits>

#include "engine/kernels/ZoomPixels.h"

namespace tandemix::engine {
namespace {

// Eight 32-bit lanes of 0..255 as eight bytes, in order.
__attribute__((target("avx2"))) inline __m128i Bytes8(__m256i lanes) {
  const __m256i words = _mm256_packs_epi32(lanes, lanes);
  const __m256i bytes = _mm256_packus_epi16(words, words);
  return _mm_unpacklo_epi32(_mm256_castsi256_si128(bytes), _mm256_extracti128_si256(bytes, 1));
}

}  // namespace

// Eight pixels at a time without gathers (slow on processors that guard
// against gather data sampling): where the eight source points lie inside
// the picture, on at most two neighbouring rows and within 15 bytes along
// them, which a small angle gives nearly everywhere, 16 bytes of each of the
// three rows they touch are loaded and each point's left and right
// neighbours picked out as a pair of words with a byte shuffle. The points
// move along a straight line, so the group's ends bound them all. Then the
// plain integer formula: across with _mm256_madd_epi16 (left * (256 - wx) +
// right * wx is (left << 8) + (right - left) * wx), down in 32-bit lanes.
// Other groups, and pixels off the picture's interior, take ZoomPixel<1>.
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
    const __m256i byteMask = _mm256_set1_epi32(255);
    const __m256i round = _mm256_set1_epi32(32768);
    const __m256i weightBase = _mm256_set1_epi32(256);
    // Bytes off, zero, off + 1, zero of each lane's shuffle, from off | off << 16.
    const __m256i pairBytes = _mm256_set1_epi32(static_cast<int>(0x80018000u));
    const int maxX = src.width - 1, maxY = src.height - 1;
    const auto stride = static_cast<std::ptrdiff_t>(src.stride);
    for (; x + 8 <= count; x += 8, vx = _mm256_add_epi32(vx, stepX8), vy = _mm256_add_epi32(vy, stepY8)) {
      // The group's first and last points, in whole pixels.
      const std::int64_t firstX = fx + stepX * x, firstY = fy + stepY * x;
      const int ix0 = static_cast<int>(firstX >> 16), ix7 = static_cast<int>((firstX + stepX * 7) >> 16);
      const int iy0 = static_cast<int>(firstY >> 16), iy7 = static_cast<int>((firstY + stepY * 7) >> 16);
      const int left = std::min(ix0, ix7), right = std::max(ix0, ix7);
      const int top = std::min(iy0, iy7), bottom = std::max(iy0, iy7);
      const bool near = left >= 0 && right < maxX && top >= 0 && bottom < maxY && right - left <= 14 &&
                        bottom - top <= 1 && top + 2 < src.height && left + 16 <= static_cast<int>(src.stride);
      if (!near) {
        for (int k = 0; k < 8; ++k) ZoomPixel<1>(src, fx + stepX * (x + k), fy + stepY * (x + k), d + x + k, black);
        continue;
      }
      const std::uint8_t* row0 = src.data + stride * top + left;
      const __m256i a = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row0)));
      const __m256i b = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row0 + stride)));
      const __m256i c =
          _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row0 + 2 * stride)));
      const __m256i off = _mm256_sub_epi32(_mm256_srai_epi32(vx, 16), _mm256_set1_epi32(left));
      const __m256i pick = _mm256_add_epi32(_mm256_or_si256(off, _mm256_slli_epi32(off, 16)), pairBytes);
      // All ones where a point lies on the upper of the two rows.
      const __m256i upper = _mm256_cmpeq_epi32(_mm256_srai_epi32(vy, 16), _mm256_set1_epi32(top));
      const __m256i middle = _mm256_shuffle_epi8(b, pick);
      const __m256i abovePair = _mm256_blendv_epi8(middle, _mm256_shuffle_epi8(a, pick), upper);
      const __m256i belowPair = _mm256_blendv_epi8(_mm256_shuffle_epi8(c, pick), middle, upper);
      const __m256i wx = _mm256_and_si256(_mm256_srai_epi32(vx, 8), byteMask);
      const __m256i wy = _mm256_and_si256(_mm256_srai_epi32(vy, 8), byteMask);
      // Words 256 - wx and wx.
      const __m256i across = _mm256_add_epi32(_mm256_sub_epi32(_mm256_slli_epi32(wx, 16), wx), weightBase);
      const __m256i topRow = _mm256_madd_epi16(abovePair, across);
      const __m256i bottomRow = _mm256_madd_epi16(belowPair, across);
      __m256i sum =
          _mm256_add_epi32(_mm256_slli_epi32(topRow, 8), _mm256_mullo_epi32(_mm256_sub_epi32(bottomRow, topRow), wy));
      sum = _mm256_srai_epi32(_mm256_add_epi32(sum, round), 16);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(d + x), Bytes8(sum));
    }
  }
  for (; x < count; ++x) ZoomPixel<1>(src, fx + stepX * x, fy + stepY * x, d + x, black);
}

}  // namespace tandemix::engine
