// Frame editing: Trim, splices, Reverse, SelectEven/Odd/Every, Interleave,
// with their sound as AviSynth's have it: Trim cuts the sound at the frames'
// times, splices join it, Reverse reverses it, the selections and
// Interleave keep the (first) clip's sound as it is.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "engine/filters/AudioSupport.h"
#include "engine/filters/EditClips.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/filters/Rates.h"
#include "engine/frames/FrameLimits.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

class TrimClip : public Clip {
 public:
  TrimClip(ClipPtr child, const ClipInfo& info, int first, std::int64_t audioOffset)
      : Clip(info), child_(std::move(child)), first_(first), audioOffset_(audioOffset) {}
  FramePtr GetFrame(int n) override { return child_->GetFrame(first_ + ClampFrame(n)); }
  // The child gives silence past its end, which pads the sound to the
  // frames' length.
  void GetAudio(void* buffer, int64_t start, int64_t count) override {
    ReadWithinLength(buffer, start, count, info_.audio, [this](std::uint8_t* out, std::int64_t from, std::int64_t n) {
      child_->GetAudio(out, from + audioOffset_, n);
    });
  }

 private:
  ClipPtr child_;
  int first_;
  std::int64_t audioOffset_;
};

class SpliceClip : public Clip {
 public:
  SpliceClip(ClipPtr a, ClipPtr b, const ClipInfo& info, std::int64_t audioSplit)
      : Clip(info), a_(std::move(a)), b_(std::move(b)), audioSplit_(audioSplit) {}
  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    const int split = a_->Info().frameCount;
    return n < split ? a_->GetFrame(n) : b_->GetFrame(n - split);
  }
  void GetAudio(void* buffer, int64_t start, int64_t count) override {
    ReadWithinLength(buffer, start, count, info_.audio, [this](std::uint8_t* out, std::int64_t from, std::int64_t n) {
      const std::int64_t first = std::clamp<std::int64_t>(audioSplit_ - from, 0, n);
      if (first > 0) a_->GetAudio(out, from, first);
      if (n > first) b_->GetAudio(out + first * info_.audio.BytesPerSample(), from + first - audioSplit_, n - first);
    });
  }

 private:
  ClipPtr a_, b_;
  std::int64_t audioSplit_;  // the first sample of b's sound
};

// Frame n of the result is frame offset + n * step of the child.
class SelectClip : public Clip {
 public:
  SelectClip(ClipPtr child, const ClipInfo& info, int step, std::vector<int> offsets)
      : Clip(info), child_(std::move(child)), step_(step), offsets_(std::move(offsets)) {
    PassAudioFrom(child_);
  }
  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    const int k = static_cast<int>(offsets_.size());
    const long long source = static_cast<long long>(n / k) * step_ + offsets_[n % k];
    return child_->GetFrame(static_cast<int>(std::clamp<long long>(source, 0, child_->Info().frameCount - 1)));
  }

 private:
  ClipPtr child_;
  int step_;
  std::vector<int> offsets_;
};

class InterleaveClip : public Clip {
 public:
  InterleaveClip(std::vector<ClipPtr> children, const ClipInfo& info) : Clip(info), children_(std::move(children)) {
    PassAudioFrom(children_[0]);
  }
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
  // The samples backwards: sample i is the child's sample length - 1 - i.
  void GetAudio(void* buffer, int64_t start, int64_t count) override {
    ReadWithinLength(buffer, start, count, info_.audio, [this](std::uint8_t* out, std::int64_t from, std::int64_t n) {
      child_->GetAudio(out, info_.audio.sampleCount - from - n, n);
      const std::size_t bps = static_cast<std::size_t>(info_.audio.BytesPerSample());
      std::vector<std::uint8_t> sample(bps);
      for (std::int64_t i = 0, j = n - 1; i < j; ++i, --j) {
        std::memcpy(sample.data(), out + i * bps, bps);
        std::memcpy(out + i * bps, out + j * bps, bps);
        std::memcpy(out + j * bps, sample.data(), bps);
      }
    });
  }

 private:
  ClipPtr child_;
};

