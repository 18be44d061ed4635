// Rotation of a pixel matrix by inverse polar mapping.
//
// Each destination pixel (dx, dy from the destination centre) samples the
// source at radius r = √(dx² + dy²) and angle θ + a, θ = atan2(dy, dx):
// X = r·cos(θ + a) and Y = ±r·√(1 − cos²(θ + a)). Only four integers come
// out of that: floor(X), the 8-bit fraction of X, ceil(Y) and the 8-bit
// fraction below it; all four follow from t = floor(256·X) and
// u = ceil(256·Y).
//
// Computing atan2, cos and two square roots for every pixel is slow, so a
// cheap estimate comes first: X ≈ dx·cos a − dy·sin a, Y ≈ dy·cos a + dx·sin a,
// in 64-bit fixed point (2^40 to the pixel), stepped along the row by exact
// integer additions. The estimate differs from the polar results by a small
// bounded amount, and where 256·X and 256·Y lie farther than that from the
// next integer it yields the very same t and u. Otherwise (and on the centre
// column, whose angle uses a written constant; near the directions where the
// root loses precision; for |a| > 3) the polar formula runs as is. The output
// is therefore identical to the per-pixel formula everywhere.
//
// Error bounds (φ = θ + a, true values X*, Y*, |a| ≤ 3 so |φ| < 2π, libm's
// atan2, cos and sin within a few ulps):
//   polar: |cos computed − cos φ*| ≤ δ = 4e-14 (atan2 and the sum θ + a move
//   φ by about 1e-15; 40 times that for safety), so |X − X*| ≤ r·4.3e-14;
//   with |sin φ*| ≥ 0.9e-3 the root √(1 − c²) is off by at most
//   (2δ + 4e-16) / 0.9e-3, so |Y − Y*| ≤ r·9e-11;
//   estimate: cos a and sin a rounded to 2^-41, so |X̃ − X*|, |Ỹ − Y*| ≤
//   (|dx| + |dy|)·4.6e-13.
// The margins are twice these sums for the largest |dx| and |dy| of the
// destination.
//
// Where SSE4.1 is at hand, four neighbouring pixels whose samples are
// decided by the estimate, lie on consecutive source columns and on at most
// two source rows are weighted together in one pass over their twelve bytes.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "base/ParallelFor.h"
#include "preview/ImageOps.h"
#include "preview/ImageOpsChecks.h"
#include "preview/PixelKernels.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define TANDEMIX_ROTATE_SSE41 1
#endif

