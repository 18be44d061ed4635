// Sound and picture put together and apart: AudioDub, AudioDubEx,
// DelayAudio, KillAudio, KillVideo, the channel filters (GetChannel,
// GetChannels, GetLeftChannel, GetRightChannel, MergeChannels,
// MonoToStereo) and the ConvertAudioTo... family.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/filters/AudioSupport.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

// The picture of one clip with the sound of another.
class DubClip : public Clip {
 public:
  DubClip(ClipPtr video, ClipPtr audio, const ClipInfo& info) : Clip(info), video_(std::move(video)) {
    PassAudioFrom(std::move(audio));
  }
  FramePtr GetFrame(int n) override { return video_->GetFrame(n); }

 private:
  ClipPtr video_;
};

ClipPtr MakeDub(ClipPtr video, ClipPtr audio) {
  ClipInfo info = video->Info();
  info.audio = audio->Info().audio;  // the sound keeps its own length
  return std::make_shared<DubClip>(std::move(video), std::move(audio), info);
}

Value AudioDub(const CallArgs& a) {
  ClipPtr first = a.Clip("video");
  ClipPtr second = a.Clip("audio");
  if (first->Info().hasVideo && second->Info().audio.Present()) return Value::Clip(MakeDub(first, second));
  if (second->Info().hasVideo && first->Info().audio.Present()) return Value::Clip(MakeDub(second, first));
  throw FilterError("AudioDub: need an audio and a video track");
}

class DelayClip : public Clip {
 public:
  DelayClip(ClipPtr child, const ClipInfo& info, std::int64_t delay)
      : Clip(info), child_(std::move(child)), delay_(delay) {}
  FramePtr GetFrame(int n) override { return child_->GetFrame(n); }
  void GetAudio(void* buffer, int64_t start, int64_t count) override {
    ReadWithinLength(buffer, start, count, info_.audio, [this](std::uint8_t* out, std::int64_t from, std::int64_t n) {
      child_->GetAudio(out, from - delay_, n);
    });
  }

 private:
  ClipPtr child_;
  std::int64_t delay_;  // in samples; negative: the sound comes earlier
};

Value DelayAudio(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  const double seconds = a.Float("seconds");
  ClipInfo info = clip->Info();
  if (!info.audio.Present()) return Value::Clip(clip);
  const double samples = seconds * info.audio.sampleRate;
  if (!std::isfinite(samples) || std::fabs(samples) > static_cast<double>(kMaxAudioSamples))
    throw FilterError("DelayAudio: the delay is out of range.");
  const auto delay = static_cast<std::int64_t>(std::llround(samples));
  info.audio.sampleCount = std::max<std::int64_t>(0, info.audio.sampleCount + delay);
  CheckAudio("DelayAudio", info.audio);
  return Value::Clip(std::make_shared<DelayClip>(std::move(clip), info, delay));
}

// The child's frames without its sound.
class SilentClip : public Clip {
 public:
  SilentClip(ClipPtr child, const ClipInfo& info) : Clip(info), child_(std::move(child)) {}
  FramePtr GetFrame(int n) override { return child_->GetFrame(n); }

 private:
  ClipPtr child_;
};

// The child's sound without its picture.
class SoundOnlyClip : public Clip {
 public:
  SoundOnlyClip(ClipPtr child, const ClipInfo& info) : Clip(info) { PassAudioFrom(std::move(child)); }
  FramePtr GetFrame(int) override { throw TandemixError("KillVideo: the clip has no video."); }
};

Value KillVideo(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  ClipInfo info = clip->Info();
  info.hasVideo = false;
  info.width = 0;
  info.height = 0;
  info.frameCount = 0;
  return Value::Clip(std::make_shared<SoundOnlyClip>(std::move(clip), info));
}

