// ResampleAudio(clip, new_rate[, new_rate_denominator]): the sound at
// another sample rate through libswresample, in 16-bit when it was 16-bit
// and in float otherwise, as AviSynth's is. SSRC(clip, samplerate): the
// same for float sound through libswresample's high-quality settings (a
// long windowed-sinc filter cut close to the new rate's limit), AviSynth's
// name for its high-quality resampler.
//
// Samples are made in order by one resampler; a request that does not
// follow the last one starts a new resampler a little before it, at a
// sample where input and output fall on the same instant, and drops the
// output up to the wanted sample.
#include <algorithm>
#include <mutex>
#include <numeric>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include "engine/filters/AudioSupport.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/frames/ScriptError.h"
#include "media/FFmpegPtr.h"

namespace tandemix::engine {
namespace {

// Input fed to the resampler at a time.
constexpr int kFeed = 4096;
// Input before a new start that lets the filter settle, at least (its
// taps reach this far at ratios up to 1; further when it shrinks the rate).
constexpr std::int64_t kSettleSamples = 64;
// The high-quality filter: taps at the lower rate, and how far they reach.
constexpr int kQualityTaps = 128;
constexpr std::int64_t kQualitySettleSamples = 256;

class ResampleAudioClip : public Clip {
 public:
  // inRate / outRate is the ratio of the child's samples to the result's.
  ResampleAudioClip(ClipPtr child, const ClipInfo& info, std::int64_t inRate, std::int64_t outRate,
                    bool highQuality = false)
      : Clip(info), child_(std::move(child)), inRate_(inRate), outRate_(outRate), highQuality_(highQuality) {
    const std::int64_t g = std::gcd(inRate, outRate);
    inBlock_ = inRate / g;
    outBlock_ = outRate / g;
    const std::int64_t settle = (highQuality ? kQualitySettleSamples : kSettleSamples) *
                                std::max<std::int64_t>(1, (inRate + outRate - 1) / outRate);
    settleBlocks_ = (settle + inBlock_ - 1) / inBlock_ + 1;
  }

  FramePtr GetFrame(int n) override { return child_->GetFrame(n); }

  void GetAudio(void* buffer, int64_t start, int64_t count) override {
    ReadWithinLength(buffer, start, count, info_.audio, [this](std::uint8_t* out, std::int64_t from, std::int64_t n) {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!resampler_ || from != nextOut_) Restart(from);
      Produce(out, n);
    });
  }

 private:
  void Restart(std::int64_t from) {
    AVChannelLayout layout;
    av_channel_layout_default(&layout, info_.audio.channels);
    const AVSampleFormat format = info_.audio.sampleType == SampleType::Int16 ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_FLT;
    int made = ffmpeg::MakeResampler(resampler_, layout, format, static_cast<int>(outRate_), layout, format,
                                     static_cast<int>(inRate_));
    av_channel_layout_uninit(&layout);
    if (made >= 0 && highQuality_) {
      SwrContext* swr = resampler_.get();
      av_opt_set_int(swr, "filter_size", kQualityTaps, 0);
      av_opt_set_int(swr, "phase_shift", 14, 0);
      av_opt_set_int(swr, "linear_interp", 1, 0);
      av_opt_set_double(swr, "cutoff", 0.97, 0);
      made = swr_init(swr);
    }
    if (made < 0) throw TandemixError(Name() + ": the sound cannot be resampled.");
    // Start on a block boundary, where input sample inBlock * k and output
    // sample outBlock * k stand at the same time, a few blocks early.
    const std::int64_t block = from / outBlock_ - settleBlocks_;
    nextIn_ = block * inBlock_;
    nextOut_ = block * outBlock_;
    std::vector<std::uint8_t> dropped(static_cast<std::size_t>(info_.audio.BytesPerSample()) * kFeed);
    while (nextOut_ < from) Produce(dropped.data(), std::min<std::int64_t>(kFeed, from - nextOut_));
  }

