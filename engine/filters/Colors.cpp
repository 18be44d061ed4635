#include "engine/filters/Colors.h"

#include <algorithm>
#include <cstring>

#include "engine/frames/FrameCopy.h"
#include "engine/kernels/PixelConvert.h"

namespace tandemix::engine {

PlaneColor ColorInType(PixelType type, long long rgb) {
  const ColorBGR c = ColorFromInt(rgb);
  PlaneColor out;
  if (IsAnyRGBType(type)) {
    out.v[0] = c.b;
    out.v[1] = c.g;
    out.v[2] = c.r;
    out.v[3] = static_cast<std::uint8_t>((rgb >> 24) & 0xff);
    return out;
  }
  // AviSynth's RGB2YUV (16-bit Rec601), which its AddBorders and BlankClip use.
  auto clip8 = [](int i) { return std::clamp((i + 32768) >> 16, 0, 255); };
  const int cyb = static_cast<int>(0.114 * 219 / 255 * 65536 + 0.5);
  const int cyg = static_cast<int>(0.587 * 219 / 255 * 65536 + 0.5);
  const int cyr = static_cast<int>(0.299 * 219 / 255 * 65536 + 0.5);
  const int y = (cyb * c.b + cyg * c.g + cyr * c.r + 0x108000) >> 16;
  const int scaledY = (y - 16) * static_cast<int>(255.0 / 219.0 * 65536 + 0.5);
  const int bY = (c.b << 16) - scaledY;
  const int u = clip8((bY >> 10) * static_cast<int>(1 / 2.018 * 1024 + 0.5) + 0x800000);
  const int rY = (c.r << 16) - scaledY;
  const int v = clip8((rY >> 10) * static_cast<int>(1 / 1.596 * 1024 + 0.5) + 0x800000);
  out.v[0] = static_cast<std::uint8_t>(y);
  out.v[1] = static_cast<std::uint8_t>(u);
  out.v[2] = static_cast<std::uint8_t>(v);
  return out;
}

PlaneColor YuvColorInType(PixelType type, long long yuv) {
  PlaneColor out;
  const int y = static_cast<int>((yuv >> 16) & 0xff), u = static_cast<int>((yuv >> 8) & 0xff),
            v = static_cast<int>(yuv & 0xff);
  if (IsYUVType(type)) {
    out.v[0] = static_cast<std::uint8_t>(y);
    out.v[1] = static_cast<std::uint8_t>(u);
    out.v[2] = static_cast<std::uint8_t>(v);
    return out;
  }
  int r = 0, g = 0, b = 0;
  YuvToRgb601(y, u, v, r, g, b);
  out.v[0] = static_cast<std::uint8_t>(b);
  out.v[1] = static_cast<std::uint8_t>(g);
  out.v[2] = static_cast<std::uint8_t>(r);
  return out;
}

void FillRect(FrameBGR& f, int x0, int y0, int x1, int y1, const PlaneColor& c) {
  x0 = std::clamp(x0, 0, f.width);
  x1 = std::clamp(x1, 0, f.width);
  y0 = std::clamp(y0, 0, f.height);
  y1 = std::clamp(y1, 0, f.height);
  if (x0 >= x1 || y0 >= y1) return;
  const int bpp = BytesPerPixel(f.type);
  if (f.type == PixelType::YUY2) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* p = f.Row(y);
      for (int x = x0; x < x1; ++x) {
        p[2 * x] = c.v[0];
        p[2 * x + 1] = (x & 1) ? c.v[2] : c.v[1];
      }
    }
    return;
  }
  if (f.Planes() == 1) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* p = f.Row(y);
      for (int x = x0; x < x1; ++x)
        for (int k = 0; k < bpp; ++k) p[bpp * x + k] = c.v[k];
    }
    return;
  }
  const int sx = ChromaShiftX(f.type), sy = ChromaShiftY(f.type);
  for (int p = 0; p < f.Planes(); ++p) {
    const int ax = p ? x0 >> sx : x0, bx = p ? (x1 + (1 << sx) - 1) >> sx : x1;
    const int ay = p ? y0 >> sy : y0, by = p ? (y1 + (1 << sy) - 1) >> sy : y1;
    for (int y = ay; y < by; ++y) std::memset(f.Row(p, y) + ax, c.v[p], static_cast<std::size_t>(bx - ax));
  }
}

ColorBGR ColorFromInt(long long rgb) {
  ColorBGR c;
  c.r = static_cast<std::uint8_t>((rgb >> 16) & 0xff);
  c.g = static_cast<std::uint8_t>((rgb >> 8) & 0xff);
  c.b = static_cast<std::uint8_t>(rgb & 0xff);
  return c;
}

}  // namespace tandemix::engine
