// AviSynth's Blur and Sharpen: a three-tap filter (1 - w, 2w, 1 - w) / 2
// with w = 2 to the power of the sharpening amount, along rows or down
// columns, edge samples standing in for their missing neighbours.
//
// AviSynth computes it two ways and the bytes differ: in 15-bit fixed
// point, and in the 7-bit, 16-bit saturating form of its vector code,
// which it uses where rows are long enough (Blur and Sharpen choose per row
// as it does, FocusSplit). Both are written here as plain code.
#pragma once

#include <cstdint>

#include "base/Frame.h"

namespace tandemix::engine {

struct FocusWeights {
  int amount = 32768;  // the centre weight 2^a in 1/32768, rounded
  int coarse = 64;     // the same in 1/64, from amount: (amount + 256) >> 9
};
FocusWeights FocusWeightsFor(double sharpen);

// One output sample from its neighbours and itself.
inline std::uint8_t FocusFine(int left, int centre, int right, const FocusWeights& w) {
  const int v = (centre * 2 * w.amount + (left + right) * (32768 - w.amount) + 32768) >> 16;
  return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}
inline std::uint8_t FocusCoarse(int left, int centre, int right, const FocusWeights& w) {
  // Each product fits 16 bits (the coarse weight is 0 .. 128); the sums
  // saturate as 16-bit words do.
  const int c = centre * w.coarse;
  const int o = (left + right) * (64 - w.coarse);
  auto saturate = [](int v) { return v < -32768 ? -32768 : v > 32767 ? 32767 : v; };
  const int v = saturate(saturate(saturate(c + o) + c) + 64) >> 7;
  return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// How AviSynth filters a row of `rowBytes` bytes of a plane or packed
// picture: along the row, samples [0, coarseEnd) the coarse way and the
// rest the fine way; down the columns, the whole row one way.
struct FocusSplit {
  int coarseEnd = 0;  // in samples along the row (pixels of a packed row)
  bool verticalCoarse = false;
};
FocusSplit FocusSplitFor(PixelType type, int plane, int rowBytes);

// Down the columns: out = the filter of rows above, row, below.
void FocusColumns(const std::uint8_t* above, const std::uint8_t* row, const std::uint8_t* below, std::uint8_t* out,
                  int bytes, bool coarse, const FocusWeights& w);
// Along a row of `type` (plane p): each byte with the same channel's
// neighbours (YUY2's luma 2 bytes away, its chroma 4), pixels before
// coarseEnd the coarse way.
void FocusRow(const std::uint8_t* row, std::uint8_t* out, PixelType type, int plane, int rowBytes, int coarseEnd,
              const FocusWeights& w);

// The vector forms (FocusAvx2.cpp), for AVX2 processors: each does whole
// groups of sixteen bytes from the start (columns) or from `begin` (a run
// of a row whose samples all have both neighbours `step` bytes away; step
// 0 is YUY2's two and four) and returns where it stopped.
int FocusColumnsAvx2(const std::uint8_t* above, const std::uint8_t* row, const std::uint8_t* below, std::uint8_t* out,
                     int bytes, bool coarse, const FocusWeights& w);
int FocusRunAvx2(const std::uint8_t* row, std::uint8_t* out, int begin, int end, int step, bool coarse,
                 const FocusWeights& w);

}  // namespace tandemix::engine
