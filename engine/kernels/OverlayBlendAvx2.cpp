// The vector forms of Overlay's blend (OverlayBlend.h): the same single
// precision steps, in the same order, eight or four bytes at a time (no
// fused multiply-add, which would round once instead of twice).
#include <immintrin.h>

#include <cstring>

#include "engine/kernels/OverlayBlend.h"

namespace tandemix::engine {
namespace {

__attribute__((target("avx2"))) inline __m256 Load8(const std::uint8_t* p) {
  long long word;
  std::memcpy(&word, p, 8);
  return _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_cvtsi64_si128(word)));
}

__attribute__((target("sse4.1"))) inline __m128 Load4(const std::uint8_t* p) {
  int word;
  std::memcpy(&word, p, 4);
  return _mm_cvtepi32_ps(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(word)));
}

}  // namespace

__attribute__((target("avx2"))) int OverlayBlendAvx2(const std::uint8_t* base, const std::uint8_t* over,
                                                     const std::uint8_t* mask, std::uint8_t* out, int count,
                                                     float factor) {
  const __m256 f = _mm256_set1_ps(factor);
  const __m256 half = _mm256_set1_ps(0.5f);
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256 b = Load8(base + i);
    const __m256 d = _mm256_sub_ps(Load8(over + i), b);  // exact: small integers
    const __m256 w = mask != nullptr ? _mm256_mul_ps(Load8(mask + i), f) : f;
    const __m256 moved = _mm256_add_ps(_mm256_add_ps(b, _mm256_mul_ps(d, w)), half);
    const __m256i lanes = _mm256_cvttps_epi32(moved);
    const __m128i words = _mm_packus_epi32(_mm256_castsi256_si128(lanes), _mm256_extracti128_si256(lanes, 1));
    const long long bytes = _mm_cvtsi128_si64(_mm_packus_epi16(words, words));
    std::memcpy(out + i, &bytes, 8);
  }
  return i;
}

__attribute__((target("sse4.1"))) int OverlayBlendSse41(const std::uint8_t* base, const std::uint8_t* over,
                                                        const std::uint8_t* mask, std::uint8_t* out, int count,
                                                        float factor) {
  const __m128 f = _mm_set1_ps(factor);
  const __m128 half = _mm_set1_ps(0.5f);
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128 b = Load4(base + i);
    const __m128 d = _mm_sub_ps(Load4(over + i), b);
    const __m128 w = mask != nullptr ? _mm_mul_ps(Load4(mask + i), f) : f;
    const __m128 moved = _mm_add_ps(_mm_add_ps(b, _mm_mul_ps(d, w)), half);
    const __m128i lanes = _mm_cvttps_epi32(moved);
    const __m128i words = _mm_packus_epi32(lanes, lanes);
    const int bytes = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
    std::memcpy(out + i, &bytes, 4);
  }
  return i;
}

}  // namespace tandemix::engine
