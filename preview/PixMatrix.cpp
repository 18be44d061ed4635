#include "preview/PixMatrix.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/Errors.h"

namespace tandemix {

void CheckPictureSize(const char* what, std::int64_t columns, std::int64_t rows) {
  const std::string size =
      std::string(what) + " would be " + std::to_string(columns) + " x " + std::to_string(rows) + " pixels";
  if (columns < 1 || rows < 1) throw TandemixError(size + "; it needs at least 1 x 1.");
  if (columns > kMaxPixDimension || rows > kMaxPixDimension)
    throw TandemixError(size + "; no side may exceed " + std::to_string(kMaxPixDimension) + ".");
  if (columns * rows > kMaxPixCount)
    throw TandemixError(size + "; the limit is " + std::to_string(kMaxPixCount) + " pixels.");
}

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
