#include "platform/engine/Resampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <immintrin.h>

#include "platform/engine/ScriptError.h"

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

std::uint8_t Clip8(int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// Whether a pass is a plain copy of a whole-pixel window.
bool WholeWindow(double start, double size, int target, int source) {
  return size == target && start == std::floor(start) && start >= 0 && start + size <= source;
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
  }
  return 0.0;
}

ResampleProgram MakeResampleProgram(const ResampleKernel& kernel, int sourceSize, double start, double size,
                                    int targetSize, bool refuseSmall) {
  const double scale = targetSize / size;
  const double filterStep = std::min(scale, 1.0);
  const double support = kernel.Support() / filterStep;
  // A picture narrower than the kernel is read no further than its edge.
  const int taps = std::min(static_cast<int>(std::ceil(support * 2)), sourceSize);
  if (refuseSmall && sourceSize <= support)
    throw FilterError("Resize: Source image too small for this resize method. Width=" + std::to_string(sourceSize) +
                      ", Support=" + std::to_string(static_cast<int>(std::ceil(support))));
  ResampleProgram program;
  program.sourceSize = sourceSize;
  program.targetSize = targetSize;
  program.taps = taps;
  program.start.resize(static_cast<std::size_t>(targetSize));
  program.coefficients.resize(static_cast<std::size_t>(targetSize) * static_cast<std::size_t>(taps));
  const double posStep = size / targetSize;
  // The picture's centre stays fixed; the point kernel samples from the window's edge.
  double pos = taps == 1 ? start : start + (size - targetSize) / (targetSize * 2.0);
  constexpr double kScale = 1 << kResampleBits;
  for (int i = 0; i < targetSize; ++i) {
    int end = static_cast<int>(pos + support);
    if (end > sourceSize - 1) end = sourceSize - 1;
    int first = end - taps + 1;
    if (first < 0) first = 0;
    program.start[static_cast<std::size_t>(i)] = first;
    const double at = std::clamp(pos, 0.0, static_cast<double>(sourceSize - 1));
    double total = 0.0;
    for (int j = 0; j < taps; ++j) total += kernel((first + j - at) * filterStep);
    if (total == 0.0) total = 1.0;
    double value = 0.0;
    std::int16_t* c = &program.coefficients[static_cast<std::size_t>(i) * static_cast<std::size_t>(taps)];
    for (int k = 0; k < taps; ++k) {
      const double next = value + kernel((first + k - at) * filterStep) / total;
      c[k] = static_cast<std::int16_t>(static_cast<int>(next * kScale + 0.5) - static_cast<int>(value * kScale + 0.5));
      value = next;
    }
    pos += posStep;
  }
  return program;
}

bool ResampleVectorAvailable() {
  static const bool available = __builtin_cpu_supports("avx2");
  return available;
}

void ResampleRowsPlain(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst, std::size_t dstStride,
                       int rows, int step, const ResampleProgram& program) {
  const int taps = program.taps;
  constexpr int kRound = 1 << (kResampleBits - 1);
  for (int y = 0; y < rows; ++y) {
    const std::uint8_t* s = src + srcStride * static_cast<std::size_t>(y);
    std::uint8_t* d = dst + dstStride * static_cast<std::size_t>(y);
    const std::int16_t* c = program.coefficients.data();
    for (int x = 0; x < program.targetSize; ++x, c += taps) {
      const std::uint8_t* p = s + static_cast<std::size_t>(program.start[static_cast<std::size_t>(x)]) * step;
      for (int ch = 0; ch < step; ++ch) {
        int sum = kRound;
        for (int k = 0; k < taps; ++k) sum += p[k * step + ch] * c[k];
        d[x * step + ch] = Clip8(sum >> kResampleBits);
      }
    }
  }
}