namespace tandemix {
namespace {

// The angle written for the vertical directions (dx = 0); not π/2 exactly.
constexpr double kVerticalAngle = 1.57079632679;
constexpr double kPi = 3.141592653589793;
// Largest |a| for which the estimate's sign of Y matches the polar rule.
constexpr double kMaxEstimateAngle = 3.0;
// Fixed point of the estimate: 2^40 to the pixel, so that the low 32 bits
// are the fraction of 256·X and the bits above floor(256·X).
constexpr int kFractionBits = 32;
constexpr double kPixelOne = 1099511627776.0;  // 2^40
// Per unit of |dx| + |dy|: cos a and sin a rounded to 2^-41, plus libm.
constexpr double kEstimateErrorPerUnit = 4.6e-13;
// |Ỹ| ≥ 1e-3·(|dx| + |dy|) keeps |sin φ| ≥ 1e-3, since r ≤ |dx| + |dy|.
constexpr std::int64_t kAxisSlope = static_cast<std::int64_t>(1e-3 * kPixelOne) + 1;

struct Sample {
  int x0;
  int y0;
  int fx;
  int fy;
};

// The polar formula, exactly as the preview has always computed it.
// Out of line: it is rare, and inlined it would crowd the registers of the
// row loops.
[[gnu::noinline]] Sample PolarSample(int dx, int dy, int cx, int cy, double a) {
  const double fdx = dx;
  const double fdy = dy;
  const double r = std::sqrt(fdx * fdx + fdy * fdy);
  double theta;
  if (r == 0.0)
    theta = 0.0;
  else if (dx == 0)
    theta = dy >= 0 ? kVerticalAngle : -kVerticalAngle;
  else
    theta = std::atan2(fdy, fdx);
  const double phi = theta + a;
  const double c = std::cos(phi);
  const double x = r * c;
  const double root = std::sqrt(1.0 - c * c);
  const double y = ((0.0 <= phi && phi <= kPi) || phi <= -kPi) ? r * root : -(r * root);
  const double floorX = std::floor(x);
  const double ceilY = std::ceil(y);
  return Sample{cx + static_cast<int>(floorX), cy + static_cast<int>(ceilY),
                static_cast<int>(std::floor((x - floorX) * 256.0)), static_cast<int>(std::floor((ceilY - y) * 256.0))};
}

// What the row loops need, copied into locals by each loop: the pixel
// stores (bytes) may alias anything reached through a pointer, which would
// force reloads on every pixel.
struct RotationSetup {
  const Pixel* src;  // source row 0
  std::ptrdiff_t stride;
  int cx, cy, sW, sH, rj;
  double a;
  std::int64_t cosA, sinA;         // cos a, sin a times 2^40
  std::uint32_t marginX, marginY;  // in 2^-32 of 1/256 pixel
};

// Whether the 32-bit fraction lies farther than `margin` from both integers.
inline bool FarFromWhole(std::int64_t fixed, std::uint32_t margin) {
  return static_cast<std::uint32_t>(fixed) - margin - 1 < ~std::uint32_t{0} - 2 * margin;
}

inline Sample Estimated(const RotationSetup& f, std::int64_t tx, std::int64_t ty) {
  const int t = static_cast<int>(tx >> kFractionBits);      // floor(256·X)
  const int u = static_cast<int>(ty >> kFractionBits) + 1;  // ceil(256·Y), 256·Y not whole
  const int ceilY = (u + 255) >> 8;
  return Sample{f.cx + (t >> 8), f.cy + ceilY, t & 255, (ceilY << 8) - u};
}

inline void StoreSample(const RotationSetup& f, Pixel* out, const Sample& s) {
  // The sample needs the pixel to its right and the one above.
  if (static_cast<unsigned>(s.x0) >= static_cast<unsigned>(f.sW - 1) ||
      static_cast<unsigned>(s.y0 - 1) >= static_cast<unsigned>(f.sH - 1)) {
    *out = Pixel{0, 0, 0};
    return;
  }
  const int w00 = ((256 - s.fx) * (256 - s.fy)) >> 8;
  const int w01 = ((256 - s.fx) * s.fy) >> 8;
  const int w10 = (s.fx * (256 - s.fy)) >> 8;
  const int w11 = (s.fx * s.fy) >> 8;
  const Pixel* at = f.src + s.y0 * f.stride + s.x0;
  *out = WeightedPixel<8>(at, at - f.stride, w00, w10, w01, w11);
}

// One pixel off the centre column and clear of the axis directions.
inline void FastPixel(const RotationSetup& f, Pixel* row, int j, int dy, std::int64_t tx, std::int64_t ty) {
  const Sample s = FarFromWhole(tx, f.marginX) && FarFromWhole(ty, f.marginY)
                       ? Estimated(f, tx, ty)
                       : PolarSample(j - f.rj, dy, f.cx, f.cy, f.a);
  StoreSample(f, row + j, s);
}

// Columns [j, end) of a row, all off the centre column and the axis
// directions; tx, ty are the estimates at column j.
using FastSpanFn = void (*)(const RotationSetup&, Pixel*, int, int, int, std::int64_t, std::int64_t);

void FastSpanPlain(const RotationSetup& frame, Pixel* row, int dy, int j, int end, std::int64_t tx, std::int64_t ty) {
  const RotationSetup f = frame;
  for (; j < end; ++j, tx += f.cosA, ty += f.sinA) FastPixel(f, row, j, dy, tx, ty);
}

#if defined(TANDEMIX_ROTATE_SSE41)
// One half (bytes 0..7 or 8..15) of a group's output as 16-bit lanes.
__attribute__((target("sse4.1"))) inline __m128i WeightedHalf(__m128i at, __m128i atNext, __m128i above,
                                                              __m128i aboveNext, __m128i atWeights,
                                                              __m128i aboveWeights, __m128i pickFirst,
                                                              __m128i pickSecond, bool high) {
  const __m128i zero = _mm_setzero_si128();
  auto widen = [&](__m128i v) { return high ? _mm_unpackhi_epi8(v, zero) : _mm_unpacklo_epi8(v, zero); };
  const __m128i sum =
      _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_shuffle_epi8(atWeights, pickFirst), widen(at)),
                                  _mm_mullo_epi16(_mm_shuffle_epi8(atWeights, pickSecond), widen(atNext))),
                    _mm_add_epi16(_mm_mullo_epi16(_mm_shuffle_epi8(aboveWeights, pickFirst), widen(above)),
                                  _mm_mullo_epi16(_mm_shuffle_epi8(aboveWeights, pickSecond), widen(aboveNext))));
  return _mm_srli_epi16(sum, 8);  // at most 256·255 before the shift
}