// As AviSynth: one selection per offset (frame n is frame n * step + offset,
// (count - 1 - offset) / step + 1 of them, the division cut toward zero), the
// selections interleaved. Offsets may be negative (the first frame repeats)
// or past the step.
ClipPtr MakeSelect(const std::string& filter, ClipPtr clip, int step, std::vector<int> offsets) {
  if (step == 0) throw FilterError("Parameter 'every' of SelectEvery cannot be zero.");
  if (step < 0) throw FilterError(filter + ": the step must be more than 0.");
  if (offsets.empty()) offsets.push_back(0);
  ClipInfo info = clip->Info();
  const long long count = info.frameCount;
  const long long k = static_cast<long long>(offsets.size());
  long long frames = 0;
  for (long long i = 0; i < k; ++i) {
    const long long selected = (count - 1 - offsets[static_cast<std::size_t>(i)]) / step + 1;
    if (selected > 0) frames = std::max(frames, (selected - 1) * k + i + 1);
  }
  info.frameCount = CheckFrameCount(filter, frames);
  ScaleRate(info, k, step);
  return std::make_shared<SelectClip>(std::move(clip), info, step, std::move(offsets));
}

Value Splice(const CallArgs& a, bool aligned) {
  ClipPtr result = a.Clip("clip");
  for (const Value& v : a.Rest()) result = MakeSplice(result, v.AsClip(), aligned);
  return Value::Clip(result);
}

