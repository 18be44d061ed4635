#include "engine/kernels/ResamplerVector.h"

#include <immintrin.h>

#include <vector>

#include "engine/kernels/ResamplerTails.h"

namespace tandemix::engine {

// One group of the shuffle form in two rows at once, which share each load
// of the group's shuffles and taps: the 8 sums of each, shifted, in order.
__attribute__((target("avx2"))) static inline void ShuffleGroupSums(const std::uint8_t* s0, const std::uint8_t* s1,
                                                                    const int* start, int pairs, const __m256i* shuffle,
                                                                    const __m256i* weights, __m256i& sum0,
                                                                    __m256i& sum1) {
  const __m256i pixels0 = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(s0 + start[4]),
                                              reinterpret_cast<const __m128i*>(s0 + start[0]));
  const __m256i pixels1 = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(s1 + start[4]),
                                              reinterpret_cast<const __m128i*>(s1 + start[0]));
  sum0 = _mm256_set1_epi32(kResampleRound);
  sum1 = sum0;
  for (int pair = 0; pair < pairs; ++pair) {
    const __m256i pick = _mm256_loadu_si256(shuffle + pair);
    const __m256i taps = _mm256_loadu_si256(weights + pair);
    sum0 = _mm256_add_epi32(sum0, _mm256_madd_epi16(_mm256_shuffle_epi8(pixels0, pick), taps));
    sum1 = _mm256_add_epi32(sum1, _mm256_madd_epi16(_mm256_shuffle_epi8(pixels1, pick), taps));
  }
  sum0 = _mm256_srai_epi32(sum0, kResampleBits);
  sum1 = _mm256_srai_epi32(sum1, kResampleBits);
}

// The shuffle form (Resampler.h): each half of a group reads its 16 bytes
// once, and a byte shuffle per pair of taps lays out its 4 targets' pixel
// pairs as words for _mm256_madd_epi16; the 8 sums come out in order. Two
// rows a step (a last odd row is done twice), so the program's tables are
// read once for both and the two chains of adds overlap.
__attribute__((target("avx2"))) static void ResampleRowsShuffleAvx2(const std::uint8_t* src, std::size_t srcStride,
                                                                    std::uint8_t* dst, std::size_t dstStride, int rows,
                                                                    const ResampleProgram& program) {
  const int vectorEnd = program.shuffleTargets;
  const int pairs = program.tapPairs;
  const int* start = program.start.data();
  // Row 0's targets 0-7 in the low half, row 1's in the high half.
  const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 0, 0, 0, 0);
  for (int y = 0; y < rows; y += 2) {
    const int y1 = y + 1 < rows ? y + 1 : y;
    const std::uint8_t* s0 = src + srcStride * static_cast<std::size_t>(y);
    const std::uint8_t* s1 = src + srcStride * static_cast<std::size_t>(y1);
    std::uint8_t* d0 = dst + dstStride * static_cast<std::size_t>(y);
    std::uint8_t* d1 = dst + dstStride * static_cast<std::size_t>(y1);
    const auto* shuffle = reinterpret_cast<const __m256i*>(program.pairShuffles.data());
    const auto* weights = reinterpret_cast<const __m256i*>(program.pairTaps.data());
    for (int x = 0; x < vectorEnd; x += 8, shuffle += pairs, weights += pairs) {
      __m256i sum0, sum1;
      ShuffleGroupSums(s0, s1, start + x, pairs, shuffle, weights, sum0, sum1);
      // Words r0 t0-3, r1 t0-3 | r0 t4-7, r1 t4-7; bytes likewise; then in order.
      const __m256i words = _mm256_packs_epi32(sum0, sum1);
      const __m128i both =
          _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(_mm256_packus_epi16(words, words), order));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(d0 + x), both);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(d1 + x), _mm_unpackhi_epi64(both, both));
    }
    ResampleRowTail(s0, d0, vectorEnd, program);
    if (y1 != y) ResampleRowTail(s1, d1, vectorEnd, program);
  }
}

