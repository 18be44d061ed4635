// Fields: SeparateFields, Weave, DoubleWeave, Bob, Pulldown, SwapFields,
// PeculiarBlend, the parity declarations, and the row and column forms
// SeparateRows, WeaveRows, SeparateColumns, WeaveColumns.
//
// Parity: field n of a field-based clip is a top field when n is even and
// the clip is top field first, or n is odd and it is bottom field first; a
// frame-based clip's frames all have the clip's parity.
#include <algorithm>
#include <cstring>
#include <vector>

#include "base/ParallelFor.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/filters/FrameOps.h"
#include "engine/filters/PassThrough.h"
#include "engine/filters/Rates.h"
#include "engine/frames/FrameBudget.h"
#include "engine/frames/FrameLimits.h"
#include "engine/frames/ScriptError.h"
#include "engine/kernels/Resampler.h"

namespace tandemix::engine {
namespace {

bool TopField(const ClipInfo& info, int n) {
  return info.fieldBased ? (n % 2 == 0) == info.topFieldFirst : info.topFieldFirst;
}

// Frame n's rows (or columns) first, first + period, ... of each plane
// (YUY2's luma and chroma columns each on their own).
class SeparateClip : public Clip {
 public:
  SeparateClip(ClipPtr child, const ClipInfo& info, int interval, bool rows, bool fields)
      : Clip(info), child_(std::move(child)), interval_(interval), rows_(rows), fields_(fields), pool_("Separate") {
    PassAudioFrom(child_);
  }
  FramePtr GetFrame(int n) override {
    // A field past either end is the last (or first) frame's field of the
    // same parity, as AviSynth takes it: DoubleWeave's last frame weaves
    // the last field with the one after it.
    if (fields_ && (n < 0 || n >= info_.frameCount)) n = n < 0 ? (n & 1) : info_.frameCount - 2 + (n & 1);
    n = ClampFrame(n);
    FramePtr src = child_->GetFrame(n / interval_);
    int first = n % interval_;
    if (fields_) first = TopField(info_, n) ? 0 : 1;
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    for (int p = 0; p < out->Planes(); ++p) {
      const int height = out->PlaneHeight(p);
      if (rows_) {
        for (int y = 0; y < height; ++y)
          std::memcpy(out->Row(p, y), src->Row(p, interval_ * y + first), static_cast<std::size_t>(out->PlaneWidth(p)));
        continue;
      }
      if (info_.pixelType == PixelType::YUY2) {
        // Luma columns and chroma columns each on their own, as 4:2:2 planes.
        for (int y = 0; y < height; ++y) {
          const std::uint8_t* s = src->Row(y);
          std::uint8_t* d = out->Row(y);
          for (int x = 0; x < info_.width; ++x) d[2 * x] = s[2 * (interval_ * x + first)];
          for (int x = 0; x < info_.width / 2; ++x) {
            d[4 * x + 1] = s[4 * (interval_ * x + first) + 1];
            d[4 * x + 3] = s[4 * (interval_ * x + first) + 3];
          }
        }
        continue;
      }
      const int bpp = p == 0 ? BytesPerPixel(info_.pixelType) : 1;
      const int width = out->PlaneWidth(p) / bpp;
      for (int y = 0; y < height; ++y) {
        const std::uint8_t* s = src->Row(p, y);
        std::uint8_t* d = out->Row(p, y);
        for (int x = 0; x < width; ++x)
          std::memcpy(d + x * bpp, s + (interval_ * x + first) * bpp, static_cast<std::size_t>(bpp));
      }
    }
    return out;
  }

