// A 256-byte table as four 64-byte registers: one two-register byte permute
// looks up the low half (indices below 128, bit 6 choosing the register),
// another the high half, and each index's top bit picks between them.
#include <immintrin.h>

#include "engine/kernels/ByteTable.h"

namespace tandemix::engine {

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) int LookUpBytesAvx512(const std::uint8_t* src, std::uint8_t* dst,
                                                                             int count, const ByteTable& table) {
  const __m512i t0 = _mm512_loadu_si512(table.data());
  const __m512i t1 = _mm512_loadu_si512(table.data() + 64);
  const __m512i t2 = _mm512_loadu_si512(table.data() + 128);
  const __m512i t3 = _mm512_loadu_si512(table.data() + 192);
  int x = 0;
  for (; x + 64 <= count; x += 64) {
    const __m512i index = _mm512_loadu_si512(src + x);
    const __m512i low = _mm512_permutex2var_epi8(t0, index, t1);
    const __m512i high = _mm512_permutex2var_epi8(t2, index, t3);
    _mm512_storeu_si512(dst + x, _mm512_mask_blend_epi8(_mm512_movepi8_mask(index), low, high));
  }
  return x;
}

}  // namespace tandemix::engine