// The horizontal pass over planes, 8 targets at a time without gathers:
// each target's source bytes are read 8 at a time from its first tap, two
// targets to a register, and multiplied by its taps (the program's grouped
// taps, Resampler.h) with _mm256_madd_epi16; two rounds of horizontal adds
// leave the 8 sums in order. The same integer sums as the plain pass, so
// the bytes are the same. Targets past the program's vectorTargets, whose
// reads would pass the row's end, take the plain formula.
__attribute__((target("avx2"))) void ResampleRowsAvx2(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst,
                                                      std::size_t dstStride, int rows, const ResampleProgram& program) {
  if (program.shuffleTargets > 0) return ResampleRowsShuffleAvx2(src, srcStride, dst, dstStride, rows, program);
  const int vectorEnd = program.vectorTargets;
  const int chunks = program.chunks;
  const int* start = program.start.data();
  const __m256i round = _mm256_set1_epi32(kResampleRound);
  for (int y = 0; y < rows; ++y) {
    const std::uint8_t* s = src + srcStride * static_cast<std::size_t>(y);
    std::uint8_t* d = dst + dstStride * static_cast<std::size_t>(y);
    const std::int16_t* grouped = program.groupedTaps.data();
    for (int x = 0; x < vectorEnd; x += 8) {
      __m256i sums[4] = {_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256(),
                         _mm256_setzero_si256()};
      for (int chunk = 0; chunk < chunks; ++chunk) {
        for (int k = 0; k < 4; ++k, grouped += 16) {
          const __m128i first = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s + start[x + k] + 8 * chunk));
          const __m128i second = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s + start[x + k + 4] + 8 * chunk));
          const __m256i pixels = _mm256_cvtepu8_epi16(_mm_unpacklo_epi64(first, second));
          const __m256i weights = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(grouped));
          sums[k] = _mm256_add_epi32(sums[k], _mm256_madd_epi16(pixels, weights));
        }
      }
      // Lane 0 holds targets 0-3, lane 1 targets 4-7.
      __m256i total = _mm256_hadd_epi32(_mm256_hadd_epi32(sums[0], sums[1]), _mm256_hadd_epi32(sums[2], sums[3]));
      total = _mm256_srai_epi32(_mm256_add_epi32(total, round), kResampleBits);
      const __m256i words = _mm256_packs_epi32(total, total);
      const __m256i bytes = _mm256_packus_epi16(words, words);
      const __m128i ordered = _mm_unpacklo_epi32(_mm256_castsi256_si128(bytes), _mm256_extracti128_si256(bytes, 1));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(d + x), ordered);
    }
    ResampleRowTail(s, d, vectorEnd, program);
  }
}

