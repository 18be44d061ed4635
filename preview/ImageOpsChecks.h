// Argument checks shared by the pixel operations: a call with dimensions
// that do not fit its matrices is a programming error, reported before any
// pixel is touched.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "preview/PixMatrix.h"

namespace tandemix {

inline void CheckDimensions(std::int64_t columns, std::int64_t rows) {
  if (columns < 1 || rows < 1 || columns > kMaxPixDimension || rows > kMaxPixDimension)
    throw std::invalid_argument("pixel operation: dimensions " + std::to_string(columns) + " x " +
                                std::to_string(rows) + " are outside 1.." + std::to_string(kMaxPixDimension));
}

inline void CheckHolds(const TPixMatrix& matrix, int rows, int columns, const char* name) {
  if (matrix.Rows() < rows || matrix.Columns() < columns)
    throw std::invalid_argument(std::string("pixel operation: the ") + name + " matrix is " +
                                std::to_string(matrix.Rows()) + " x " + std::to_string(matrix.Columns()) +
                                ", smaller than " + std::to_string(rows) + " x " + std::to_string(columns));
}

}  // namespace tandemix
