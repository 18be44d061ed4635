#include "engine/frames/FrameCopy.h"

#include <cstring>
#include <memory>

#include "base/ParallelFor.h"

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
  if (width <= 0 || height <= 0) return;
  // One pass over the rectangle's rows shared by the pool: a whole frame's
  // copy (the first step of every filter that draws on its input) would
  // otherwise hold up the frame on one core. Each part copies its band of
  // luma rows and the chroma rows that fall in the same share.
  const int planes = src.Planes();
  const long long rowBytes = static_cast<long long>(width) * BytesPerPixel(src.type) * 2;
  ParallelFor(height, rowBytes, [&](int begin, int end) {
    for (int p = 0; p < planes; ++p) {
      const std::size_t bytes = p == 0 ? static_cast<std::size_t>(width) * BytesPerPixel(src.type)
                                       : static_cast<std::size_t>(width >> ChromaShiftX(src.type));
      const long long rows = p == 0 ? height : height >> ChromaShiftY(src.type);
      const auto first = static_cast<int>(rows * begin / height);
      const auto last = static_cast<int>(rows * end / height);
      if (first >= last) continue;
      const std::uint8_t* s = PixelAt(src, p, sx, sy);
      std::uint8_t* d = PixelAt(dst, p, dx, dy);
      for (int row = first; row < last; ++row)
        std::memcpy(d + dst.Stride(p) * static_cast<std::size_t>(row),
                    s + src.Stride(p) * static_cast<std::size_t>(row), bytes);
    }
  });
}

void Blit(const FrameBGR& src, FrameBGR& dst, int x, int y) { CopyRect(src, 0, 0, dst, x, y, src.width, src.height); }

void CopyWindow(const FrameBGR& src, FrameBGR& dst, int x, int y) {
  CopyRect(src, x, y, dst, 0, 0, dst.width, dst.height);
}

}  // namespace tandemix::engine
