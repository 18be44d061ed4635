// Clips made from nothing: BlankClip and ColorBars. Their single frame is
// drawn at the first request and shared by every frame number. BlankClip's
// sound is silence; ColorBars' is AviSynth's test tone.
#include <cmath>
#include <functional>
#include <mutex>
#include <numeric>
#include <vector>

extern "C" {
#include <libavutil/rational.h>
}

#include "platform/engine/AudioSupport.h"
#include "platform/engine/FilterSupport.h"
#include "platform/engine/Functions.h"

namespace tandemix::engine {
namespace {

// ColorBars' sound: 48 kHz float stereo, a 440 Hz sine at full scale on the
// left channel throughout and on the right one in the second half of every
// two seconds, so that each side can be told apart.
constexpr int kToneRate = 48000;
constexpr int kToneHz = 440;

class ToneClip : public Clip {
 public:
  ToneClip(ClipPtr picture, const ClipInfo& info) : Clip(info), picture_(std::move(picture)) {
    // One period of whole cycles: rate / gcd(rate, Hz) samples.
    const int g = std::gcd(kToneRate, kToneHz);
    const int samples = kToneRate / g;
    const double step = 2.0 * 3.14159265358979323846 * (kToneHz / g) / samples;
    period_.resize(static_cast<std::size_t>(samples));
    for (int i = 0; i < samples; ++i) period_[static_cast<std::size_t>(i)] = static_cast<float>(std::sin(step * i));
  }
  FramePtr GetFrame(int n) override { return picture_->GetFrame(n); }
  void GetAudio(void* buffer, int64_t start, int64_t count) override {
    ReadWithinLength(buffer, start, count, info_.audio, [this](std::uint8_t* out, std::int64_t from, std::int64_t n) {
      auto* samples = reinterpret_cast<float*>(out);
      const auto size = static_cast<std::int64_t>(period_.size());
      for (std::int64_t i = 0; i < n; ++i) {
        const float v = period_[static_cast<std::size_t>((from + i) % size)];
        samples[2 * i] = v;
        samples[2 * i + 1] = (from + i) % (2 * kToneRate) > kToneRate ? v : 0.0f;
      }
    });
  }

 private:
  ClipPtr picture_;
  std::vector<float> period_;
};

class StillClip : public Clip {
 public:
  StillClip(const ClipInfo& info, std::function<void(FrameBGR&)> draw)
      : Clip(info), draw_(std::move(draw)), pool_("BlankClip") {}
  FramePtr GetFrame(int) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!frame_) {
      auto f = pool_.Fresh(info_.pixelType, info_.width, info_.height);
      draw_(*f);
      frame_ = f;
    }
    return frame_;
  }

 private:
  std::function<void(FrameBGR&)> draw_;
  FramePool pool_;
  std::mutex mutex_;  // branches of a stack may ask for the frame at once
  FramePtr frame_;
};

void Fill(FrameBGR& f, int x0, int y0, int x1, int y1, ColorBGR c) {
  PlaneColor color;
  color.v[0] = c.b;
  color.v[1] = c.g;
  color.v[2] = c.r;
  color.v[3] = 0;
  FillRect(f, x0, y0, x1, y1, color);
}

// A pixel_type argument for a generator; throws AviSynth's message.
PixelType GeneratorType(const std::string& filter, const CallArgs& a, std::size_t i, PixelType fallback) {
  if (!a.Has(i)) return fallback;
  PixelType type = fallback;
  if (!ParsePixelType(a.String(i), type))
    throw FilterError(filter +
                      ": pixel_type must be \"RGB24\", \"RGB32\", "
                      "\"YUY2\", \"YV12\", \"YV16\", \"YV24\" or \"Y8\"");
  return type;
}

void CheckSubsampledSize(const std::string& filter, PixelType type, int width, int height) {
  if (ChromaShiftX(type) && width % 2)
    throw FilterError(filter + ": width must be a multiple of 2 for this pixel_type");
  if (ChromaShiftY(type) && height % 2)
    throw FilterError(filter + ": height must be a multiple of 2 for this pixel_type");
}