 private:
  ClipPtr child_;
  int interval_;
  bool rows_, fields_;
  FramePool pool_;
};

// Frames period * n .. period * n + period - 1 of the child interleaved by
// rows (or columns); frames past the end repeat the last.
class WeaveClip : public Clip {
 public:
  WeaveClip(ClipPtr child, const ClipInfo& info, int period, bool rows)
      : Clip(info), child_(std::move(child)), period_(period), rows_(rows), pool_("Weave") {
    PassAudioFrom(child_);
  }
  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    std::vector<FramePtr> parts;
    for (int k = 0; k < period_; ++k) parts.push_back(child_->GetFrame(period_ * n + k));
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    for (int p = 0; p < out->Planes(); ++p) {
      const int height = out->PlaneHeight(p);
      if (rows_) {
        for (int y = 0; y < height; ++y)
          std::memcpy(out->Row(p, y), parts[static_cast<std::size_t>(y % period_)]->Row(p, y / period_),
                      static_cast<std::size_t>(out->PlaneWidth(p)));
        continue;
      }
      if (info_.pixelType == PixelType::YUY2) {
        for (int y = 0; y < height; ++y) {
          std::uint8_t* d = out->Row(y);
          for (int x = 0; x < info_.width; ++x)
            d[2 * x] = parts[static_cast<std::size_t>(x % period_)]->Row(y)[2 * (x / period_)];
          for (int x = 0; x < info_.width / 2; ++x) {
            const std::uint8_t* s = parts[static_cast<std::size_t>(x % period_)]->Row(y) + 4 * (x / period_);
            d[4 * x + 1] = s[1];
            d[4 * x + 3] = s[3];
          }
        }
        continue;
      }
      const int bpp = p == 0 ? BytesPerPixel(info_.pixelType) : 1;
      const int width = out->PlaneWidth(p) / bpp;
      for (int y = 0; y < height; ++y) {
        std::uint8_t* d = out->Row(p, y);
        for (int x = 0; x < width; ++x)
          std::memcpy(d + x * bpp, parts[static_cast<std::size_t>(x % period_)]->Row(p, y) + (x / period_) * bpp,
                      static_cast<std::size_t>(bpp));
      }
    }
    return out;
  }

 private:
  ClipPtr child_;
  int period_;
  bool rows_;
  FramePool pool_;
};

// Frame n from fields `first` + n * step and the one after it, the top
// field's rows in the even rows (DoubleWeave has step 1, Weave step 2).
class FieldWeaveClip : public Clip {
 public:
  FieldWeaveClip(ClipPtr child, const ClipInfo& info, int step)
      : Clip(info), child_(std::move(child)), step_(step), pool_("Weave") {
    PassAudioFrom(child_);
  }
  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    const int field = step_ * n;
    FramePtr first = child_->GetFrame(field);
    FramePtr second = child_->GetFrame(field + 1);
    const bool firstTop = TopField(child_->Info(), field);
    const FramePtr& top = firstTop ? first : second;
    const FramePtr& bottom = firstTop ? second : first;
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    for (int p = 0; p < out->Planes(); ++p)
      for (int y = 0; y < out->PlaneHeight(p); ++y)
        std::memcpy(out->Row(p, y), (y % 2 == 0 ? top : bottom)->Row(p, y / 2),
                    static_cast<std::size_t>(out->PlaneWidth(p)));
    return out;
  }

 private:
  ClipPtr child_;
  int step_;
  FramePool pool_;
};

// Pictures whose every plane splits into two fields of whole rows.
void CheckFieldHeight(const std::string& filter, const ClipInfo& info) {
  if (info.height % 2 != 0) throw FilterError(filter + ": height must be even");
  if (info.pixelType == PixelType::YV12 && info.height % 4 != 0)
    throw FilterError(filter + ": YUV420 height must be multiple of 4");
}

ClipInfo FieldsOf(const std::string& filter, ClipInfo info) {
  if (info.fieldBased)
    throw FilterError(filter +
                      ": SeparateFields should be applied on frame-based material: use AssumeFrameBased() beforehand");
  CheckFieldHeight(filter, info);
  info.height /= 2;
  info.frameCount = CheckFrameCount(filter, 2LL * info.frameCount);
  ScaleRate(info, 2, 1);
  info.fieldBased = true;
  return info;
}

ClipPtr SeparateFieldsOf(ClipPtr clip, const std::string& filter = "SeparateFields") {
  const ClipInfo info = FieldsOf(filter, clip->Info());
  return std::make_shared<SeparateClip>(std::move(clip), info, 2, true, true);
}

Value Weave(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  ClipInfo info = clip->Info();
  if (!info.fieldBased)
    throw FilterError("Weave: Weave should be applied on field-based material: use AssumeFieldBased() beforehand");
  CheckFrameSize("Weave", info.width, 2LL * info.height);
  info.height *= 2;
  info.frameCount = static_cast<int>((info.frameCount + 1LL) / 2);  // an odd last field is woven with itself
  ScaleRate(info, 1, 2);
  info.fieldBased = false;
  return Value::Clip(std::make_shared<FieldWeaveClip>(std::move(clip), info, 2));
}

