// Tone(length, frequency, samplerate, channels, type, level): a sound of
// its own without a picture: a sine, square, triangle or sawtooth wave,
// noise, or silence, in float, the same on every channel.
#include <cmath>
#include <cstdint>
#include <mutex>
#include <random>
#include <string>

#include "engine/filters/FilterFamilies.h"
#include "engine/frames/AudioSamples.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

enum class Wave { Sine, Square, Triangle, Sawtooth, Noise, Silence };

// The wave's value at `phase` (0 .. 1) of its period.
float WaveAt(Wave wave, double phase) {
  switch (wave) {
    case Wave::Sine:
      return static_cast<float>(std::sin(2.0 * M_PI * phase));
    case Wave::Square:
      return phase <= 0.5 ? 1.0f : -1.0f;  // high at exactly half a period
    case Wave::Triangle:
      if (phase < 0.25) return static_cast<float>(4.0 * phase);
      if (phase < 0.75) return static_cast<float>(2.0 - 4.0 * phase);
      return static_cast<float>(4.0 * phase - 4.0);
    case Wave::Sawtooth:
      return static_cast<float>(2.0 * phase - 1.0);
    case Wave::Noise:
    case Wave::Silence:
      return 0.0f;
  }
  return 0.0f;
}

class ToneClip : public Clip {
 public:
  ToneClip(const ClipInfo& info, Wave wave, double frequency, float level)
      : Clip(info), wave_(wave), frequency_(frequency), level_(level) {}
  FramePtr GetFrame(int) override { throw TandemixError("Tone: the clip has no video."); }
  void GetAudio(void* buffer, int64_t start, int64_t count) override {
    ReadWithinLength(buffer, start, count, info_.audio, [this](std::uint8_t* out, std::int64_t from, std::int64_t n) {
      auto* samples = reinterpret_cast<float*>(out);
      const int channels = info_.audio.channels;
      // As AviSynth: the phase is added up sample by sample, taken back
      // by a period when it reaches one, from the start of each block of
      // kPhaseBlock samples; whole periods can so come out a hair early or
      // late, which decides a square wave's sample at its edges.
      const double perSample = frequency_ / info_.audio.sampleRate;
      std::int64_t at = from - from % kPhaseBlock;
      double phase = 0.0;
      auto restart = [&] {
        const double x = static_cast<double>(at) * perSample;
        phase = x - std::floor(x);
      };
      restart();
      while (at < from) Step(phase, perSample, at);
      for (std::int64_t i = 0; i < n; ++i) {
        if (at % kPhaseBlock == 0) restart();
        float v = 0.0f;
        if (wave_ == Wave::Noise) {
          // Noise from the sample's own number, so that any range reads
          // the same samples.
          std::mt19937 random(static_cast<std::uint32_t>((from + i) * 2654435761u));
          v = std::uniform_real_distribution<float>(-1.0f, 1.0f)(random) * level_;
        } else {
          v = WaveAt(wave_, phase) * level_;
        }
        Step(phase, perSample, at);
        for (int c = 0; c < channels; ++c) samples[i * channels + c] = v;
      }
    });
  }

 private:
  static constexpr std::int64_t kPhaseBlock = 1 << 16;
  static void Step(double& phase, double perSample, std::int64_t& at) {
    phase += perSample;
    if (phase >= 1.0) phase -= 1.0;
    ++at;
  }

  Wave wave_;
  double frequency_;
  float level_;
};

Value Tone(const CallArgs& a) {
  const double length = a.Float("length", 10.0);
  const double frequency = a.Float("frequency", 440.0);
  const int rate = a.Int("samplerate", 48000);
  const int channels = a.Int("channels", 2);
  const std::string type = a.String("type", "Sine");
  const auto level = static_cast<float>(a.Float("level", 1.0));
  std::string lower = LowerCase(type);
  Wave wave = Wave::Sine;
  if (lower == "sine")
    wave = Wave::Sine;
  else if (lower == "square")
    wave = Wave::Square;
  else if (lower == "triangle")
    wave = Wave::Triangle;
  else if (lower == "sawtooth")
    wave = Wave::Sawtooth;
  else if (lower == "noise")
    wave = Wave::Noise;
  else if (lower == "silence")
    wave = Wave::Silence;
  else
    throw FilterError("Tone: Type was not recognized!");
  ClipInfo info;
  info.hasVideo = false;
  info.width = 0;
  info.height = 0;
  info.frameCount = 0;
  if (rate > 0 && channels > 0) {
    const double samples = length * rate + 0.5;
    if (!std::isfinite(samples) || samples > static_cast<double>(kMaxAudioSamples))
      throw FilterError("Tone: the length is out of range.");
    info.audio.sampleRate = rate;
    info.audio.channels = channels;
    info.audio.sampleType = SampleType::Float;
    info.audio.sampleCount = std::max<std::int64_t>(0, static_cast<std::int64_t>(samples));
    CheckAudio("Tone", info.audio);
  }
  return Value::Clip(std::make_shared<ToneClip>(info, wave, frequency, level));
}

}  // namespace

void RegisterToneFunctions(FunctionTable& t) {
  t.Add("Tone",
        {Opt("length", ParamType::Float), Opt("frequency", ParamType::Float), Opt("samplerate", ParamType::Int),
         Opt("channels", ParamType::Int), Opt("type", ParamType::String), Opt("level", ParamType::Float)},
        Tone);
}

}  // namespace tandemix::engine
