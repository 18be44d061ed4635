// The resizers, through libswscale on planar RGB so that no colour
// conversion takes place: Lanczos4Resize, LanczosResize, Spline36Resize,
// BicubicResize, BilinearResize, PointResize.
#include <cmath>
#include <cstring>

extern "C" {
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

#include "platform/engine/FilterSupport.h"
#include "platform/engine/Functions.h"

namespace tandemix::engine {
namespace {

// Three planes (green, blue, red) with rows aligned for swscale's SIMD code.
class Planes {
 public:
  Planes(int width, int height) : stride_(((width + 63) / 64) * 64), height_(height) {
    data_ = static_cast<std::uint8_t*>(av_malloc(static_cast<std::size_t>(stride_) * height * 3));
    if (!data_) throw std::bad_alloc();
  }
  ~Planes() { av_free(data_); }
  Planes(const Planes&) = delete;
  Planes& operator=(const Planes&) = delete;

  std::uint8_t* Plane(int i) const { return data_ + static_cast<std::size_t>(stride_) * height_ * i; }
  int Stride() const { return stride_; }

 private:
  int stride_;
  int height_;
  std::uint8_t* data_ = nullptr;
};

struct Window {
  int left, top, width, height;
};

class ResizeClip : public Clip {
 public:
  ResizeClip(ClipPtr child, const ClipInfo& info, Window window, int flags, const double* params)
      : Clip(info), child_(std::move(child)), window_(window) {
    scaler_ = sws_getContext(window.width, window.height, AV_PIX_FMT_GBRP, info.width, info.height, AV_PIX_FMT_GBRP,
                             flags, nullptr, nullptr, params);
    if (!scaler_) throw FilterError("Resize: cannot resize " + std::to_string(window.width) + "x" +
                                    std::to_string(window.height) + " to " + std::to_string(info.width) + "x" +
                                    std::to_string(info.height) + ".");
  }
  ~ResizeClip() override { sws_freeContext(scaler_); }

  FramePtr GetFrame(int n) override {
    FramePtr src = child_->GetFrame(n);
    if (!planesIn_) {
      planesIn_ = std::make_unique<Planes>(window_.width, window_.height);
      planesOut_ = std::make_unique<Planes>(info_.width, info_.height);
    }
    const Planes& in_ = *planesIn_;
    const Planes& out_ = *planesOut_;
    // Interleaved blue, green, red into the green, blue and red planes.
    std::uint8_t* g = in_.Plane(0);
    std::uint8_t* b = in_.Plane(1);
    std::uint8_t* r = in_.Plane(2);
    for (int y = 0; y < window_.height; ++y) {
      const std::uint8_t* s = src->Row(window_.top + y) + static_cast<std::size_t>(window_.left) * 3;
      const std::size_t o = static_cast<std::size_t>(in_.Stride()) * y;
      for (int x = 0; x < window_.width; ++x) {
        b[o + x] = s[3 * x];
        g[o + x] = s[3 * x + 1];
        r[o + x] = s[3 * x + 2];
      }
    }
    const std::uint8_t* srcPlanes[4] = {in_.Plane(0), in_.Plane(1), in_.Plane(2), nullptr};
    const int srcStrides[4] = {in_.Stride(), in_.Stride(), in_.Stride(), 0};
    std::uint8_t* dstPlanes[4] = {out_.Plane(0), out_.Plane(1), out_.Plane(2), nullptr};
    const int dstStrides[4] = {out_.Stride(), out_.Stride(), out_.Stride(), 0};
    sws_scale(scaler_, srcPlanes, srcStrides, 0, window_.height, dstPlanes, dstStrides);
    auto out = NewFrame(info_.width, info_.height);
    for (int y = 0; y < info_.height; ++y) {
      std::uint8_t* d = out->Row(y);
      const std::size_t o = static_cast<std::size_t>(out_.Stride()) * y;
      const std::uint8_t* og = out_.Plane(0) + o;
      const std::uint8_t* ob = out_.Plane(1) + o;
      const std::uint8_t* orr = out_.Plane(2) + o;
      for (int x = 0; x < info_.width; ++x) {
        d[3 * x] = ob[x];
        d[3 * x + 1] = og[x];
        d[3 * x + 2] = orr[x];
      }
    }
    return out;
  }

 private:
  ClipPtr child_;
  Window window_;
  std::unique_ptr<Planes> planesIn_;  // made at the first frame
  std::unique_ptr<Planes> planesOut_;
  SwsContext* scaler_ = nullptr;
};

// Frames pass through when only a whole-pixel window of them is taken.
class WindowClip : public Clip {
 public:
  WindowClip(ClipPtr child, const ClipInfo& info, Window window) : Clip(info), child_(std::move(child)), window_(window) {}
  FramePtr GetFrame(int n) override {
    FramePtr src = child_->GetFrame(n);
    if (window_.left == 0 && window_.top == 0 && window_.width == src->width && window_.height == src->height) return src;
    auto out = NewFrame(window_.width, window_.height);
    for (int y = 0; y < window_.height; ++y)
      std::memcpy(out->Row(y), src->Row(window_.top + y) + static_cast<std::size_t>(window_.left) * 3, out->Stride());
    return out;
  }

 private:
  ClipPtr child_;
  Window window_;
};

// The source window: src_left, src_top, src_width, src_height, the last two
// read as Crop reads them. Offsets are taken to whole pixels.
Window SourceWindow(const std::string& filter, const CallArgs& a, std::size_t first, const ClipInfo& in) {
  const long long left = std::llround(a.Float(first, 0.0));
  const long long top = std::llround(a.Float(first + 1, 0.0));
  long long width = std::llround(a.Float(first + 2, 0.0));
  long long height = std::llround(a.Float(first + 3, 0.0));
  if (width <= 0) width = in.width - left + width;
  if (height <= 0) height = in.height - top + height;
  if (left < 0 || top < 0 || width <= 0 || height <= 0 || left + width > in.width || top + height > in.height)
    throw FilterError(filter + ": the source window lies outside the picture.");
  return Window{static_cast<int>(left), static_cast<int>(top), static_cast<int>(width), static_cast<int>(height)};
}

Value Resize(const CallArgs& a, int flags, const double* params, std::size_t windowArg) {
  const std::string& filter = a.Function();
  ClipPtr clip = a.Clip(0);
  const long long width = a.Int(1);
  const long long height = a.Int(2);
  CheckFrameSize(filter, width, height);
  const Window window = SourceWindow(filter, a, windowArg, clip->Info());
  ClipInfo info = clip->Info();
  info.width = static_cast<int>(width);
  info.height = static_cast<int>(height);
  if (width == window.width && height == window.height)
    return Value::Clip(std::make_shared<WindowClip>(std::move(clip), info, window));
  return Value::Clip(std::make_shared<ResizeClip>(std::move(clip), info, window, flags, params));
}

std::vector<Param> ResizeParams(std::vector<Param> extra = {}) {
  std::vector<Param> p = {Req("clip", ParamType::Clip), Req("target_width", ParamType::Int),
                          Req("target_height", ParamType::Int)};
  p.insert(p.end(), extra.begin(), extra.end());
  for (const char* n : {"src_left", "src_top", "src_width", "src_height"}) p.push_back(Opt(n, ParamType::Float));
  return p;
}

void AddLanczos(FunctionTable& t, const char* name, int defaultTaps) {
  auto params = ResizeParams();
  params.push_back(Opt("taps", ParamType::Int));
  t.Add(name, params, [defaultTaps](const CallArgs& a) {
    const int taps = a.Int(7, defaultTaps);
    if (taps < 1 || taps > 100) throw FilterError(a.Function() + ": taps must be between 1 and 100.");
    const double p[2] = {static_cast<double>(taps), SWS_PARAM_DEFAULT};
    return Resize(a, SWS_LANCZOS, p, 3);
  });
}

}  // namespace

void RegisterResizeFunctions(FunctionTable& t) {
  AddLanczos(t, "Lanczos4Resize", 4);
  AddLanczos(t, "LanczosResize", 3);
  t.Add("Spline36Resize", ResizeParams(), [](const CallArgs& a) { return Resize(a, SWS_SPLINE, nullptr, 3); });
  t.Add("Spline16Resize", ResizeParams(), [](const CallArgs& a) { return Resize(a, SWS_SPLINE, nullptr, 3); });
  t.Add("BilinearResize", ResizeParams(), [](const CallArgs& a) { return Resize(a, SWS_BILINEAR, nullptr, 3); });
  t.Add("PointResize", ResizeParams(), [](const CallArgs& a) { return Resize(a, SWS_POINT, nullptr, 3); });
  t.Add("BicubicResize", ResizeParams({Opt("b", ParamType::Float), Opt("c", ParamType::Float)}),
        [](const CallArgs& a) {
          const double p[2] = {a.Float(3, 1.0 / 3.0), a.Float(4, 1.0 / 3.0)};
          return Resize(a, SWS_BICUBIC, p, 5);
        });
}

}  // namespace tandemix::engine