// DoubleWeave: every field woven with the next, so the frames come at the
// field rate; a frame-based clip is separated first.
ClipPtr DoubleWeaveOf(ClipPtr clip) {
  ClipInfo info = clip->Info();
  CheckFrameSize("DoubleWeave", info.width, 2LL * info.height);
  info.height *= 2;
  info.fieldBased = false;
  return std::make_shared<FieldWeaveClip>(std::move(clip), info, 1);
}

Value DoubleWeave(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  if (!clip->Info().fieldBased) clip = SeparateFieldsOf(std::move(clip), "DoubleWeave");
  return Value::Clip(DoubleWeaveOf(std::move(clip)));
}

// Frames n * step + offsets[n % k]: Pulldown's selection.
class PickClip : public Clip {
 public:
  PickClip(ClipPtr child, const ClipInfo& info, int step, std::vector<int> offsets)
      : Clip(info), child_(std::move(child)), step_(step), offsets_(std::move(offsets)) {
    PassAudioFrom(child_);
  }
  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    const int k = static_cast<int>(offsets_.size());
    const long long source = static_cast<long long>(n / k) * step_ + offsets_[static_cast<std::size_t>(n % k)];
    return child_->GetFrame(static_cast<int>(std::clamp<long long>(source, 0, child_->Info().frameCount - 1)));
  }

 private:
  ClipPtr child_;
  int step_;
  std::vector<int> offsets_;
};

// Pulldown(clip, a, b): frames a and b (taken modulo 5) of every 5, as
// frames.
Value Pulldown(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  std::vector<int> offsets = {a.Int("a") % 5, a.Int("b") % 5};
  ClipInfo info = clip->Info();
  long long frames = 0;
  for (long long i = 0; i < 2; ++i) {
    const long long selected = (info.frameCount - 1LL - offsets[static_cast<std::size_t>(i)]) / 5 + 1;
    if (selected > 0) frames = std::max(frames, (selected - 1) * 2 + i + 1);
  }
  info.frameCount = static_cast<int>(frames);
  info.fieldBased = false;
  ScaleRate(info, 2, 5);
  return Value::Clip(std::make_shared<PickClip>(std::move(clip), info, 5, std::move(offsets)));
}

// SwapFields: each pair of rows changes places.
Value SwapFields(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  const ClipInfo info = clip->Info();
  CheckFieldHeight("SeparateFields", info);  // AviSynth's refusals when it separates the fields
  return Value::Clip(MakeFrameOp(std::move(clip), info, "SwapFields", [](const FrameBGR& s, FrameBGR& d) {
    for (int p = 0; p < s.Planes(); ++p)
      for (int y = 0; y < s.PlaneHeight(p); ++y)
        std::memcpy(d.Row(p, y), s.Row(p, y ^ 1), static_cast<std::size_t>(s.PlaneWidth(p)));
  }));
}

// PeculiarBlend(clip, cutoff): rows above cutoff - 31 from the next frame,
// the 31 rows up to the cutoff blended from it in steps of 1/32.
Value PeculiarBlend(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  RequireType(clip->Info().pixelType == PixelType::YUY2, "PeculiarBlend: requires YUY2 input");
  const int cutoff = a.Int("cutoff");
  class Blend : public Clip {
   public:
    Blend(ClipPtr child, int cutoff)
        : Clip(child->Info()), child_(std::move(child)), cutoff_(cutoff), pool_("PeculiarBlend") {
      PassAudioFrom(child_);
    }
    FramePtr GetFrame(int n) override {
      n = ClampFrame(n);
      FramePtr main = child_->GetFrame(n);
      FramePtr other = child_->GetFrame(std::min(n + 1, info_.frameCount - 1));
      auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
      const int h = info_.height, bytes = out->PlaneWidth(0);
      const int copied = std::clamp(cutoff_ - 31, 0, h);
      const int blendEnd = std::clamp(cutoff_, 0, h - 1);
      for (int y = 0; y < h; ++y) {
        const std::uint8_t* m = main->Row(y);
        const std::uint8_t* o = other->Row(y);
        std::uint8_t* d = out->Row(y);
        if (y < copied) {
          std::memcpy(d, o, static_cast<std::size_t>(bytes));
        } else if (y < blendEnd) {
          const int scale = cutoff_ - y;
          for (int x = 0; x < bytes; ++x) d[x] = static_cast<std::uint8_t>(m[x] + (((o[x] - m[x]) * scale + 16) >> 5));
        } else {
          std::memcpy(d, m, static_cast<std::size_t>(bytes));
        }
      }
      return out;
    }

   private:
    ClipPtr child_;
    int cutoff_;
    FramePool pool_;
  };
  return Value::Clip(std::make_shared<Blend>(std::move(clip), cutoff));
}