namespace {

// The horizontal pass over planes (one byte a pixel), 8 targets at a time:
// their source bytes gathered tap by tap, the taps from a table laid out by
// tap, the same integer sums as the plain pass. A gather reads 4 bytes, so
// targets whose last tap lies within 3 bytes of the row's end, and the
// targets past the last whole 8, go through the plain formula.
__attribute__((target("avx2"))) void ResampleRowsAvx2(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst,
                                                      std::size_t dstStride, int rows, const ResampleProgram& program) {
  const int taps = program.taps;
  const int target = program.targetSize;
  constexpr int kRound = 1 << (kResampleBits - 1);
  int vectorEnd = 0;
  while (vectorEnd < target && program.start[static_cast<std::size_t>(vectorEnd)] + taps + 3 <= program.sourceSize)
    ++vectorEnd;
  vectorEnd = vectorEnd / 8 * 8;
  std::vector<std::int32_t> byTap(static_cast<std::size_t>(taps) * static_cast<std::size_t>(vectorEnd));
  for (int x = 0; x < vectorEnd; ++x)
    for (int k = 0; k < taps; ++k)
      byTap[static_cast<std::size_t>(k) * vectorEnd + x] =
          program.coefficients[static_cast<std::size_t>(x) * taps + static_cast<std::size_t>(k)];
  const __m256i round = _mm256_set1_epi32(kRound);
  const __m256i byteMask = _mm256_set1_epi32(0xff);
  for (int y = 0; y < rows; ++y) {
    const std::uint8_t* s = src + srcStride * static_cast<std::size_t>(y);
    std::uint8_t* d = dst + dstStride * static_cast<std::size_t>(y);
    for (int x = 0; x < vectorEnd; x += 8) {
      const __m256i index = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(program.start.data() + x));
      __m256i sum = round;
      for (int k = 0; k < taps; ++k) {
        const __m256i bytes =
            _mm256_and_si256(_mm256_i32gather_epi32(reinterpret_cast<const int*>(s + k), index, 1), byteMask);
        const __m256i weights = _mm256_loadu_si256(
            reinterpret_cast<const __m256i*>(byTap.data() + static_cast<std::size_t>(k) * vectorEnd + x));
        sum = _mm256_add_epi32(sum, _mm256_mullo_epi32(bytes, weights));
      }
      sum = _mm256_srai_epi32(sum, kResampleBits);
      const __m256i words = _mm256_packs_epi32(sum, sum);
      const __m256i packed = _mm256_packus_epi16(words, words);
      const std::int32_t first = _mm_cvtsi128_si32(_mm256_castsi256_si128(packed));
      const std::int32_t second = _mm_cvtsi128_si32(_mm256_extracti128_si256(packed, 1));
      std::memcpy(d + x, &first, 4);
      std::memcpy(d + x + 4, &second, 4);
    }
    const std::int16_t* c = program.coefficients.data() + static_cast<std::size_t>(vectorEnd) * taps;
    for (int x = vectorEnd; x < target; ++x, c += taps) {
      const std::uint8_t* p = s + program.start[static_cast<std::size_t>(x)];
      int sum = kRound;
      for (int k = 0; k < taps; ++k) sum += p[k] * c[k];
      d[x] = Clip8(sum >> kResampleBits);
    }
  }
}

}  // namespace

void ResampleRows(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst, std::size_t dstStride, int rows,
                  int step, const ResampleProgram& program) {
  if (step == 1 && ResampleVectorAvailable())
    ResampleRowsAvx2(src, srcStride, dst, dstStride, rows, program);
  else
    ResampleRowsPlain(src, srcStride, dst, dstStride, rows, step, program);
}

void ResampleColumnsPlain(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst, std::size_t dstStride,
                          int rowBytes, const ResampleProgram& program, int firstRow, int endRow) {
  const int taps = program.taps;
  constexpr int kRound = 1 << (kResampleBits - 1);
  if (endRow < 0) endRow = program.targetSize;
  std::vector<int> sums(static_cast<std::size_t>(rowBytes));
  for (int y = firstRow; y < endRow; ++y) {
    const std::int16_t* c = &program.coefficients[static_cast<std::size_t>(y) * static_cast<std::size_t>(taps)];
    const std::uint8_t* s = src + srcStride * static_cast<std::size_t>(program.start[static_cast<std::size_t>(y)]);
    int* sum = sums.data();
    std::fill(sums.begin(), sums.end(), kRound);
    for (int k = 0; k < taps; ++k) {
      const int w = c[k];
      const std::uint8_t* row = s + srcStride * static_cast<std::size_t>(k);
      for (int x = 0; x < rowBytes; ++x) sum[x] += row[x] * w;
    }
    std::uint8_t* d = dst + dstStride * static_cast<std::size_t>(y);
    for (int x = 0; x < rowBytes; ++x) d[x] = Clip8(sum[x] >> kResampleBits);
  }
}

