// AviSynth's resampler: its kernels (point, bilinear, bicubic, Lanczos,
// Spline16, Spline36, Spline64, Blackman, Gauss, Sinc, SinPower, SincLin2,
// UserDefined2), its resampling programs (14-bit integer taps that
// add up to exactly 1 << 14, the picture centre kept fixed, windows at
// fractional positions) and its passes over 8-bit planes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tandemix::engine {

struct ResampleKernel {
  enum class Kind {
    Point,
    Bilinear,
    Bicubic,
    Lanczos,
    Spline16,
    Spline36,
    Spline64,
    Blackman,
    Gauss,
    Sinc,
    SinPower,
    SincLin2,
    UserDefined2
  };
  Kind kind = Kind::Bilinear;
  double b = 1.0 / 3.0, c = 1.0 / 3.0;  // bicubic; UserDefined2's samples at 1 and 2 (of 255)
  int taps = 3;                         // Lanczos, Blackman, Sinc, SincLin2
  double p = 30.0;                      // Gauss (sharpness), SinPower (power)
  double base = 2.0;                    // Gauss
  double support = 4.0;                 // Gauss, UserDefined2

  double Support() const;
  double operator()(double x) const;
};

// For each target sample: the first source sample and `taps` coefficients.
struct ResampleProgram {
  int sourceSize = 0;
  int targetSize = 0;
  int taps = 0;
  std::vector<int> start;
  std::vector<std::int16_t> coefficients;  // targetSize * taps

  // The taps again for the vector form of the horizontal pass over planes
  // (ResamplerAvx2.cpp): targets [0, vectorTargets) in groups of 8, whose
  // every tap chunk of 8 bytes lies inside the row. For each group and
  // chunk, four runs of 16 taps: target k's 8 then target k + 4's, k = 0..3;
  // taps past `taps` are 0.
  int vectorTargets = 0;
  int chunks = 0;
  std::vector<std::int16_t> groupedTaps;

  // The shuffle form of that pass, for programs whose every group of 8
  // targets reads, for each half of 4, within the 16 bytes from the half's
  // first start (upscales and mild downscales): targets [0, shuffleTargets)
  // in groups of 8; for each group and pair of taps, a byte shuffle (the 4
  // targets' pixel pairs of each half as words) and the 8 targets' tap
  // pairs. shuffleTargets is 0 where the form does not apply.
  int shuffleTargets = 0;
  int tapPairs = 0;
  std::vector<std::uint8_t> pairShuffles;  // per group and pair: 32 bytes
  std::vector<std::int16_t> pairTaps;      // per group and pair: 16 taps
};

constexpr int kResampleBits = 14;

// The program that maps the source window [start, start + size) onto
// targetSize samples. A picture narrower than the kernel is taken too: its
// taps fold onto its edge samples.
ResampleProgram MakeResampleProgram(const ResampleKernel& kernel, int sourceSize, double start, double size,
                                    int targetSize);

// The same program for rows that lie bottom first in memory, as AviSynth
// keeps packed RGB: its taps are weighed (and rounded) from the bottom up,
// which can change a target by one.
ResampleProgram MakeResampleProgramBottomUp(const ResampleKernel& kernel, int sourceSize, double start, double size,
                                            int targetSize);

// Targets [first, first + count) of a program: what it gives there, alone.
ResampleProgram SliceProgram(const ResampleProgram& program, int first, int count);

// Resamples rows of interleaved samples (`step` bytes a pixel, each byte
// resampled on its own) along the row. Planes go through an AVX2 form where
// the processor has it and the vector kernels allow it (base/
// VectorKernels.h), else through an SSE4.1 form for programs with a shuffle
// form; packed pixels go through them one byte plane at a time. The bytes
// are the plain form's.
void ResampleRows(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst, std::size_t dstStride, int rows,
                  int step, const ResampleProgram& program);
void ResampleRowsPlain(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst, std::size_t dstStride,
                       int rows, int step, const ResampleProgram& program);
// Resamples columns: every byte of a row of `rowBytes` bytes. Runs an AVX2
// or SSE4.1 form where the processor has it and the vector kernels allow it,
// which gives the same bytes as the plain form.
void ResampleColumns(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst, std::size_t dstStride,
                     int rowBytes, const ResampleProgram& program, int firstRow = 0, int endRow = -1);
void ResampleColumnsPlain(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst, std::size_t dstStride,
                          int rowBytes, const ResampleProgram& program, int firstRow = 0, int endRow = -1);
// Whether a vector form of the passes runs (SSE4.1 or more).
bool ResampleVectorAvailable();

// One plane (or packed picture, `step` bytes a pixel) resized through a
// window, in AviSynth's order of passes (the larger intermediate first
// avoided), each pass left out when it only copies.
struct PlaneResize {
  ResampleProgram horizontal, vertical;
  bool doHorizontal = true, doVertical = true;
  bool verticalFirst = false;
  int cropLeft = 0, cropTop = 0;  // whole-pixel window of a pass left out
  int srcWidth = 0, srcHeight = 0, dstWidth = 0, dstHeight = 0, step = 1;
};
// `bottomUp`: the vertical pass weighs its taps from the bottom up
// (packed RGB, MakeResampleProgramBottomUp).
PlaneResize MakePlaneResize(const ResampleKernel& kernel, int srcWidth, int srcHeight, int step, double left,
                            double top, double width, double height, int dstWidth, int dstHeight,
                            bool bottomUp = false);
// Runs the resize; each pass is split into row bands run by `bands(count,
// cost, work)` (ParallelFor), so a large plane uses every core.
using BandRunner = void (*)(int count, long long cost, const std::function<void(int, int)>& work);
// Only the window (left, top, width, height) of the resize's target, the
// same bytes as the whole resize gives there (passes in the same order).
PlaneResize WindowOfPlaneResize(const PlaneResize& r, int left, int top, int width, int height);
void RunPlaneResize(const PlaneResize& r, const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst,
                    std::size_t dstStride, std::vector<std::uint8_t>& scratch, BandRunner bands);

}  // namespace tandemix::engine