// Groups of four pixels. The estimates of pixels k = 0..3 are tested
// together; when all four are decided and fall, in the source, on
// consecutive columns and on one row or two neighbouring rows (Y grows
// steadily along a row, so the rows of a group are monotonic), the twelve
// output bytes are weighted at once: out[b] = (w00·at[b] + w10·at[b + 3] +
// w01·above[b] + w11·above[b + 3]) >> 8 with each pixel's weights spread
// over its three bytes, the same sums as StoreSample. Other groups go pixel by pixel.
__attribute__((target("sse4.1"))) void FastSpanSse41(const RotationSetup& frame, Pixel* row, int dy, int j, int end,
                                                     std::int64_t tx, std::int64_t ty) {
  const RotationSetup f = frame;
  const __m128i zero = _mm_setzero_si128();
  const __m128i bias = _mm_set1_epi32(static_cast<int>(0x80000000u));
  const __m128i one = _mm_set1_epi32(1);
  const __m128i lowByte = _mm_set1_epi32(255);
  const __m128i full = _mm_set1_epi32(256);
  const __m128i marginX1 = _mm_set1_epi32(static_cast<int>(f.marginX + 1));
  const __m128i marginY1 = _mm_set1_epi32(static_cast<int>(f.marginY + 1));
  const __m128i clearX = _mm_set1_epi32(static_cast<int>((~std::uint32_t{0} - 2 * f.marginX) ^ 0x80000000u));
  const __m128i clearY = _mm_set1_epi32(static_cast<int>((~std::uint32_t{0} - 2 * f.marginY) ^ 0x80000000u));
  const __m128i cxv = _mm_set1_epi32(f.cx), cyv = _mm_set1_epi32(f.cy);
  const __m128i lastX0 = _mm_set1_epi32(f.sW - 1), lastY0 = _mm_set1_epi32(f.sH);
  const __m128i minusOne = _mm_set1_epi32(-1);
  const __m128i steps = _mm_setr_epi32(0, 1, 2, 3);
  // 16-bit lane b of the output bytes 0..7 (low) and 8..15 (high) belongs to
  // pixel b / 3; these pick that pixel's weight from a pack of eight.
  const __m128i firstLow = _mm_setr_epi8(0, 1, 0, 1, 0, 1, 2, 3, 2, 3, 2, 3, 4, 5, 4, 5);
  const __m128i firstHigh = _mm_setr_epi8(4, 5, 6, 7, 6, 7, 6, 7, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i secondLow = _mm_setr_epi8(8, 9, 8, 9, 8, 9, 10, 11, 10, 11, 10, 11, 12, 13, 12, 13);
  const __m128i secondHigh = _mm_setr_epi8(12, 13, 14, 15, 14, 15, 14, 15, -1, -1, -1, -1, -1, -1, -1, -1);
  // Spreads a 32-bit lane mask of four pixels over their twelve bytes.
  const __m128i spread = _mm_setr_epi8(0, 0, 0, 4, 4, 4, 8, 8, 8, 12, 12, 12, -1, -1, -1, -1);

  const __m128i step4X = _mm_set1_epi64x(4 * f.cosA), step4Y = _mm_set1_epi64x(4 * f.sinA);
  __m128i txLow = _mm_set_epi64x(tx + f.cosA, tx), txHigh = _mm_set_epi64x(tx + 3 * f.cosA, tx + 2 * f.cosA);
  __m128i tyLow = _mm_set_epi64x(ty + f.sinA, ty), tyHigh = _mm_set_epi64x(ty + 3 * f.sinA, ty + 2 * f.sinA);
  auto dwords = [](__m128i low, __m128i high, int pick) {
    const __m128 l = _mm_castsi128_ps(low), h = _mm_castsi128_ps(high);
    return _mm_castps_si128(pick ? _mm_shuffle_ps(l, h, _MM_SHUFFLE(3, 1, 3, 1))
                                 : _mm_shuffle_ps(l, h, _MM_SHUFFLE(2, 0, 2, 0)));
  };
  auto load = [](const Pixel* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };

  for (; j + 4 <= end; j += 4, tx += 4 * f.cosA, ty += 4 * f.sinA) {
    const __m128i fractionX = dwords(txLow, txHigh, 0), tX = dwords(txLow, txHigh, 1);
    const __m128i fractionY = dwords(tyLow, tyHigh, 0), tY = dwords(tyLow, tyHigh, 1);
    txLow = _mm_add_epi64(txLow, step4X);
    txHigh = _mm_add_epi64(txHigh, step4X);
    tyLow = _mm_add_epi64(tyLow, step4Y);
    tyHigh = _mm_add_epi64(tyHigh, step4Y);

    __m128i ok = _mm_and_si128(_mm_cmplt_epi32(_mm_xor_si128(_mm_sub_epi32(fractionX, marginX1), bias), clearX),
                               _mm_cmplt_epi32(_mm_xor_si128(_mm_sub_epi32(fractionY, marginY1), bias), clearY));
    const __m128i x0 = _mm_add_epi32(cxv, _mm_srai_epi32(tX, 8));
    const __m128i fx = _mm_and_si128(tX, lowByte);
    const __m128i u = _mm_add_epi32(tY, one);
    const __m128i ceilY = _mm_srai_epi32(_mm_add_epi32(u, lowByte), 8);
    const __m128i y0 = _mm_add_epi32(cyv, ceilY);
    const __m128i fy = _mm_sub_epi32(_mm_slli_epi32(ceilY, 8), u);
    ok = _mm_and_si128(ok, _mm_and_si128(_mm_cmpgt_epi32(x0, minusOne), _mm_cmplt_epi32(x0, lastX0)));
    ok = _mm_and_si128(ok, _mm_and_si128(_mm_cmpgt_epi32(y0, zero), _mm_cmplt_epi32(y0, lastY0)));
    const int baseX = _mm_cvtsi128_si32(x0);
    ok = _mm_and_si128(ok, _mm_cmpeq_epi32(x0, _mm_add_epi32(_mm_set1_epi32(baseX), steps)));
    const int firstY = _mm_cvtsi128_si32(y0);
    const int lastY = _mm_extract_epi32(y0, 3);
    const int lowY = std::min(firstY, lastY);
    if (_mm_movemask_ps(_mm_castsi128_ps(ok)) != 0xF || lastY - firstY > 1 || firstY - lastY > 1) {
      for (int k = 0; k < 4; ++k) FastPixel(f, row, j + k, dy, tx + k * f.cosA, ty + k * f.sinA);
      continue;
    }

    const __m128i gx = _mm_sub_epi32(full, fx), gy = _mm_sub_epi32(full, fy);
    const __m128i w00 = _mm_srli_epi32(_mm_mullo_epi32(gx, gy), 8);
    const __m128i w01 = _mm_srli_epi32(_mm_mullo_epi32(gx, fy), 8);
    const __m128i w10 = _mm_srli_epi32(_mm_mullo_epi32(fx, gy), 8);
    const __m128i w11 = _mm_srli_epi32(_mm_mullo_epi32(fx, fy), 8);
    const __m128i atWeights = _mm_packs_epi32(w00, w10);     // w00 of pixels 0..3, then w10
    const __m128i aboveWeights = _mm_packs_epi32(w01, w11);  // w01, then w11

    const Pixel* lowRow = f.src + lowY * f.stride + baseX;
    // The rows ahead are seldom in cache when the pipeline's pictures
    // outgrow it, and their stride defeats the hardware prefetcher.
    _mm_prefetch(reinterpret_cast<const char*>(lowRow + 64), _MM_HINT_T0);
    _mm_prefetch(reinterpret_cast<const char*>(lowRow - f.stride + 64), _MM_HINT_T0);
    __m128i at = load(lowRow), atNext = load(lowRow + 1);
    __m128i above = load(lowRow - f.stride), aboveNext = load(lowRow - f.stride + 1);
    if (firstY != lastY) {
      // Pixels on row lowY + 1 take that row, and lowY as the row above.
      const __m128i onNext = _mm_shuffle_epi8(_mm_cmpeq_epi32(y0, _mm_set1_epi32(lowY + 1)), spread);
      const Pixel* nextRow = lowRow + f.stride;
      above = _mm_blendv_epi8(above, at, onNext);
      aboveNext = _mm_blendv_epi8(aboveNext, atNext, onNext);
      at = _mm_blendv_epi8(at, load(nextRow), onNext);
      atNext = _mm_blendv_epi8(atNext, load(nextRow + 1), onNext);
    }
    const __m128i bytes = _mm_packus_epi16(
        WeightedHalf(at, atNext, above, aboveNext, atWeights, aboveWeights, firstLow, secondLow, false),
        WeightedHalf(at, atNext, above, aboveNext, atWeights, aboveWeights, firstHigh, secondHigh, true));
    std::uint8_t* out = reinterpret_cast<std::uint8_t*>(row + j);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), bytes);
    const std::uint32_t tail = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(bytes, 8)));
    std::memcpy(out + 8, &tail, 4);
  }
  for (; j < end; ++j, tx += f.cosA, ty += f.sinA) FastPixel(f, row, j, dy, tx, ty);
}
#endif

