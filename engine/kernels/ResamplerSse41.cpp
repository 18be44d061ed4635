#include "engine/kernels/ResamplerVector.h"

#include <immintrin.h>

#include <vector>

#include "engine/kernels/ResamplerTails.h"

namespace tandemix::engine {
namespace {

// The 4 sums of one half of a group: its 16 bytes read once, each pair of
// taps laid out as words by a byte shuffle and weighted with madd.
__attribute__((target("sse4.1"))) inline __m128i HalfSums(const std::uint8_t* p, int pairs, const std::uint8_t* shuffle,
                                                          const std::int16_t* weights) {
  const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  __m128i sum = _mm_set1_epi32(kResampleRound);
  for (int pair = 0; pair < pairs; ++pair, shuffle += 32, weights += 16)
    sum = _mm_add_epi32(
        sum, _mm_madd_epi16(_mm_shuffle_epi8(pixels, _mm_loadu_si128(reinterpret_cast<const __m128i*>(shuffle))),
                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights))));
  return _mm_srai_epi32(sum, kResampleBits);
}

}  // namespace

// The shuffle form of the AVX2 pass a half group at a time: each 16-byte
// half of the program's shuffles and taps serves one half of 4 targets.
__attribute__((target("sse4.1"))) void ResampleRowsSse41(const std::uint8_t* src, std::size_t srcStride,
                                                         std::uint8_t* dst, std::size_t dstStride, int rows,
                                                         const ResampleProgram& program) {
  const int pairs = program.tapPairs;
  const int* start = program.start.data();
  for (int y = 0; y < rows; ++y) {
    const std::uint8_t* s = src + srcStride * static_cast<std::size_t>(y);
    std::uint8_t* d = dst + dstStride * static_cast<std::size_t>(y);
    const std::uint8_t* shuffle = program.pairShuffles.data();
    const std::int16_t* weights = program.pairTaps.data();
    for (int x = 0; x < program.shuffleTargets; x += 8, shuffle += 32 * pairs, weights += 16 * pairs) {
      const __m128i first = HalfSums(s + start[x], pairs, shuffle, weights);
      const __m128i second = HalfSums(s + start[x + 4], pairs, shuffle + 16, weights + 8);
      const __m128i words = _mm_packs_epi32(first, second);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(d + x), _mm_packus_epi16(words, words));
    }
    ResampleRowTail(s, d, program.shuffleTargets, program);
  }
}

// 16 bytes at a time, as the AVX2 pass does 32.
__attribute__((target("sse4.1"))) void ResampleColumnsSse41(const std::uint8_t* src, std::size_t srcStride,
                                                            std::uint8_t* dst, std::size_t dstStride, int rowBytes,
                                                            const ResampleProgram& program, int firstRow, int endRow) {
  const int taps = program.taps;
  const int pairs = (taps + 1) / 2;
  const int whole = rowBytes / 16 * 16;
  const __m128i zero = _mm_setzero_si128();
  std::vector<int> weights(static_cast<std::size_t>(pairs));  // a pair of taps in each
  for (int y = firstRow; y < endRow; ++y) {
    const std::int16_t* c = &program.coefficients[static_cast<std::size_t>(y) * static_cast<std::size_t>(taps)];
    for (int pair = 0; pair < pairs; ++pair) {
      const auto wA = static_cast<std::uint16_t>(c[2 * pair]);
      const auto wB = 2 * pair + 1 < taps ? static_cast<std::uint16_t>(c[2 * pair + 1]) : std::uint16_t{0};
      weights[static_cast<std::size_t>(pair)] = static_cast<int>(wA | (static_cast<std::uint32_t>(wB) << 16));
    }
    const std::uint8_t* s = src + srcStride * static_cast<std::size_t>(program.start[static_cast<std::size_t>(y)]);
    std::uint8_t* d = dst + dstStride * static_cast<std::size_t>(y);
    int x = 0;
    for (; x < whole; x += 16) {
      __m128i sum0 = _mm_set1_epi32(kResampleRound), sum1 = sum0, sum2 = sum0, sum3 = sum0;
      for (int pair = 0; pair < pairs; ++pair) {
        const std::uint8_t* rowA = s + srcStride * static_cast<std::size_t>(2 * pair) + x;
        const std::uint8_t* rowB = 2 * pair + 1 < taps ? rowA + srcStride : rowA;
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rowA));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rowB));
        const __m128i w = _mm_set1_epi32(weights[static_cast<std::size_t>(pair)]);
        const __m128i low = _mm_unpacklo_epi8(a, b);
        const __m128i high = _mm_unpackhi_epi8(a, b);
        sum0 = _mm_add_epi32(sum0, _mm_madd_epi16(_mm_unpacklo_epi8(low, zero), w));
        sum1 = _mm_add_epi32(sum1, _mm_madd_epi16(_mm_unpackhi_epi8(low, zero), w));
        sum2 = _mm_add_epi32(sum2, _mm_madd_epi16(_mm_unpacklo_epi8(high, zero), w));
        sum3 = _mm_add_epi32(sum3, _mm_madd_epi16(_mm_unpackhi_epi8(high, zero), w));
      }
      const __m128i first = _mm_packs_epi32(_mm_srai_epi32(sum0, kResampleBits), _mm_srai_epi32(sum1, kResampleBits));
      const __m128i second = _mm_packs_epi32(_mm_srai_epi32(sum2, kResampleBits), _mm_srai_epi32(sum3, kResampleBits));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x), _mm_packus_epi16(first, second));
    }
    ResampleColumnTail(s, srcStride, c, taps, d, x, rowBytes);
  }
}

}  // namespace tandemix::engine