Value Interleave(const CallArgs& a) {
  std::vector<ClipPtr> clips{a.Clip("clip")};
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

ClipPtr MakeSplice(ClipPtr a, ClipPtr b, bool aligned) {
  const ClipInfo& ai = a->Info();
  if (ai.hasVideo != b->Info().hasVideo)
    throw FilterError("Splice: one clip has video and the other doesn't (not allowed)");
  if (ai.audio.Present() != b->Info().audio.Present())
    throw FilterError("Splice: one clip has audio and the other doesn't (not allowed)");
  if (ai.hasVideo) {
    if (ai.width != b->Info().width || ai.height != b->Info().height)
      throw FilterError("Splice: Frame sizes don't match");
    if (ai.pixelType != b->Info().pixelType) throw FilterError("Splice: Video formats don't match");
    // The rates are compared as single-precision numbers with a tolerance of
    // a millionth of a frame per second, as AviSynth does: 1 and 1000001/1000000
    // join, 24 and 25 do not.
    const float rateA = static_cast<float>(ai.rateNumerator) / static_cast<float>(ai.rateDenominator);
    const float rateB = static_cast<float>(b->Info().rateNumerator) / static_cast<float>(b->Info().rateDenominator);
    if (std::fabs(rateA - rateB) > 0.000001f) throw FilterError("Splice: Video framerate doesn't match");
  }
  ClipInfo info = ai;
  std::int64_t audioSplit = 0;
  if (ai.audio.Present()) {
    // The second clip's sound is taken in the first one's sample type.
    b = MakeAudioConvert(std::move(b), ai.audio.sampleType);
    const AudioInfo& bi = b->Info().audio;
    if (bi.channels != ai.audio.channels) throw FilterError("Splice: The number of audio channels doesn't match");
    if (bi.sampleRate != ai.audio.sampleRate)
      throw FilterError("Splice: The audio of the two clips have different samplerates! Use SSRC()/ResampleAudio()");
    // Aligned: the first clip's sound is cut or padded to its frames.
    audioSplit = aligned && ai.hasVideo ? AudioSamplesFromFrames(ai, ai.frameCount) : ai.audio.sampleCount;
    info.audio.sampleCount = audioSplit + bi.sampleCount;
    CheckAudio("Splice", info.audio);
  }
  info.frameCount = CheckFrameCount("Splice", static_cast<long long>(ai.frameCount) + b->Info().frameCount);
  return std::make_shared<SpliceClip>(std::move(a), std::move(b), info, audioSplit);
}

ClipPtr MakeTrim(ClipPtr clip, int first, int last, bool padAudio, TrimMode mode) {
  ClipInfo info = clip->Info();
  if (!info.hasVideo) throw FilterError("Trim: the clip has no video.");
  if (mode == TrimMode::End && last < first) throw FilterError("Trim: End must be >= Start");
  if (mode == TrimMode::Length && last < 0) throw FilterError("Trim: Length must be >= 0");
  const long long count = info.frameCount;
  if (count == 0) return std::make_shared<TrimClip>(std::move(clip), info, 0, 0);
  long long f = std::clamp<long long>(first, 0, count - 1);
  long long l = last;
  if (mode == TrimMode::Length) {
    l = f + last - 1;
  } else if (mode == TrimMode::Default) {
    if (l == 0) l = count - 1;
    if (l < 0) l = f - l - 1;
  }
  // Length 0 is the one way to an empty clip.
  const bool empty = mode == TrimMode::Length && last == 0;
  l = empty ? f - 1 : std::clamp<long long>(l, f, count - 1);
  info.frameCount = static_cast<int>(l + 1 - f);
  // The sound from the first frame's time to the end of the last frame.
  const std::int64_t audioOffset = AudioSamplesFromFrames(info, f);
  const std::int64_t audioEnd = AudioSamplesFromFrames(info, l + 1);
  const bool toTheEnd = mode == TrimMode::Default && last == 0;
  if (padAudio)
    info.audio.sampleCount = audioEnd - audioOffset;
  else
    info.audio.sampleCount = std::max<std::int64_t>(
        0, (toTheEnd ? info.audio.sampleCount : std::min(info.audio.sampleCount, audioEnd)) - audioOffset);
  CheckAudio("Trim", info.audio);
  return std::make_shared<TrimClip>(std::move(clip), info, static_cast<int>(f), audioOffset);
}

void RegisterEditFunctions(FunctionTable& t) {
  t.Add("Trim",
        {Req("clip", ParamType::Clip), Req("first_frame", ParamType::Int), Req("last_frame", ParamType::Int),
         Opt("pad", ParamType::Bool)},
        [](const CallArgs& a) {
          return Value::Clip(MakeTrim(a.Clip("clip"), a.Int("first_frame"), a.Int("last_frame"), a.Bool("pad", true)));
        });
  // Trim(first, end=last) and Trim(first, length=count); one of them must be given.
  for (const auto& [name, mode] : {std::pair{"end", TrimMode::End}, std::pair{"length", TrimMode::Length}}) {
    const std::string second = name;
    const TrimMode m = mode;
    t.Add("Trim",
          {Req("clip", ParamType::Clip), Req("first_frame", ParamType::Int), Opt(second, ParamType::Int),
           Opt("pad", ParamType::Bool)},
          [second, m](const CallArgs& a) {
            if (!a.Has(second)) throw FilterError("Script error: Invalid arguments to function 'Trim'.");
            return Value::Clip(MakeTrim(a.Clip("clip"), a.Int("first_frame"), a.Int(second), a.Bool("pad", true), m));
          });
  }
  t.Add("UnalignedSplice", {Req("clip", ParamType::Clip), Many("clips", ParamType::Clip)},
        [](const CallArgs& a) { return Splice(a, false); });
  t.Add("AlignedSplice", {Req("clip", ParamType::Clip), Many("clips", ParamType::Clip)},
        [](const CallArgs& a) { return Splice(a, true); });
  t.Add("Reverse", {Req("clip", ParamType::Clip)},
        [](const CallArgs& a) { return Value::Clip(std::make_shared<ReverseClip>(a.Clip("clip"))); });
  t.Add("SelectEven", {Req("clip", ParamType::Clip)},
        [](const CallArgs& a) { return Value::Clip(MakeSelect("SelectEven", a.Clip("clip"), 2, {0})); });
  t.Add("SelectOdd", {Req("clip", ParamType::Clip)},
        [](const CallArgs& a) { return Value::Clip(MakeSelect("SelectOdd", a.Clip("clip"), 2, {1})); });
  t.Add("SelectEvery", {Req("clip", ParamType::Clip), Req("step", ParamType::Int), Many("offsets", ParamType::Int)},
        [](const CallArgs& a) {
          std::vector<int> offsets;
          for (const Value& v : a.Rest()) {
            if (v.AsInt() < -0x7fffffffLL || v.AsInt() > 0x7fffffff)
              throw FilterError("SelectEvery: an offset does not fit 32 bits.");
            offsets.push_back(static_cast<int>(v.AsInt()));
          }
          return Value::Clip(MakeSelect("SelectEvery", a.Clip("clip"), a.Int("step"), std::move(offsets)));
        });
  t.Add("SelectEvery", {Req("clip", ParamType::Clip), Req("step", ParamType::Int)},
        [](const CallArgs& a) { return Value::Clip(MakeSelect("SelectEvery", a.Clip("clip"), a.Int("step"), {0})); });
  t.Add("Interleave", {Req("clip", ParamType::Clip), Many("clips", ParamType::Clip)}, Interleave);
}

}  // namespace tandemix::engine
