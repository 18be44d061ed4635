#include "preview/PixMatrix.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "base/Errors.h"

namespace tandemix {

TPixMatrix::TPixMatrix(const TPixMatrix& other) { *this = other; }

TPixMatrix& TPixMatrix::operator=(const TPixMatrix& other) {
  if (this == &other) return *this;
  SetSize(other.rows_, other.columns_);
  const std::size_t count = static_cast<std::size_t>(rows_) * static_cast<std::size_t>(columns_);
  if (count > 0) std::memcpy(pixels_.get(), other.pixels_.get(), count * sizeof(Pixel));
  return *this;
}

void TPixMatrix::SetSize(int rows, int columns) {
  if (rows == 0 && columns == 0) {
    rows_ = columns_ = 0;
    return;
  }
  CheckPictureSize("A pixel matrix", columns, rows);
  const std::size_t count = static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns);
  if (count > capacity_) {
    // Uninitialised on purpose: the operations write every pixel. Spare
    // pixels at the end let the resampling kernels load 16 bytes at the
    // last pixels.
    pixels_.reset(new Pixel[count + kSparePixels]);
    for (std::size_t i = count; i < count + kSparePixels; ++i) pixels_[i] = Pixel{0, 0, 0};
    capacity_ = count;
  }
  rows_ = rows;
  columns_ = columns;
}

}  // namespace tandemix