FastSpanFn ChooseFastSpan() {
#if defined(TANDEMIX_ROTATE_SSE41)
  if (UseSse41Kernels()) return FastSpanSse41;
#endif
  return FastSpanPlain;
}

struct Rotation {
  RotationSetup frame;
  TPixMatrix* destination;
  int dC, ri;
  bool estimate;
  int maxAbsDx;
  FastSpanFn fastSpan;

  // Columns [first, last) of row dy where the estimate might come near the
  // directions φ = 0 or ±π; a superset, so the fast spans need no test.
  void AxisSpan(int dy, std::int64_t ty0, int& first, int& last) const {
    const double limit = static_cast<double>(kAxisSlope) * (maxAbsDx + (dy < 0 ? -dy : dy));
    const double y0 = static_cast<double>(ty0);
    if (frame.sinA == 0) {
      first = 0;
      last = std::fabs(y0) <= limit ? dC : 0;
      return;
    }
    double lo = (-limit - y0) / static_cast<double>(frame.sinA);
    double hi = (limit - y0) / static_cast<double>(frame.sinA);
    if (lo > hi) std::swap(lo, hi);
    first = static_cast<int>(std::clamp(std::floor(lo) - 2.0, 0.0, static_cast<double>(dC)));
    last = static_cast<int>(std::clamp(std::ceil(hi) + 3.0, 0.0, static_cast<double>(dC)));
    if (first >= last) first = last = 0;
  }

