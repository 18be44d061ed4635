// StackHorizontal, StackVertical, FlipHorizontal, FlipVertical.
#include <algorithm>
#include <cstring>
#include <vector>

#include "base/WorkerPool.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/frames/FrameBudget.h"
#include "engine/frames/FrameLimits.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

class StackClip : public Clip {
 public:
  StackClip(std::vector<ClipPtr> children, const ClipInfo& info, bool horizontal)
      : Clip(info), children_(std::move(children)), horizontal_(horizontal), pool_("Stack") {
    PassAudioFrom(children_[0]);  // the first clip's sound, as AviSynth's stacks take it
    int offset = 0;
    for (const ClipPtr& c : children_) {
      offsets_.push_back(offset);
      offset += horizontal ? c->Info().width : c->Info().height;
    }
  }

  // The views are independent chains (two sources, each scaled and turned
  // on its own), so the children are made at once on the shared worker
  // pool, each written into its own part of the result. Nodes with state
  // lock themselves, so a clip shared by two children is still served
  // correctly, one at a time.
  FramePtr GetFrame(int n) override {
    // The views cover the result whole: their heights (or widths) match it.
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    // The first failing child in order is rethrown, whatever finished first.
    RunParts(static_cast<int>(children_.size()), [&](int i) {
      const auto k = static_cast<std::size_t>(i);
      children_[k]->GetFrameInto(n, *out, horizontal_ ? offsets_[k] : 0, horizontal_ ? 0 : offsets_[k]);
    });
    return out;
  }

 private:
  std::vector<ClipPtr> children_;
  std::vector<int> offsets_;  // where each child's frame goes along the stack
  bool horizontal_;
  FramePool pool_;
};

Value Stack(const CallArgs& a, bool horizontal) {
  const char* name = horizontal ? "StackHorizontal" : "StackVertical";
  std::vector<ClipPtr> clips{a.Clip("clip")};
  for (const Value& v : a.Rest()) clips.push_back(v.AsClip());
  ClipInfo info = clips[0]->Info();
  long long along = 0;
  int frames = 0;
  for (const ClipPtr& c : clips) {
    const ClipInfo& i = c->Info();
    if (i.pixelType != info.pixelType) throw FilterError(std::string(name) + ": image formats don't match");
    if (horizontal && i.height != info.height) throw FilterError("StackHorizontal: image heights don't match");
    if (!horizontal && i.width != info.width) throw FilterError("StackVertical: image widths don't match");
    along += horizontal ? i.width : i.height;
    frames = std::max(frames, i.frameCount);
  }
  if (horizontal)
    CheckFrameSize(name, along, info.height);
  else
    CheckFrameSize(name, info.width, along);
  (horizontal ? info.width : info.height) = static_cast<int>(along);
  info.frameCount = frames;
  return Value::Clip(std::make_shared<StackClip>(std::move(clips), info, horizontal));
}

class FlipClip : public Clip {
 public:
  FlipClip(ClipPtr child, bool horizontal)
      : Clip(child->Info()), child_(std::move(child)), horizontal_(horizontal), pool_("Flip") {
    PassAudioFrom(child_);
  }
  FramePtr GetFrame(int n) override {
    FramePtr src = child_->GetFrame(n);
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    const bool yuy2 = info_.pixelType == PixelType::YUY2;
    for (int p = 0; p < out->Planes(); ++p) {
      const int rows = out->PlaneHeight(p);
      const int bpp = p ? 1 : (yuy2 ? 1 : BytesPerPixel(info_.pixelType));
      const int count = out->PlaneWidth(p) / bpp;
      for (int y = 0; y < rows; ++y) {
        if (!horizontal_) {
          std::memcpy(out->Row(p, y), src->Row(p, rows - 1 - y), out->Stride(p));
          continue;
        }
        const std::uint8_t* s = src->Row(p, y);
        std::uint8_t* d = out->Row(p, y);
        if (yuy2) {
          // Pairs swap places and their two lumas swap within the pair.
          const int pairs = info_.width / 2;
          for (int x = 0; x < pairs; ++x) {
            const std::uint8_t* q = s + 4 * (pairs - 1 - x);
            d[4 * x] = q[2];
            d[4 * x + 1] = q[1];
            d[4 * x + 2] = q[0];
            d[4 * x + 3] = q[3];
          }
          continue;
        }
        d += static_cast<std::size_t>(count - 1) * bpp;
        for (int x = 0; x < count; ++x, s += bpp, d -= bpp) std::memcpy(d, s, static_cast<std::size_t>(bpp));
      }
    }
    return out;
  }

 private:
  ClipPtr child_;
  bool horizontal_;
  FramePool pool_;
};

}  // namespace

void RegisterStackFunctions(FunctionTable& t) {
  const std::vector<Param> clips = {Req("clip", ParamType::Clip), Many("clips", ParamType::Clip)};
  t.Add("StackHorizontal", clips, [](const CallArgs& a) { return Stack(a, true); });
  t.Add("StackVertical", clips, [](const CallArgs& a) { return Stack(a, false); });
  t.Add("FlipHorizontal", {Req("clip", ParamType::Clip)},
        [](const CallArgs& a) { return Value::Clip(std::make_shared<FlipClip>(a.Clip("clip"), true)); });
  t.Add("FlipVertical", {Req("clip", ParamType::Clip)},
        [](const CallArgs& a) { return Value::Clip(std::make_shared<FlipClip>(a.Clip("clip"), false)); });
}

}  // namespace tandemix::engine
