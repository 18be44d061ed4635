// zoom(clip, angle="deg"): turns the picture about its centre, keeping the
// frame size, with black where no picture falls. A positive angle turns it
// clockwise on screen, the same way the still-frame preview turns a view
// for a positive tilt, so a script shows what the user aligned.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "base/ParallelFor.h"
#include "base/VectorKernels.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/frames/FrameBudget.h"
#include "engine/frames/FrameCopy.h"
#include "engine/frames/ScriptError.h"
#include "engine/kernels/PixelConvert.h"
#include "engine/kernels/ZoomPixels.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define TANDEMIX_ZOOM_SSE41 1
#endif

namespace tandemix::engine {
namespace {

#if defined(TANDEMIX_ZOOM_SSE41)
// One pixel inside the picture, its three colours at once, with the very
// integer arithmetic of the plain loop: per colour, across the row
// top = p00 * (256 - wx) + p01 * wx (what (p00 << 8) + (p01 - p00) * wx is),
// then ((top << 8) + (bottom - top) * wy + 32768) >> 16, written as
// (top * (256 - wy) + bottom * wy + 32768) >> 16.
__attribute__((target("sse4.1"))) inline void InteriorSse41(const std::uint8_t* p0, const std::uint8_t* p1, int wx,
                                                            int wy, std::uint8_t* d) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i across = _mm_set1_epi32((wx << 16) | (256 - wx));
  auto rowWeighted = [&](const std::uint8_t* p) {
    std::uint64_t bytes;
    std::memcpy(&bytes, p, 8);
    const __m128i left = _mm_cvtsi64_si128(static_cast<long long>(bytes));  // b g r of the left pixel first
    const __m128i right = _mm_srli_epi64(left, 24);                         // b g r of the right one
    const __m128i pairs = _mm_unpacklo_epi8(_mm_unpacklo_epi8(left, right), zero);
    return _mm_madd_epi16(pairs, across);  // 32-bit top (or bottom) of b, g, r, and a spare
  };
  const __m128i top = rowWeighted(p0);
  const __m128i bottom = rowWeighted(p1);
  const __m128i sum = _mm_add_epi32(
      _mm_add_epi32(_mm_mullo_epi32(top, _mm_set1_epi32(256 - wy)), _mm_mullo_epi32(bottom, _mm_set1_epi32(wy))),
      _mm_set1_epi32(32768));
  const __m128i bytes = _mm_packus_epi16(_mm_packus_epi32(_mm_srli_epi32(sum, 16), zero), zero);
  const std::uint32_t bgr = static_cast<std::uint32_t>(_mm_cvtsi128_si32(bytes));
  d[0] = static_cast<std::uint8_t>(bgr);
  d[1] = static_cast<std::uint8_t>(bgr >> 8);
  d[2] = static_cast<std::uint8_t>(bgr >> 16);
}
#endif

class RotateClip : public Clip {
 public:
  RotateClip(ClipPtr child, double degrees) : Clip(child->Info()), child_(std::move(child)), pool_("zoom") {
    PassAudioFrom(child_);
    // A finite angle near the largest double would turn into an infinite
    // number of radians; whole turns change nothing.
    if (std::abs(degrees) > 360.0) degrees = std::fmod(degrees, 360.0);
    const double radians = degrees * 3.14159265358979323846 / 180.0;
    cos_ = std::cos(radians);
    sin_ = std::sin(radians);
  }

  void GetFrameInto(int n, VideoFrame& out, int x, int y) override {
    if (info_.pixelType == PixelType::YUY2) return Clip::GetFrameInto(n, out, x, y);
    Turn(*child_->GetFrame(n), out, x, y);
  }

  FramePtr GetFrame(int n) override {
    FramePtr src = child_->GetFrame(n);
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    if (info_.pixelType != PixelType::YUY2) {
      Turn(*src, *out, 0, 0);
      return out;
    }
    // YUY2 is turned as its 4:2:2 planes.
    FrameBGR planarIn(PixelType::YV16, src->width, src->height);
    ConvertFrame(*src, planarIn, Matrix::Rec601, false);
    FrameBGR planarOut(PixelType::YV16, info_.width, info_.height);
    Turn(planarIn, planarOut, 0, 0);
    ConvertFrame(planarOut, *out, Matrix::Rec601, false);
    return out;
  }

  // The planes of `in` turned into `target` at (x, y).
  void Turn(const FrameBGR& source, FrameBGR& target, int x, int y) const {
    const FrameBGR* in = &source;
    for (int p = 0; p < in->Planes(); ++p) {
      const PlaneView view{in->Plane(p), in->Stride(p), p ? in->PlaneWidth(p) : in->width, in->PlaneHeight(p),
                           in->Stride(p) * static_cast<std::size_t>(in->PlaneHeight(p))};
      const int channels = p ? 1 : BytesPerPixel(in->type);
      // Black where no picture falls: 0 in RGB, 16 for luma and 128 for chroma.
      const int black = IsRGBType(in->type) ? 0 : (p ? 128 : 16);
      std::uint8_t* dst = PixelAt(target, p, x, y);
      const std::size_t dstStride = target.Stride(p);
      // The vector kernels follow the switch of base/VectorKernels.h.
      const bool sse41 = UseSse41Kernels();
      const bool avx2 = UseAvx2Kernels();
      ParallelFor(view.height, view.width * 8LL, [&](int begin, int end) {
        if (channels == 3) {
#if defined(TANDEMIX_ZOOM_SSE41)
          if (sse41) return RowsSse41(view, dst, dstStride, begin, end);
#endif
          return Rows<false, 3>(view, dst, dstStride, begin, end, black);
        }
        if (channels == 4) return Rows<false, 4>(view, dst, dstStride, begin, end, black);
        if (avx2) return Rows<true, 1>(view, dst, dstStride, begin, end, black);
        Rows<false, 1>(view, dst, dstStride, begin, end, black);
      });
    }
  }