// BlankClip([clip], length, width, height, pixel_type, fps, fps_denominator, ..., color)
Value BlankClip(const CallArgs& a) {
  ClipInfo info;
  info.pixelType = PixelType::RGB32;
  info.width = 640;
  info.height = 480;
  info.frameCount = 240;
  info.rateNumerator = 24;
  info.rateDenominator = 1;
  if (a.Has("clip")) {
    const ClipInfo& like = a.Clip("clip")->Info();
    info.width = like.width;
    info.height = like.height;
    info.frameCount = like.frameCount;
    info.rateNumerator = like.rateNumerator;
    info.rateDenominator = like.rateDenominator;
    info.pixelType = like.pixelType;
  }
  info.pixelType = GeneratorType("BlankClip", a, 4, info.pixelType);
  // Silence of 44.1 kHz, mono, 16-bit unless the template clip or the
  // arguments say otherwise; a rate or channel count of 0 means none.
  AudioInfo sound;
  sound.sampleRate = 44100;
  sound.channels = 1;
  if (a.Has("clip")) sound = a.Clip("clip")->Info().audio;
  if (a.Has("audio_rate")) sound.sampleRate = a.Int("audio_rate");
  if (a.Has("stereo")) sound.channels = a.Bool("stereo") ? 2 : 1;
  if (a.Has("channels")) sound.channels = a.Int("channels");
  if (a.Has("sixteen_bit")) sound.sampleType = a.Bool("sixteen_bit") ? SampleType::Int16 : SampleType::Float;
  if (a.Has("sample_type") && !ParseSampleType(a.String("sample_type"), sound.sampleType))
    throw FilterError("BlankClip: sample_type must be \"8bit\", \"16bit\", \"24bit\", \"32bit\" or \"float\"");
  if (sound.sampleRate < 0) throw FilterError("BlankClip: the audio rate must not be negative.");
  if (sound.channels < 0) throw FilterError("BlankClip: the channel count must not be negative.");
  if (a.Has("length")) {
    if (a.Int("length") < 0) throw FilterError("BlankClip: the length must not be negative.");
    info.frameCount = a.Int("length");
  }
  const long long width = a.Has("width") ? a.Int("width") : info.width;
  const long long height = a.Has("height") ? a.Int("height") : info.height;
  CheckFrameSize("BlankClip", width, height);
  info.width = static_cast<int>(width);
  info.height = static_cast<int>(height);
  CheckSubsampledSize("BlankClip", info.pixelType, info.width, info.height);
  if (a.Has("fps") || a.Has("fps_denominator")) {
    const double fps = a.Has("fps") ? a.Float("fps") : info.Rate();
    const long long den = a.Has("fps_denominator") ? a.Int("fps_denominator") : 1;
    if (!(fps > 0.0) || fps > 1e9 || den <= 0) throw FilterError("BlankClip: the frame rate must be more than 0.");
    if (fps == std::floor(fps)) {
      SetRate("BlankClip", info, static_cast<long long>(fps), den);
    } else {
      const AVRational q = av_d2q(fps / static_cast<double>(den), 1000000);
      SetRate("BlankClip", info, q.num, q.den);
    }
  }
  if (sound.Present()) {
    info.audio = sound;
    info.audio.sampleCount = AudioSamplesFromFrames(info, info.frameCount);
    CheckAudio("BlankClip", info.audio);
  } else {
    info.audio = AudioInfo{};
  }
  // color is $RRGGBB (converted for YUV), color_yuv $YYUUVV (converted for RGB).
  const PlaneColor color = a.Has("color_yuv") ? YuvColorInType(info.pixelType, a.Int("color_yuv"))
                                              : ColorInType(info.pixelType, a.Int("color", 0));
  return Value::Clip(
      std::make_shared<StillClip>(info, [color](FrameBGR& f) { FillRect(f, 0, 0, f.width, f.height, color); }));
}

