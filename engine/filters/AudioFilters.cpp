// Sound and picture put together and apart: AudioDub, AudioDubEx,
// DelayAudio, KillAudio, KillVideo, the channel filters (GetChannel,
// GetChannels, GetLeftChannel, GetRightChannel, MergeChannels,
// MonoToStereo, ConvertToMono, SetChannelMask, GetChannelMask) and the
// ConvertAudioTo... family. Filters that make a new set of channels say
// which speakers they are for as AviSynth does: the usual layout of their
// count (mono, stereo, 2.1, 4.0, 5.0, 5.1, 6.1, 7.1).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine/filters/AudioSupport.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

std::uint32_t DefaultChannelMask(int channels) {
  static const std::uint32_t masks[] = {0, 0x4, 0x3, 0xB, 0x107, 0x37, 0x3F, 0x70F, 0x63F};
  return channels >= 0 && channels <= 8 ? masks[channels] : 0;
}

// Speaker names and layouts a channel mask may be written with, joined by '+'.
bool ChannelMaskOf(const std::string& text, std::uint32_t& mask) {
  static const struct {
    const char* name;
    std::uint32_t mask;
  } names[] = {{"FL", 0x1},
               {"FR", 0x2},
               {"FC", 0x4},
               {"LFE", 0x8},
               {"BL", 0x10},
               {"BR", 0x20},
               {"FLC", 0x40},
               {"FRC", 0x80},
               {"BC", 0x100},
               {"SL", 0x200},
               {"SR", 0x400},
               {"TC", 0x800},
               {"TFL", 0x1000},
               {"TFC", 0x2000},
               {"TFR", 0x4000},
               {"TBL", 0x8000},
               {"TBC", 0x10000},
               {"TBR", 0x20000},
               {"mono", 0x4},
               {"stereo", 0x3},
               {"2.1", 0xB},
               {"3.0", 0x7},
               {"3.0(back)", 0x103},
               {"4.0", 0x107},
               {"quad", 0x33},
               {"quad(side)", 0x603},
               {"3.1", 0xF},
               {"5.0", 0x37},
               {"5.0(side)", 0x607},
               {"4.1", 0x10F},
               {"5.1", 0x3F},
               {"5.1(side)", 0x60F},
               {"6.0", 0x707},
               {"6.0(front)", 0x6C3},
               {"hexagonal", 0x137},
               {"6.1", 0x70F},
               {"6.1(back)", 0x13F},
               {"6.1(front)", 0x6CB},
               {"7.0", 0x637},
               {"7.0(front)", 0x6C7},
               {"7.1", 0x63F},
               {"7.1(wide)", 0xFF},
               {"7.1(wide-side)", 0x6CF},
               {"octagonal", 0x737}};
  mask = 0;
  std::size_t at = 0;
  while (at <= text.size()) {
    const std::size_t plus = std::min(text.find('+', at), text.size());
    const std::string part = text.substr(at, plus - at);
    bool found = false;
    for (const auto& n : names) {
      if (part == n.name) {
        mask |= n.mask;
        found = true;
      }
    }
    if (!found) return false;
    at = plus + 1;
  }
  return true;
}

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
  // As AviSynth: half a sample added, then cut toward zero (-0.5 s at
  // 48 kHz is 23999 samples earlier, +0.5 s 24000 later).
  const auto delay = static_cast<std::int64_t>(samples + 0.5);
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
  info.audio.channelMask = DefaultChannelMask(info.audio.channels);
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
  info.audio.channelMask = DefaultChannelMask(channels);
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

