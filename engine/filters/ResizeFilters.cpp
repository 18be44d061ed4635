// The resizers with AviSynth's kernels and resampling programs
// (Resampler.h), on each plane: Lanczos4Resize, LanczosResize,
// Spline16Resize, Spline36Resize, BicubicResize, BilinearResize,
// PointResize. Chroma planes take the window divided by the subsampling,
// as AviSynth's do; YUY2 is resized as its 4:2:2 planes.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/ParallelFor.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/frames/FrameBudget.h"
#include "engine/frames/FrameCopy.h"
#include "engine/frames/FrameLimits.h"
#include "engine/frames/ScriptError.h"
#include "engine/frames/WindowedFrames.h"
#include "engine/kernels/PixelConvert.h"
#include "engine/kernels/Resampler.h"

namespace tandemix::engine {
namespace {

struct Window {
  double left, top, width, height;
};

class ResizeClip : public Clip, public WindowedFrames {
 public:
  ResizeClip(ClipPtr child, const ClipInfo& info, const Window& w, const ResampleKernel& kernel, bool leftSited)
      : Clip(info), child_(std::move(child)), pool_("Resize") {
    PassAudioFrom(child_);
    const ClipInfo& in = child_->Info();
    // YUY2 is worked on as YV16 planes.
    work_ = in.pixelType == PixelType::YUY2 ? PixelType::YV16 : in.pixelType;
    const int planes = PlaneCountOf(work_);
    for (int p = 0; p < planes; ++p) {
      const int sx = p ? ChromaShiftX(work_) : 0;
      const int sy = p ? ChromaShiftY(work_) : 0;
      const int step = p ? 1 : (IsRGBType(work_) ? BytesPerPixel(work_) : 1);
      const double dx = 1 << sx, dy = 1 << sy;
      // Chroma sited on the left of its pair of luma samples (MPEG-2)
      // stays there: its window moves by a quarter of a chroma sample for
      // each step the scale takes away from 1.
      // YUY2's chroma is taken as centred between its pair.
      const double sited =
          sx && leftSited && in.pixelType != PixelType::YUY2 ? 0.25 * (1.0 - w.width / info.width) : 0.0;
      plans_.push_back(MakePlaneResize(kernel, in.width >> sx, in.height >> sy, step, w.left / dx + sited, w.top / dy,
                                       w.width / dx, w.height / dy, info.width >> sx, info.height >> sy,
                                       IsRGBType(work_)));
    }
  }

  // Crop after a resize: only the pixels kept are computed.
  ClipPtr CropWindow(int left, int top, int width, int height) const override {
    ClipInfo info = info_;
    info.width = width;
    info.height = height;
    auto window = std::make_shared<ResizeClip>(child_, info, work_);
    for (std::size_t p = 0; p < plans_.size(); ++p) {
      const int sx = p ? ChromaShiftX(work_) : 0;
      const int sy = p ? ChromaShiftY(work_) : 0;
      window->plans_.push_back(WindowOfPlaneResize(plans_[p], left >> sx, top >> sy, width >> sx, height >> sy));
    }
    return window;
  }

  void GetFrameInto(int n, VideoFrame& out, int x, int y) override {
    if (info_.pixelType == PixelType::YUY2) return Clip::GetFrameInto(n, out, x, y);
    Resample(*child_->GetFrame(n), out, x, y);
  }

  FramePtr GetFrame(int n) override {
    FramePtr src = child_->GetFrame(n);
    if (info_.pixelType != PixelType::YUY2) {
      auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
      Resample(*src, *out, 0, 0);
      return out;
    }
    // YUY2 is resized as YV16 planes.
    auto packedIn = std::make_shared<FrameBGR>(PixelType::YV16, src->width, src->height);
    ConvertFrame(*src, *packedIn, Matrix::Rec601, false);
    FrameBGR packedOut(PixelType::YV16, info_.width, info_.height);
    Resample(*packedIn, packedOut, 0, 0);
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    ConvertFrame(packedOut, *out, Matrix::Rec601, false);
    return out;
  }

  // The planes of `in` resized into `out` at (x, y).
  void Resample(const FrameBGR& in, FrameBGR& out, int x, int y) const {
    // Kept by the thread between frames, so the passes' middle picture is
    // not allocated (and faulted in) afresh for each; only this call uses
    // it while it runs (the row bands of its passes read it through it).
    thread_local std::vector<std::uint8_t> scratch;
    for (std::size_t p = 0; p < plans_.size(); ++p) {
      const int plane = static_cast<int>(p);
      RunPlaneResize(plans_[p], in.Plane(plane), in.Stride(plane), PixelAt(out, plane, x, y), out.Stride(plane),
                     scratch, ParallelFor);
    }
  }

  // A resize whose plans the caller fills in (CropWindow).
  ResizeClip(ClipPtr child, const ClipInfo& info, PixelType work)
      : Clip(info), child_(std::move(child)), work_(work), pool_("Resize") {}

