#include "engine/kernels/ConvertRows.h"

#include <immintrin.h>

namespace tandemix::engine {
namespace {

// c0 * a + c1 * b + c2 * c + 4096 >> 13, clipped to a byte later by packing.
__attribute__((target("avx2"))) inline __m256i Channel(__m256i a, __m256i b, __m256i c, int c0, int c1, int c2) {
  const __m256i sum = _mm256_add_epi32(
      _mm256_add_epi32(_mm256_mullo_epi32(a, _mm256_set1_epi32(c0)), _mm256_mullo_epi32(b, _mm256_set1_epi32(c1))),
      _mm256_add_epi32(_mm256_mullo_epi32(c, _mm256_set1_epi32(c2)), _mm256_set1_epi32(4096)));
  return _mm256_srai_epi32(sum, 13);
}

// Eight 32-bit lanes as eight bytes clipped to 0..255, in order.
__attribute__((target("avx2"))) inline __m128i Bytes8(__m256i lanes) {
  const __m256i words = _mm256_packs_epi32(lanes, lanes);
  const __m256i bytes = _mm256_packus_epi16(words, words);
  return _mm_unpacklo_epi32(_mm256_castsi256_si128(bytes), _mm256_extracti128_si256(bytes, 1));
}

__attribute__((target("avx2"))) inline __m256i Load8(const std::uint8_t* p) {
  return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}

// The sums of a matrix row for eight pixels: (b, g) pairs and (r, 1) pairs
// in 16-bit words, each pair multiplied and added by _mm256_madd_epi16, so
// c0 * b + c1 * g + c2 * r + 16384 exactly, then >> 15.
__attribute__((target("avx2"))) inline __m256i Row15(__m256i bg, __m256i r1, int c0, int c1, int c2) {
  const __m256i first = _mm256_set1_epi32(
      static_cast<int>((static_cast<std::uint32_t>(c1) << 16) | (static_cast<std::uint32_t>(c0) & 0xffff)));
  const __m256i second =
      _mm256_set1_epi32(static_cast<int>((16384u << 16) | (static_cast<std::uint32_t>(c2) & 0xffff)));
  return _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(bg, first), _mm256_madd_epi16(r1, second)), 15);
}

}  // namespace

// Eight pixels a step: four in each 128-bit lane, their bytes spread into
// 16-bit words by shuffles. The coefficients fit 16 bits (they are held as
// shorts when the matrix is built) and 16384 is the rounding term.
__attribute__((target("avx2"))) int RgbRowToYuvAvx2(const ToYuvMatrix& m, const std::uint8_t* s, std::uint8_t* y,
                                                    std::uint8_t* u, std::uint8_t* v, int count, int bytesPerPixel) {
  const int bpp = bytesPerPixel;
  // A lane reads 16 bytes from its first pixel: the last lane's read ends
  // within the row.
  const int end = bpp == 3 ? (count - 10) / 8 * 8 : count / 8 * 8;
  const __m256i bg = bpp == 3 ? _mm256_setr_epi8(0, -1, 1, -1, 3, -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1, 0, -1, 1, -1,
                                                 3, -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1)
                              : _mm256_setr_epi8(0, -1, 1, -1, 4, -1, 5, -1, 8, -1, 9, -1, 12, -1, 13, -1, 0, -1, 1, -1,
                                                 4, -1, 5, -1, 8, -1, 9, -1, 12, -1, 13, -1);
  const __m256i red = bpp == 3 ? _mm256_setr_epi8(2, -1, -1, -1, 5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1, 2, -1,
                                                  -1, -1, 5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1)
                               : _mm256_setr_epi8(2, -1, -1, -1, 6, -1, -1, -1, 10, -1, -1, -1, 14, -1, -1, -1, 2, -1,
                                                  -1, -1, 6, -1, -1, -1, 10, -1, -1, -1, 14, -1, -1, -1);
  const __m256i ones = _mm256_set1_epi32(1 << 16);
  const __m256i offsetY = _mm256_set1_epi32(m.offsetY);
  const __m256i half = _mm256_set1_epi32(128);
  int x = 0;
  for (; x < end; x += 8) {
    const std::uint8_t* p = s + static_cast<std::size_t>(x) * bpp;
    const __m256i pixels = _mm256_setr_m128i(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
                                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 4 * bpp)));
    const __m256i pairs = _mm256_shuffle_epi8(pixels, bg);
    const __m256i reds = _mm256_or_si256(_mm256_shuffle_epi8(pixels, red), ones);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(y + x),
                     Bytes8(_mm256_add_epi32(offsetY, Row15(pairs, reds, m.yb, m.yg, m.yr))));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(u + x),
                     Bytes8(_mm256_add_epi32(half, Row15(pairs, reds, m.ub, m.ug, m.ur))));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(v + x),
                     Bytes8(_mm256_add_epi32(half, Row15(pairs, reds, m.vb, m.vg, m.vr))));
  }
  return x;
}

// Eight pixels a step in 32-bit lanes with the plain formula's sums (the
// signs of ug and vg as the plain code has them); packing clips as Clip8
// does. The bytes are interleaved through 32-bit pixels; RGB24 drops every
// fourth byte with a shuffle and stores 16 bytes of which 12 count, so the
// last 16 pixels of a row are left to the caller.
__attribute__((target("avx2"))) int YuvRowToRgbAvx2(const ToRgbMatrix& m, const std::uint8_t* y, const std::uint8_t* u,
                                                    const std::uint8_t* v, std::uint8_t* d, int count,
                                                    int bytesPerPixel) {
  const int end = bytesPerPixel == 3 ? (count - 16) / 8 * 8 : count / 8 * 8;
  const __m256i offsetY = _mm256_set1_epi32(m.offsetY);
  const __m256i half = _mm256_set1_epi32(128);
  const __m128i alpha = bytesPerPixel == 4 ? _mm_set1_epi8(static_cast<char>(-1)) : _mm_setzero_si128();
  const __m128i drop = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  int x = 0;
  for (; x < end; x += 8) {
    const __m256i Y = _mm256_add_epi32(Load8(y + x), offsetY);
    const __m256i U = _mm256_sub_epi32(Load8(u + x), half);
    const __m256i V = _mm256_sub_epi32(Load8(v + x), half);
    const __m128i b = Bytes8(Channel(Y, U, V, m.yb, m.ub, m.vb));
    const __m128i g = Bytes8(Channel(Y, U, V, m.yg, -m.ug, -m.vg));
    const __m128i r = Bytes8(Channel(Y, U, V, m.yr, m.ur, m.vr));
    const __m128i bg = _mm_unpacklo_epi8(b, g);
    const __m128i ra = _mm_unpacklo_epi8(r, alpha);
    const __m128i first = _mm_unpacklo_epi16(bg, ra);  // pixels 0-3 as b g r a
    const __m128i second = _mm_unpackhi_epi16(bg, ra);
    if (bytesPerPixel == 4) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * x), first);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * x + 16), second);
    } else {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 3 * x), _mm_shuffle_epi8(first, drop));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 3 * x + 12), _mm_shuffle_epi8(second, drop));
    }
  }
  return x < 0 ? 0 : x;
}

}  // namespace tandemix::engine
