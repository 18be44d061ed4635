// A row through a table of 256 bytes (Levels, ColorYUV, Tweak's luma and
// every other per-sample mapping that is worked out once per clip).
#pragma once

#include <array>
#include <cstdint>

namespace tandemix::engine {

using ByteTable = std::array<std::uint8_t, 256>;

// dst[x] = table[src[x]] for x < count; src and dst may be the same row.
void LookUpBytes(const std::uint8_t* src, std::uint8_t* dst, int count, const ByteTable& table);

// The vector form (ByteTableAvx512.cpp, AVX-512 VBMI byte permutes): whole
// groups of 64 from the start; returns where it stopped.
int LookUpBytesAvx512(const std::uint8_t* src, std::uint8_t* dst, int count, const ByteTable& table);

}  // namespace tandemix::engine