 private:
  ClipPtr child_;
  PixelType work_ = PixelType::RGB24;
  std::vector<PlaneResize> plans_;
  FramePool pool_;
};

// Frames pass through when only a whole-pixel window of them is taken.
class WindowClip : public Clip {
 public:
  WindowClip(ClipPtr child, const ClipInfo& info, int left, int top)
      : Clip(info), child_(std::move(child)), left_(left), top_(top), pool_("Resize") {
    PassAudioFrom(child_);
  }
  FramePtr GetFrame(int n) override {
    FramePtr src = child_->GetFrame(n);
    if (left_ == 0 && top_ == 0 && info_.width == src->width && info_.height == src->height) return src;
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    CopyWindow(*src, *out, left_, top_);
    return out;
  }

 private:
  ClipPtr child_;
  int left_, top_;
  FramePool pool_;
};

// The source window: src_left, src_top, src_width, src_height, the last two
// read as Crop reads them, at fractional positions too. Checked in floating
// point, so no window can overflow on its way to the picture.
Window SourceWindow(const std::string& filter, const CallArgs& a, const ClipInfo& in) {
  Window w{a.Float("src_left", 0.0), a.Float("src_top", 0.0), a.Float("src_width", 0.0), a.Float("src_height", 0.0)};
  if (!std::isfinite(w.left) || !std::isfinite(w.top) || !std::isfinite(w.width) || !std::isfinite(w.height))
    throw FilterError(filter + ": the source window lies outside the picture.");
  if (w.width <= 0) w.width = in.width - w.left + w.width;
  if (w.height <= 0) w.height = in.height - w.top + w.height;
  // A window may reach past the picture (its edge samples repeat), as far
  // as a frame's size; only sizes that leave no sample are refused.
  constexpr double kReach = 1 << 20;
  if (!(w.width > 0 && w.height > 0) || std::fabs(w.left) > kReach || std::fabs(w.top) > kReach || w.width > kReach ||
      w.height > kReach)
    throw FilterError(filter + ": the source window lies outside the picture.");
  return w;
}

Value Resize(const CallArgs& a, const ResampleKernel& kernel) {
  const std::string& filter = a.Function();
  ClipPtr clip = a.Clip("clip");
  const long long width = a.Int("target_width");
  const long long height = a.Int("target_height");
  CheckFrameSize(filter, width, height);
  const ClipInfo& in = clip->Info();
  const PixelType type = in.pixelType;
  if (type == PixelType::YUY2 && width % 2) throw FilterError(filter + ": YUY2 width must be even");
  if (IsPlanarType(type) && ChromaShiftX(type) && width % 2)
    throw FilterError(filter + ": Planar destination width must be a multiple of 2.");
  if (IsPlanarType(type) && ChromaShiftY(type) && height % 2)
    throw FilterError(filter + ": Planar destination height must be a multiple of 2.");
  const Window window = SourceWindow(filter, a, in);
  ClipInfo info = in;
  info.width = static_cast<int>(width);
  info.height = static_cast<int>(height);
  const bool whole = window.left == std::floor(window.left) && window.top == std::floor(window.top);
  if (whole && width == window.width && height == window.height) {
    const int left = static_cast<int>(window.left), top = static_cast<int>(window.top);
    if (((left | static_cast<int>(width)) & ((1 << ChromaShiftX(type)) - 1)) == 0 &&
        ((top | static_cast<int>(height)) & ((1 << ChromaShiftY(type)) - 1)) == 0)
      return Value::Clip(std::make_shared<WindowClip>(std::move(clip), info, left, top));
  }
  // Chroma placement: centred (MPEG-1's) unless told MPEG-2's (left).
  // "auto" reads no frame property here and is centred, as AviSynth's
  // resizers are for a frame that declares no chroma location.
  bool leftSited = false;
  if (a.Has("placement")) {
    const std::string placement = LowerCase(a.String("placement"));
    if (placement == "mpeg2" || placement == "left")
      leftSited = true;
    else if (placement != "mpeg1" && placement != "center" && placement != "jpeg" && placement != "auto")
      throw FilterError("Unknown chroma placement");
  }
  return Value::Clip(std::make_shared<ResizeClip>(std::move(clip), info, window, kernel, leftSited));
}

// The kernel's own arguments come before the source window (BicubicResize's
// b and c, UserDefined2Resize's) or, with `afterWindow`, after it
// (GaussResize's p, b and s, SinPowerResize's p), as AviSynth orders them.
std::vector<Param> ResizeParams(std::vector<Param> extra = {}, bool afterWindow = false) {
  std::vector<Param> p = {Req("clip", ParamType::Clip), Req("target_width", ParamType::Int),
                          Req("target_height", ParamType::Int)};
  if (!afterWindow) p.insert(p.end(), extra.begin(), extra.end());
  for (const char* n : {"src_left", "src_top", "src_width", "src_height"}) p.push_back(Opt(n, ParamType::Float));
  if (afterWindow) p.insert(p.end(), extra.begin(), extra.end());
  p.push_back(Opt("force", ParamType::Int));         // every pass runs: the same pixels
  p.push_back(Opt("keep_center", ParamType::Bool));  // read as true
  p.push_back(Opt("placement", ParamType::String));
  return p;
}

void AddLanczos(FunctionTable& t, const char* name, int defaultTaps) {
  auto params = ResizeParams();
  params.push_back(Opt("taps", ParamType::Int));
  t.Add(name, params, [defaultTaps](const CallArgs& a) {
    const int taps = a.Int("taps", defaultTaps);
    if (taps < 1 || taps > 100) throw FilterError(a.Function() + ": taps must be between 1 and 100.");
    ResampleKernel k;
    k.kind = ResampleKernel::Kind::Lanczos;
    k.taps = taps;
    return Resize(a, k);
  });
}

// Kernels of a taps argument, clamped to [1, most] as AviSynth does.
void AddTaps(FunctionTable& t, const char* name, ResampleKernel::Kind kind, int defaultTaps, int most) {
  auto params = ResizeParams();
  params.push_back(Opt("taps", ParamType::Int));
  t.Add(name, params, [kind, defaultTaps, most](const CallArgs& a) {
    ResampleKernel k;
    k.kind = kind;
    k.taps = std::clamp(a.Int("taps", defaultTaps), 1, most);
    return Resize(a, k);
  });
}

void AddSimple(FunctionTable& t, const char* name, ResampleKernel::Kind kind) {
  t.Add(name, ResizeParams(), [kind](const CallArgs& a) {
    ResampleKernel k;
    k.kind = kind;
    return Resize(a, k);
  });
}

}  // namespace

void RegisterResizeFunctions(FunctionTable& t) {
  AddLanczos(t, "Lanczos4Resize", 4);
  AddLanczos(t, "LanczosResize", 3);
  AddSimple(t, "Spline36Resize", ResampleKernel::Kind::Spline36);
  AddSimple(t, "Spline16Resize", ResampleKernel::Kind::Spline16);
  AddSimple(t, "BilinearResize", ResampleKernel::Kind::Bilinear);
  AddSimple(t, "PointResize", ResampleKernel::Kind::Point);
  AddSimple(t, "Spline64Resize", ResampleKernel::Kind::Spline64);
  AddTaps(t, "BlackmanResize", ResampleKernel::Kind::Blackman, 4, 100);
  AddTaps(t, "SincResize", ResampleKernel::Kind::Sinc, 4, 20);
  AddTaps(t, "SincLin2Resize", ResampleKernel::Kind::SincLin2, 15, 30);
  t.Add("GaussResize",
        ResizeParams({Opt("p", ParamType::Float), Opt("b", ParamType::Float), Opt("s", ParamType::Float)}, true),
        [](const CallArgs& a) {
          ResampleKernel k;
          k.kind = ResampleKernel::Kind::Gauss;
          k.p = std::clamp(a.Float("p", 30.0), 0.01, 100.0);
          k.base = std::clamp(a.Float("b", 2.0), 1.5, 3.5);
          k.support = std::clamp(a.Float("s", 4.0), 0.1, 150.0);
          return Resize(a, k);
        });
  t.Add("SinPowerResize", ResizeParams({Opt("p", ParamType::Float)}, true), [](const CallArgs& a) {
    ResampleKernel k;
    k.kind = ResampleKernel::Kind::SinPower;
    k.p = std::clamp(a.Float("p", 2.5), 1.0, 10.0);
    return Resize(a, k);
  });
  t.Add("UserDefined2Resize",
        ResizeParams({Opt("b", ParamType::Float), Opt("c", ParamType::Float), Opt("s", ParamType::Float)}),
        [](const CallArgs& a) {
          ResampleKernel k;
          k.kind = ResampleKernel::Kind::UserDefined2;
          k.b = (std::clamp(a.Float("b", 121.0), -50.0, 250.0) - 16.0) / 219.0;
          k.c = (std::clamp(a.Float("c", 19.0), -50.0, 250.0) - 16.0) / 219.0;
          // The default support is the single-precision 2.3; a given one is
          // taken as written.
          k.support = std::clamp(a.Float("s", static_cast<double>(2.3f)), 1.5, 15.0);
          return Resize(a, k);
        });
  t.Add("BicubicResize", ResizeParams({Opt("b", ParamType::Float), Opt("c", ParamType::Float)}), [](const CallArgs& a) {
    ResampleKernel k;
    k.kind = ResampleKernel::Kind::Bicubic;
    k.b = a.Float("b", 1.0 / 3.0);
    k.c = a.Float("c", 1.0 / 3.0);
    return Resize(a, k);
  });
}

}  // namespace tandemix::engine