  // The next n output samples.
  void Produce(std::uint8_t* out, std::int64_t n) {
    const std::size_t bps = static_cast<std::size_t>(info_.audio.BytesPerSample());
    std::int64_t made = 0;
    bool feed = false;  // what the resampler holds goes out first
    while (made < n) {
      const auto room = static_cast<int>(std::min<std::int64_t>(n - made, 1 << 20));
      std::uint8_t* dst = out + static_cast<std::size_t>(made) * bps;
      int got = 0;
      if (feed) {
        input_.resize(bps * kFeed);
        child_->GetAudio(input_.data(), nextIn_, kFeed);
        nextIn_ += kFeed;
        const std::uint8_t* src = input_.data();
        got = swr_convert(resampler_.get(), &dst, room, &src, kFeed);
      } else {
        const std::uint8_t* src = input_.data();
        got = swr_convert(resampler_.get(), &dst, room, &src, 0);
      }
      if (got < 0) throw TandemixError(Name() + ": the sound cannot be resampled.");
      made += got;
      feed = true;
    }
    nextOut_ += n;
  }

  std::string Name() const { return highQuality_ ? "SSRC" : "ResampleAudio"; }

  ClipPtr child_;
  std::int64_t inRate_, outRate_;
  bool highQuality_;
  std::int64_t inBlock_ = 1, outBlock_ = 1, settleBlocks_ = 1;
  std::mutex mutex_;  // the resampler and where it stands
  ffmpeg::ResamplerPtr resampler_;
  std::int64_t nextIn_ = 0;   // the child's sample the resampler takes next
  std::int64_t nextOut_ = 0;  // the sample it gives next
  std::vector<std::uint8_t> input_;
};

Value ResampleAudio(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  if (!clip->Info().audio.Present()) return Value::Clip(clip);
  const long long rate = a.Int("new_rate");
  const long long denominator = a.Int("new_rate_denominator", 1);
  if (rate <= 0 || denominator <= 0) throw FilterError("ResampleAudio: the sample rate must be more than 0.");
  // With a denominator the ratio is exact and the rate rounded.
  const long long newRate = (rate + denominator / 2) / denominator;
  const long long inRate = static_cast<long long>(clip->Info().audio.sampleRate) * denominator;
  if (newRate <= 0 || newRate > kMaxSampleRate || inRate > 0x7fffffff)
    throw FilterError("ResampleAudio: the sample rate is out of range.");
  if (inRate == rate) return Value::Clip(clip);
  clip = AudioIn16BitOrFloat(std::move(clip));
  ClipInfo info = clip->Info();
  info.audio.sampleRate = static_cast<int>(newRate);
  info.audio.sampleCount = av_rescale_rnd(info.audio.sampleCount, rate, inRate, AV_ROUND_NEAR_INF);
  CheckAudio("ResampleAudio", info.audio);
  return Value::Clip(std::make_shared<ResampleAudioClip>(std::move(clip), info, inRate, rate));
}

// SSRC takes float sound only, as AviSynth's, and gives as many samples as
// the new rate needs to cover the old length (rounded up).
Value Ssrc(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  const AudioInfo& audio = clip->Info().audio;
  if (!audio.Present()) throw FilterError("Input clip does not have audio.");
  if (audio.sampleType != SampleType::Float) throw FilterError("Input audio sample format to SSRC must be float.");
  const long long rate = a.Int("samplerate");
  if (rate <= 0 || rate > kMaxSampleRate) throw FilterError("SSRC: the sample rate is out of range.");
  if (rate == audio.sampleRate) return Value::Clip(clip);
  ClipInfo info = clip->Info();
  info.audio.sampleRate = static_cast<int>(rate);
  info.audio.sampleCount = av_rescale_rnd(audio.sampleCount, rate, audio.sampleRate, AV_ROUND_UP);
  CheckAudio("SSRC", info.audio);
  const std::int64_t inRate = audio.sampleRate;
  return Value::Clip(std::make_shared<ResampleAudioClip>(std::move(clip), info, inRate, rate, true));
}

}  // namespace

void RegisterResampleAudioFunctions(FunctionTable& t) {
  t.Add("SSRC", {Req("clip", ParamType::Clip), Req("samplerate", ParamType::Int), Opt("fast", ParamType::Bool)}, Ssrc);
  t.Add("ResampleAudio",
        {Req("clip", ParamType::Clip), Req("new_rate", ParamType::Int), Opt("new_rate_denominator", ParamType::Int)},
        ResampleAudio);
}

}  // namespace tandemix::engine
