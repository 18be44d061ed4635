#include "engine/kernels/TemporalSoften.h"

#include <algorithm>
#include <cstdlib>

#include "base/VectorKernels.h"

namespace tandemix::engine {

void TemporalAccumulate(const std::uint8_t* row, const std::uint8_t* centre, const std::uint8_t* limit,
                        std::uint16_t* sums, int bytes) {
  for (int x = UseAvx2Kernels() ? TemporalAccumulateAvx2(row, centre, limit, sums, bytes) : 0; x < bytes; ++x) {
    const int v = row[x], c = centre[x];
    sums[x] = static_cast<std::uint16_t>(sums[x] + (std::abs(v - c) <= limit[x] ? v : c));
  }
}

void TemporalScale(const std::uint16_t* sums, std::uint8_t* dst, int bytes, int weight, bool sixteenBits) {
  int x = UseAvx2Kernels() ? TemporalScaleAvx2(sums, dst, bytes, weight, sixteenBits) : 0;
  if (sixteenBits)
    for (; x < bytes; ++x) dst[x] = static_cast<std::uint8_t>(std::min(255, (sums[x] * weight + 32768) >> 16));
  else
    for (; x < bytes; ++x) dst[x] = static_cast<std::uint8_t>(std::min(255, (sums[x] * weight + 16384) >> 15));
}

}  // namespace tandemix::engine