// Bob(clip, b, c, height): each field resized to the frame's height with a
// bicubic of those b and c, top fields moved down and bottom fields up by a
// quarter of a field row, so still pictures stay still.
class BobClip : public Clip {
 public:
  BobClip(ClipPtr fields, const ClipInfo& info, double b, double c)
      : Clip(info), child_(std::move(fields)), pool_("Bob") {
    PassAudioFrom(child_);
    const ClipInfo& in = child_->Info();
    ResampleKernel kernel{ResampleKernel::Kind::Bicubic};
    kernel.b = b;
    kernel.c = c;
    for (int parity = 0; parity < 2; ++parity)
      for (int p = 0; p < PlaneCountOf(in.pixelType); ++p) {
        const int sy = p ? ChromaShiftY(in.pixelType) : 0;
        const int bytes = p ? in.width >> ChromaShiftX(in.pixelType) : in.width * BytesPerPixel(in.pixelType);
        const double shift = (parity ? 0.25 : -0.25) / (1 << sy);
        // Down the columns only; fields of a few rows are taken as they are.
        PlaneResize r;
        r.srcWidth = r.dstWidth = bytes;
        r.srcHeight = in.height >> sy;
        r.dstHeight = info.height >> sy;
        r.doHorizontal = false;
        r.vertical = IsRGBType(in.pixelType)
                         ? MakeResampleProgramBottomUp(kernel, r.srcHeight, shift, r.srcHeight, r.dstHeight)
                         : MakeResampleProgram(kernel, r.srcHeight, shift, r.srcHeight, r.dstHeight);
        plans_[parity].push_back(r);
      }
  }
  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    FramePtr src = child_->GetFrame(n);
    const auto& plans = plans_[TopField(child_->Info(), n) ? 1 : 0];
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    thread_local std::vector<std::uint8_t> scratch;
    for (std::size_t p = 0; p < plans.size(); ++p) {
      const int plane = static_cast<int>(p);
      RunPlaneResize(plans[p], src->Row(plane, 0), src->Stride(plane), out->Row(plane, 0), out->Stride(plane), scratch,
                     ParallelFor);
    }
    return out;
  }

 private:
  ClipPtr child_;
  std::vector<PlaneResize> plans_[2];
  FramePool pool_;
};

Value Bob(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  if (!clip->Info().fieldBased) clip = SeparateFieldsOf(std::move(clip), "SeparateFields");
  ClipInfo info = clip->Info();
  const long long height = a.Has("height") ? a.Int("height") : 2LL * info.height;
  CheckFrameSize("Bob", info.width, height);
  if (IsPlanarType(info.pixelType) && ChromaShiftY(info.pixelType) && height % 2)
    throw FilterError("Resize: Planar destination height must be a multiple of 2.");
  info.height = static_cast<int>(height);
  info.fieldBased = false;
  return Value::Clip(
      std::make_shared<BobClip>(std::move(clip), info, a.Float("b", 1.0 / 3.0), a.Float("c", 1.0 / 3.0)));
}

