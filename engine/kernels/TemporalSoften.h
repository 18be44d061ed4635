// The two steps of TemporalSoften for a row: summing the frames' samples
// (a sample further than the threshold from the centre frame's counts as
// the centre's), then scaling the sum by 1 / frames in fixed point.
#pragma once

#include <cstdint>

namespace tandemix::engine {

// sums[x] += row[x] when |row[x] - centre[x]| <= limit[x], else centre[x].
// A sum of at most fifteen frames fits 16 bits.
void TemporalAccumulate(const std::uint8_t* row, const std::uint8_t* centre, const std::uint8_t* limit,
                        std::uint16_t* sums, int bytes);

// dst[x] = min(255, (sums[x] * weight + 16384) >> 15), or with `sixteenBits`
// (sums[x] * weight + 32768) >> 16; weight below 32768.
void TemporalScale(const std::uint16_t* sums, std::uint8_t* dst, int bytes, int weight, bool sixteenBits);

// The vector forms (TemporalSoftenAvx2.cpp): whole groups from the start;
// they return where they stopped.
int TemporalAccumulateAvx2(const std::uint8_t* row, const std::uint8_t* centre, const std::uint8_t* limit,
                           std::uint16_t* sums, int bytes);
int TemporalScaleAvx2(const std::uint16_t* sums, std::uint8_t* dst, int bytes, int weight, bool sixteenBits);

}  // namespace tandemix::engine
