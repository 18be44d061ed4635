// TemporalSoften's row steps, 32 samples (sums: 16) at a time.
#include <immintrin.h>

#include "engine/kernels/TemporalSoften.h"

namespace tandemix::engine {

__attribute__((target("avx2"))) int TemporalAccumulateAvx2(const std::uint8_t* row, const std::uint8_t* centre,
                                                           const std::uint8_t* limit, std::uint16_t* sums, int bytes) {
  int x = 0;
  for (; x + 32 <= bytes; x += 32) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x));
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(centre + x));
    const __m256i lim = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(limit + x));
    const __m256i distance = _mm256_or_si256(_mm256_subs_epu8(v, c), _mm256_subs_epu8(c, v));
    const __m256i near = _mm256_cmpeq_epi8(_mm256_min_epu8(distance, lim), distance);
    const __m256i taken = _mm256_blendv_epi8(c, v, near);
    __m256i* out = reinterpret_cast<__m256i*>(sums + x);
    _mm256_storeu_si256(out,
                        _mm256_add_epi16(_mm256_loadu_si256(out), _mm256_cvtepu8_epi16(_mm256_castsi256_si128(taken))));
    _mm256_storeu_si256(out + 1, _mm256_add_epi16(_mm256_loadu_si256(out + 1),
                                                  _mm256_cvtepu8_epi16(_mm256_extracti128_si256(taken, 1))));
  }
  return x;
}

// _mm256_mulhrs_epi16 is (a * b + 16384) >> 15 exactly; the 16-bit rounding
// adds the low product's top bit to the high product.
__attribute__((target("avx2"))) int TemporalScaleAvx2(const std::uint16_t* sums, std::uint8_t* dst, int bytes,
                                                      int weight, bool sixteenBits) {
  const __m256i w = _mm256_set1_epi16(static_cast<short>(weight));
  int x = 0;
  for (; x + 16 <= bytes; x += 16) {
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sums + x));
    const __m256i scaled =
        sixteenBits ? _mm256_add_epi16(_mm256_mulhi_epu16(s, w), _mm256_srli_epi16(_mm256_mullo_epi16(s, w), 15))
                    : _mm256_mulhrs_epi16(s, w);
    const __m256i bytes8 = _mm256_permute4x64_epi64(_mm256_packus_epi16(scaled, scaled), 0xD8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), _mm256_castsi256_si128(bytes8));
  }
  return x;
}

}  // namespace tandemix::engine