  // A column of the axis span or the centre column: every test per pixel.
  static void CarefulPixel(const RotationSetup& f, bool estimate, Pixel* row, int j, int dy, std::int64_t tx,
                           std::int64_t ty) {
    const int dx = j - f.rj;
    const std::int64_t absTy = ty < 0 ? -ty : ty;
    const std::int64_t spread = std::int64_t{dx < 0 ? -dx : dx} + (dy < 0 ? -dy : dy);
    const bool decided = estimate && dx != 0 && absTy > kAxisSlope * spread && FarFromWhole(tx, f.marginX) &&
                         FarFromWhole(ty, f.marginY);
    StoreSample(f, row + j, decided ? Estimated(f, tx, ty) : PolarSample(dx, dy, f.cx, f.cy, f.a));
  }

  void Rows(int rowBegin, int rowEnd) const {
    const RotationSetup f = frame;
    for (int i = rowBegin; i < rowEnd; ++i) {
      const int dy = i - ri;
      // Estimates at column 0 (dx = −rj); column j adds j·cos a, j·sin a.
      const std::int64_t tx0 = std::int64_t{-f.rj} * f.cosA - std::int64_t{dy} * f.sinA;
      const std::int64_t ty0 = std::int64_t{dy} * f.cosA + std::int64_t{-f.rj} * f.sinA;
      Pixel* row = (*destination)[i];
      int axisFirst = 0, axisLast = dC;
      if (estimate) AxisSpan(dy, ty0, axisFirst, axisLast);
      // Fast spans run up to the axis span or the centre column, careful
      // columns one at a time.
      int j = 0;
      while (j < dC) {
        const bool careful = !estimate || j == f.rj || (j >= axisFirst && j < axisLast);
        if (careful) {
          CarefulPixel(f, estimate, row, j, dy, tx0 + j * f.cosA, ty0 + j * f.sinA);
          ++j;
          continue;
        }
        int end = j < axisFirst ? axisFirst : dC;
        if (f.rj > j && f.rj < end) end = f.rj;
        fastSpan(f, row, dy, j, end, tx0 + j * f.cosA, ty0 + j * f.sinA);
        j = end;
      }
    }
  }
};

