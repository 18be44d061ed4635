// The mix at the heart of Overlay's blend mode: each byte moves from the
// base towards the overlay by a weight, in single precision as AviSynth
// computes it, so that the bytes agree:
//   out = int(base + (over - base) * w + 0.5f),
// w = factor without a mask, float(mask) * factor with one (the factor is
// then opacity / 255).
#pragma once

#include <cstdint>

namespace tandemix::engine {

// One row of `count` bytes; `mask` may be null. Takes the vector form where
// the processor has it (base/VectorKernels.h); the bytes are the same.
void OverlayBlendRow(const std::uint8_t* base, const std::uint8_t* over, const std::uint8_t* mask, std::uint8_t* out,
                     int count, float factor);

// The plain form over [begin, end), and the vector forms, which do a
// leading part of the row and return how many bytes they did.
void OverlayBlendPlain(const std::uint8_t* base, const std::uint8_t* over, const std::uint8_t* mask, std::uint8_t* out,
                       int begin, int end, float factor);
int OverlayBlendAvx2(const std::uint8_t* base, const std::uint8_t* over, const std::uint8_t* mask, std::uint8_t* out,
                     int count, float factor);
int OverlayBlendSse41(const std::uint8_t* base, const std::uint8_t* over, const std::uint8_t* mask, std::uint8_t* out,
                      int count, float factor);

}  // namespace tandemix::engine
