#include "engine/kernels/Resampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "base/VectorKernels.h"
#include "engine/kernels/ResamplerTails.h"
#include "engine/kernels/ResamplerVector.h"

namespace tandemix::engine {
namespace {

constexpr double kPi = 3.14159265358979323846;

double Sinc(double value) {
  if (value > 0.000001) {
    value *= kPi;
    return std::sin(value) / value;
  }
  return 1.0;
}

// Whether a pass is a plain copy of a whole-pixel window.
bool WholeWindow(double start, double size, int target, int source) {
  return size == target && start == std::floor(start) && start >= 0 && start + size <= source;
}

// Fills the program's shuffles and tap pairs (Resampler.h), or leaves
// shuffleTargets 0 where a group reads too wide.
void GroupTapPairsForShuffles(ResampleProgram& p) {
  p.shuffleTargets = 0;
  p.tapPairs = (p.taps + 1) / 2;
  p.pairShuffles.clear();
  p.pairTaps.clear();
  const auto start = [&](int x) { return p.start[static_cast<std::size_t>(x)]; };
  int groups = 0;  // whose two 16-byte reads lie inside the row
  while (groups * 8 + 8 <= p.targetSize && start(groups * 8 + 4) + 16 <= p.sourceSize) ++groups;
  for (int x = 0; x + 8 <= p.targetSize; x += 8)
    for (int half = 0; half < 8; half += 4)
      if (start(x + half + 3) - start(x + half) + p.taps > 16) return;
  p.shuffleTargets = groups * 8;
  p.pairShuffles.assign(static_cast<std::size_t>(groups) * p.tapPairs * 32, 0x80);
  p.pairTaps.assign(static_cast<std::size_t>(groups) * p.tapPairs * 16, 0);
  std::uint8_t* shuffle = p.pairShuffles.data();
  std::int16_t* taps = p.pairTaps.data();
  for (int x = 0; x < p.shuffleTargets; x += 8)
    for (int pair = 0; pair < p.tapPairs; ++pair, shuffle += 32, taps += 16)
      for (int i = 0; i < 8; ++i) {
        const int target = x + i;
        const int base = start(x + (i < 4 ? 0 : 4));
        for (int t = 0; t < 2; ++t) {
          const int tap = 2 * pair + t;
          if (tap >= p.taps) continue;
          // Word 2i + t of the register: its low byte the pixel, its high byte zero.
          shuffle[4 * i + 2 * t] = static_cast<std::uint8_t>(start(target) - base + tap);
          taps[2 * i + t] = p.coefficients[static_cast<std::size_t>(target) * p.taps + static_cast<std::size_t>(tap)];
        }
      }
}

// Fills the program's grouped taps (Resampler.h).
void GroupTapsForVectors(ResampleProgram& p) {
  p.chunks = (p.taps + 7) / 8;
  const int readBytes = p.chunks * 8;
  int safe = 0;  // starts only grow along the row
  while (safe < p.targetSize && p.start[static_cast<std::size_t>(safe)] + readBytes <= p.sourceSize) ++safe;
  p.vectorTargets = safe / 8 * 8;
  p.groupedTaps.assign(static_cast<std::size_t>(p.vectorTargets) * p.chunks * 8, 0);
  std::int16_t* out = p.groupedTaps.data();
  for (int group = 0; group < p.vectorTargets; group += 8)
    for (int chunk = 0; chunk < p.chunks; ++chunk)
      for (int k = 0; k < 4; ++k)
        for (int half = 0; half < 2; ++half) {
          const int x = group + k + 4 * half;
          for (int t = 0; t < 8; ++t, ++out) {
            const int tap = chunk * 8 + t;
            if (tap < p.taps)
              *out = p.coefficients[static_cast<std::size_t>(x) * p.taps + static_cast<std::size_t>(tap)];
          }
        }
  GroupTapPairsForShuffles(p);
}

}  // namespace

double ResampleKernel::Support() const {
  switch (kind) {
    case Kind::Point:
      return 0.0001;
    case Kind::Bilinear:
      return 1.0;
    case Kind::Bicubic:
      return 2.0;
    case Kind::Lanczos:
      return taps;
    case Kind::Spline16:
      return 2.0;
    case Kind::Spline36:
      return 3.0;
    case Kind::Spline64:
      return 4.0;
    case Kind::Blackman:
    case Kind::Sinc:
    case Kind::SincLin2:
      return taps;
    case Kind::Gauss:
    case Kind::UserDefined2:
      return support;
    case Kind::SinPower:
      return 2.0;
  }
  return 1.0;
}

double ResampleKernel::operator()(double x) const {
  x = std::fabs(x);
  switch (kind) {
    case Kind::Point:
      return 1.0;
    case Kind::Bilinear:
      return x < 1.0 ? 1.0 - x : 0.0;
    case Kind::Bicubic: {
      const double p0 = (6. - 2. * b) / 6., p2 = (-18. + 12. * b + 6. * c) / 6., p3 = (12. - 9. * b - 6. * c) / 6.;
      const double q0 = (8. * b + 24. * c) / 6., q1 = (-12. * b - 48. * c) / 6., q2 = (6. * b + 30. * c) / 6.,
                   q3 = (-b - 6. * c) / 6.;
      return x < 1 ? p0 + x * x * (p2 + x * p3) : x < 2 ? q0 + x * (q1 + x * (q2 + x * q3)) : 0.0;
    }
    case Kind::Lanczos:
      return x < taps ? Sinc(x) * Sinc(x / taps) : 0.0;
    case Kind::Spline16:
      if (x < 1.0) return ((x - 9.0 / 5.0) * x - 1.0 / 5.0) * x + 1.0;
      if (x < 2.0) {
        x -= 1.0;
        return ((-1.0 / 3.0 * x + 4.0 / 5.0) * x - 7.0 / 15.0) * x;
      }
      return 0.0;
    case Kind::Spline36:
      if (x < 1.0) return ((13.0 / 11.0 * x - 453.0 / 209.0) * x - 3.0 / 209.0) * x + 1.0;
      if (x < 2.0) {
        x -= 1.0;
        return ((-6.0 / 11.0 * x + 270.0 / 209.0) * x - 156.0 / 209.0) * x;
      }
      if (x < 3.0) {
        x -= 2.0;
        return ((1.0 / 11.0 * x - 45.0 / 209.0) * x + 26.0 / 209.0) * x;
      }
      return 0.0;
    case Kind::Spline64:
      if (x < 1.0) return ((49.0 / 41.0 * x - 6387.0 / 2911.0) * x - 3.0 / 2911.0) * x + 1.0;
      if (x < 2.0) {
        x -= 1.0;
        return ((-24.0 / 41.0 * x + 4032.0 / 2911.0) * x - 2328.0 / 2911.0) * x;
      }
      if (x < 3.0) {
        x -= 2.0;
        return ((6.0 / 41.0 * x - 1008.0 / 2911.0) * x + 582.0 / 2911.0) * x;
      }
      if (x < 4.0) {
        x -= 3.0;
        return ((-1.0 / 41.0 * x + 168.0 / 2911.0) * x - 97.0 / 2911.0) * x;
      }
      return 0.0;
    case Kind::Blackman:
      if (x >= taps) return 0.0;
      if (x <= 0.000001) return 1.0;
      return Sinc(x) * (0.42 + 0.5 * std::cos(kPi * x / taps) + 0.08 * std::cos(2.0 * kPi * x / taps));
    case Kind::Gauss:
      return std::pow(base, -p * 0.1 * x * x);
    case Kind::Sinc:
      // Not cut at the taps: a shrinking program's outer taps, past the
      // support, keep their weights.
      return Sinc(x);
    case Kind::SinPower: {
      // cos to the power 1.8 over the first quarter period of cos(pi x / p),
      // a negative lobe of cos^2 falling off as 1 / (0.9 * angle) over the
      // second, nothing past half a period.
      const double angle = x * kPi / p;
      if (angle <= kPi / 2) return std::pow(std::cos(angle), 1.8);
      if (angle < kPi) {
        const double w = std::cos(angle);
        return -w * w / (0.9 * angle);
      }
      return 0.0;
    }
    case Kind::SincLin2:
      // Past the taps the linear ramp turns negative: not cut either.
      return x < taps / 2.0 ? Sinc(x) : Sinc(x) * (2.0 - 2.0 * x / taps);
    case Kind::UserDefined2:
      // Not cut at the support either.
      return c * Sinc(std::fabs(x + 2.0)) + b * Sinc(std::fabs(x + 1.0)) + Sinc(x) + b * Sinc(std::fabs(x - 1.0)) +
             c * Sinc(std::fabs(x - 2.0));
  }
  return 0.0;
}

ResampleProgram MakeResampleProgram(const ResampleKernel& kernel, int sourceSize, double start, double size,
                                    int targetSize) {
  const double scale = targetSize / size;
  const double filterStep = std::min(scale, 1.0);
  // Shrinking widens the support by the step between targets (taken as
  // that product: dividing by the scale rounds differently, and the last
  // bit decides where a window ends).
  const double support = scale < 1.0 ? kernel.Support() * (size / targetSize) : kernel.Support();
  const int fullTaps = static_cast<int>(std::ceil(support * 2));
  const bool point = fullTaps == 1;
  // A picture narrower than the kernel is read no further than its edge.
  const int taps = std::min(fullTaps, sourceSize);
  ResampleProgram program;
  program.sourceSize = sourceSize;
  program.targetSize = targetSize;
  program.taps = taps;
  program.start.resize(static_cast<std::size_t>(targetSize));
  program.coefficients.resize(static_cast<std::size_t>(targetSize) * static_cast<std::size_t>(taps));
  const double posStep = size / targetSize;
  // The picture's centre stays fixed; the point kernel samples from the window's edge.
  double pos = point ? start : start + (size - targetSize) / (targetSize * 2.0);
  constexpr double kScale = 1 << kResampleBits;
  // The kernel is laid at the sample's own place, also near the edges;
  // taps that fall outside the picture read its edge sample (AviSynth
  // repeats the edge), so their weights are added to the edge tap's and
  // the window is kept inside the picture. The weights are made integers
  // after that, over the taps inside the picture.
  std::vector<double> weights(static_cast<std::size_t>(taps));
  for (int i = 0; i < targetSize; ++i) {
    const int first = point ? std::clamp(static_cast<int>(pos + support), 0, sourceSize - 1)
                            : static_cast<int>(std::floor(pos + support)) - fullTaps + 1;
    const int from = std::clamp(first, 0, sourceSize - taps);
    std::fill(weights.begin(), weights.end(), 0.0);
    double total = 0.0;
    for (int k = 0; k < fullTaps; ++k) {
      const double w = kernel((first + k - pos) * filterStep);
      total += w;
      weights[static_cast<std::size_t>(std::clamp(first + k, 0, sourceSize - 1) - from)] += w;
    }
    if (total == 0.0) total = 1.0;
    program.start[static_cast<std::size_t>(i)] = from;
    std::int16_t* c = &program.coefficients[static_cast<std::size_t>(i) * static_cast<std::size_t>(taps)];
    double value = 0.0;
    for (int k = 0; k < taps; ++k) {
      const double next = value + weights[static_cast<std::size_t>(k)] / total;
      c[k] = static_cast<std::int16_t>(static_cast<int>(next * kScale + 0.5) - static_cast<int>(value * kScale + 0.5));
      value = next;
    }
    pos += posStep;
  }
  GroupTapsForVectors(program);
  return program;
}

ResampleProgram MakeResampleProgramBottomUp(const ResampleKernel& kernel, int sourceSize, double start, double size,
                                            int targetSize) {
  // Made in the mirrored picture, where the rows run the other way, then
  // turned back: target i is the mirrored target targetSize - 1 - i, with
  // its taps in the other order.
  const ResampleProgram m = MakeResampleProgram(kernel, sourceSize, sourceSize - start - size, size, targetSize);
  ResampleProgram program = m;
  const auto taps = static_cast<std::size_t>(m.taps);
  for (int i = 0; i < targetSize; ++i) {
    const auto from = static_cast<std::size_t>(targetSize - 1 - i), to = static_cast<std::size_t>(i);
    program.start[to] = sourceSize - m.start[from] - m.taps;
    for (std::size_t k = 0; k < taps; ++k)
      program.coefficients[to * taps + k] = m.coefficients[from * taps + taps - 1 - k];
  }
  GroupTapsForVectors(program);
  return program;
}

ResampleProgram SliceProgram(const ResampleProgram& program, int first, int count) {
  ResampleProgram slice;
  slice.sourceSize = program.sourceSize;
  slice.targetSize = count;
  slice.taps = program.taps;
  const auto begin = static_cast<std::ptrdiff_t>(first);
  slice.start.assign(program.start.begin() + begin, program.start.begin() + begin + count);
  const std::ptrdiff_t taps = program.taps;
  slice.coefficients.assign(program.coefficients.begin() + begin * taps,
                            program.coefficients.begin() + (begin + count) * taps);
  GroupTapsForVectors(slice);
  return slice;
}

bool ResampleVectorAvailable() { return UseSse41Kernels(); }

void ResampleRowsPlain(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst, std::size_t dstStride,
                       int rows, int step, const ResampleProgram& program) {
  const int taps = program.taps;
  for (int y = 0; y < rows; ++y) {
    const std::uint8_t* s = src + srcStride * static_cast<std::size_t>(y);
    std::uint8_t* d = dst + dstStride * static_cast<std::size_t>(y);
    const std::int16_t* c = program.coefficients.data();
    for (int x = 0; x < program.targetSize; ++x, c += taps) {
      const std::uint8_t* p = s + static_cast<std::size_t>(program.start[static_cast<std::size_t>(x)]) * step;
      for (int ch = 0; ch < step; ++ch) {
        int sum = kResampleRound;
        for (int k = 0; k < taps; ++k) sum += p[k * step + ch] * c[k];
        d[x * step + ch] = ResampleClip8(sum >> kResampleBits);
      }
    }
  }
}

void ResampleRows(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst, std::size_t dstStride, int rows,
                  int step, const ResampleProgram& program) {
  using RowPass = void (*)(const std::uint8_t*, std::size_t, std::uint8_t*, std::size_t, int, const ResampleProgram&);
  RowPass pass = nullptr;
  if (UseAvx2Kernels())
    pass = ResampleRowsAvx2;
  else if (UseSse41Kernels() && program.shuffleTargets > 0)
    pass = ResampleRowsSse41;
  if (!pass) return ResampleRowsPlain(src, srcStride, dst, dstStride, rows, step, program);
  if (step == 1) return pass(src, srcStride, dst, dstStride, rows, program);
  // Packed pixels: each byte of a pixel is resampled on its own, so the row
  // is split into planes, each resampled as a plane, and woven back.
  thread_local std::vector<std::uint8_t> planes;
  const std::size_t in = static_cast<std::size_t>(program.sourceSize);
  const std::size_t out = static_cast<std::size_t>(program.targetSize);
  planes.resize(static_cast<std::size_t>(step) * (in + out));
  std::uint8_t* apart = planes.data();
  std::uint8_t* done = apart + static_cast<std::size_t>(step) * in;
  for (int y = 0; y < rows; ++y) {
    const std::uint8_t* s = src + srcStride * static_cast<std::size_t>(y);
    std::uint8_t* d = dst + dstStride * static_cast<std::size_t>(y);
    for (std::size_t x = 0; x < in; ++x)
      for (int c = 0; c < step; ++c) apart[c * in + x] = s[x * step + static_cast<std::size_t>(c)];
    pass(apart, in, done, out, step, program);
    for (std::size_t x = 0; x < out; ++x)
      for (int c = 0; c < step; ++c) d[x * step + static_cast<std::size_t>(c)] = done[c * out + x];
  }
}

void ResampleColumnsPlain(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst, std::size_t dstStride,
                          int rowBytes, const ResampleProgram& program, int firstRow, int endRow) {
  const int taps = program.taps;
  if (endRow < 0) endRow = program.targetSize;
  std::vector<int> sums(static_cast<std::size_t>(rowBytes));
  for (int y = firstRow; y < endRow; ++y) {
    const std::int16_t* c = &program.coefficients[static_cast<std::size_t>(y) * static_cast<std::size_t>(taps)];
    const std::uint8_t* s = src + srcStride * static_cast<std::size_t>(program.start[static_cast<std::size_t>(y)]);
    int* sum = sums.data();
    std::fill(sums.begin(), sums.end(), kResampleRound);
    for (int k = 0; k < taps; ++k) {
      const int w = c[k];
      const std::uint8_t* row = s + srcStride * static_cast<std::size_t>(k);
      for (int x = 0; x < rowBytes; ++x) sum[x] += row[x] * w;
    }
    std::uint8_t* d = dst + dstStride * static_cast<std::size_t>(y);
    for (int x = 0; x < rowBytes; ++x) d[x] = ResampleClip8(sum[x] >> kResampleBits);
  }
}

void ResampleColumns(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst, std::size_t dstStride,
                     int rowBytes, const ResampleProgram& program, int firstRow, int endRow) {
  if (endRow < 0) endRow = program.targetSize;
  if (UseAvx2Kernels())
    ResampleColumnsAvx2(src, srcStride, dst, dstStride, rowBytes, program, firstRow, endRow);
  else if (UseSse41Kernels())
    ResampleColumnsSse41(src, srcStride, dst, dstStride, rowBytes, program, firstRow, endRow);
  else
    ResampleColumnsPlain(src, srcStride, dst, dstStride, rowBytes, program, firstRow, endRow);
}

PlaneResize MakePlaneResize(const ResampleKernel& kernel, int srcWidth, int srcHeight, int step, double left,
                            double top, double width, double height, int dstWidth, int dstHeight, bool bottomUp) {
  PlaneResize r;
  r.srcWidth = srcWidth;
  r.srcHeight = srcHeight;
  r.dstWidth = dstWidth;
  r.dstHeight = dstHeight;
  r.step = step;
  r.verticalFirst = height * dstWidth < width * dstHeight;
  r.doHorizontal = !WholeWindow(left, width, dstWidth, srcWidth);
  r.doVertical = !WholeWindow(top, height, dstHeight, srcHeight);
  if (r.doHorizontal)
    r.horizontal = MakeResampleProgram(kernel, srcWidth, left, width, dstWidth);
  else
    r.cropLeft = static_cast<int>(left);
  if (r.doVertical)
    r.vertical = bottomUp ? MakeResampleProgramBottomUp(kernel, srcHeight, top, height, dstHeight)
                          : MakeResampleProgram(kernel, srcHeight, top, height, dstHeight);
  else
    r.cropTop = static_cast<int>(top);
  return r;
}

PlaneResize WindowOfPlaneResize(const PlaneResize& r, int left, int top, int width, int height) {
  PlaneResize w = r;
  w.dstWidth = width;
  w.dstHeight = height;
  if (r.doHorizontal)
    w.horizontal = SliceProgram(r.horizontal, left, width);
  else
    w.cropLeft += left;
  if (r.doVertical)
    w.vertical = SliceProgram(r.vertical, top, height);
  else
    w.cropTop += top;
  return w;
}

void RunPlaneResize(const PlaneResize& r, const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst,
                    std::size_t dstStride, std::vector<std::uint8_t>& scratch, BandRunner bands) {
  const int step = r.step;
  // A pass left out takes its whole-pixel window from the source.
  src += srcStride * static_cast<std::size_t>(r.cropTop) + static_cast<std::size_t>(r.cropLeft) * step;
  const int inWidth = r.doHorizontal ? r.srcWidth : r.dstWidth;
  const int inHeight = r.doVertical ? r.srcHeight : r.dstHeight;
  if (!r.doHorizontal && !r.doVertical) {
    for (int y = 0; y < r.dstHeight; ++y)
      std::memcpy(dst + dstStride * y, src + srcStride * y, static_cast<std::size_t>(r.dstWidth) * step);
    return;
  }
  auto rows = [&](const std::uint8_t* s, std::size_t ss, std::uint8_t* d, std::size_t ds, int count) {
    bands(count, static_cast<long long>(r.dstWidth) * step * r.horizontal.taps, [&](int begin, int end) {
      ResampleRows(s + ss * static_cast<std::size_t>(begin), ss, d + ds * static_cast<std::size_t>(begin), ds,
                   end - begin, step, r.horizontal);
    });
  };
  auto columns = [&](const std::uint8_t* s, std::size_t ss, std::uint8_t* d, std::size_t ds, int rowBytes) {
    bands(r.dstHeight, static_cast<long long>(rowBytes) * r.vertical.taps,
          [&](int begin, int end) { ResampleColumns(s, ss, d, ds, rowBytes, r.vertical, begin, end); });
  };
  if (!r.doVertical) return rows(src, srcStride, dst, dstStride, r.dstHeight);
  if (!r.doHorizontal) return columns(src, srcStride, dst, dstStride, r.dstWidth * step);
  if (r.verticalFirst) {
    const std::size_t midStride = static_cast<std::size_t>(inWidth) * step;
    scratch.resize(midStride * static_cast<std::size_t>(r.dstHeight));
    columns(src, srcStride, scratch.data(), midStride, inWidth * step);
    rows(scratch.data(), midStride, dst, dstStride, r.dstHeight);
  } else {
    const std::size_t midStride = static_cast<std::size_t>(r.dstWidth) * step;
    scratch.resize(midStride * static_cast<std::size_t>(inHeight));
    rows(src, srcStride, scratch.data(), midStride, inHeight);
    columns(scratch.data(), midStride, dst, dstStride, r.dstWidth * step);
  }
}

}  // namespace tandemix::engine