bool IsInt16(int v) { return v >= -32768 && v <= 32767; }

}  // namespace

void RotateMatrix(const TPixMatrix& source, TPixMatrix& destination, int cx, int cy, int sW, int sH, int dR, int dC,
                  int ri, int rj, double a) {
  CheckDimensions(sW, sH);
  CheckDimensions(dC, dR);
  if (!IsInt16(cx) || !IsInt16(cy) || !IsInt16(ri) || !IsInt16(rj))
    throw std::invalid_argument("RotateMatrix: centres are 16-bit signed");
  if (!std::isfinite(a)) throw std::invalid_argument("RotateMatrix: the angle is not a finite number");
  CheckHolds(source, sH, sW, "source");
  CheckHolds(destination, dR, dC, "destination");

  const int maxAbsDx = std::max(std::abs(rj), std::abs(dC - 1 - rj));
  const int maxAbsDy = std::max(std::abs(ri), std::abs(dR - 1 - ri));
  const double maxRadius = std::hypot(maxAbsDx, maxAbsDy);
  const double estimateError = (maxAbsDx + maxAbsDy) * kEstimateErrorPerUnit;
  // In 2^-32 of 1/256 pixel, that is 2^-40 pixel; at most about 2^24 with
  // 16-bit sizes and centres.
  const double marginX = 2.0 * (maxRadius * 4.3e-14 + estimateError) * kPixelOne + 1;
  const double marginY = 2.0 * (maxRadius * 9e-11 + estimateError) * kPixelOne + 1;

  Rotation rotation;
  rotation.frame = RotationSetup{source[0],
                                 source.Columns(),
                                 cx,
                                 cy,
                                 sW,
                                 sH,
                                 rj,
                                 a,
                                 std::llround(std::cos(a) * kPixelOne),
                                 std::llround(std::sin(a) * kPixelOne),
                                 static_cast<std::uint32_t>(std::fmin(marginX, 1 << 30)),
                                 static_cast<std::uint32_t>(std::fmin(marginY, 1 << 30))};
  rotation.destination = &destination;
  rotation.dC = dC;
  rotation.ri = ri;
  // marginY stays far below 2^30 with 16-bit sizes; the test keeps the
  // fraction test sound whatever happens.
  rotation.estimate = std::fabs(a) <= kMaxEstimateAngle && marginY < (1 << 30);
  rotation.maxAbsDx = maxAbsDx;
  rotation.fastSpan = ChooseFastSpan();
  ParallelFor(dR, std::int64_t{dC} * 16, [&](int rowBegin, int rowEnd) { rotation.Rows(rowBegin, rowEnd); });
}

}  // namespace tandemix
