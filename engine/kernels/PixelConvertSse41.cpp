// The SSE4.1 forms of the conversion rows (PixelConvertAvx2.h), four pixels
// a step: the AVX2 forms' arithmetic in one 128-bit lane, for processors
// without AVX2.
#include <immintrin.h>

#include "engine/kernels/ConvertRows.h"

namespace tandemix::engine {
namespace {

// c0 * a + c1 * b + c2 * c + 4096 >> 13, clipped to a byte later by packing.
__attribute__((target("sse4.1"))) inline __m128i Channel(__m128i a, __m128i b, __m128i c, int c0, int c1, int c2) {
  const __m128i sum =
      _mm_add_epi32(_mm_add_epi32(_mm_mullo_epi32(a, _mm_set1_epi32(c0)), _mm_mullo_epi32(b, _mm_set1_epi32(c1))),
                    _mm_add_epi32(_mm_mullo_epi32(c, _mm_set1_epi32(c2)), _mm_set1_epi32(4096)));
  return _mm_srai_epi32(sum, 13);
}

// Four 32-bit lanes as four bytes clipped to 0..255, in the low bytes.
__attribute__((target("sse4.1"))) inline __m128i Bytes4(__m128i lanes) {
  const __m128i words = _mm_packs_epi32(lanes, lanes);
  return _mm_packus_epi16(words, words);
}

__attribute__((target("sse4.1"))) inline __m128i Load4(const std::uint8_t* p) {
  int word;
  __builtin_memcpy(&word, p, 4);
  return _mm_cvtepu8_epi32(_mm_cvtsi32_si128(word));
}

__attribute__((target("sse4.1"))) inline __m128i Row15(__m128i bg, __m128i r1, int c0, int c1, int c2) {
  const __m128i first = _mm_set1_epi32(
      static_cast<int>((static_cast<std::uint32_t>(c1) << 16) | (static_cast<std::uint32_t>(c0) & 0xffff)));
  const __m128i second = _mm_set1_epi32(static_cast<int>((16384u << 16) | (static_cast<std::uint32_t>(c2) & 0xffff)));
  return _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(bg, first), _mm_madd_epi16(r1, second)), 15);
}

__attribute__((target("sse4.1"))) inline void Store4(std::uint8_t* d, __m128i bytes) {
  const int word = _mm_cvtsi128_si32(bytes);
  __builtin_memcpy(d, &word, 4);
}

}  // namespace

__attribute__((target("sse4.1"))) int RgbRowToYuvSse41(const ToYuvMatrix& m, const std::uint8_t* s, std::uint8_t* y,
                                                       std::uint8_t* u, std::uint8_t* v, int count, int bytesPerPixel) {
  const int bpp = bytesPerPixel;
  // 16 bytes are read from the first of four pixels: not past the row's end.
  const int end = bpp == 3 ? (count - 6) / 4 * 4 : count / 4 * 4;
  const __m128i bg = bpp == 3 ? _mm_setr_epi8(0, -1, 1, -1, 3, -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1)
                              : _mm_setr_epi8(0, -1, 1, -1, 4, -1, 5, -1, 8, -1, 9, -1, 12, -1, 13, -1);
  const __m128i red = bpp == 3 ? _mm_setr_epi8(2, -1, -1, -1, 5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1)
                               : _mm_setr_epi8(2, -1, -1, -1, 6, -1, -1, -1, 10, -1, -1, -1, 14, -1, -1, -1);
  const __m128i ones = _mm_set1_epi32(1 << 16);
  const __m128i offsetY = _mm_set1_epi32(m.offsetY);
  const __m128i half = _mm_set1_epi32(128);
  int x = 0;
  for (; x < end; x += 4) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + static_cast<std::size_t>(x) * bpp));
    const __m128i pairs = _mm_shuffle_epi8(pixels, bg);
    const __m128i reds = _mm_or_si128(_mm_shuffle_epi8(pixels, red), ones);
    Store4(y + x, Bytes4(_mm_add_epi32(offsetY, Row15(pairs, reds, m.yb, m.yg, m.yr))));
    Store4(u + x, Bytes4(_mm_add_epi32(half, Row15(pairs, reds, m.ub, m.ug, m.ur))));
    Store4(v + x, Bytes4(_mm_add_epi32(half, Row15(pairs, reds, m.vb, m.vg, m.vr))));
  }
  return x < 0 ? 0 : x;
}

__attribute__((target("sse4.1"))) int YuvRowToRgbSse41(const ToRgbMatrix& m, const std::uint8_t* y,
                                                       const std::uint8_t* u, const std::uint8_t* v, std::uint8_t* d,
                                                       int count, int bytesPerPixel) {
  // RGB24 stores 16 bytes of which 12 count: the last 8 pixels are left.
  const int end = bytesPerPixel == 3 ? (count - 8) / 4 * 4 : count / 4 * 4;
  const __m128i offsetY = _mm_set1_epi32(m.offsetY);
  const __m128i half = _mm_set1_epi32(128);
  const __m128i alpha = bytesPerPixel == 4 ? _mm_set1_epi8(static_cast<char>(-1)) : _mm_setzero_si128();
  const __m128i drop = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  int x = 0;
  for (; x < end; x += 4) {
    const __m128i Y = _mm_add_epi32(Load4(y + x), offsetY);
    const __m128i U = _mm_sub_epi32(Load4(u + x), half);
    const __m128i V = _mm_sub_epi32(Load4(v + x), half);
    const __m128i b = Bytes4(Channel(Y, U, V, m.yb, m.ub, m.vb));
    const __m128i g = Bytes4(Channel(Y, U, V, m.yg, -m.ug, -m.vg));
    const __m128i r = Bytes4(Channel(Y, U, V, m.yr, m.ur, m.vr));
    const __m128i pixels = _mm_unpacklo_epi16(_mm_unpacklo_epi8(b, g), _mm_unpacklo_epi8(r, alpha));  // b g r a
    if (bytesPerPixel == 4)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * x), pixels);
    else
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 3 * x), _mm_shuffle_epi8(pixels, drop));
  }
  return x < 0 ? 0 : x;
}

}  // namespace tandemix::engine
