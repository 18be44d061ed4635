#include "engine/kernels/Focus.h"

#include <algorithm>
#include <cmath>

#include "base/VectorKernels.h"

namespace tandemix::engine {

FocusWeights FocusWeightsFor(double sharpen) {
  FocusWeights w;
  w.amount = static_cast<int>(32768.0 * std::pow(2.0, sharpen) + 0.5);
  w.coarse = (w.amount + 256) >> 9;
  return w;
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
  const int done = UseAvx2Kernels() ? FocusColumnsAvx2(above, row, below, out, bytes, coarse, w) : 0;
  if (coarse)
    for (int x = done; x < bytes; ++x) out[x] = FocusCoarse(above[x], row[x], below[x], w);
  else
    for (int x = done; x < bytes; ++x) out[x] = FocusFine(above[x], row[x], below[x], w);
}

namespace {

// Byte i of a row, with the same channel's neighbours (edge bytes stand in
// for missing ones): the plain rule, for the ends of a row.
std::uint8_t FocusByte(const std::uint8_t* row, PixelType type, int bpp, int rowBytes, int coarseEnd, int i,
                       const FocusWeights& w) {
  const bool yuy2 = type == PixelType::YUY2;
  int step = bpp, first = i % bpp, last = rowBytes - bpp + i % bpp;
  if (yuy2) {
    step = (i & 1) == 0 ? 2 : 4;
    first = (i & 1) == 0 ? 0 : (i & 3);
    last = (i & 1) == 0 ? rowBytes - 2 : rowBytes - 4 + (i & 3);
  }
  const int left = row[i - step < first ? i : i - step];
  const int right = row[i + step > last ? i : i + step];
  const int pixel = yuy2 ? i / 2 : i / bpp;
  return pixel < coarseEnd ? FocusCoarse(left, row[i], right, w) : FocusFine(left, row[i], right, w);
}

}  // namespace

void FocusRow(const std::uint8_t* row, std::uint8_t* out, PixelType type, int plane, int rowBytes, int coarseEnd,
              const FocusWeights& w) {
  const bool yuy2 = type == PixelType::YUY2;
  const int bpp = plane == 0 && !yuy2 ? BytesPerPixel(type) : 1;
  // Bytes within `reach` of either end take the plain rule; the rest have
  // both neighbours at a fixed step.
  const int reach = yuy2 ? 4 : bpp;
  if (rowBytes <= 2 * reach) {
    for (int i = 0; i < rowBytes; ++i) out[i] = FocusByte(row, type, bpp, rowBytes, coarseEnd, i, w);
    return;
  }
  for (int i = 0; i < reach; ++i) {
    out[i] = FocusByte(row, type, bpp, rowBytes, coarseEnd, i, w);
    out[rowBytes - 1 - i] = FocusByte(row, type, bpp, rowBytes, coarseEnd, rowBytes - 1 - i, w);
  }
  const int end = rowBytes - reach;
  const bool avx2 = UseAvx2Kernels();
  if (yuy2) {
    const int split = std::clamp(2 * coarseEnd, reach, end);
    for (int i = avx2 ? FocusRunAvx2(row, out, reach, split, 0, true, w) : reach; i < split; ++i) {
      const int step = (i & 1) == 0 ? 2 : 4;
      out[i] = FocusCoarse(row[i - step], row[i], row[i + step], w);
    }
    for (int i = avx2 ? FocusRunAvx2(row, out, split, end, 0, false, w) : split; i < end; ++i) {
      const int step = (i & 1) == 0 ? 2 : 4;
      out[i] = FocusFine(row[i - step], row[i], row[i + step], w);
    }
    return;
  }
  const int split = std::clamp(coarseEnd * bpp, reach, end);
  for (int i = avx2 ? FocusRunAvx2(row, out, reach, split, bpp, true, w) : reach; i < split; ++i)
    out[i] = FocusCoarse(row[i - bpp], row[i], row[i + bpp], w);
  for (int i = avx2 ? FocusRunAvx2(row, out, split, end, bpp, false, w) : split; i < end; ++i)
    out[i] = FocusFine(row[i - bpp], row[i], row[i + bpp], w);
}

}  // namespace tandemix::engine
