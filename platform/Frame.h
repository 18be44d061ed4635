// A decoded video frame: 24 bits a pixel in blue, green, red byte order,
// rows from top to bottom, no padding between rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tandemix {

struct FrameBGR {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // width * height * 3 bytes

  FrameBGR() = default;
  FrameBGR(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h * 3, 0) {}

  std::size_t Stride() const { return static_cast<std::size_t>(width) * 3; }
  std::uint8_t* Row(int y) { return pixels.data() + Stride() * static_cast<std::size_t>(y); }
  const std::uint8_t* Row(int y) const { return pixels.data() + Stride() * static_cast<std::size_t>(y); }
  bool Empty() const { return width <= 0 || height <= 0; }
};

}  // namespace tandemix
