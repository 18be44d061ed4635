// zoom(clip, angle="deg"): turns the picture about its centre, keeping the
// frame size, with black where no picture falls. A positive angle turns it
// clockwise on screen, the same way the still-frame preview turns a view
// for a positive tilt, so a script shows what the user aligned.
#include <charconv>
#include <cmath>
#include <cstdint>

#include "platform/engine/FilterSupport.h"
#include "platform/engine/Functions.h"

namespace tandemix::engine {
namespace {

class RotateClip : public Clip {
 public:
  RotateClip(ClipPtr child, double degrees) : Clip(child->Info()), child_(std::move(child)) {
    const double radians = degrees * 3.14159265358979323846 / 180.0;
    cos_ = std::cos(radians);
    sin_ = std::sin(radians);
  }

  FramePtr GetFrame(int n) override {
    FramePtr src = child_->GetFrame(n);
    auto out = NewFrame(info_.width, info_.height);
    ParallelFor(info_.height, info_.width * 8LL, [&](int begin, int end) { Rows(*src, *out, begin, end); });
    return out;
  }

 private:
  // Inverse mapping in 16.16 fixed point: the source point of each
  // destination pixel centre, turned back by the angle (rows run downwards),
  // sampled bilinearly with 8-bit weights.
  void Rows(const FrameBGR& src, FrameBGR& out, int begin, int end) const {
    const int w = info_.width;
    const int h = info_.height;
    constexpr double kOne = 65536.0;
    const std::int64_t stepX = std::llround(cos_ * kOne);
    const std::int64_t stepY = std::llround(-sin_ * kOne);
    const std::size_t stride = src.Stride();
    for (int y = begin; y < end; ++y) {
      const double dx = 0.5 - w / 2.0;
      const double dy = y + 0.5 - h / 2.0;
      const double sx = dx * cos_ + dy * sin_ + w / 2.0 - 0.5;
      const double sy = -dx * sin_ + dy * cos_ + h / 2.0 - 0.5;
      std::int64_t fx = std::llround(sx * kOne);
      std::int64_t fy = std::llround(sy * kOne);
      std::uint8_t* d = out.Row(y);
      for (int x = 0; x < w; ++x, fx += stepX, fy += stepY, d += 3) {
        const std::int64_t ix = fx >> 16;
        const std::int64_t iy = fy >> 16;
        const int wx = static_cast<int>((fx >> 8) & 255);
        const int wy = static_cast<int>((fy >> 8) & 255);
        if (static_cast<std::uint64_t>(ix) < static_cast<std::uint64_t>(w - 1) &&
            static_cast<std::uint64_t>(iy) < static_cast<std::uint64_t>(h - 1)) {
          const std::uint8_t* p0 = src.pixels.data() + stride * static_cast<std::size_t>(iy) + 3 * static_cast<std::size_t>(ix);
          const std::uint8_t* p1 = p0 + stride;
          for (int c = 0; c < 3; ++c) {
            const int top = (p0[c] << 8) + (p0[c + 3] - p0[c]) * wx;
            const int bottom = (p1[c] << 8) + (p1[c + 3] - p1[c]) * wx;
            d[c] = static_cast<std::uint8_t>(((top << 8) + (bottom - top) * wy + 32768) >> 16);
          }
          continue;
        }
        if (ix < -1 || iy < -1 || ix >= w || iy >= h) continue;  // black
        // On the picture's edge: what lies outside is black.
        const int x0 = static_cast<int>(ix);
        const int y0 = static_cast<int>(iy);
        const int weights[2][2] = {{(256 - wx) * (256 - wy), wx * (256 - wy)}, {(256 - wx) * wy, wx * wy}};
        int sum[3] = {0, 0, 0};
        for (int j = 0; j < 2; ++j) {
          if (y0 + j < 0 || y0 + j >= h) continue;
          for (int i = 0; i < 2; ++i) {
            if (x0 + i < 0 || x0 + i >= w) continue;
            const std::uint8_t* p = src.Row(y0 + j) + 3 * (x0 + i);
            for (int c = 0; c < 3; ++c) sum[c] += weights[j][i] * p[c];
          }
        }
        for (int c = 0; c < 3; ++c) d[c] = static_cast<std::uint8_t>((sum[c] + 32768) >> 16);
      }
    }
  }

  ClipPtr child_;
  double cos_ = 1.0;
  double sin_ = 0.0;
};

double AngleOf(const Value& v) {
  if (v.IsNumber()) return v.AsFloat();
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
    ClipPtr clip = a.Clip(0);
    if (!a.Has(1)) return Value::Clip(clip);
    if (!a.At(1).IsNumber() && !a.At(1).IsString()) throw FilterError("zoom: the angle must be a number or a string");
    const double angle = AngleOf(a.At(1));
    if (angle == 0.0) return Value::Clip(clip);
    return Value::Clip(std::make_shared<RotateClip>(std::move(clip), angle));
  });
}

}  // namespace tandemix::engine