 private:
  // Inverse mapping in 16.16 fixed point: the source point of each
  // destination pixel centre, turned back by the angle (rows run downwards),
  // sampled bilinearly with 8-bit weights.
#if defined(TANDEMIX_ZOOM_SSE41)
  // The same loop built for SSE4.1, so that the pixel kernel is inlined.
  __attribute__((target("sse4.1"))) void RowsSse41(const PlaneView& src, std::uint8_t* dst, std::size_t dstStride,
                                                   int begin, int end) const {
    Rows<true, 3>(src, dst, dstStride, begin, end, 0);
  }
#endif

 public:
  // The source point of row y's first pixel, x or y, in 16.16 fixed point.
  std::int64_t RowStart(int w, int h, int y, bool across) const {
    const double dx = 0.5 - w / 2.0;
    const double dy = y + 0.5 - h / 2.0;
    const double point = across ? dx * cos_ + dy * sin_ + w / 2.0 - 0.5 : -dx * sin_ + dy * cos_ + h / 2.0 - 0.5;
    return std::llround(point * 65536.0);
  }

  template <bool kVector, int C>
  [[gnu::always_inline]] inline void Rows(const PlaneView& src, std::uint8_t* dst, std::size_t dstStride, int begin,
                                          int end, int black) const {
    const int w = src.width;
    const int h = src.height;
    constexpr double kOne = 65536.0;
    const std::int64_t stepX = std::llround(cos_ * kOne);
    const std::int64_t stepY = std::llround(-sin_ * kOne);
    [[maybe_unused]] const std::uint8_t* const end8 = src.data + src.bytes;
    if constexpr (kVector && C == 1) {
      // In strips a few hundred pixels wide, rows of a strip one after the
      // other: a row of a turned picture crosses many source rows, and the
      // next row the same ones again, so a strip keeps what it reads in the
      // first-level cache where a whole row would not.
      constexpr int kStrip = 256;
      for (int left = 0; left < w; left += kStrip)
        for (int y = begin; y < end; ++y) {
          const std::int64_t fx = RowStart(w, h, y, true) + stepX * left;
          const std::int64_t fy = RowStart(w, h, y, false) + stepY * left;
          ZoomPlaneRowAvx2(src, fx, fy, stepX, stepY, dst + dstStride * static_cast<std::size_t>(y) + left,
                           std::min(kStrip, w - left), black);
        }
      return;
    }
    for (int y = begin; y < end; ++y) {
      std::int64_t fx = RowStart(w, h, y, true);
      std::int64_t fy = RowStart(w, h, y, false);
      std::uint8_t* d = dst + dstStride * static_cast<std::size_t>(y);
      for (int x = 0; x < w; ++x, fx += stepX, fy += stepY, d += C) {
#if defined(TANDEMIX_ZOOM_SSE41)
        // Eight bytes are read from each row: not past the picture's end.
        if constexpr (kVector && C == 3) {
          const std::int64_t ix = fx >> 16;
          const std::int64_t iy = fy >> 16;
          if (static_cast<std::uint64_t>(ix) < static_cast<std::uint64_t>(w - 1) &&
              static_cast<std::uint64_t>(iy) < static_cast<std::uint64_t>(h - 1)) {
            const std::uint8_t* p0 =
                src.data + src.stride * static_cast<std::size_t>(iy) + C * static_cast<std::size_t>(ix);
            const std::uint8_t* p1 = p0 + src.stride;
            if (p1 + 8 <= end8) {
              InteriorSse41(p0, p1, static_cast<int>((fx >> 8) & 255), static_cast<int>((fy >> 8) & 255), d);
              continue;
            }
          }
        }
#endif
        ZoomPixel<C>(src, fx, fy, d, black);
      }
    }
  }

 private:
  ClipPtr child_;
  double cos_ = 1.0;
  double sin_ = 0.0;
  FramePool pool_;
};

double AngleOf(const Value& v) {
  if (v.IsNumber()) {
    // Reached by arithmetic (1e308 * 10, 0.0 / 0.0): refused like the text.
    const double angle = v.AsFloat();
    if (!std::isfinite(angle))
      throw FilterError("zoom: the angle " + std::string(angle != angle ? "NaN" : "infinity") +
                        " is not a finite number");
    return angle;
  }
  const std::string& text = v.AsString();
  const char* begin = text.data();
  const char* end = begin + text.size();
  while (begin < end && *begin == ' ') ++begin;
  while (end > begin && end[-1] == ' ') --end;
  if (begin < end && *begin == '+') ++begin;
  double angle = 0.0;
  const auto [ptr, ec] = std::from_chars(begin, end, angle);
  if (ec != std::errc() || ptr != end || begin == end || !std::isfinite(angle))
    throw FilterError("zoom: the angle \"" + text + "\" is not a number");
  return angle;
}

}  // namespace

void RegisterZoomFunctions(FunctionTable& t) {
  t.Add("zoom", {Req("clip", ParamType::Clip), Opt("angle", ParamType::Any)}, [](const CallArgs& a) {
    ClipPtr clip = a.Clip("clip");
    if (!a.Has("angle")) return Value::Clip(clip);
    if (!a.At("angle").IsNumber() && !a.At("angle").IsString())
      throw FilterError("zoom: the angle must be a number or a string");
    const double angle = AngleOf(a.At("angle"));
    if (angle == 0.0) return Value::Clip(clip);
    return Value::Clip(std::make_shared<RotateClip>(std::move(clip), angle));
  });
}

}  // namespace tandemix::engine