Value Separate(const CallArgs& a, bool rows) {
  const char* name = rows ? "SeparateRows" : "SeparateColumns";
  ClipPtr clip = a.Clip("clip");
  ClipInfo info = clip->Info();
  const int interval = a.Int("interval");
  if (interval <= 0) throw FilterError(std::string(name) + ": interval must be greater than zero.");
  if (rows) {
    if (info.height % interval != 0)
      throw FilterError(std::string(name) + ": height must be mod " + std::to_string(interval) + ".");
    info.height /= interval;
    if (ChromaShiftY(info.pixelType) && info.height % 2 != 0)
      throw FilterError(std::string(name) + ": the rows of a frame must keep whole chroma rows.");
  } else {
    if (info.width % interval != 0)
      throw FilterError(std::string(name) + ": width must be mod " + std::to_string(interval) + ".");
    info.width /= interval;
    if (ChromaShiftX(info.pixelType) && info.width % 2 != 0)
      throw FilterError(std::string(name) + ": the columns of a frame must keep whole chroma columns.");
  }
  info.frameCount = CheckFrameCount(name, static_cast<long long>(info.frameCount) * interval);
  ScaleRate(info, interval, 1);
  return Value::Clip(std::make_shared<SeparateClip>(std::move(clip), info, interval, rows, false));
}

Value WeaveBy(const CallArgs& a, bool rows) {
  const char* name = rows ? "WeaveRows" : "WeaveColumns";
  ClipPtr clip = a.Clip("clip");
  ClipInfo info = clip->Info();
  const int period = a.Int("period");
  if (period <= 0) throw FilterError(std::string(name) + ": period must be greater than zero.");
  if (rows) {
    CheckFrameSize(name, info.width, static_cast<long long>(info.height) * period);
    info.height *= period;
  } else {
    CheckFrameSize(name, static_cast<long long>(info.width) * period, info.height);
    info.width *= period;
  }
  info.frameCount = static_cast<int>((info.frameCount + period - 1LL) / period);
  ScaleRate(info, 1, period);
  return Value::Clip(std::make_shared<WeaveClip>(std::move(clip), info, period, rows));
}

Value Assume(const CallArgs& a, int topFirst, int fieldBased) {
  ClipPtr clip = a.Clip("clip");
  ClipInfo info = clip->Info();
  if (topFirst == 2)
    info.topFieldFirst = !info.topFieldFirst;
  else if (topFirst >= 0)
    info.topFieldFirst = topFirst == 1;
  if (fieldBased >= 0) info.fieldBased = fieldBased == 1;
  return Value::Clip(std::make_shared<SameFrames>(std::move(clip), info));
}

}  // namespace

void RegisterFieldFunctions(FunctionTable& t) {
  const std::vector<Param> clip = {Req("clip", ParamType::Clip)};
  t.Add("SeparateFields", clip, [](const CallArgs& a) { return Value::Clip(SeparateFieldsOf(a.Clip("clip"))); });
  t.Add("Weave", clip, Weave);
  t.Add("DoubleWeave", clip, DoubleWeave);
  t.Add("Bob",
        {Req("clip", ParamType::Clip), Opt("b", ParamType::Float), Opt("c", ParamType::Float),
         Opt("height", ParamType::Int)},
        Bob);
  t.Add("Pulldown", {Req("clip", ParamType::Clip), Req("a", ParamType::Int), Req("b", ParamType::Int)}, Pulldown);
  t.Add("SwapFields", clip, SwapFields);
  t.Add("PeculiarBlend", {Req("clip", ParamType::Clip), Req("cutoff", ParamType::Int)}, PeculiarBlend);
  t.Add("SeparateRows", {Req("clip", ParamType::Clip), Req("interval", ParamType::Int)},
        [](const CallArgs& a) { return Separate(a, true); });
  t.Add("SeparateColumns", {Req("clip", ParamType::Clip), Req("interval", ParamType::Int)},
        [](const CallArgs& a) { return Separate(a, false); });
  t.Add("WeaveRows", {Req("clip", ParamType::Clip), Req("period", ParamType::Int)},
        [](const CallArgs& a) { return WeaveBy(a, true); });
  t.Add("WeaveColumns", {Req("clip", ParamType::Clip), Req("period", ParamType::Int)},
        [](const CallArgs& a) { return WeaveBy(a, false); });
  t.Add("AssumeTFF", clip, [](const CallArgs& a) { return Assume(a, 1, -1); });
  t.Add("AssumeBFF", clip, [](const CallArgs& a) { return Assume(a, 0, -1); });
  t.Add("ComplementParity", clip, [](const CallArgs& a) { return Assume(a, 2, -1); });
  t.Add("AssumeFrameBased", clip, [](const CallArgs& a) { return Assume(a, -1, 0); });
  t.Add("AssumeFieldBased", clip, [](const CallArgs& a) { return Assume(a, -1, 1); });
}

}  // namespace tandemix::engine