namespace {

// The vertical pass 16 bytes at a time: two taps a step through
// _mm256_madd_epi16 (a byte times a 14-bit tap, twice, fits 32 bits), the
// same integer sums as the plain pass, so the result is the same to the bit.
// Bytes past the last whole 16 go through the plain formula.
__attribute__((target("avx2"))) void ResampleColumnsAvx2(const std::uint8_t* src, std::size_t srcStride,
                                                         std::uint8_t* dst, std::size_t dstStride, int rowBytes,
                                                         const ResampleProgram& program, int firstRow, int endRow) {
  const int taps = program.taps;
  constexpr int kRound = 1 << (kResampleBits - 1);
  const int whole = rowBytes / 16 * 16;
  const __m256i round = _mm256_set1_epi32(kRound);
  for (int y = firstRow; y < endRow; ++y) {
    const std::int16_t* c = &program.coefficients[static_cast<std::size_t>(y) * static_cast<std::size_t>(taps)];
    const std::uint8_t* s = src + srcStride * static_cast<std::size_t>(program.start[static_cast<std::size_t>(y)]);
    std::uint8_t* d = dst + dstStride * static_cast<std::size_t>(y);
    for (int x = 0; x < whole; x += 16) {
      __m256i low = round;
      __m256i high = round;
      for (int k = 0; k < taps; k += 2) {
        const bool pair = k + 1 < taps;
        const std::uint8_t* rowA = s + srcStride * static_cast<std::size_t>(k) + x;
        const std::uint8_t* rowB = pair ? rowA + srcStride : rowA;
        const std::uint16_t wA = static_cast<std::uint16_t>(c[k]);
        const std::uint16_t wB = pair ? static_cast<std::uint16_t>(c[k + 1]) : 0;
        const __m256i weights = _mm256_set1_epi32(static_cast<int>(wA | (static_cast<std::uint32_t>(wB) << 16)));
        const __m256i a = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rowA)));
        const __m256i b = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rowB)));
        low = _mm256_add_epi32(low, _mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), weights));
        high = _mm256_add_epi32(high, _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), weights));
      }
      low = _mm256_srai_epi32(low, kResampleBits);
      high = _mm256_srai_epi32(high, kResampleBits);
      const __m256i words = _mm256_packs_epi32(low, high);  // bytes 0-7 | 8-15, in order per lane
      const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), 0x08);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x), _mm256_castsi256_si128(bytes));
    }
    for (int x = whole; x < rowBytes; ++x) {
      int sum = kRound;
      for (int k = 0; k < taps; ++k)
        sum += s[srcStride * static_cast<std::size_t>(k) + static_cast<std::size_t>(x)] * c[k];
      d[x] = Clip8(sum >> kResampleBits);
    }
  }
}

}  // namespace

void ResampleColumns(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst, std::size_t dstStride,
                     int rowBytes, const ResampleProgram& program, int firstRow, int endRow) {
  if (endRow < 0) endRow = program.targetSize;
  if (ResampleVectorAvailable())
    ResampleColumnsAvx2(src, srcStride, dst, dstStride, rowBytes, program, firstRow, endRow);
  else
    ResampleColumnsPlain(src, srcStride, dst, dstStride, rowBytes, program, firstRow, endRow);
}

PlaneResize MakePlaneResize(const ResampleKernel& kernel, int srcWidth, int srcHeight, int step, double left,
                            double top, double width, double height, int dstWidth, int dstHeight) {
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
    r.vertical = MakeResampleProgram(kernel, srcHeight, top, height, dstHeight);
  else
    r.cropTop = static_cast<int>(top);
  return r;
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
