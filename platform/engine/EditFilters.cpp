// Frame editing: Trim, splices, Reverse, SelectEven/Odd/Every, Interleave.
#include <algorithm>
#include <vector>

#include "platform/engine/EditClips.h"
#include "platform/engine/FilterSupport.h"
#include "platform/engine/Functions.h"

namespace tandemix::engine {
namespace {

class TrimClip : public Clip {
 public:
  TrimClip(ClipPtr child, const ClipInfo& info, int first) : Clip(info), child_(std::move(child)), first_(first) {}
  FramePtr GetFrame(int n) override { return child_->GetFrame(first_ + ClampFrame(n)); }

 private:
  ClipPtr child_;
  int first_;
};

class SpliceClip : public Clip {
 public:
  SpliceClip(ClipPtr a, ClipPtr b, const ClipInfo& info) : Clip(info), a_(std::move(a)), b_(std::move(b)) {}
  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    const int split = a_->Info().frameCount;
    return n < split ? a_->GetFrame(n) : b_->GetFrame(n - split);
  }

 private:
  ClipPtr a_, b_;
};

// Frame n of the result is frame offset + n * step of the child.
class SelectClip : public Clip {
 public:
  SelectClip(ClipPtr child, const ClipInfo& info, int step, std::vector<int> offsets)
      : Clip(info), child_(std::move(child)), step_(step), offsets_(std::move(offsets)) {}
  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    const int k = static_cast<int>(offsets_.size());
    const long long source = static_cast<long long>(n / k) * step_ + offsets_[n % k];
    return child_->GetFrame(static_cast<int>(std::min<long long>(source, child_->Info().frameCount - 1)));
  }

 private:
  ClipPtr child_;
  int step_;
  std::vector<int> offsets_;
};

class InterleaveClip : public Clip {
 public:
  InterleaveClip(std::vector<ClipPtr> children, const ClipInfo& info) : Clip(info), children_(std::move(children)) {}
  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    const int k = static_cast<int>(children_.size());
    return children_[n % k]->GetFrame(n / k);
  }

 private:
  std::vector<ClipPtr> children_;
};

class ReverseClip : public Clip {
 public:
  explicit ReverseClip(ClipPtr child) : Clip(child->Info()), child_(std::move(child)) {}
  FramePtr GetFrame(int n) override { return child_->GetFrame(info_.frameCount - 1 - ClampFrame(n)); }

 private:
  ClipPtr child_;
};

ClipPtr MakeSelect(const std::string& filter, ClipPtr clip, int step, std::vector<int> offsets) {
  if (step <= 0) throw FilterError(filter + ": the step must be more than 0.");
  for (int o : offsets)
    if (o < 0) throw FilterError(filter + ": the offsets must not be negative.");
  ClipInfo info = clip->Info();
  const long long count = info.frameCount;
  long long frames = 0;
  for (int o : offsets) frames += count > o ? (count - o + step - 1) / step : 0;
  info.frameCount = CheckFrameCount(filter, frames);
  ScaleRate(info, static_cast<long long>(offsets.size()), step);
  return std::make_shared<SelectClip>(std::move(clip), info, step, std::move(offsets));
}

Value Splice(const CallArgs& a) {
  ClipPtr result = a.Clip(0);
  for (const Value& v : a.Rest()) result = MakeSplice(result, v.AsClip());
  return Value::Clip(result);
}

Value Interleave(const CallArgs& a) {
  std::vector<ClipPtr> clips{a.Clip(0)};
  for (const Value& v : a.Rest()) clips.push_back(v.AsClip());
  ClipInfo info = clips[0]->Info();
  long long longest = 0;
  for (const ClipPtr& c : clips) {
    if (c->Info().width != info.width || c->Info().height != info.height || c->Info().pixelType != info.pixelType)
      throw FilterError("Interleave: video attributes of all clips must match");
  }
  // As AviSynth: the result ends after the last frame of the longest clip.
  const long long k = static_cast<long long>(clips.size());
  for (long long i = 0; i < k; ++i) {
    const long long count = clips[static_cast<std::size_t>(i)]->Info().frameCount;
    if (count > 0) longest = std::max(longest, (count - 1) * k + i + 1);
  }
  info.frameCount = CheckFrameCount("Interleave", longest);
  ScaleRate(info, k, 1);
  return Value::Clip(std::make_shared<InterleaveClip>(std::move(clips), info));
}

}  // namespace

ClipPtr MakeSplice(ClipPtr a, ClipPtr b) {
  if (a->Info().width != b->Info().width || a->Info().height != b->Info().height)
    throw FilterError("Splice: Frame sizes don't match");
  if (a->Info().pixelType != b->Info().pixelType) throw FilterError("Splice: Video formats don't match");
  ClipInfo info = a->Info();
  info.frameCount = CheckFrameCount("Splice", static_cast<long long>(a->Info().frameCount) + b->Info().frameCount);
  return std::make_shared<SpliceClip>(std::move(a), std::move(b), info);
}

ClipPtr MakeTrim(ClipPtr clip, int first, int last) {
  ClipInfo info = clip->Info();
  const long long count = info.frameCount;
  if (count == 0) return std::make_shared<TrimClip>(std::move(clip), info, 0);
  long long f = std::clamp<long long>(first, 0, count - 1);
  long long l = last;
  if (l == 0) l = count - 1;
  if (l < 0) l = f - l - 1;
  l = std::clamp<long long>(l, f, count - 1);
  info.frameCount = static_cast<int>(l + 1 - f);
  return std::make_shared<TrimClip>(std::move(clip), info, static_cast<int>(f));
}

void RegisterEditFunctions(FunctionTable& t) {
  t.Add("Trim",
        {Req("clip", ParamType::Clip), Req("first_frame", ParamType::Int), Req("last_frame", ParamType::Int),
         Opt("pad", ParamType::Bool)},
        [](const CallArgs& a) { return Value::Clip(MakeTrim(a.Clip(0), a.Int(1), a.Int(2))); });
  for (const char* name : {"UnalignedSplice", "AlignedSplice"})
    t.Add(name, {Req("clip", ParamType::Clip), Many("clips", ParamType::Clip)}, Splice);
  t.Add("Reverse", {Req("clip", ParamType::Clip)},
        [](const CallArgs& a) { return Value::Clip(std::make_shared<ReverseClip>(a.Clip(0))); });
  t.Add("SelectEven", {Req("clip", ParamType::Clip)},
        [](const CallArgs& a) { return Value::Clip(MakeSelect("SelectEven", a.Clip(0), 2, {0})); });
  t.Add("SelectOdd", {Req("clip", ParamType::Clip)},
        [](const CallArgs& a) { return Value::Clip(MakeSelect("SelectOdd", a.Clip(0), 2, {1})); });
  t.Add("SelectEvery", {Req("clip", ParamType::Clip), Req("step", ParamType::Int), Many("offsets", ParamType::Int)},
        [](const CallArgs& a) {
          std::vector<int> offsets;
          for (const Value& v : a.Rest()) {
            if (v.AsInt() < 0 || v.AsInt() > 0x7fffffff)
              throw FilterError("SelectEvery: the offsets must not be negative.");
            offsets.push_back(static_cast<int>(v.AsInt()));
          }
          return Value::Clip(MakeSelect("SelectEvery", a.Clip(0), a.Int(1), std::move(offsets)));
        });
  t.Add("Interleave", {Req("clip", ParamType::Clip), Many("clips", ParamType::Clip)}, Interleave);
}

}  // namespace tandemix::engine
