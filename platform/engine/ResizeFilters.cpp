// The resizers, through libswscale on each colour plane so that no colour
// conversion takes place: Lanczos4Resize, LanczosResize, Spline36Resize,
// BicubicResize, BilinearResize, PointResize.
#include <cmath>
#include <cstring>
#include <mutex>

extern "C" {
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

#include "platform/engine/FilterSupport.h"
#include "platform/engine/Functions.h"

namespace tandemix::engine {
namespace {

// Three planes (blue, green, red) with rows aligned for swscale's SIMD code.
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

// Each colour plane is scaled by its own context, so the three run at once.
class ResizeClip : public Clip {
 public:
  ResizeClip(ClipPtr child, const ClipInfo& info, Window window, int flags, const double* params)
      : Clip(info), child_(std::move(child)), window_(window) {
    for (SwsContext*& scaler : scalers_) {
      scaler = sws_getContext(window.width, window.height, AV_PIX_FMT_GRAY8, info.width, info.height, AV_PIX_FMT_GRAY8,
                              flags | SWS_ACCURATE_RND, nullptr, nullptr, params);
      if (!scaler) {
        for (SwsContext* made : scalers_) sws_freeContext(made);
        throw FilterError("Resize: cannot resize " + std::to_string(window.width) + "x" +
                          std::to_string(window.height) + " to " + std::to_string(info.width) + "x" +
                          std::to_string(info.height) + ".");
      }
    }
  }
  ~ResizeClip() override {
    for (SwsContext* scaler : scalers_) sws_freeContext(scaler);
  }

  FramePtr GetFrame(int n) override {
    FramePtr src = child_->GetFrame(n);
    std::lock_guard<std::mutex> lock(mutex_);  // the planes are reused
    if (!planesIn_) {
      planesIn_ = std::make_unique<Planes>(window_.width, window_.height);
      planesOut_ = std::make_unique<Planes>(info_.width, info_.height);
    }
    const Planes& in = *planesIn_;
    const Planes& out = *planesOut_;
    // Interleaved blue, green, red into three planes.
    ParallelFor(window_.height, window_.width * 3LL, [&](int begin, int end) {
      for (int y = begin; y < end; ++y) {
        const std::uint8_t* s = src->Row(window_.top + y) + static_cast<std::size_t>(window_.left) * 3;
        const std::size_t o = static_cast<std::size_t>(in.Stride()) * y;
        std::uint8_t* b = in.Plane(0) + o;
        std::uint8_t* g = in.Plane(1) + o;
        std::uint8_t* r = in.Plane(2) + o;
        for (int x = 0; x < window_.width; ++x) {
          b[x] = s[3 * x];
          g[x] = s[3 * x + 1];
          r[x] = s[3 * x + 2];
        }
      }
    });
    const long long planeCost = static_cast<long long>(info_.width) * info_.height * 16;
    ParallelFor(3, planeCost, [&](int begin, int end) {
      for (int p = begin; p < end; ++p) {
        const std::uint8_t* srcPlane[4] = {in.Plane(p), nullptr, nullptr, nullptr};
        const int srcStride[4] = {in.Stride(), 0, 0, 0};
        std::uint8_t* dstPlane[4] = {out.Plane(p), nullptr, nullptr, nullptr};
        const int dstStride[4] = {out.Stride(), 0, 0, 0};
        sws_scale(scalers_[p], srcPlane, srcStride, 0, window_.height, dstPlane, dstStride);
      }
    });
    auto frame = pool_.Take(info_.width, info_.height, FramePool::Fill::Overwritten);
    ParallelFor(info_.height, info_.width * 3LL, [&](int begin, int end) {
      for (int y = begin; y < end; ++y) {
        std::uint8_t* d = frame->Row(y);
        const std::size_t o = static_cast<std::size_t>(out.Stride()) * y;
        const std::uint8_t* b = out.Plane(0) + o;
        const std::uint8_t* g = out.Plane(1) + o;
        const std::uint8_t* r = out.Plane(2) + o;
        for (int x = 0; x < info_.width; ++x) {
          d[3 * x] = b[x];
          d[3 * x + 1] = g[x];
          d[3 * x + 2] = r[x];
        }
      }
    });
    return frame;
  }

 private:
  ClipPtr child_;
  Window window_;
  std::mutex mutex_;
  std::unique_ptr<Planes> planesIn_;  // made at the first frame
  std::unique_ptr<Planes> planesOut_;
  SwsContext* scalers_[3] = {nullptr, nullptr, nullptr};
  FramePool pool_;
};

// Frames pass through when only a whole-pixel window of them is taken.
class WindowClip : public Clip {
 public:
  WindowClip(ClipPtr child, const ClipInfo& info, Window window)
      : Clip(info), child_(std::move(child)), window_(window) {}
  FramePtr GetFrame(int n) override {
    FramePtr src = child_->GetFrame(n);
    if (window_.left == 0 && window_.top == 0 && window_.width == src->width && window_.height == src->height)
      return src;
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
  t.Add("BicubicResize", ResizeParams({Opt("b", ParamType::Float), Opt("c", ParamType::Float)}), [](const CallArgs& a) {
    const double p[2] = {a.Float(3, 1.0 / 3.0), a.Float(4, 1.0 / 3.0)};
    return Resize(a, SWS_BICUBIC, p, 5);
  });
}

}  // namespace tandemix::engine