// The channels' mean: in 16 bits for 16-bit sound, in float otherwise.
class MonoClip : public Clip {
 public:
  MonoClip(ClipPtr child, const ClipInfo& info) : Clip(info), child_(std::move(child)) {}
  FramePtr GetFrame(int n) override { return child_->GetFrame(n); }
  void GetAudio(void* buffer, int64_t start, int64_t count) override {
    const int channels = child_->Info().audio.channels;
    const bool isFloat = info_.audio.sampleType == SampleType::Float;
    const std::size_t size = isFloat ? 4 : 2;
    std::vector<std::uint8_t> scratch;
    auto* out = static_cast<std::uint8_t*>(buffer);
    for (std::int64_t done = 0; done < count; done += kAudioChunk) {
      const std::int64_t n = std::min(kAudioChunk, count - done);
      scratch.resize(static_cast<std::size_t>(n) * channels * size);
      child_->GetAudio(scratch.data(), start + done, n);
      for (std::int64_t i = 0; i < n; ++i) {
        const std::uint8_t* in = scratch.data() + static_cast<std::size_t>(i) * channels * size;
        std::uint8_t* dst = out + static_cast<std::size_t>(done + i) * size;
        if (isFloat) {
          float sum = 0.0f;
          for (int c = 0; c < channels; ++c) {
            float v = 0.0f;
            std::memcpy(&v, in + c * size, 4);
            sum += v;
          }
          const float mean = sum / static_cast<float>(channels);
          std::memcpy(dst, &mean, 4);
        } else {
          std::int64_t sum = 0;
          for (int c = 0; c < channels; ++c) {
            std::int16_t v = 0;
            std::memcpy(&v, in + c * size, 2);
            sum += v;
          }
          // As AviSynth: each channel weighted 32768 / channels in 15 bits, rounded.
          const auto mean = static_cast<std::int16_t>((sum * (32768 / channels) + 16384) >> 15);
          std::memcpy(dst, &mean, 2);
        }
      }
    }
  }

 private:
  ClipPtr child_;
};

Value ConvertToMono(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  if (!clip->Info().audio.Present()) return Value::Clip(clip);
  clip = AudioIn16BitOrFloat(std::move(clip));
  ClipInfo info = clip->Info();
  info.audio.channels = 1;
  info.audio.channelMask = DefaultChannelMask(1);
  return Value::Clip(std::make_shared<MonoClip>(std::move(clip), info));
}

// The clip as it is, saying other speakers.
class MaskClip : public Clip {
 public:
  MaskClip(ClipPtr child, const ClipInfo& info) : Clip(info), child_(std::move(child)) {
    const std::uint32_t mask = info.audio.channelMask;
    PassAudioFrom(child_);
    info_.audio.channelMask = mask;
  }
  FramePtr GetFrame(int n) override { return child_->GetFrame(n); }

 private:
  ClipPtr child_;
};

ClipPtr WithMask(ClipPtr clip, std::uint32_t mask) {
  ClipInfo info = clip->Info();
  info.audio.channelMask = mask;
  return std::make_shared<MaskClip>(std::move(clip), info);
}

}  // namespace

void RegisterAudioFunctions(FunctionTable& t) {
  t.Add("ConvertToMono", {Req("clip", ParamType::Clip)}, ConvertToMono);
  t.Add("SetChannelMask",
        {Req("clip", ParamType::Clip), Req("isChannelMaskKnown", ParamType::Bool), Req("ChannelMask", ParamType::Int)},
        [](const CallArgs& a) {
          const auto mask = static_cast<std::uint32_t>(a.At("ChannelMask").AsInt());
          return Value::Clip(WithMask(a.Clip("clip"), a.Bool("isChannelMaskKnown") ? mask : 0));
        });
  t.Add("SetChannelMask", {Req("clip", ParamType::Clip), Req("ChannelDescriptor", ParamType::String)},
        [](const CallArgs& a) {
          std::uint32_t mask = 0;
          const std::string text = a.String("ChannelDescriptor");
          if (!ChannelMaskOf(text, mask))
            throw FilterError("SetChannelMask: could not find channel descriptor/combo '" + text + "'");
          return Value::Clip(WithMask(a.Clip("clip"), mask));
        });
  t.Add("GetChannelMask", {Req("clip", ParamType::Clip)}, [](const CallArgs& a) {
    const AudioInfo& audio = a.Clip("clip")->Info().audio;
    return Value::Int(audio.Present() ? static_cast<std::int64_t>(audio.channelMask) : 0);
  });
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
