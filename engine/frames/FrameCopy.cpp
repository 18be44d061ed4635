#include "engine/frames/FrameCopy.h"

#include <cstring>
#include <memory>

namespace tandemix::engine {

FramePtr Owned(FramePtr frame) {
  if (!frame || !frame->IsView()) return frame;
  return std::make_shared<const FrameBGR>(*frame);
}

namespace {
// Bytes from plane p's first to pixel (x, y).
std::size_t OffsetOf(const FrameBGR& f, int p, int x, int y) {
  const std::size_t px = p == 0 ? static_cast<std::size_t>(x) * BytesPerPixel(f.type)
                                : static_cast<std::size_t>(x >> ChromaShiftX(f.type));
  const auto py = static_cast<std::size_t>(p == 0 ? y : y >> ChromaShiftY(f.type));
  return f.Stride(p) * py + px;
}
}  // namespace

std::uint8_t* PixelAt(FrameBGR& f, int p, int x, int y) { return f.Plane(p) + OffsetOf(f, p, x, y); }
const std::uint8_t* PixelAt(const FrameBGR& f, int p, int x, int y) { return f.Plane(p) + OffsetOf(f, p, x, y); }

void CopyRect(const FrameBGR& src, int sx, int sy, FrameBGR& dst, int dx, int dy, int width, int height) {
  for (int p = 0; p < src.Planes(); ++p) {
    const std::uint8_t* s = PixelAt(src, p, sx, sy);
    std::uint8_t* d = PixelAt(dst, p, dx, dy);
    const std::size_t bytes = p == 0 ? static_cast<std::size_t>(width) * BytesPerPixel(src.type)
                                     : static_cast<std::size_t>(width >> ChromaShiftX(src.type));
    const int rows = p == 0 ? height : height >> ChromaShiftY(src.type);
    for (int row = 0; row < rows; ++row) std::memcpy(d + dst.Stride(p) * row, s + src.Stride(p) * row, bytes);
  }
}

void Blit(const FrameBGR& src, FrameBGR& dst, int x, int y) { CopyRect(src, 0, 0, dst, x, y, src.width, src.height); }

void CopyWindow(const FrameBGR& src, FrameBGR& dst, int x, int y) {
  CopyRect(src, x, y, dst, 0, 0, dst.width, dst.height);
}

}  // namespace tandemix::engine
