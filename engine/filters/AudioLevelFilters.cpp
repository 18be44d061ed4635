// Sound levels: MixAudio, Amplify, AmplifydB and Normalize. They work on
// 16-bit or float samples (other types become float first), 16-bit with
// AviSynth's fixed-point factors (1/131072 steps, rounded, clipped).
#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

#include "engine/filters/AudioSupport.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

constexpr double kFixedOne = 131072.0;

int FixedFactor(double factor) { return static_cast<int>(std::clamp(factor * kFixedOne + 0.5, -2.0e9, 2.0e9)); }

std::int16_t Clip16(std::int64_t v) { return static_cast<std::int16_t>(std::clamp<std::int64_t>(v, -32768, 32767)); }

// Each channel's samples times its factor.
void Scale(void* samples, std::int64_t count, const AudioInfo& audio, const std::vector<double>& factors) {
  const auto channels = static_cast<std::size_t>(audio.channels);
  const std::size_t values = static_cast<std::size_t>(count) * channels;
  if (audio.sampleType == SampleType::Int16) {
    std::vector<int> fixed;
    for (double f : factors) fixed.push_back(FixedFactor(f));
    auto* s = static_cast<std::int16_t*>(samples);
    for (std::size_t i = 0; i < values; ++i)
      s[i] = Clip16((static_cast<std::int64_t>(s[i]) * fixed[i % channels] + 65536) >> 17);
    return;
  }
  auto* s = static_cast<float*>(samples);
  for (std::size_t i = 0; i < values; ++i) s[i] = static_cast<float>(s[i] * factors[i % channels]);
}

class AmplifyClip : public Clip {
 public:
  AmplifyClip(ClipPtr child, std::vector<double> factors)
      : Clip(child->Info()), child_(std::move(child)), factors_(std::move(factors)) {}
  FramePtr GetFrame(int n) override { return child_->GetFrame(n); }
  void GetAudio(void* buffer, int64_t start, int64_t count) override {
    child_->GetAudio(buffer, start, count);
    Scale(buffer, count, info_.audio, factors_);
  }

 private:
  ClipPtr child_;
  std::vector<double> factors_;  // one a channel
};

// Factors for each channel: the last one given serves the channels after it.
std::vector<double> PerChannel(const std::vector<double>& given, int channels) {
  std::vector<double> factors;
  for (int c = 0; c < channels; ++c) factors.push_back(given[std::min<std::size_t>(c, given.size() - 1)]);
  return factors;
}

Value Amplify(const CallArgs& a, bool decibels) {
  ClipPtr clip = a.Clip("clip");
  if (!clip->Info().audio.Present()) return Value::Clip(clip);
  std::vector<double> given;
  for (const Value& v : a.Rest()) {
    const double amount = decibels ? std::pow(10.0, v.AsFloat() / 20.0) : v.AsFloat();
    if (!std::isfinite(amount)) throw FilterError(a.Function() + ": the amount is out of range.");
    given.push_back(amount);
  }
  clip = AudioIn16BitOrFloat(std::move(clip));
  return Value::Clip(std::make_shared<AmplifyClip>(clip, PerChannel(given, clip->Info().audio.channels)));
}

// The peak of the whole sound, found at the first request for samples.
class NormalizeClip : public Clip {
 public:
  NormalizeClip(ClipPtr child, double volume) : Clip(child->Info()), child_(std::move(child)), volume_(volume) {}
  FramePtr GetFrame(int n) override { return child_->GetFrame(n); }
  void GetAudio(void* buffer, int64_t start, int64_t count) override {
    const double factor = Factor();
    child_->GetAudio(buffer, start, count);
    Scale(buffer, count, info_.audio, std::vector<double>(static_cast<std::size_t>(info_.audio.channels), factor));
  }

 private:
  double Factor() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (factor_ >= 0.0) return factor_;
    const AudioInfo& audio = info_.audio;
    const bool int16 = audio.sampleType == SampleType::Int16;
    std::vector<std::uint8_t> scratch;
    double peak = 0.0;
    for (std::int64_t done = 0; done < audio.sampleCount; done += kAudioChunk) {
      const std::int64_t n = std::min(kAudioChunk, audio.sampleCount - done);
      const std::size_t values = static_cast<std::size_t>(n) * static_cast<std::size_t>(audio.channels);
      scratch.resize(static_cast<std::size_t>(n) * static_cast<std::size_t>(audio.BytesPerSample()));
      child_->GetAudio(scratch.data(), done, n);
      for (std::size_t i = 0; i < values; ++i) {
        const double v = int16 ? reinterpret_cast<const std::int16_t*>(scratch.data())[i] / 32768.0
                               : reinterpret_cast<const float*>(scratch.data())[i];
        if (std::isfinite(v)) peak = std::max(peak, std::fabs(v));
      }
    }
    // Silence stays as it is.
    factor_ = peak > 0.0 ? volume_ / peak : 1.0;
    return factor_;
  }

  ClipPtr child_;
  double volume_;
  std::mutex mutex_;
  double factor_ = -1.0;  // not yet known
};

