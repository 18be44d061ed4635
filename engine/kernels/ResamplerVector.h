// The vector forms of the resampler's passes (Resampler.h), each giving the
// very bytes of its plain form: AVX2 (ResamplerAvx2.cpp), and SSE4.1 for
// processors without AVX2 (ResamplerSse41.cpp). Call each only where the
// processor has its instructions.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/kernels/Resampler.h"

namespace tandemix::engine {

void ResampleRowsAvx2(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst, std::size_t dstStride,
                      int rows, const ResampleProgram& program);
void ResampleColumnsAvx2(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst, std::size_t dstStride,
                         int rowBytes, const ResampleProgram& program, int firstRow, int endRow);

// Along the rows, for programs with a shuffle form (shuffleTargets > 0).
void ResampleRowsSse41(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst, std::size_t dstStride,
                       int rows, const ResampleProgram& program);
void ResampleColumnsSse41(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst, std::size_t dstStride,
                          int rowBytes, const ResampleProgram& program, int firstRow, int endRow);

}  // namespace tandemix::engine
