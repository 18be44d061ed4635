// The pixel matrix of the still-frame preview: rows × columns pixels of
// three bytes in blue, green, red order (the byte layout of a 24-bit bitmap
// scan line), row 0 at the top, indexed [row][column].
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

#include "core/Geometry.h"

namespace tandemix {

struct Pixel {
  std::uint8_t blue;
  std::uint8_t green;
  std::uint8_t red;
};
static_assert(sizeof(Pixel) == 3, "a pixel is three bytes, like a bitmap scan line");

class TPixMatrix {
 public:
  // Pixels readable (black) after the last one, for kernels that load 16
  // bytes at a time.
  static constexpr std::size_t kSparePixels = 8;

  TPixMatrix() = default;
  TPixMatrix(int rows, int columns) { SetSize(rows, columns); }
  TPixMatrix(const TPixMatrix& other);
  TPixMatrix& operator=(const TPixMatrix& other);
  // A moved-from matrix is empty.
  TPixMatrix(TPixMatrix&& other) noexcept { Swap(other); }
  TPixMatrix& operator=(TPixMatrix&& other) noexcept {
    TPixMatrix taken(std::move(other));
    Swap(taken);
    return *this;
  }

  // Gives the matrix rows × columns pixels (0 × 0 empties it). The pixels
  // are not cleared: every operation writes every pixel of its destination.
  // Storage is kept when the matrix shrinks, so repeated previews of one
  // size do not allocate; kSparePixels readable pixels follow the last one.
  // Throws TandemixError on a size CheckPictureSize refuses.
  void SetSize(int rows, int columns);

  int Rows() const { return rows_; }
  int Columns() const { return columns_; }

  Pixel* operator[](int row) { return pixels_.get() + static_cast<std::ptrdiff_t>(row) * columns_; }
  const Pixel* operator[](int row) const { return pixels_.get() + static_cast<std::ptrdiff_t>(row) * columns_; }

 private:
  void Swap(TPixMatrix& other) noexcept {
    std::swap(rows_, other.rows_);
    std::swap(columns_, other.columns_);
    std::swap(capacity_, other.capacity_);
    std::swap(pixels_, other.pixels_);
  }

  int rows_ = 0;
  int columns_ = 0;
  std::size_t capacity_ = 0;
  std::unique_ptr<Pixel[]> pixels_;
};

}  // namespace tandemix