Value Normalize(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  const double volume = a.Float("volume", 1.0);
  if (!std::isfinite(volume) || volume < 0.0) throw FilterError("Normalize: the volume must be 0 or more.");
  if (a.Bool("show", false))
    throw FilterError("Normalize: show=true (the level drawn on the frames) is not supported.");
  if (!clip->Info().audio.Present()) return Value::Clip(clip);
  return Value::Clip(std::make_shared<NormalizeClip>(AudioIn16BitOrFloat(std::move(clip)), volume));
}

// clip1 * factor1 + clip2 * factor2, as long as clip1's sound.
class MixClip : public Clip {
 public:
  MixClip(ClipPtr a, ClipPtr b, double fa, double fb) : Clip(a->Info()), a_(std::move(a)), b_(std::move(b)) {
    factors_[0] = fa;
    factors_[1] = fb;
  }
  FramePtr GetFrame(int n) override { return a_->GetFrame(n); }
  void GetAudio(void* buffer, int64_t start, int64_t count) override {
    a_->GetAudio(buffer, start, count);
    const AudioInfo& audio = info_.audio;
    std::vector<std::uint8_t> other;
    auto* out = static_cast<std::uint8_t*>(buffer);
    for (std::int64_t done = 0; done < count; done += kAudioChunk) {
      const std::int64_t n = std::min(kAudioChunk, count - done);
      const std::size_t values = static_cast<std::size_t>(n) * static_cast<std::size_t>(audio.channels);
      other.resize(static_cast<std::size_t>(n) * static_cast<std::size_t>(audio.BytesPerSample()));
      b_->GetAudio(other.data(), start + done, n);
      std::uint8_t* mine = out + static_cast<std::size_t>(done) * static_cast<std::size_t>(audio.BytesPerSample());
      if (audio.sampleType == SampleType::Int16) {
        const int fa = FixedFactor(factors_[0]);
        const int fb = FixedFactor(factors_[1]);
        auto* s = reinterpret_cast<std::int16_t*>(mine);
        const auto* t = reinterpret_cast<const std::int16_t*>(other.data());
        for (std::size_t i = 0; i < values; ++i)
          s[i] = Clip16((static_cast<std::int64_t>(s[i]) * fa + static_cast<std::int64_t>(t[i]) * fb + 65536) >> 17);
      } else {
        auto* s = reinterpret_cast<float*>(mine);
        const auto* t = reinterpret_cast<const float*>(other.data());
        for (std::size_t i = 0; i < values; ++i) s[i] = static_cast<float>(s[i] * factors_[0] + t[i] * factors_[1]);
      }
    }
  }

 private:
  ClipPtr a_, b_;
  double factors_[2];
};

Value MixAudio(const CallArgs& a) {
  ClipPtr first = a.Clip("clip1");
  ClipPtr second = a.Clip("clip2");
  if (!first->Info().audio.Present() || !second->Info().audio.Present())
    throw FilterError("MixAudio: both clips must have audio.");
  const double fa = a.Float("clip1_factor", 0.5);
  const double fb = a.Float("clip2_factor", 1.0 - fa);
  if (!std::isfinite(fa) || !std::isfinite(fb)) throw FilterError("MixAudio: the factors are out of range.");
  first = AudioIn16BitOrFloat(std::move(first));
  second = MakeAudioConvert(std::move(second), first->Info().audio.sampleType);
  if (first->Info().audio.channels != second->Info().audio.channels)
    throw FilterError("MixAudio: Clips must have same number of channels!");
  if (first->Info().audio.sampleRate != second->Info().audio.sampleRate)
    throw FilterError("MixAudio: Clips must have same sample rate!");
  return Value::Clip(std::make_shared<MixClip>(std::move(first), std::move(second), fa, fb));
}

}  // namespace

void RegisterAudioLevelFunctions(FunctionTable& t) {
  t.Add("MixAudio",
        {Req("clip1", ParamType::Clip), Req("clip2", ParamType::Clip), Opt("clip1_factor", ParamType::Float),
         Opt("clip2_factor", ParamType::Float)},
        MixAudio);
  t.Add("Amplify", {Req("clip", ParamType::Clip), Many("amount", ParamType::Float)},
        [](const CallArgs& a) { return Amplify(a, false); });
  t.Add("AmplifydB", {Req("clip", ParamType::Clip), Many("amount", ParamType::Float)},
        [](const CallArgs& a) { return Amplify(a, true); });
  t.Add("Normalize", {Req("clip", ParamType::Clip), Opt("volume", ParamType::Float), Opt("show", ParamType::Bool)},
        Normalize);
}

}  // namespace tandemix::engine