// Channels of the child's sound, in the order given (0-based).
class ChannelsClip : public Clip {
 public:
  ChannelsClip(ClipPtr child, const ClipInfo& info, std::vector<int> channels)
      : Clip(info), child_(std::move(child)), channels_(std::move(channels)) {}
  FramePtr GetFrame(int n) override { return child_->GetFrame(n); }
  void GetAudio(void* buffer, int64_t start, int64_t count) override {
    const AudioInfo& in = child_->Info().audio;
    const std::size_t size = static_cast<std::size_t>(in.BytesPerChannelSample());
    const std::size_t inStride = static_cast<std::size_t>(in.BytesPerSample());
    const std::size_t outStride = static_cast<std::size_t>(info_.audio.BytesPerSample());
    std::vector<std::uint8_t> scratch;
    auto* out = static_cast<std::uint8_t*>(buffer);
    for (std::int64_t done = 0; done < count; done += kAudioChunk) {
      const std::int64_t n = std::min(kAudioChunk, count - done);
      scratch.resize(static_cast<std::size_t>(n) * inStride);
      child_->GetAudio(scratch.data(), start + done, n);
      std::uint8_t* dst = out + static_cast<std::size_t>(done) * outStride;
      for (std::int64_t i = 0; i < n; ++i)
        for (std::size_t c = 0; c < channels_.size(); ++c)
          std::memcpy(dst + static_cast<std::size_t>(i) * outStride + c * size,
                      scratch.data() + static_cast<std::size_t>(i) * inStride + channels_[c] * size, size);
    }
  }

 private:
  ClipPtr child_;
  std::vector<int> channels_;
};

ClipPtr MakeChannels(const std::string& filter, ClipPtr clip, const std::vector<long long>& numbers) {
  ClipInfo info = clip->Info();
  if (!info.audio.Present()) throw FilterError(filter + ": the clip has no audio.");
  std::vector<int> channels;
  for (long long n : numbers) {
    if (n < 1 || n > info.audio.channels)
      throw FilterError(filter + ": Attempted to get a channel that didn't exist! (channel " + std::to_string(n) +
                        " of a clip with " + std::to_string(info.audio.channels) + ")");
    channels.push_back(static_cast<int>(n - 1));
  }
  if (channels.size() > static_cast<std::size_t>(kMaxAudioChannels))
    throw FilterError(filter + ": too many channels (at most " + std::to_string(kMaxAudioChannels) + ").");
  info.audio.channels = static_cast<int>(channels.size());
  return std::make_shared<ChannelsClip>(std::move(clip), info, std::move(channels));
}

Value GetChannel(const CallArgs& a) {
  std::vector<long long> numbers;
  for (const Value& v : a.Rest()) numbers.push_back(v.AsInt());
  return Value::Clip(MakeChannels(a.Function(), a.Clip("clip"), numbers));
}

// The channels of several clips side by side; the first clip's length and
// sample type.
class MergeChannelsClip : public Clip {
 public:
  MergeChannelsClip(std::vector<ClipPtr> clips, const ClipInfo& info) : Clip(info), clips_(std::move(clips)) {}
  FramePtr GetFrame(int n) override { return clips_[0]->GetFrame(n); }
  void GetAudio(void* buffer, int64_t start, int64_t count) override {
    ReadWithinLength(buffer, start, count, info_.audio, [this](std::uint8_t* out, std::int64_t from, std::int64_t n) {
      const std::size_t outStride = static_cast<std::size_t>(info_.audio.BytesPerSample());
      std::vector<std::uint8_t> scratch;
      for (std::int64_t done = 0; done < n; done += kAudioChunk) {
        const std::int64_t m = std::min(kAudioChunk, n - done);
        std::size_t offset = 0;  // where this clip's channels go in a sample
        for (const ClipPtr& clip : clips_) {
          const std::size_t inStride = static_cast<std::size_t>(clip->Info().audio.BytesPerSample());
          scratch.resize(static_cast<std::size_t>(m) * inStride);
          clip->GetAudio(scratch.data(), from + done, m);
          for (std::int64_t i = 0; i < m; ++i)
            std::memcpy(out + static_cast<std::size_t>(done + i) * outStride + offset,
                        scratch.data() + static_cast<std::size_t>(i) * inStride, inStride);
          offset += inStride;
        }
      }
    });
  }

 private:
  std::vector<ClipPtr> clips_;
};

