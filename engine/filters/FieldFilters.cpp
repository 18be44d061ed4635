// Fields: SeparateFields, Weave and the parity declarations.
#include <cstring>

#include "engine/filters/FilterFamilies.h"
#include "engine/filters/PassThrough.h"
#include "engine/filters/Rates.h"
#include "engine/frames/FrameBudget.h"
#include "engine/frames/FrameLimits.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

// Field n is frame n / 2's top field when n is even and the clip is top
// field first (or n is odd and it is bottom field first), else its bottom one.
class SeparateFieldsClip : public Clip {
 public:
  SeparateFieldsClip(ClipPtr child, const ClipInfo& info)
      : Clip(info), child_(std::move(child)), pool_("SeparateFields") {
    PassAudioFrom(child_);
  }
  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    FramePtr src = child_->GetFrame(n / 2);
    const bool top = (n % 2 == 0) == info_.topFieldFirst;
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    for (int p = 0; p < out->Planes(); ++p)
      for (int y = 0; y < out->PlaneHeight(p); ++y)
        std::memcpy(out->Row(p, y), src->Row(p, 2 * y + (top ? 0 : 1)), out->Stride(p));
    return out;
  }

 private:
  ClipPtr child_;
  FramePool pool_;
};

class WeaveClip : public Clip {
 public:
  WeaveClip(ClipPtr child, const ClipInfo& info) : Clip(info), child_(std::move(child)), pool_("Weave") {
    PassAudioFrom(child_);
  }
  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    FramePtr first = child_->GetFrame(2 * n);
    FramePtr second = child_->GetFrame(2 * n + 1);
    const FramePtr& top = info_.topFieldFirst ? first : second;
    const FramePtr& bottom = info_.topFieldFirst ? second : first;
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    for (int p = 0; p < out->Planes(); ++p)
      for (int y = 0; y < out->PlaneHeight(p); ++y)
        std::memcpy(out->Row(p, y), (y % 2 == 0 ? top : bottom)->Row(p, y / 2), out->Stride(p));
    return out;
  }

 private:
  ClipPtr child_;
  FramePool pool_;
};

Value SeparateFields(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  ClipInfo info = clip->Info();
  if (info.fieldBased) throw FilterError("SeparateFields: the clip is already made of fields.");
  if (info.height % 2 != 0) throw FilterError("SeparateFields: height must be even");
  if (info.pixelType == PixelType::YV12 && info.height % 4 != 0)
    throw FilterError("SeparateFields: YV12 height must be multiple of 4");
  info.height /= 2;
  info.frameCount = CheckFrameCount("SeparateFields", 2LL * info.frameCount);
  ScaleRate(info, 2, 1);
  info.fieldBased = true;
  return Value::Clip(std::make_shared<SeparateFieldsClip>(std::move(clip), info));
}

Value Weave(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  ClipInfo info = clip->Info();
  if (!info.fieldBased)
    throw FilterError("Weave: Weave should be applied on field-based material: use AssumeFieldBased() beforehand");
  CheckFrameSize("Weave", info.width, 2LL * info.height);
  info.height *= 2;
  info.frameCount /= 2;
  ScaleRate(info, 1, 2);
  info.fieldBased = false;
  return Value::Clip(std::make_shared<WeaveClip>(std::move(clip), info));
}

Value Assume(const CallArgs& a, int topFirst, int fieldBased) {
  ClipPtr clip = a.Clip("clip");
  ClipInfo info = clip->Info();
  if (topFirst >= 0) info.topFieldFirst = topFirst == 1;
  if (fieldBased >= 0) info.fieldBased = fieldBased == 1;
  return Value::Clip(std::make_shared<SameFrames>(std::move(clip), info));
}

}  // namespace

void RegisterFieldFunctions(FunctionTable& t) {
  const std::vector<Param> clip = {Req("clip", ParamType::Clip)};
  t.Add("SeparateFields", clip, SeparateFields);
  t.Add("Weave", clip, Weave);
  t.Add("AssumeTFF", clip, [](const CallArgs& a) { return Assume(a, 1, -1); });
  t.Add("AssumeBFF", clip, [](const CallArgs& a) { return Assume(a, 0, -1); });
  t.Add("AssumeFrameBased", clip, [](const CallArgs& a) { return Assume(a, -1, 0); });
  t.Add("AssumeFieldBased", clip, [](const CallArgs& a) { return Assume(a, -1, 1); });
}

}  // namespace tandemix::engine
