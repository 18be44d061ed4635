#include "engine/kernels/ByteTable.h"

#include "base/VectorKernels.h"

namespace tandemix::engine {

void LookUpBytes(const std::uint8_t* src, std::uint8_t* dst, int count, const ByteTable& table) {
  int x = UseAvx512VbmiKernels() ? LookUpBytesAvx512(src, dst, count, table) : 0;
  // Eight loads before eight stores: the table stays in registers' reach
  // and a store into dst cannot be taken to change what is read next.
  for (; x + 8 <= count; x += 8) {
    std::uint8_t v[8];
    for (int k = 0; k < 8; ++k) v[k] = table[src[x + k]];
    for (int k = 0; k < 8; ++k) dst[x + k] = v[k];
  }
  for (; x < count; ++x) dst[x] = table[src[x]];
}

}  // namespace tandemix::engine