ClipPtr MakeMergeChannels(const std::string& filter, std::vector<ClipPtr> clips) {
  ClipInfo info = clips[0]->Info();
  if (!info.audio.Present()) throw FilterError(filter + ": the first clip has no audio.");
  int channels = 0;
  for (ClipPtr& c : clips) {
    if (!c->Info().audio.Present()) throw FilterError(filter + ": every clip must have audio.");
    if (c->Info().audio.sampleRate != info.audio.sampleRate)
      throw FilterError(filter + ": Clips must have same sample rate! Use ResampleAudio()!");
    c = MakeAudioConvert(c, info.audio.sampleType);
    channels += c->Info().audio.channels;
  }
  info.audio.channels = channels;
  CheckAudio(filter, info.audio);
  return std::make_shared<MergeChannelsClip>(std::move(clips), info);
}

Value MergeChannels(const CallArgs& a) {
  std::vector<ClipPtr> clips{a.Clip("clip")};
  for (const Value& v : a.Rest()) clips.push_back(v.AsClip());
  return Value::Clip(MakeMergeChannels("MergeChannels", std::move(clips)));
}

Value MonoToStereo(const CallArgs& a) {
  ClipPtr left = MakeChannels("MonoToStereo", a.Clip("left"), {1});
  ClipPtr right = MakeChannels("MonoToStereo", a.Clip("right"), {1});
  return Value::Clip(MakeMergeChannels("MonoToStereo", {left, right}));
}

}  // namespace

void RegisterAudioFunctions(FunctionTable& t) {
  t.Add("AudioDub", {Req("video", ParamType::Clip), Req("audio", ParamType::Clip)}, AudioDub);
  // AudioDubEx: the first clip's picture (if any) with the second's sound (if any).
  t.Add("AudioDubEx", {Req("video", ParamType::Clip), Req("audio", ParamType::Clip)},
        [](const CallArgs& a) { return Value::Clip(MakeDub(a.Clip("video"), a.Clip("audio"))); });
  t.Add("DelayAudio", {Req("clip", ParamType::Clip), Req("seconds", ParamType::Float)}, DelayAudio);
  t.Add("KillAudio", {Req("clip", ParamType::Clip)}, [](const CallArgs& a) {
    ClipPtr clip = a.Clip("clip");
    ClipInfo info = clip->Info();
    info.audio = AudioInfo{};
    return Value::Clip(std::make_shared<SilentClip>(std::move(clip), info));
  });
  t.Add("KillVideo", {Req("clip", ParamType::Clip)}, KillVideo);
  for (const char* name : {"GetChannel", "GetChannels"})
    t.Add(name, {Req("clip", ParamType::Clip), Many("channels", ParamType::Int)}, GetChannel);
  t.Add("GetLeftChannel", {Req("clip", ParamType::Clip)},
        [](const CallArgs& a) { return Value::Clip(MakeChannels("GetLeftChannel", a.Clip("clip"), {1})); });
  t.Add("GetRightChannel", {Req("clip", ParamType::Clip)},
        [](const CallArgs& a) { return Value::Clip(MakeChannels("GetRightChannel", a.Clip("clip"), {2})); });
  t.Add("MergeChannels", {Req("clip", ParamType::Clip), Many("clips", ParamType::Clip)}, MergeChannels);
  t.Add("MergeChannels", {Req("clip", ParamType::Clip)},
        [](const CallArgs& a) { return Value::Clip(MakeMergeChannels("MergeChannels", {a.Clip("clip")})); });
  t.Add("MonoToStereo", {Req("left", ParamType::Clip), Req("right", ParamType::Clip)}, MonoToStereo);
  const struct {
    const char* name;
    SampleType type;
  } conversions[] = {{"ConvertAudioTo8bit", SampleType::Int8},
                     {"ConvertAudioTo16bit", SampleType::Int16},
                     {"ConvertAudioTo24bit", SampleType::Int24},
                     {"ConvertAudioTo32bit", SampleType::Int32},
                     {"ConvertAudioToFloat", SampleType::Float}};
  for (const auto& c : conversions) {
    const SampleType to = c.type;
    t.Add(c.name, {Req("clip", ParamType::Clip)},
          [to](const CallArgs& a) { return Value::Clip(MakeAudioConvert(a.Clip("clip"), to)); });
  }
}

}  // namespace tandemix::engine
