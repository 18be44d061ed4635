// The SSE4.1 forms of the resampler's passes (Resampler.h), for processors
// without AVX2, each giving the very bytes of its plain form. Called only
// where the processor has SSE4.1.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/engine/Resampler.h"

namespace tandemix::engine {

// Along the rows, for programs with a shuffle form (shuffleTargets > 0).
void ResampleRowsSse41(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst, std::size_t dstStride,
                       int rows, const ResampleProgram& program);
void ResampleColumnsSse41(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst, std::size_t dstStride,
                          int rowBytes, const ResampleProgram& program, int firstRow, int endRow);

}  // namespace tandemix::engine
