// The resampler's plain formula for the samples its vector forms leave
// (ResamplerAvx2.cpp, ResamplerSse41.cpp): a row's last targets, a target
// row's last bytes. The same sums as the plain passes (Resampler.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/kernels/Resampler.h"

namespace tandemix::engine {

constexpr int kResampleRound = 1 << (kResampleBits - 1);

inline std::uint8_t ResampleClip8(int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// Targets [from, targetSize) of one row `s` into `d`.
inline void ResampleRowTail(const std::uint8_t* s, std::uint8_t* d, int from, const ResampleProgram& program) {
  const int taps = program.taps;
  const std::int16_t* c = program.coefficients.data() + static_cast<std::size_t>(from) * taps;
  for (int x = from; x < program.targetSize; ++x, c += taps) {
    const std::uint8_t* p = s + program.start[static_cast<std::size_t>(x)];
    int sum = kResampleRound;
    for (int k = 0; k < taps; ++k) sum += p[k] * c[k];
    d[x] = ResampleClip8(sum >> kResampleBits);
  }
}

// Bytes [from, rowBytes) of one target row from the `taps` source rows at
// `s` (`srcStride` apart) weighted by `c`.
inline void ResampleColumnTail(const std::uint8_t* s, std::size_t srcStride, const std::int16_t* c, int taps,
                               std::uint8_t* d, int from, int rowBytes) {
  for (int x = from; x < rowBytes; ++x) {
    int sum = kResampleRound;
    for (int k = 0; k < taps; ++k)
      sum += s[srcStride * static_cast<std::size_t>(k) + static_cast<std::size_t>(x)] * c[k];
    d[x] = ResampleClip8(sum >> kResampleBits);
  }
}

}  // namespace tandemix::engine
