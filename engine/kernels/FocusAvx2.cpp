// Blur and Sharpen sixteen samples at a time, in 16-bit lanes, giving the
// bytes of FocusFine and FocusCoarse (Focus.h).
//
// The fine rule (c * 2A + (l + r) * (32768 - A) + 32768) >> 16 is, with
// B = A - 32768 and d = 2c - l - r, exactly c + ((d * B + 32768) >> 16):
// the 65536 * c it leaves out is a whole number after the shift. d fits 16
// bits and d * B is one _mm256_madd_epi16 of (d, d) with (B / 2, B - B / 2),
// both halves within 16 bits for every amount Blur and Sharpen allow.
// The coarse rule is already 16-bit saturating arithmetic.
#include <immintrin.h>

#include "engine/kernels/Focus.h"

namespace tandemix::engine {
namespace {

struct FineWeights {
  __m256i halves;  // (B / 2, B - B / 2) in each pair of words
};

struct CoarseWeights {
  __m256i centre, sides;  // coarse and 64 - coarse in each word
};

__attribute__((target("avx2"))) inline __m256i Words(const std::uint8_t* p) {
  return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

__attribute__((target("avx2"))) inline void StoreBytes(std::uint8_t* out, __m256i words) {
  const __m256i bytes = _mm256_packus_epi16(words, words);  // 0..255, each half's eight in its low quarter
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(_mm256_permute4x64_epi64(bytes, 0xD8)));
}

__attribute__((target("avx2"))) inline __m256i Fine(__m256i l, __m256i c, __m256i r, const FineWeights& w) {
  const __m256i d = _mm256_sub_epi16(_mm256_add_epi16(c, c), _mm256_add_epi16(l, r));
  const __m256i round = _mm256_set1_epi32(32768);
  const __m256i low =
      _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(d, d), w.halves), round), 16);
  const __m256i high =
      _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(d, d), w.halves), round), 16);
  // The unpacks and the pack work within each 128-bit half: the order comes back.
  return _mm256_add_epi16(c, _mm256_packs_epi32(low, high));
}

__attribute__((target("avx2"))) inline __m256i Coarse(__m256i l, __m256i c, __m256i r, const CoarseWeights& w) {
  const __m256i centre = _mm256_mullo_epi16(c, w.centre);
  const __m256i sides = _mm256_mullo_epi16(_mm256_add_epi16(l, r), w.sides);
  __m256i v = _mm256_adds_epi16(_mm256_adds_epi16(centre, sides), centre);
  v = _mm256_adds_epi16(v, _mm256_set1_epi16(64));
  return _mm256_srai_epi16(v, 7);
}

// YUY2's neighbours of sixteen bytes from a luma byte: luma (even bytes)
// two bytes away, chroma (odd bytes) four.
__attribute__((target("avx2"))) inline void Yuy2Neighbours(const std::uint8_t* at, __m256i& l, __m256i& r) {
  const __m256i chroma = _mm256_set1_epi32(static_cast<int>(0xFFFF0000u));
  l = _mm256_blendv_epi8(Words(at - 2), Words(at - 4), chroma);
  r = _mm256_blendv_epi8(Words(at + 2), Words(at + 4), chroma);
}

__attribute__((target("avx2"))) FineWeights FineOf(const FocusWeights& w) {
  const int b = w.amount - 32768;
  const int half = b / 2;
  return {_mm256_set1_epi32(static_cast<int>((static_cast<unsigned>(b - half) << 16) | (half & 0xFFFF)))};
}

__attribute__((target("avx2"))) CoarseWeights CoarseOf(const FocusWeights& w) {
  return {_mm256_set1_epi16(static_cast<short>(w.coarse)), _mm256_set1_epi16(static_cast<short>(64 - w.coarse))};
}

}  // namespace

__attribute__((target("avx2"))) int FocusColumnsAvx2(const std::uint8_t* above, const std::uint8_t* row,
                                                     const std::uint8_t* below, std::uint8_t* out, int bytes,
                                                     bool coarse, const FocusWeights& w) {
  int x = 0;
  if (coarse) {
    const CoarseWeights cw = CoarseOf(w);
    for (; x + 16 <= bytes; x += 16)
      StoreBytes(out + x, Coarse(Words(above + x), Words(row + x), Words(below + x), cw));
  } else {
    const FineWeights fw = FineOf(w);
    for (; x + 16 <= bytes; x += 16) StoreBytes(out + x, Fine(Words(above + x), Words(row + x), Words(below + x), fw));
  }
  return x;
}

__attribute__((target("avx2"))) int FocusRunAvx2(const std::uint8_t* row, std::uint8_t* out, int begin, int end,
                                                 int step, bool coarse, const FocusWeights& w) {
  int i = begin;
  if (step > 0) {
    if (coarse) {
      const CoarseWeights cw = CoarseOf(w);
      for (; i + 16 <= end; i += 16)
        StoreBytes(out + i, Coarse(Words(row + i - step), Words(row + i), Words(row + i + step), cw));
    } else {
      const FineWeights fw = FineOf(w);
      for (; i + 16 <= end; i += 16)
        StoreBytes(out + i, Fine(Words(row + i - step), Words(row + i), Words(row + i + step), fw));
    }
    return i;
  }
  // YUY2: runs start on a luma byte.
  if (i & 1) return i;
  __m256i l, r;
  if (coarse) {
    const CoarseWeights cw = CoarseOf(w);
    for (; i + 16 <= end; i += 16) {
      Yuy2Neighbours(row + i, l, r);
      StoreBytes(out + i, Coarse(l, Words(row + i), r, cw));
    }
  } else {
    const FineWeights fw = FineOf(w);
    for (; i + 16 <= end; i += 16) {
      Yuy2Neighbours(row + i, l, r);
      StoreBytes(out + i, Fine(l, Words(row + i), r, fw));
    }
  }
  return i;
}

}  // namespace tandemix::engine
