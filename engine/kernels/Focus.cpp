#include "engine/kernels/Focus.h"

#include <algorithm>
#include <cmath>

namespace tandemix::engine {
namespace {

int Saturate16(int v) { return std::clamp(v, -32768, 32767); }
// The low 16 bits of a product, as a signed word.
int Low16(int v) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(v & 0xffff)); }

}  // namespace

FocusWeights FocusWeightsFor(double sharpen) {
  FocusWeights w;
  w.amount = static_cast<int>(32768.0 * std::pow(2.0, sharpen) + 0.5);
  w.coarse = (w.amount + 256) >> 9;
  return w;
}

std::uint8_t FocusCoarse(int left, int centre, int right, const FocusWeights& w) {
  const int c = Low16(centre * w.coarse);
  const int o = Low16((left + right) * (64 - w.coarse));
  int v = Saturate16(c + o);
  v = Saturate16(v + c);
  v = Saturate16(v + 64) >> 7;
  return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

FocusSplit FocusSplitFor(PixelType type, int plane, int rowBytes) {
  FocusSplit s;
  s.verticalCoarse = rowBytes >= 16;
  const int pixels = plane == 0 ? rowBytes / BytesPerPixel(type) : rowBytes;
  if (type == PixelType::RGB24)
    s.coarseEnd = 0;
  else if (type == PixelType::RGB32 || type == PixelType::YUY2)
    s.coarseEnd = rowBytes > 16 ? pixels : 0;
  else  // planes: 32-byte blocks where the row has one, else one of 16
    s.coarseEnd = rowBytes >= 32 ? rowBytes / 32 * 32 : rowBytes > 16 ? 16 : 0;
  return s;
}

void FocusColumns(const std::uint8_t* above, const std::uint8_t* row, const std::uint8_t* below, std::uint8_t* out,
                  int bytes, bool coarse, const FocusWeights& w) {
  if (coarse)
    for (int x = 0; x < bytes; ++x) out[x] = FocusCoarse(above[x], row[x], below[x], w);
  else
    for (int x = 0; x < bytes; ++x) out[x] = FocusFine(above[x], row[x], below[x], w);
}

void FocusRow(const std::uint8_t* row, std::uint8_t* out, PixelType type, int plane, int rowBytes, int coarseEnd,
              const FocusWeights& w) {
  const bool yuy2 = type == PixelType::YUY2;
  const int bpp = plane == 0 && !yuy2 ? BytesPerPixel(type) : 1;
  for (int i = 0; i < rowBytes; ++i) {
    // The step to the same channel's neighbours, and the channel's first
    // and last byte in the row.
    int step = bpp, first = i % bpp, last = rowBytes - bpp + i % bpp;
    if (yuy2) {
      step = (i & 1) == 0 ? 2 : 4;
      first = (i & 1) == 0 ? 0 : (i & 3);
      last = (i & 1) == 0 ? rowBytes - 2 : rowBytes - 4 + (i & 3);
    }
    const int left = row[i - step < first ? i : i - step];
    const int right = row[i + step > last ? i : i + step];
    const int pixel = yuy2 ? i / 2 : i / bpp;
    out[i] = pixel < coarseEnd ? FocusCoarse(left, row[i], right, w) : FocusFine(left, row[i], right, w);
  }
}

}  // namespace tandemix::engine
