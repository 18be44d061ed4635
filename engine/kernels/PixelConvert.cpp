#include "engine/kernels/PixelConvert.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

#include "base/ParallelFor.h"
#include "base/VectorKernels.h"
#include "engine/kernels/ConvertRows.h"
#include "engine/kernels/Resampler.h"

namespace tandemix::engine {
namespace {

struct Coefficients {
  double kr, kb;
  int sy, suv, oy;
  bool studioRgb;
};

Coefficients CoefficientsOf(Matrix m) {
  switch (m) {
    case Matrix::Rec601:
      return {0.299, 0.114, 219, 112, 16, false};
    case Matrix::Rec709:
      return {0.2126, 0.0722, 219, 112, 16, false};
    case Matrix::PC601:
      return {0.299, 0.114, 255, 127, 0, false};
    case Matrix::PC709:
      return {0.2126, 0.0722, 255, 127, 0, false};
    case Matrix::Rec601StudioRgb:
      return {0.299, 0.114, 219, 112, 16, true};
    case Matrix::Rec709StudioRgb:
      return {0.2126, 0.0722, 219, 112, 16, true};
  }
  return {0.299, 0.114, 219, 112, 16, false};
}

// AviSynth's RGB to YUV matrix (15 bits): RGB spans 255.5 steps, or 219.5
// from 16 in studio range. Full-range luma scales red and blue by 255 of
// those steps and gives green the rest of one, so that white stays 255:
// (9778, 19262, 3728) for PC.601.
ToYuvMatrix BuildToYuv(Matrix m) {
  const Coefficients k = CoefficientsOf(m);
  const double mul = 1 << 15, kg = 1.0 - k.kr - k.kb, srgb = k.studioRgb ? 219.5 : 255.5;
  auto s = [](double v) { return static_cast<int>(static_cast<short>(v)); };
  ToYuvMatrix r{};
  r.yb = s(k.sy * k.kb * mul / srgb + 0.5);
  r.yg = k.oy == 0 ? 0 : s(k.sy * kg * mul / srgb + 0.5);
  r.yr = s(k.sy * k.kr * mul / srgb + 0.5);
  if (k.oy == 0) r.yg = (1 << 15) - r.yb - r.yr;
  r.ub = s(k.suv * mul / srgb + 0.5);
  r.ug = s(k.suv * kg / (k.kb - 1) * mul / srgb + 0.5);
  r.ur = s(k.suv * k.kr / (k.kb - 1) * mul / srgb + 0.5);
  r.vb = s(k.suv * k.kb / (k.kr - 1) * mul / srgb + 0.5);
  r.vg = s(k.suv * kg / (k.kr - 1) * mul / srgb + 0.5);
  r.vr = s(k.suv * mul / srgb + 0.5);
  r.offsetY = k.oy;
  r.offsetRgb = k.studioRgb ? 16 : 0;
  return r;
}

// AviSynth's YUV to RGB matrix (13 bits), to full-range RGB of 255.5
// steps; the chroma range is twice the chroma scale (2 * 112 = 224 in
// studio range). The green terms are negative and cut toward zero.
ToRgbMatrix BuildToRgb(Matrix m) {
  Coefficients k = CoefficientsOf(m);
  k.suv *= 2;
  const double mul = 1 << 13, kg = 1.0 - k.kr - k.kb, srgb = 255.5;
  // Held in 32 bits: u_b passes 16 bits at 13-bit precision.
  auto s = [](double v) { return static_cast<int>(v); };
  ToRgbMatrix r{};
  r.yb = s(srgb * 1.000 * mul / k.sy + 0.5);
  r.ub = s(srgb * 2 * (1 - k.kb) * mul / k.suv + 0.5);
  r.vb = s(srgb * 0.000 * mul / k.suv + 0.5);
  r.yg = s(srgb * 1.000 * mul / k.sy + 0.5);
  r.ug = -s(-srgb * 2 * (1 - k.kb) * k.kb / kg * mul / k.suv + 0.5);
  r.vg = -s(-srgb * 2 * (1 - k.kr) * k.kr / kg * mul / k.suv + 0.5);
  r.yr = s(srgb * 1.000 * mul / k.sy + 0.5);
  r.ur = s(srgb * 0.000 * mul / k.suv + 0.5);
  r.vr = s(srgb * 2 * (1 - k.kr) * mul / k.suv + 0.5);
  r.offsetY = -k.oy;
  return r;
}

const ToYuvMatrix& ToYuvOf(Matrix m) {
  static const ToYuvMatrix t[6] = {BuildToYuv(Matrix::Rec601),          BuildToYuv(Matrix::Rec709),
                                   BuildToYuv(Matrix::PC601),           BuildToYuv(Matrix::PC709),
                                   BuildToYuv(Matrix::Rec601StudioRgb), BuildToYuv(Matrix::Rec709StudioRgb)};
  return t[static_cast<int>(m)];
}
const ToRgbMatrix& ToRgbOf(Matrix m) {
  static const ToRgbMatrix t[6] = {BuildToRgb(Matrix::Rec601), BuildToRgb(Matrix::Rec709), BuildToRgb(Matrix::PC601),
                                   BuildToRgb(Matrix::PC709),  BuildToRgb(Matrix::Rec601), BuildToRgb(Matrix::Rec709)};
  return t[static_cast<int>(m)];
}

inline std::uint8_t Clip8(int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

inline void ToYuv(const ToYuvMatrix& m, int r, int g, int b, int& y, int& u, int& v) {
  r -= m.offsetRgb;
  g -= m.offsetRgb;
  b -= m.offsetRgb;
  y = Clip8(m.offsetY + ((m.yb * b + m.yg * g + m.yr * r + 16384) >> 15));
  u = Clip8(128 + ((m.ub * b + m.ug * g + m.ur * r + 16384) >> 15));
  v = Clip8(128 + ((m.vb * b + m.vg * g + m.vr * r + 16384) >> 15));
}

inline void ToRgb(const ToRgbMatrix& m, int y, int u, int v, int& r, int& g, int& b) {
  const int Y = y + m.offsetY, U = u - 128, V = v - 128;
  b = Clip8((m.yb * Y + m.ub * U + m.vb * V + 4096) >> 13);
  g = Clip8((m.yg * Y - m.ug * U - m.vg * V + 4096) >> 13);
  r = Clip8((m.yr * Y + m.ur * U + m.vr * V + 4096) >> 13);
}

// Planes of a 4:4:4 picture, with their own storage.
struct Planes444 {
  int width = 0, height = 0;
  std::vector<std::uint8_t> y, u, v;
  Planes444(int w, int h)
      : width(w),
        height(h),
        y(static_cast<std::size_t>(w) * h),
        u(static_cast<std::size_t>(w) * h),
        v(static_cast<std::size_t>(w) * h) {}
};

// Chroma samples of a type at positions in luma units: sample i of a
// subsampled direction sits at 2i (horizontally, co-sited) or 2i + 0.5
// (vertically, between two rows; in a field 2i + 0.25 or 2i + 0.75).
double PlacementOffset(bool subsampled, bool vertical, int field) {
  if (!subsampled || !vertical) return 0.0;
  if (field < 0) return 0.5;
  return field == 0 ? 0.25 : 0.75;
}

const ResampleKernel& DefaultChromaKernel() {
  static const ResampleKernel k{ResampleKernel::Kind::Bicubic, 1.0 / 3.0, 1.0 / 3.0, 3};
  return k;
}

// The program that resamples chroma along one direction, source sample s
// sitting at aS * s + bS, target d at aD * d + bD (luma units).
// Built once for each size and placement and kept (a script has few), so a
// stream of frames does not build them again for each.
std::shared_ptr<const ResampleProgram> ChromaProgram(const ResampleKernel& kernel, int srcSize, int dstSize, double aS,
                                                     double bS, double aD, double bD) {
  // Point sampling counts from the planes' edges: the placement alone moves it.
  const double start = (bD - bS) / aS + (kernel.kind == ResampleKernel::Kind::Point ? 0.0 : 0.5 - 0.5 * aD / aS);
  using Key = std::tuple<int, int, double, double, int, double, double, int, double>;
  static std::mutex mutex;
  static std::map<Key, std::shared_ptr<const ResampleProgram>> programs;
  const Key key{srcSize,  dstSize,  start,       aD / aS, static_cast<int>(kernel.kind),
                kernel.b, kernel.c, kernel.taps, kernel.p};
  {
    const std::lock_guard<std::mutex> lock(mutex);
    if (const auto found = programs.find(key); found != programs.end()) return found->second;
  }
  auto program = std::make_shared<const ResampleProgram>(MakeResampleProgram(kernel, srcSize, start, srcSize, dstSize));
  const std::lock_guard<std::mutex> lock(mutex);
  if (programs.size() >= 64) programs.clear();  // sizes a script no longer uses
  programs.emplace(key, program);
  return program;
}

// Resamples one chroma plane between subsamplings along one direction.
// Source sample s sits at aS * s + bS, target d at aD * d + bD (luma units).
void ResampleChroma(const ResampleKernel& kernel, const std::uint8_t* src, std::size_t srcStride, int srcW, int srcH,
                    std::uint8_t* dst, std::size_t dstStride, int dstW, int dstH, bool vertical, double aS, double bS,
                    double aD, double bD) {
  const auto kept = ChromaProgram(kernel, vertical ? srcH : srcW, vertical ? dstH : dstW, aS, bS, aD, bD);
  const ResampleProgram& program = *kept;
  // Row bands on the worker pool: each band's bytes are what one pass gives.
  if (vertical)
    ParallelFor(dstH, static_cast<long long>(srcW) * program.taps, [&](int begin, int end) {
      ResampleColumns(src, srcStride, dst, dstStride, srcW, program, begin, end);
    });
  else
    ParallelFor(srcH, static_cast<long long>(dstW) * program.taps, [&](int begin, int end) {
      ResampleRows(src + srcStride * static_cast<std::size_t>(begin), srcStride,
                   dst + dstStride * static_cast<std::size_t>(begin), dstStride, end - begin, 1, program);
    });
}

// A chroma plane from one subsampling to another (shifts 0 or 1).
// Strides of 0 are the planes' widths.
void ChangeChroma(const ResampleKernel& kernel, const std::uint8_t* src, int srcW, int srcH, int sxS, int syS,
                  std::uint8_t* dst, int dstW, int dstH, int sxD, int syD, bool interlaced, std::size_t dstStride = 0,
                  std::size_t srcStride = 0) {
  if (dstStride == 0) dstStride = static_cast<std::size_t>(dstW);
  if (srcStride == 0) srcStride = static_cast<std::size_t>(srcW);
  // Kept by the thread between frames (see ResizeFilters.cpp).
  thread_local std::vector<std::uint8_t> mid;
  const std::uint8_t* cur = src;
  int curW = srcW, curH = srcH;
  std::size_t curStride = srcStride;
  if (sxS != sxD) {
    mid.resize(static_cast<std::size_t>(dstW) * curH);
    ResampleChroma(kernel, cur, curStride, curW, curH, mid.data(), static_cast<std::size_t>(dstW), dstW, curH, false,
                   1 << sxS, 0.0, 1 << sxD, 0.0);
    cur = mid.data();
    curW = dstW;
    curStride = static_cast<std::size_t>(dstW);
  }
  if (syS != syD) {
    if (!interlaced || curH % 2 || dstH % 2) {
      ResampleChroma(kernel, cur, curStride, curW, curH, dst, dstStride, dstW, dstH, true, 1 << syS,
                     PlacementOffset(syS, true, -1), 1 << syD, PlacementOffset(syD, true, -1));
    } else {
      // Each field on its own: every other row.
      for (int field = 0; field < 2; ++field)
        ResampleChroma(kernel, cur + curStride * field, curStride * 2, curW, curH / 2, dst + dstStride * field,
                       dstStride * 2, dstW, dstH / 2, true, 1 << syS, PlacementOffset(syS, true, field), 1 << syD,
                       PlacementOffset(syD, true, field));
    }
    return;
  }
  for (int y = 0; y < dstH; ++y) std::memcpy(dst + dstStride * y, cur + curStride * y, static_cast<std::size_t>(dstW));
}

// Any YUV frame as 4:4:4 planes.
Planes444 ToPlanes444(const FrameBGR& f, bool interlaced, const ResampleKernel& kernel) {
  Planes444 p(f.width, f.height);
  const auto width = static_cast<std::size_t>(f.width);
  const auto copyLuma = [&] {
    for (int y = 0; y < f.height; ++y) std::memcpy(p.y.data() + width * y, f.Row(0, y), width);
  };
  if (f.type == PixelType::Y8) {
    copyLuma();
    std::fill(p.u.begin(), p.u.end(), std::uint8_t{128});
    std::fill(p.v.begin(), p.v.end(), std::uint8_t{128});
    return p;
  }
  if (f.type == PixelType::YUY2) {
    const int cw = f.width / 2;
    std::vector<std::uint8_t> u(static_cast<std::size_t>(cw) * f.height), v(u.size());
    for (int y = 0; y < f.height; ++y) {
      const std::uint8_t* s = f.Row(y);
      for (int x = 0; x < f.width; ++x) p.y[static_cast<std::size_t>(y) * f.width + x] = s[2 * x];
      for (int x = 0; x < cw; ++x) {
        u[static_cast<std::size_t>(y) * cw + x] = s[4 * x + 1];
        v[static_cast<std::size_t>(y) * cw + x] = s[4 * x + 3];
      }
    }
    ChangeChroma(kernel, u.data(), cw, f.height, 1, 0, p.u.data(), f.width, f.height, 0, 0, interlaced);
    ChangeChroma(kernel, v.data(), cw, f.height, 1, 0, p.v.data(), f.width, f.height, 0, 0, interlaced);
    return p;
  }
  copyLuma();
  const int sx = ChromaShiftX(f.type), sy = ChromaShiftY(f.type);
  ChangeChroma(kernel, f.Plane(1), f.PlaneWidth(1), f.PlaneHeight(1), sx, sy, p.u.data(), f.width, f.height, 0, 0,
               interlaced, 0, f.Stride(1));
  ChangeChroma(kernel, f.Plane(2), f.PlaneWidth(2), f.PlaneHeight(2), sx, sy, p.v.data(), f.width, f.height, 0, 0,
               interlaced, 0, f.Stride(2));
  return p;
}

// 4:4:4 planes into a YUV frame of any type.
void FromPlanes444(const Planes444& p, FrameBGR& out, bool interlaced, const ResampleKernel& kernel) {
  const std::size_t n = p.y.size();
  if (out.type == PixelType::Y8) {
    std::memcpy(out.Plane(0), p.y.data(), n);
    return;
  }
  if (out.type == PixelType::YUY2) {
    const int cw = out.width / 2;
    std::vector<std::uint8_t> u(static_cast<std::size_t>(cw) * out.height), v(u.size());
    ChangeChroma(kernel, p.u.data(), p.width, p.height, 0, 0, u.data(), cw, out.height, 1, 0, interlaced);
    ChangeChroma(kernel, p.v.data(), p.width, p.height, 0, 0, v.data(), cw, out.height, 1, 0, interlaced);
    for (int y = 0; y < out.height; ++y) {
      std::uint8_t* d = out.Row(y);
      for (int x = 0; x < cw; ++x) {
        d[4 * x] = p.y[static_cast<std::size_t>(y) * p.width + 2 * x];
        d[4 * x + 1] = u[static_cast<std::size_t>(y) * cw + x];
        d[4 * x + 2] = p.y[static_cast<std::size_t>(y) * p.width + 2 * x + 1];
        d[4 * x + 3] = v[static_cast<std::size_t>(y) * cw + x];
      }
    }
    return;
  }
  std::memcpy(out.Plane(0), p.y.data(), n);
  const int sx = ChromaShiftX(out.type), sy = ChromaShiftY(out.type);
  ChangeChroma(kernel, p.u.data(), p.width, p.height, 0, 0, out.Plane(1), out.PlaneWidth(1), out.PlaneHeight(1), sx, sy,
               interlaced);
  ChangeChroma(kernel, p.v.data(), p.width, p.height, 0, 0, out.Plane(2), out.PlaneWidth(2), out.PlaneHeight(2), sx, sy,
               interlaced);
}

// The vector form of a conversion row the processor and the switch allow, or null.
using RgbRowToYuv = int (*)(const ToYuvMatrix&, const std::uint8_t*, std::uint8_t*, std::uint8_t*, std::uint8_t*, int,
                            int);
using YuvRowToRgb = int (*)(const ToRgbMatrix&, const std::uint8_t*, const std::uint8_t*, const std::uint8_t*,
                            std::uint8_t*, int, int);
RgbRowToYuv RgbRowKernel() {
  if (UseAvx2Kernels()) return RgbRowToYuvAvx2;
  return UseSse41Kernels() ? RgbRowToYuvSse41 : nullptr;
}
YuvRowToRgb YuvRowKernel() {
  if (UseAvx2Kernels()) return YuvRowToRgbAvx2;
  return UseSse41Kernels() ? YuvRowToRgbSse41 : nullptr;
}

void RgbToPlanes(const FrameBGR& f, std::uint8_t* py, std::uint8_t* pu, std::uint8_t* pv, Matrix m) {
  const ToYuvMatrix& mx = ToYuvOf(m);
  const int bpp = BytesPerPixel(f.type);
  const auto vector = mx.offsetRgb ? nullptr : RgbRowKernel();  // the vector rows take no RGB offset
  ParallelFor(f.height, f.width * 8LL, [&](int begin, int end) {
    for (int y = begin; y < end; ++y) {
      const std::size_t o = static_cast<std::size_t>(y) * f.width;
      const int done = vector ? vector(mx, f.Row(y), py + o, pu + o, pv + o, f.width, bpp) : 0;
      const std::uint8_t* s = f.Row(y) + static_cast<std::size_t>(done) * bpp;
      for (int x = done; x < f.width; ++x, s += bpp) {
        int Y, U, V;
        ToYuv(mx, s[2], s[1], s[0], Y, U, V);
        py[o + x] = static_cast<std::uint8_t>(Y);
        pu[o + x] = static_cast<std::uint8_t>(U);
        pv[o + x] = static_cast<std::uint8_t>(V);
      }
    }
  });
}

void PlanesToRgb(const std::uint8_t* py, const std::uint8_t* pu, const std::uint8_t* pv, FrameBGR& out, Matrix m) {
  const ToRgbMatrix& mx = ToRgbOf(m);
  const int bpp = BytesPerPixel(out.type);
  const auto vector = YuvRowKernel();
  ParallelFor(out.height, out.width * 8LL, [&](int begin, int end) {
    for (int y = begin; y < end; ++y) {
      const std::size_t o = static_cast<std::size_t>(y) * out.width;
      const int done = vector ? vector(mx, py + o, pu + o, pv + o, out.Row(y), out.width, bpp) : 0;
      std::uint8_t* d = out.Row(y) + static_cast<std::size_t>(done) * bpp;
      for (int x = done; x < out.width; ++x, d += bpp) {
        int r, g, b;
        ToRgb(mx, py[o + x], pu[o + x], pv[o + x], r, g, b);
        d[0] = static_cast<std::uint8_t>(b);
        d[1] = static_cast<std::uint8_t>(g);
        d[2] = static_cast<std::uint8_t>(r);
        if (bpp == 4) d[3] = 255;
      }
    }
  });
}

// RGB straight to YUY2. Luma is each pixel's; chroma is that of a pixel
// pair smoothed 1-2-1 across (the pair's first pixel twice, its neighbours
// once; the row's first pixel stands in for its left neighbour), taken as
// the blue and red differences from the three pixels' rounded luma:
// U = 128 + (ku * B' - kuy * (Y' - 4 * 16)) / 2^18 for the weighted sums B'
// and Y', V likewise from red. The factors (18 bits) are those that give
// AviSynth's bytes for each matrix.
struct Yuy2ChromaFactors {
  int ku, kuy, kv, kvy, offsetY;
};
Yuy2ChromaFactors Yuy2FactorsOf(Matrix m) {
  switch (m) {
    case Matrix::Rec709:
      return {30964, 36124, 36484, 42566, 16};
    case Matrix::PC601:
      return {36768, 36840, 46470, 46562, 0};
    case Matrix::PC709:
      return {35110, 35180, 41372, 41452, 0};
    default:
      return {32424, 37828, 40982, 47812, 16};
  }
}

void RgbToYuy2(const FrameBGR& f, FrameBGR& out, Matrix m) {
  const ToYuvMatrix& mx = ToYuvOf(m);
  const Yuy2ChromaFactors k = Yuy2FactorsOf(m);
  const int bpp = BytesPerPixel(f.type);
  ParallelFor(f.height, f.width * 8LL, [&](int begin, int end) {
    for (int y = begin; y < end; ++y) {
      const std::uint8_t* s = f.Row(y);
      std::uint8_t* d = out.Row(y);
      int y0 = 0, u = 0, v = 0;
      ToYuv(mx, s[2], s[1], s[0], y0, u, v);
      const std::uint8_t* prev = s;
      for (int x = 0; x + 1 < f.width; x += 2) {
        const std::uint8_t* a = s + static_cast<std::size_t>(x) * bpp;
        const std::uint8_t* b = a + bpp;
        int y1 = 0, y2 = 0;
        ToYuv(mx, a[2], a[1], a[0], y1, u, v);
        ToYuv(mx, b[2], b[1], b[0], y2, u, v);
        const int ys = y0 + 2 * y1 + y2 - 4 * k.offsetY;
        const int bs = prev[0] + 2 * a[0] + b[0], rs = prev[2] + 2 * a[2] + b[2];
        d[2 * x] = static_cast<std::uint8_t>(y1);
        d[2 * x + 1] = Clip8(128 + ((k.ku * bs - k.kuy * ys + (1 << 17)) >> 18));
        d[2 * x + 2] = static_cast<std::uint8_t>(y2);
        d[2 * x + 3] = Clip8(128 + ((k.kv * rs - k.kvy * ys + (1 << 17)) >> 18));
        y0 = y2;
        prev = b;
      }
    }
  });
}

// YUY2 straight to RGB. The factors are rounded at 16 bits and then cut
// to 13 (16557 for blue from U in Rec601, where the planar conversions
// round to 16558; 14602 in PC.601, where cutting would give 14601); even
// pixels take their pair's chroma, odd ones the sum of theirs and the next
// pair's (the row's last pair again at its end), at one more bit.
void Yuy2ToRgb(const FrameBGR& src, FrameBGR& out, Matrix m) {
  Coefficients k = CoefficientsOf(m);
  const double mul = 1 << 13, kg = 1.0 - k.kr - k.kb, srgb = 255.5, suv = 2.0 * k.suv;
  auto cut = [mul](double v) { return static_cast<int>(v * mul * 8 + 0.5) >> 3; };
  const int cy = cut(srgb / k.sy);
  const int ub = cut(srgb * 2 * (1 - k.kb) / suv);
  const int ug = cut(srgb * 2 * (1 - k.kb) * k.kb / kg / suv);
  const int vg = cut(srgb * 2 * (1 - k.kr) * k.kr / kg / suv);
  const int vr = cut(srgb * 2 * (1 - k.kr) / suv);
  const int bpp = BytesPerPixel(out.type), pairs = src.width / 2;
  ParallelFor(src.height, src.width * 8LL, [&](int begin, int end) {
    for (int y = begin; y < end; ++y) {
      const std::uint8_t* s = src.Row(y);
      std::uint8_t* d = out.Row(y);
      for (int x = 0; x < src.width; ++x, d += bpp) {
        const int pair = x / 2;
        const std::uint8_t* p = s + 4 * pair;
        int u = 2 * (p[1] - 128), v = 2 * (p[3] - 128);
        if (x % 2) {
          const std::uint8_t* q = s + 4 * std::min(pair + 1, pairs - 1);
          u = p[1] + q[1] - 256;
          v = p[3] + q[3] - 256;
        }
        const int luma = cy * 2 * (p[2 * (x % 2)] - k.oy) + 8192;
        d[0] = Clip8((luma + ub * u) >> 14);
        d[1] = Clip8((luma - ug * u - vg * v) >> 14);
        d[2] = Clip8((luma + vr * v) >> 14);
        if (bpp == 4) d[3] = 255;
      }
    }
  });
}

// YUY2 to YV12: luma as it is, each chroma row the mean of two, rounded
// up: rows 2i and 2i + 1, or interlaced, 4i and 4i + 2 weighted 3:1 for the
// top field's row and 4i + 1 and 4i + 3 weighted 1:3 for the bottom's
// (rounded by adding 1 of 4).
void Yuy2ToYv12(const FrameBGR& src, FrameBGR& out, bool interlaced) {
  const int w = src.width, cw = w / 2;
  for (int y = 0; y < src.height; ++y) {
    const std::uint8_t* s = src.Row(y);
    std::uint8_t* d = out.Row(0, y);
    for (int x = 0; x < w; ++x) d[x] = s[2 * x];
  }
  for (int y = 0; y < out.PlaneHeight(1); ++y) {
    const std::uint8_t *a, *b;
    int wa = 1, wb = 1, round = 1, shift = 1;
    if (!interlaced) {
      a = src.Row(2 * y);
      b = src.Row(2 * y + 1);
    } else {
      const int field = y % 2, base = 4 * (y / 2) + field;
      a = src.Row(base);
      b = src.Row(base + 2);
      wa = field ? 1 : 3;
      wb = 4 - wa;
      shift = 2;
    }
    for (int c = 1; c < 3; ++c) {
      std::uint8_t* d = out.Row(c, y);
      for (int x = 0; x < cw; ++x)
        d[x] = static_cast<std::uint8_t>((wa * a[4 * x + 2 * c - 1] + wb * b[4 * x + 2 * c - 1] + round) >> shift);
    }
  }
}

// YV12 to YUY2: the first two and last two rows take the first and last
// chroma row; between them row 2i takes chroma rows i - 1 and i weighted
// 1:3, row 2i + 1 rows i and i + 1 weighted 3:1 (rounded by adding 1 of 4).
// Interlaced, each field on its own from its own chroma rows.
void Yv12ToYuy2(const FrameBGR& src, FrameBGR& out, bool interlaced) {
  const int w = src.width, cw = w / 2, step = interlaced ? 2 : 1;
  for (int y = 0; y < src.height; ++y) {
    std::uint8_t* d = out.Row(y);
    const std::uint8_t* l = src.Row(0, y);
    for (int x = 0; x < w; ++x) d[2 * x] = l[x];
  }
  for (int field = 0; field < step; ++field) {
    const int rows = src.height / step, chroma = rows / 2;
    for (int r = 0; r < rows; ++r) {
      std::uint8_t* d = out.Row(r * step + field);
      const int k = r / 2;
      int ia = k, ib = k, wa = 4, wb = 0;
      if (r >= 2 && r < rows - 2) {
        if (r % 2 == 0) {
          ia = k - 1;
          wa = 1;
        } else {
          ib = k + 1;
          wa = 3;
        }
        wb = 4 - wa;
      } else if (r >= rows - 2) {
        ia = ib = chroma - 1;
      }
      for (int c = 1; c < 3; ++c) {
        const std::uint8_t* a = src.Row(c, ia * step + field);
        const std::uint8_t* b = src.Row(c, ib * step + field);
        for (int x = 0; x < cw; ++x) d[4 * x + 2 * c - 1] = static_cast<std::uint8_t>((wa * a[x] + wb * b[x] + 1) >> 2);
      }
    }
  }
}

// YV12 (progressive) to RGB in row bands, each band upsampling just the
// chroma rows it needs into scratch kept by its thread: the passes of
// ChangeChroma (across, then down) and PlanesToRgb, row by row, so the
// bytes are theirs without whole 4:4:4 planes in memory.
void Yv12ToRgb(const FrameBGR& src, FrameBGR& out, Matrix m) {
  const ResampleKernel& kernel = DefaultChromaKernel();
  const int w = src.width, h = src.height;
  const int cw = src.PlaneWidth(1), ch = src.PlaneHeight(1);
  const auto keptAcross = ChromaProgram(kernel, cw, w, 2, 0.0, 1, 0.0);
  const auto keptDown = ChromaProgram(kernel, ch, h, 2, PlacementOffset(true, true, -1), 1, 0.0);
  const ResampleProgram& across = *keptAcross;
  const ResampleProgram& down = *keptDown;
  const ToRgbMatrix& mx = ToRgbOf(m);
  const int bpp = BytesPerPixel(out.type);
  const auto vector = YuvRowKernel();
  ParallelFor(h, w * 16LL, [&](int begin, int end) {
    // The chroma rows the band reads, upsampled across.
    const int first = down.start[static_cast<std::size_t>(begin)];
    const int last = std::min(down.start[static_cast<std::size_t>(end - 1)] + down.taps, ch);
    thread_local std::vector<std::uint8_t> wide, rows;
    const std::size_t planeBytes = static_cast<std::size_t>(w) * static_cast<std::size_t>(last - first);
    wide.resize(2 * planeBytes);
    rows.resize(2 * static_cast<std::size_t>(w));
    for (int c = 0; c < 2; ++c)
      ResampleRows(src.Row(c + 1, first), src.Stride(c + 1), wide.data() + c * planeBytes, static_cast<std::size_t>(w),
                   last - first, 1, across);
    // Down, one target row at a time, from the band's rows.
    ResampleProgram band = SliceProgram(down, begin, end - begin);
    for (int& start : band.start) start -= first;
    std::uint8_t* u = rows.data();
    std::uint8_t* v = u + w;
    for (int y = begin; y < end; ++y) {
      const int i = y - begin;
      ResampleColumns(wide.data(), static_cast<std::size_t>(w), u, 0, w, band, i, i + 1);
      ResampleColumns(wide.data() + planeBytes, static_cast<std::size_t>(w), v, 0, w, band, i, i + 1);
      const std::uint8_t* py = src.Row(0, y);
      const int done = vector ? vector(mx, py, u, v, out.Row(y), w, bpp) : 0;
      std::uint8_t* d = out.Row(y) + static_cast<std::size_t>(done) * bpp;
      for (int x = done; x < w; ++x, d += bpp) {
        int r, g, b;
        ToRgb(mx, py[x], u[x], v[x], r, g, b);
        d[0] = static_cast<std::uint8_t>(b);
        d[1] = static_cast<std::uint8_t>(g);
        d[2] = static_cast<std::uint8_t>(r);
        if (bpp == 4) d[3] = 255;
      }
    }
  });
}

}  // namespace

bool ParseMatrix(const std::string& name, Matrix& matrix) {
  std::string lower = name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "rec601")
    matrix = Matrix::Rec601;
  else if (lower == "rec709")
    matrix = Matrix::Rec709;
  else if (lower == "pc.601" || lower == "pc601")
    matrix = Matrix::PC601;
  else if (lower == "pc.709" || lower == "pc709")
    matrix = Matrix::PC709;
  else
    return false;
  return true;
}

void RgbToYuv(Matrix m, int r, int g, int b, int& y, int& u, int& v) { ToYuv(ToYuvOf(m), r, g, b, y, u, v); }
void YuvToRgb(Matrix m, int y, int u, int v, int& r, int& g, int& b) { ToRgb(ToRgbOf(m), y, u, v, r, g, b); }
void RgbToYuv601(int r, int g, int b, int& y, int& u, int& v) { RgbToYuv(Matrix::Rec601, r, g, b, y, u, v); }
void YuvToRgb601(int y, int u, int v, int& r, int& g, int& b) { YuvToRgb(Matrix::Rec601, y, u, v, r, g, b); }

void ConvertPlanarInto(const FrameBGR& src, FrameBGR& out, int x, int y, bool interlaced,
                       const ResampleKernel* chroma) {
  const ResampleKernel& kernel = chroma ? *chroma : DefaultChromaKernel();
  const auto lumaBytes = static_cast<std::size_t>(src.PlaneWidth(0));
  for (int row = 0; row < src.height; ++row) std::memcpy(out.Row(0, y + row) + x, src.Row(0, row), lumaBytes);
  const int sx = ChromaShiftX(out.type), sy = ChromaShiftY(out.type);
  for (int c = 1; c < 3; ++c)
    ChangeChroma(kernel, src.Plane(c), src.PlaneWidth(c), src.PlaneHeight(c), ChromaShiftX(src.type),
                 ChromaShiftY(src.type), out.Row(c, y >> sy) + (x >> sx), src.width >> sx, src.height >> sy, sx, sy,
                 interlaced, out.Stride(c), src.Stride(c));
}

namespace {

void Yuy2ToYv16(const FrameBGR& src, FrameBGR& out) {
  for (int y = 0; y < src.height; ++y) {
    const std::uint8_t* s = src.Row(y);
    for (int x = 0; x < src.width / 2; ++x) {
      out.Row(0, y)[2 * x] = s[4 * x];
      out.Row(0, y)[2 * x + 1] = s[4 * x + 2];
      out.Row(1, y)[x] = s[4 * x + 1];
      out.Row(2, y)[x] = s[4 * x + 3];
    }
  }
}

void Yv16ToYuy2(const FrameBGR& src, FrameBGR& out) {
  for (int y = 0; y < src.height; ++y) {
    std::uint8_t* d = out.Row(y);
    for (int x = 0; x < src.width / 2; ++x) {
      d[4 * x] = src.Row(0, y)[2 * x];
      d[4 * x + 1] = src.Row(1, y)[x];
      d[4 * x + 2] = src.Row(0, y)[2 * x + 1];
      d[4 * x + 3] = src.Row(2, y)[x];
    }
  }
}

// Planar RGB and packed RGB hold the same bytes in other places: plane p
// of the one is byte p of a pixel of the other. Alpha that the source
// lacks is 255.
void RgbLayout(const FrameBGR& src, FrameBGR& out) {
  const bool fromPlanar = IsPlanarRGBType(src.type);
  const int channels = IsPlanarRGBType(out.type) ? out.Planes() : BytesPerPixel(out.type);
  const int have = fromPlanar ? src.Planes() : BytesPerPixel(src.type);
  for (int y = 0; y < src.height; ++y) {
    for (int c = 0; c < channels; ++c) {
      const std::uint8_t* s = fromPlanar ? src.Row(c < have ? c : 0, y) : src.Row(y) + (c < have ? c : 0);
      const int ss = fromPlanar ? 1 : have;
      std::uint8_t* d = IsPlanarRGBType(out.type) ? out.Row(c, y) : out.Row(y) + c;
      const int ds = IsPlanarRGBType(out.type) ? 1 : channels;
      if (c >= have) {
        for (int x = 0; x < src.width; ++x) d[x * ds] = 255;
      } else {
        for (int x = 0; x < src.width; ++x) d[x * ds] = s[x * ss];
      }
    }
  }
}

}  // namespace

void ConvertFrame(const FrameBGR& src, FrameBGR& out, Matrix matrix, bool interlaced, const ResampleKernel* chroma) {
  if (src.type == out.type) {
    out = src;
    return;
  }
  const ResampleKernel& kernel = chroma ? *chroma : DefaultChromaKernel();
  // Planar RGB converts as packed RGB with the same bytes does.
  if (IsAnyRGBType(src.type) && IsAnyRGBType(out.type) && (IsPlanarRGBType(src.type) || IsPlanarRGBType(out.type)))
    return RgbLayout(src, out);
  if (IsPlanarRGBType(src.type)) {
    FrameBGR packed(HasAlphaType(src.type) ? PixelType::RGB32 : PixelType::RGB24, src.width, src.height);
    RgbLayout(src, packed);
    return ConvertFrame(packed, out, matrix, interlaced, chroma);
  }
  if (IsPlanarRGBType(out.type)) {
    FrameBGR packed(HasAlphaType(out.type) ? PixelType::RGB32 : PixelType::RGB24, src.width, src.height);
    ConvertFrame(src, packed, matrix, interlaced, chroma);
    return RgbLayout(packed, out);
  }
  if (IsRGBType(src.type) && IsRGBType(out.type)) {
    const int sb = BytesPerPixel(src.type), db = BytesPerPixel(out.type);
    for (int y = 0; y < src.height; ++y) {
      const std::uint8_t* s = src.Row(y);
      std::uint8_t* d = out.Row(y);
      for (int x = 0; x < src.width; ++x, s += sb, d += db) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        if (db == 4) d[3] = 255;
      }
    }
    return;
  }
  if (IsRGBType(src.type)) {
    if (out.type == PixelType::YV24) return RgbToPlanes(src, out.Plane(0), out.Plane(1), out.Plane(2), matrix);
    if (out.type == PixelType::YUY2 && matrix != Matrix::Rec601StudioRgb && matrix != Matrix::Rec709StudioRgb)
      return RgbToYuy2(src, out, matrix);
    Planes444 p(src.width, src.height);
    RgbToPlanes(src, p.y.data(), p.u.data(), p.v.data(), matrix);
    FromPlanes444(p, out, interlaced, kernel);
    return;
  }
  if (IsRGBType(out.type)) {
    if (src.type == PixelType::YV12 && !interlaced && !chroma) return Yv12ToRgb(src, out, matrix);
    if (src.type == PixelType::YUY2) return Yuy2ToRgb(src, out, matrix);
    if (src.type == PixelType::YV24 && !src.IsView())
      return PlanesToRgb(src.Plane(0), src.Plane(1), src.Plane(2), out, matrix);
    const Planes444 p = ToPlanes444(src, interlaced, kernel);
    return PlanesToRgb(p.y.data(), p.u.data(), p.v.data(), out, matrix);
  }
  // YUV to YUV: luma as it is, chroma resampled.
  if (out.type == PixelType::Y8) {
    if (src.type == PixelType::YUY2) {
      for (int y = 0; y < src.height; ++y)
        for (int x = 0; x < src.width; ++x) out.Row(y)[x] = src.Row(y)[2 * x];
    } else {
      for (int y = 0; y < src.height; ++y) std::memcpy(out.Row(0, y), src.Row(0, y), out.Stride(0));
    }
    return;
  }
  if (src.Planes() == 3 && out.Planes() == 3) return ConvertPlanarInto(src, out, 0, 0, interlaced, chroma);
  if (src.type == PixelType::YUY2 && out.type == PixelType::YV16) return Yuy2ToYv16(src, out);
  if (src.type == PixelType::YV16 && out.type == PixelType::YUY2) return Yv16ToYuy2(src, out);
  // A named chroma resampler takes YUY2 through YV16 and its resampling;
  // without one, YUY2 and YV12 average or repeat chroma rows.
  if (!chroma && src.type == PixelType::YUY2 && out.type == PixelType::YV12) return Yuy2ToYv12(src, out, interlaced);
  if (!chroma && src.type == PixelType::YV12 && out.type == PixelType::YUY2) return Yv12ToYuy2(src, out, interlaced);
  const bool planarOther = (src.type == PixelType::YUY2 ? out.Planes() : src.Planes()) == 3;
  if ((src.type == PixelType::YUY2 || out.type == PixelType::YUY2) && planarOther) {
    FrameBGR yv16(PixelType::YV16, src.width, src.height);
    if (src.type == PixelType::YUY2) {
      Yuy2ToYv16(src, yv16);
      return ConvertPlanarInto(yv16, out, 0, 0, interlaced, chroma);
    }
    ConvertPlanarInto(src, yv16, 0, 0, interlaced, chroma);
    return Yv16ToYuy2(yv16, out);
  }
  FromPlanes444(ToPlanes444(src, interlaced, kernel), out, interlaced, kernel);
}

FramePtr ToRGB24(const FramePtr& frame) {
  if (!frame || frame->type == PixelType::RGB24) return frame;
  // A player's thread converts a frame after another: the frames it made
  // before are filled again once nobody holds them, instead of faulting in
  // fresh memory for each.
  thread_local std::shared_ptr<FrameBGR> made[3];
  thread_local int next = 0;
  std::shared_ptr<FrameBGR> out;
  for (const auto& f : made) {
    if (f && f.use_count() == 1 && f->width == frame->width && f->height == frame->height) {
      std::atomic_thread_fence(std::memory_order_acquire);
      out = f;
      break;
    }
  }
  if (!out) {
    out = std::make_shared<FrameBGR>(PixelType::RGB24, frame->width, frame->height);
    made[next] = out;
    next = (next + 1) % 3;
  }
  ConvertFrame(*frame, *out, Matrix::Rec601, false);
  return out;
}

}  // namespace tandemix::engine
