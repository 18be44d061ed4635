// The pixel rules of zoom's rotation (ZoomFilter.cpp), shared by its plain
// loop and its vector kernels (ZoomAvx2.cpp): each target pixel samples the
// source at a point given in 16.16 fixed point, bilinearly with 8-bit
// weights, black where no picture falls.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tandemix::engine {

// One plane of `channels` interleaved bytes a pixel.
struct PlaneView {
  const std::uint8_t* data;
  std::size_t stride;
  int width, height;
  std::size_t bytes;  // the readable bytes from data
};

// Target pixel `d` from the source point (fx, fy).
template <int C>
[[gnu::always_inline]] inline void ZoomPixel(const PlaneView& src, std::int64_t fx, std::int64_t fy, std::uint8_t* d,
                                             int black) {
  const int w = src.width;
  const int h = src.height;
  const std::size_t stride = src.stride;
  const std::int64_t ix = fx >> 16;
  const std::int64_t iy = fy >> 16;
  const int wx = static_cast<int>((fx >> 8) & 255);
  const int wy = static_cast<int>((fy >> 8) & 255);
  if (static_cast<std::uint64_t>(ix) < static_cast<std::uint64_t>(w - 1) &&
      static_cast<std::uint64_t>(iy) < static_cast<std::uint64_t>(h - 1)) {
    const std::uint8_t* p0 = src.data + stride * static_cast<std::size_t>(iy) + C * static_cast<std::size_t>(ix);
    const std::uint8_t* p1 = p0 + stride;
    for (int c = 0; c < C; ++c) {
      const int top = (p0[c] << 8) + (p0[c + C] - p0[c]) * wx;
      const int bottom = (p1[c] << 8) + (p1[c + C] - p1[c]) * wx;
      d[c] = static_cast<std::uint8_t>(((top << 8) + (bottom - top) * wy + 32768) >> 16);
    }
    return;
  }
  if (ix < -1 || iy < -1 || ix >= w || iy >= h) {
    for (int c = 0; c < C; ++c) d[c] = static_cast<std::uint8_t>(black);
    return;
  }
  // On the picture's edge: what lies outside is black.
  const int x0 = static_cast<int>(ix);
  const int y0 = static_cast<int>(iy);
  const int weights[2][2] = {{(256 - wx) * (256 - wy), wx * (256 - wy)}, {(256 - wx) * wy, wx * wy}};
  int sum[C] = {};
  for (int j = 0; j < 2; ++j) {
    for (int i = 0; i < 2; ++i) {
      const bool inside = y0 + j >= 0 && y0 + j < h && x0 + i >= 0 && x0 + i < w;
      const std::uint8_t* p =
          inside ? src.data + stride * static_cast<std::size_t>(y0 + j) + C * static_cast<std::size_t>(x0 + i)
                 : nullptr;
      for (int c = 0; c < C; ++c) sum[c] += weights[j][i] * (inside ? p[c] : black);
    }
  }
  for (int c = 0; c < C; ++c) d[c] = static_cast<std::uint8_t>((sum[c] + 32768) >> 16);
}

// A row of `count` one-byte pixels from the source point (fx, fy), moving
// by (stepX, stepY) a pixel; AVX2, the same bytes as ZoomPixel<1>. Call
// only where the processor has AVX2.
void ZoomPlaneRowAvx2(const PlaneView& src, std::int64_t fx, std::int64_t fy, std::int64_t stepX, std::int64_t stepY,
                      std::uint8_t* d, int count, int black);

}  // namespace tandemix::engine