// The vertical pass 32 bytes at a time, then 16: two taps a step through
// _mm256_madd_epi16 (a byte times a 14-bit tap, twice, fits 32 bits), the
// bytes of the two rows interleaved and widened to words, the taps' pairs
// made once per target row. The same integer sums as the plain pass, so the
// result is the same to the bit. Bytes past the last whole 16 go through the
// plain formula.
__attribute__((target("avx2"))) void ResampleColumnsAvx2(const std::uint8_t* src, std::size_t srcStride,
                                                         std::uint8_t* dst, std::size_t dstStride, int rowBytes,
                                                         const ResampleProgram& program, int firstRow, int endRow) {
  const int taps = program.taps;
  const int pairs = (taps + 1) / 2;
  const int whole32 = rowBytes / 32 * 32;
  const int whole16 = rowBytes / 16 * 16;
  const __m256i round = _mm256_set1_epi32(kResampleRound);
  const __m256i zero = _mm256_setzero_si256();
  std::vector<int> weights(static_cast<std::size_t>(pairs));  // a pair of taps in each
  for (int y = firstRow; y < endRow; ++y) {
    const std::int16_t* c = &program.coefficients[static_cast<std::size_t>(y) * static_cast<std::size_t>(taps)];
    for (int pair = 0; pair < pairs; ++pair) {
      const int k = 2 * pair;
      const auto wA = static_cast<std::uint16_t>(c[k]);
      const auto wB = k + 1 < taps ? static_cast<std::uint16_t>(c[k + 1]) : std::uint16_t{0};
      weights[static_cast<std::size_t>(pair)] = static_cast<int>(wA | (static_cast<std::uint32_t>(wB) << 16));
    }
    const std::uint8_t* s = src + srcStride * static_cast<std::size_t>(program.start[static_cast<std::size_t>(y)]);
    std::uint8_t* d = dst + dstStride * static_cast<std::size_t>(y);
    // The rows of pair `pair`: the second is the first again for an odd last tap (its tap is 0).
    const auto rowsOf = [&](int pair, int x, const std::uint8_t*& a, const std::uint8_t*& b) {
      a = s + srcStride * static_cast<std::size_t>(2 * pair) + x;
      b = 2 * pair + 1 < taps ? a + srcStride : a;
    };
    int x = 0;
    for (; x < whole32; x += 32) {
      __m256i sum0 = round, sum1 = round, sum2 = round, sum3 = round;
      for (int pair = 0; pair < pairs; ++pair) {
        const std::uint8_t *rowA, *rowB;
        rowsOf(pair, x, rowA, rowB);
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rowA));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rowB));
        const __m256i w = _mm256_set1_epi32(weights[static_cast<std::size_t>(pair)]);
        // Per lane: bytes 0-7 of the two rows interleaved, then bytes 8-15.
        const __m256i low = _mm256_unpacklo_epi8(a, b);
        const __m256i high = _mm256_unpackhi_epi8(a, b);
        sum0 = _mm256_add_epi32(sum0, _mm256_madd_epi16(_mm256_unpacklo_epi8(low, zero), w));
        sum1 = _mm256_add_epi32(sum1, _mm256_madd_epi16(_mm256_unpackhi_epi8(low, zero), w));
        sum2 = _mm256_add_epi32(sum2, _mm256_madd_epi16(_mm256_unpacklo_epi8(high, zero), w));
        sum3 = _mm256_add_epi32(sum3, _mm256_madd_epi16(_mm256_unpackhi_epi8(high, zero), w));
      }
      // Per lane: bytes 0-3, 4-7, 8-11, 12-15 packed back in order.
      const __m256i first =
          _mm256_packs_epi32(_mm256_srai_epi32(sum0, kResampleBits), _mm256_srai_epi32(sum1, kResampleBits));
      const __m256i second =
          _mm256_packs_epi32(_mm256_srai_epi32(sum2, kResampleBits), _mm256_srai_epi32(sum3, kResampleBits));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + x), _mm256_packus_epi16(first, second));
    }
    for (; x < whole16; x += 16) {
      __m256i low = round;
      __m256i high = round;
      for (int pair = 0; pair < pairs; ++pair) {
        const std::uint8_t *rowA, *rowB;
        rowsOf(pair, x, rowA, rowB);
        const __m256i a = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rowA)));
        const __m256i b = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rowB)));
        const __m256i w = _mm256_set1_epi32(weights[static_cast<std::size_t>(pair)]);
        low = _mm256_add_epi32(low, _mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), w));
        high = _mm256_add_epi32(high, _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), w));
      }
      low = _mm256_srai_epi32(low, kResampleBits);
      high = _mm256_srai_epi32(high, kResampleBits);
      const __m256i words = _mm256_packs_epi32(low, high);  // bytes 0-7 | 8-15, in order per lane
      const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), 0x08);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x), _mm256_castsi256_si128(bytes));
    }
    ResampleColumnTail(s, srcStride, c, taps, d, x, rowBytes);
  }
}

}  // namespace tandemix::engine
