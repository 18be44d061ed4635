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
    const int w = info_.width;
    const int h = info_.height;
    auto out = NewFrame(w, h);
    constexpr double kOne = 65536.0;
    const std::int64_t stepX = std::llround(cos_ * kOne);
    const std::int64_t stepY = std::llround(-sin_ * kOne);
    for (int y = 0; y < h; ++y) {
      // Inverse mapping: the source point of each destination pixel centre,
      // turned back by the angle (rows run downwards).
      const double dx = 0.5 - w / 2.0;
      const double dy = y + 0.5 - h / 2.0;
      const double sx = dx * cos_ + dy * sin_ + w / 2.0 - 0.5;
      const double sy = -dx * sin_ + dy * cos_ + h / 2.0 - 0.5;
      std::int64_t fx = std::llround(sx * kOne);
      std::int64_t fy = std::llround(sy * kOne);
      std::uint8_t* d = out->Row(y);
      for (int x = 0; x < w; ++x, fx += stepX, fy += stepY, d += 3) {
        const std::int64_t ix = fx >> 16;
        const std::int64_t iy = fy >> 16;
        if (ix < -1 || iy < -1 || ix >= w || iy >= h) continue;
        const int wx = static_cast<int>((fx >> 8) & 255);
        const int wy = static_cast<int>((fy >> 8) & 255);
        const int w00 = (256 - wx) * (256 - wy);
        const int w10 = wx * (256 - wy);
        const int w01 = (256 - wx) * wy;
        const int w11 = wx * wy;
        const int x0 = static_cast<int>(ix);
        const int y0 = static_cast<int>(iy);
        if (x0 >= 0 && y0 >= 0 && x0 + 1 < w && y0 + 1 < h) {
          const std::uint8_t* p0 = src->Row(y0) + 3 * x0;
          const std::uint8_t* p1 = src->Row(y0 + 1) + 3 * x0;
          for (int c = 0; c < 3; ++c)
            d[c] = static_cast<std::uint8_t>((w00 * p0[c] + w10 * p0[c + 3] + w01 * p1[c] + w11 * p1[c + 3] + 32768) >> 16);
        } else {
          // On the picture's edge: what lies outside is black.
          int sum[3] = {0, 0, 0};
          const int xs[2] = {x0, x0 + 1};
          const int ys[2] = {y0, y0 + 1};
          const int ws[2][2] = {{w00, w10}, {w01, w11}};
          for (int j = 0; j < 2; ++j) {
            if (ys[j] < 0 || ys[j] >= h) continue;
            for (int i = 0; i < 2; ++i) {
              if (xs[i] < 0 || xs[i] >= w) continue;
              const std::uint8_t* p = src->Row(ys[j]) + 3 * xs[i];
              for (int c = 0; c < 3; ++c) sum[c] += ws[j][i] * p[c];
            }
          }
          for (int c = 0; c < 3; ++c) d[c] = static_cast<std::uint8_t>((sum[c] + 32768) >> 16);
        }
      }
    }
    return out;
  }

 private:
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
