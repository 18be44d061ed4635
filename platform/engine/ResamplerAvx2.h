// The AVX2 forms of the resampler's passes (Resampler.h), each giving the
// very bytes of its plain form. Called only where the processor has AVX2.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/engine/Resampler.h"

namespace tandemix::engine {

void ResampleRowsAvx2(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst, std::size_t dstStride,
                      int rows, const ResampleProgram& program);
void ResampleColumnsAvx2(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst, std::size_t dstStride,
                         int rowBytes, const ResampleProgram& program, int firstRow, int endRow);

}  // namespace tandemix::engine