// SMPTE colour bars in studio-range RGB: seven bars, the reversed strip
// below them and the bottom row with -I, white, +Q and the pluge.
void DrawColorBars(FrameBGR& f) {
  const int w = f.width;
  const int h = f.height;
  auto c = [](int r, int g, int b) {
    return ColorBGR{static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(r)};
  };
  const ColorBGR top[7] = {c(180, 180, 180), c(180, 180, 16), c(16, 180, 180), c(16, 180, 16),
                           c(180, 16, 180),  c(180, 16, 16),  c(16, 16, 180)};
  const ColorBGR middle[7] = {c(16, 16, 180),  c(16, 16, 16), c(180, 16, 180), c(16, 16, 16),
                              c(16, 180, 180), c(16, 16, 16), c(180, 180, 180)};
  const int y1 = h * 2 / 3;
  const int y2 = h * 3 / 4;
  for (int i = 0; i < 7; ++i) {
    Fill(f, w * i / 7, 0, w * (i + 1) / 7, y1, top[i]);
    Fill(f, w * i / 7, y1, w * (i + 1) / 7, y2, middle[i]);
  }
  const ColorBGR bottom[4] = {c(16, 70, 106), c(235, 235, 235), c(72, 16, 118), c(16, 16, 16)};
  for (int i = 0; i < 4; ++i) Fill(f, w * 5 * i / 28, y2, w * 5 * (i + 1) / 28, h, bottom[i]);
  const ColorBGR pluge[3] = {c(9, 9, 9), c(16, 16, 16), c(23, 23, 23)};
  for (int i = 0; i < 3; ++i) Fill(f, w * 5 / 7 + w * i / 21, y2, w * 5 / 7 + w * (i + 1) / 21, h, pluge[i]);
  Fill(f, w * 6 / 7, y2, w, h, c(16, 16, 16));
}

Value ColorBars(const CallArgs& a) {
  ClipInfo info;
  const long long width = a.Int("width", 640);
  const long long height = a.Int("height", 480);
  CheckFrameSize("ColorBars", width, height);
  info.width = static_cast<int>(width);
  info.height = static_cast<int>(height);
  info.frameCount = 107892;  // one hour
  info.rateNumerator = 30000;
  info.rateDenominator = 1001;
  info.pixelType = PixelType::RGB32;
  const PixelType type = GeneratorType("ColorBars", a, 2, PixelType::RGB32);
  CheckSubsampledSize("ColorBars", type, info.width, info.height);
  if (IsRGBType(type)) info.pixelType = type;
  ClipPtr bars = std::make_shared<StillClip>(info, DrawColorBars);
  // YUV bars: the RGB bars through the Rec601 matrix.
  if (!IsRGBType(type)) bars = MakeConvert(std::move(bars), type);
  ClipInfo withTone = bars->Info();
  withTone.audio.sampleRate = kToneRate;
  withTone.audio.channels = 2;
  withTone.audio.sampleType = SampleType::Float;
  withTone.audio.sampleCount = AudioSamplesFromFrames(withTone, withTone.frameCount);
  return Value::Clip(std::make_shared<ToneClip>(std::move(bars), withTone));
}

}  // namespace

void RegisterGeneratorFunctions(FunctionTable& t) {
  t.Add("BlankClip",
        {Opt("clip", ParamType::Clip), Opt("length", ParamType::Int), Opt("width", ParamType::Int),
         Opt("height", ParamType::Int), Opt("pixel_type", ParamType::String), Opt("fps", ParamType::Float),
         Opt("fps_denominator", ParamType::Int), Opt("audio_rate", ParamType::Int), Opt("stereo", ParamType::Bool),
         Opt("sixteen_bit", ParamType::Bool), Opt("color", ParamType::Int), Opt("color_yuv", ParamType::Int),
         Opt("channels", ParamType::Int), Opt("sample_type", ParamType::String)},
        BlankClip);
  t.Add("ColorBars",
        {Opt("width", ParamType::Int), Opt("height", ParamType::Int), Opt("pixel_type", ParamType::String),
         Opt("staticframes", ParamType::Bool)},
        ColorBars);
}

}  // namespace tandemix::engine
