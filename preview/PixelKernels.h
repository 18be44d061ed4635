// The weighted sum of four neighbouring pixels shared by rotation and
// resize: per channel (a0·p[0] + a1·p[1] + b0·q[0] + b1·q[1]) >> Shift, where
// p and q each point at two adjacent pixels. Integer arithmetic; the SSE2
// form computes exactly the same sums, four channels at once.
#pragma once

#include <cstdint>
#include <cstring>

#include "base/VectorKernels.h"
#include "preview/PixMatrix.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tandemix {

// The vector kernels run wherever the processor has them. Switching them off
// (base/VectorKernels.h, shared with the engine) makes every operation
// take its plain per-pixel form; UseSse41Kernels() tells whether the SSE4.1
// group kernels of rotation, resize and the optimised anaglyph run.

// Weights are 0..1024. Reads one byte past p[1] and q[1], which every
// TPixMatrix allows (TPixMatrix::kSparePixels).
template <int Shift>
inline Pixel WeightedPixel(const Pixel* p, const Pixel* q, int a0, int a1, int b0, int b1) {
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  // 16-bit lanes blue0 blue1 green0 green1 red0 red1 of a pixel pair, so that
  // one multiply-add per pair gives a0·c0 + a1·c1 for each channel.
  auto lanes = [&](const Pixel* s) {
    std::int32_t first, second;
    std::memcpy(&first, s, 4);
    std::memcpy(&second, reinterpret_cast<const std::uint8_t*>(s) + 3, 4);
    return _mm_unpacklo_epi8(_mm_unpacklo_epi8(_mm_cvtsi32_si128(first), _mm_cvtsi32_si128(second)), zero);
  };
  const __m128i sum = _mm_add_epi32(_mm_madd_epi16(lanes(p), _mm_set1_epi32(a0 | (a1 << 16))),
                                    _mm_madd_epi16(lanes(q), _mm_set1_epi32(b0 | (b1 << 16))));
  const __m128i shifted = _mm_srli_epi32(sum, Shift);
  const std::uint32_t bytes =
      static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(shifted, shifted), zero)));
  return Pixel{static_cast<std::uint8_t>(bytes), static_cast<std::uint8_t>(bytes >> 8),
               static_cast<std::uint8_t>(bytes >> 16)};
#else
  return Pixel{
      static_cast<std::uint8_t>((a0 * p[0].blue + a1 * p[1].blue + b0 * q[0].blue + b1 * q[1].blue) >> Shift),
      static_cast<std::uint8_t>((a0 * p[0].green + a1 * p[1].green + b0 * q[0].green + b1 * q[1].green) >> Shift),
      static_cast<std::uint8_t>((a0 * p[0].red + a1 * p[1].red + b0 * q[0].red + b1 * q[1].red) >> Shift)};
#endif
}

}  // namespace tandemix
