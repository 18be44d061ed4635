// Frames and time: FreezeFrame, DeleteFrame, DuplicateFrame,
// SelectRangeEvery, Loop, AssumeScaledFPS, ChangeFPS, ConvertFPS,
// AudioTrim, AssumeSampleRate, and the filters that leave a clip as it is
// (Preroll, EnsureVBRMP3Sync, Echo, Null). Frame numbers and sample
// positions are computed as AviSynth computes them, in 64 bits (128 where
// a frame number meets a rate), so that counts and the sound's length come
// out the same.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

#include "engine/filters/AudioSupport.h"
#include "engine/filters/EditClips.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/filters/FrameOps.h"
#include "engine/filters/PassThrough.h"
#include "engine/filters/Rates.h"
#include "engine/frames/FrameBudget.h"
#include "engine/frames/FrameLimits.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

using Int128 = __int128;

// A frame number mapped through a function of the output frame number; the
// sound is the child's.
template <typename Map>
class MappedFrames : public Clip {
 public:
  MappedFrames(ClipPtr child, const ClipInfo& info, Map map) : Clip(info), child_(std::move(child)), map_(map) {
    PassAudioFrom(child_);
    info_.frameCount = info.frameCount;
  }
  FramePtr GetFrame(int n) override { return child_->GetFrame(map_(ClampFrame(n))); }

 private:
  ClipPtr child_;
  Map map_;
};

template <typename Map>
ClipPtr MakeMapped(ClipPtr child, const ClipInfo& info, Map map) {
  return std::make_shared<MappedFrames<Map>>(std::move(child), info, map);
}

int ToFrame(long long n) { return static_cast<int>(std::clamp<long long>(n, -1, kMaxFrameCount)); }

std::vector<long long> IntList(const CallArgs& a) {
  std::vector<long long> values;
  for (const Value& v : a.Rest()) values.push_back(v.AsInt());
  return values;
}

// DeleteFrame and DuplicateFrame take the frame numbers of the clip as it
// was: each is applied from the highest down, so one does not move the
// next. As AviSynth, numbers outside the clip still count (DeleteFrame(200)
// of 100 frames gives 99, DeleteFrame(-1) drops the first).
Value DeleteFrames(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  std::vector<long long> frames = IntList(a);
  std::sort(frames.begin(), frames.end());
  frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
  ClipInfo info = clip->Info();
  info.frameCount = CheckFrameCount("DeleteFrame", static_cast<long long>(info.frameCount) - frames.size());
  return Value::Clip(MakeMapped(std::move(clip), info, [frames](int n) {
    long long m = n;
    for (long long f : frames) m += m >= f ? 1 : 0;
    return ToFrame(m);
  }));
}

Value DuplicateFrames(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  std::vector<long long> frames = IntList(a);
  std::sort(frames.begin(), frames.end());
  ClipInfo info = clip->Info();
  info.frameCount = CheckFrameCount("DuplicateFrame", static_cast<long long>(info.frameCount) + frames.size());
  return Value::Clip(MakeMapped(std::move(clip), info, [frames](int n) {
    long long m = n;
    for (long long f : frames) m -= m > f ? 1 : 0;
    return ToFrame(m);
  }));
}

Value FreezeFrame(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  const int first = a.Int("first_frame"), last = a.Int("last_frame"), source = a.Int("source_frame");
  ClipInfo info = clip->Info();
  return Value::Clip(MakeMapped(std::move(clip), info, [=](int n) { return n >= first && n <= last ? source : n; }));
}

// ---------------------------------------------------------------------------
// SelectRangeEvery: `length` frames of every `every`, from `offset` on. With
// audio the sound is cut the same way: each range's samples follow the
// last one's, from the first sample of the range's first frame.

class SelectRangeClip : public Clip {
 public:
  SelectRangeClip(ClipPtr child, const ClipInfo& info, int every, int length, int offset, std::int64_t audioOffset)
      : Clip(info),
        child_(std::move(child)),
        every_(every),
        length_(length),
        offset_(offset),
        audioOffset_(audioOffset) {
    rangeSamples_ = AudioSamplesFromFrames(info_, length_);
  }
  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    const long long source = static_cast<long long>(n / length_) * every_ + n % length_ + offset_;
    return child_->GetFrame(ToFrame(source));
  }
  void GetAudio(void* buffer, int64_t start, int64_t count) override {
    ReadWithinLength(buffer, start, count, info_.audio, [this](std::uint8_t* out, std::int64_t from, std::int64_t n) {
      const std::int64_t bps = info_.audio.BytesPerSample();
      while (n > 0) {
        const std::int64_t range = rangeSamples_ > 0 ? from / rangeSamples_ : 0;
        const std::int64_t into = from - range * rangeSamples_;
        const std::int64_t take = rangeSamples_ > 0 ? std::min(n, rangeSamples_ - into) : n;
        child_->GetAudio(out, audioOffset_ + AudioSamplesFromFrames(info_, range * every_) + into, take);
        out += take * bps;
        from += take;
        n -= take;
      }
    });
  }

 private:
  ClipPtr child_;
  int every_, length_, offset_;
  std::int64_t audioOffset_;   // the first sample of frame `offset`
  std::int64_t rangeSamples_;  // the samples of one range
};

Value SelectRangeEvery(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  ClipInfo info = clip->Info();
  const long long count = info.frameCount;
  if (count <= 0) return Value::Clip(clip);
  // As Trim(offset, 0): the offset is held within the clip.
  const int offset = static_cast<int>(std::clamp<long long>(a.Int("offset", 0), 0, count - 1));
  const long long n = count - offset;
  const int every = static_cast<int>(std::clamp<long long>(a.Int("every", 1500), 1, n));
  const int length = static_cast<int>(std::clamp<long long>(a.Int("length", 50), 1, every));
  info.frameCount = CheckFrameCount("SelectRangeEvery", n / every * length + std::min<long long>(n % every, length));
  if (!a.Bool("audio", true) || !info.audio.Present()) {
    return Value::Clip(MakeMapped(std::move(clip), info, [=](int f) {
      return ToFrame(static_cast<long long>(f / length) * every + f % length + offset);
    }));
  }
  info.audio.sampleCount = AudioSamplesFromFrames(info, info.frameCount);
  const std::int64_t audioOffset = AudioSamplesFromFrames(info, offset);
  return Value::Clip(std::make_shared<SelectRangeClip>(std::move(clip), info, every, length, offset, audioOffset));
}

// ---------------------------------------------------------------------------
// Loop: frames start..end played `times` times (forever, that is ten
// million frames, when negative), the sound with them.

class LoopClip : public Clip {
 public:
  LoopClip(ClipPtr child, const ClipInfo& info, int start, int frames, long long times, std::int64_t startSample,
           std::int64_t loopSamples, std::int64_t loopEnd, std::int64_t resume)
      : Clip(info),
        child_(std::move(child)),
        start_(start),
        frames_(frames),
        times_(times),
        startSample_(startSample),
        loopSamples_(loopSamples),
        loopEnd_(loopEnd),
        resume_(resume) {}
  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    if (n < start_) return child_->GetFrame(n);
    const long long into = static_cast<long long>(n) - start_;
    if (times_ < 0 || into < times_ * frames_) return child_->GetFrame(start_ + static_cast<int>(into % frames_));
    return child_->GetFrame(ToFrame(n - (times_ - 1) * frames_));
  }
  void GetAudio(void* buffer, int64_t start, int64_t count) override {
    ReadWithinLength(buffer, start, count, info_.audio, [this](std::uint8_t* out, std::int64_t from, std::int64_t n) {
      const std::int64_t bps = info_.audio.BytesPerSample();
      const std::int64_t loopEnd = times_ < 0 ? info_.audio.sampleCount : loopEnd_;
      while (n > 0) {
        std::int64_t source = 0;
        std::int64_t take = n;
        if (from < startSample_) {
          source = from;
          take = std::min(n, startSample_ - from);
        } else if (from < loopEnd && loopSamples_ > 0) {
          const std::int64_t into = (from - startSample_) % loopSamples_;
          source = startSample_ + into;
          take = std::min({n, loopSamples_ - into, loopEnd - from});
        } else {
          source = from - loopEnd + resume_;
        }
        child_->GetAudio(out, source, take);
        out += take * bps;
        from += take;
        n -= take;
      }
    });
  }

 private:
  ClipPtr child_;
  int start_, frames_;
  long long times_;
  std::int64_t startSample_, loopSamples_;
  std::int64_t loopEnd_;  // the first sample after the loops
  std::int64_t resume_;   // where the child's sound goes on from there
};

constexpr int kLoopForever = 10'000'000;

Value Loop(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  ClipInfo info = clip->Info();
  const long long count = info.frameCount;
  if (count <= 0) return Value::Clip(clip);
  const long long times = a.Int("times", -1);
  const int start = static_cast<int>(std::clamp<long long>(a.Int("start", 0), 0, count - 1));
  const int end = static_cast<int>(std::clamp<long long>(a.Int("end", static_cast<int>(count)), start, count - 1));
  const int frames = end - start + 1;
  info.frameCount = times < 0 ? kLoopForever : CheckFrameCount("Loop", count + (times - 1) * frames);
  std::int64_t startSample = 0, loopSamples = 0, loopEnd = 0, resume = 0;
  if (info.audio.Present() && info.hasVideo) {
    // The loop's length in samples is taken whole from its frame count
    // (rounded down), not as the difference of its ends' samples.
    startSample = AudioSamplesFromFrames(info, start);
    loopSamples = AudioSamplesFromFrames(info, frames);
    // The loops end at the time of the frame after them, and the sound goes
    // on from the end of the looped frames' time.
    if (times >= 0) loopEnd = AudioSamplesFromFrames(info, start + times * frames);
    resume = AudioSamplesFromFrames(info, end + 1);
    Int128 samples = times < 0
                         ? static_cast<Int128>(AudioSamplesFromFrames(info, kLoopForever + 1))
                         : static_cast<Int128>(info.audio.sampleCount) + static_cast<Int128>(times - 1) * loopSamples;
    if (samples > kMaxAudioSamples)
      throw FilterError("Loop: the sound is too long (more than " + std::to_string(kMaxAudioSamples) + " samples).");
    info.audio.sampleCount = std::max<std::int64_t>(0, static_cast<std::int64_t>(samples));
  }
  return Value::Clip(std::make_shared<LoopClip>(std::move(clip), info, start, frames, times, startSample, loopSamples,
                                                loopEnd, resume));
}

// ---------------------------------------------------------------------------
// Rates.

// The rate argument of ChangeFPS and ConvertFPS in any of its forms:
// numerator[, denominator], a float, a clip or a preset name.
void RateArgument(const CallArgs& a, const std::string& filter, bool withDenominator, long long& num, long long& den) {
  const Value& v = a.At("rate");
  if (v.IsClip()) {
    num = v.AsClip()->Info().rateNumerator;
    den = v.AsClip()->Info().rateDenominator;
  } else if (v.IsString()) {
    if (!PresetRate(v.AsString(), num, den))
      throw FilterError(filter + ": invalid preset value used. ");  // AviSynth ends it with a space
  } else if (v.IsInt()) {
    // Only the integer form has a denominator.
    num = v.AsInt();
    den = withDenominator ? a.Int("denominator", 1) : 1;
    if (den == 0) throw FilterError(filter + ": Denominator cannot be 0 (zero).");
  } else {
    // AviSynth's wording, its spelling and trailing space included.
    if (!(v.AsFloat() > 0.0)) throw FilterError(filter + ": FPS must be greater then 0. ");
    FloatRate(filter, v.AsFloat(), num, den);
  }
  if (num <= 0 || den <= 0) throw FilterError(filter + ": FPS must be greater then 0. ");
}

// The new rate num/den as the pair AviSynth works with: a = old numerator
// x new denominator, b = old denominator x new numerator, so that output
// frame n lies at source position n * a / b.
struct RateRatio {
  long long a, b;
};
RateRatio RatioOf(const ClipInfo& old, long long num, long long den) {
  long long a = old.rateNumerator * den, b = old.rateDenominator * num;
  const long long g = std::gcd(a, b);
  return {a / g, b / g};
}

int ScaledCount(const std::string& filter, long long frames, const RateRatio& r) {
  const Int128 n = (static_cast<Int128>(frames) * r.b + (r.a >> 1)) / r.a;
  return CheckFrameCount(filter, n > kMaxFrameCount ? kMaxFrameCount + 1LL : static_cast<long long>(n));
}

Value ChangeFPS(const CallArgs& a, bool withDenominator) {
  ClipPtr clip = a.Clip("clip");
  long long num = 0, den = 0;
  RateArgument(a, "ChangeFPS", withDenominator, num, den);
  ClipInfo info = clip->Info();
  const RateRatio r = RatioOf(info, num, den);
  if (a.Bool("linear", true) && r.a / r.b > 10)
    throw FilterError("ChangeFPS: Ratio must be less than 10 for linear access. Set LINEAR=False.");
  info.frameCount = ScaledCount("ChangeFPS", info.frameCount, r);
  SetRate("ChangeFPS", info, num, den);
  // Frame n shows the source frame its time falls in.
  return Value::Clip(MakeMapped(std::move(clip), info, [r](int n) {
    return ToFrame(static_cast<long long>(static_cast<Int128>(n) * r.a / r.b));
  }));
}

// ConvertFPS: each frame blended from the two source frames about its time
// (zone < 0), or, for YUY2, the picture switching from one source frame to
// the next at the row its time has reached, with a blended zone of `zone`
// rows about the switch (as a scanning display would show it).
class ConvertFpsClip : public Clip {
 public:
  ConvertFpsClip(ClipPtr child, const ClipInfo& info, RateRatio r, int zone, long long linesPerFrame)
      : Clip(info), child_(std::move(child)), r_(r), zone_(zone), lps_(linesPerFrame), pool_("ConvertFPS") {
    PassAudioFrom(child_);
  }

  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    const Int128 position = static_cast<Int128>(n) * r_.a;  // in 1/b source frames
    const long long source = static_cast<long long>(position / r_.b);
    const long long rest = static_cast<long long>(position - static_cast<Int128>(source) * r_.b);
    if (zone_ < 0) {
      // Less than a sixteenth from a frame: that frame as it is.
      if (rest * 16 < r_.b) return child_->GetFrame(ToFrame(source));
      if (rest * 16 > r_.b * 15) return child_->GetFrame(ToFrame(source + 1));
      const int weight = static_cast<int>((static_cast<Int128>(rest) * 32767 + (r_.b >> 1)) / r_.b);
      FramePtr first = child_->GetFrame(ToFrame(source));
      FramePtr second = child_->GetFrame(ToFrame(source + 1));
      auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
      BlendFrames(*first, *second, *out, weight, 32767);
      return out;
    }
    return Switch(source, rest);
  }

 private:
  // The row where the next source frame begins, then one every lps_ rows.
  FramePtr Switch(long long source, long long rest) {
    // Worked out in double precision, as AviSynth does, so that a switch
    // that falls on a row exactly may come out a row early.
    const auto first = static_cast<long long>((1.0 - static_cast<double>(rest) / static_cast<double>(r_.b)) *
                                              static_cast<double>(lps_));
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    std::vector<FramePtr> frames;  // source - 1, source, source + 1, ...
    auto frameAt = [&](long long k) -> const FrameBGR& {
      const std::size_t i = static_cast<std::size_t>(k - (source - 1));
      while (frames.size() <= i)
        frames.push_back(child_->GetFrame(ToFrame(source - 1 + static_cast<long long>(frames.size()))));
      return *frames[i];
    };
    const int width = out->PlaneWidth(0);
    const long long half = zone_ / 2;
    for (int y = 0; y < info_.height; ++y) {
      // Rows from `first` on show source + 1 + m for the m-th switch passed.
      const long long t = y - first;
      const long long m = t >= 0 ? t / lps_ : -((-t + lps_ - 1) / lps_);
      const long long shown = source + 1 + m;
      const long long after = t - m * lps_;   // rows since the last switch
      const long long before = lps_ - after;  // rows to the next one
      const std::uint8_t* p = nullptr;
      const std::uint8_t* q = nullptr;
      long long w = 0;
      if (zone_ > 0 && after < half) {
        p = frameAt(shown - 1).Row(0, y);
        q = frameAt(shown).Row(0, y);
        w = after + half;
      } else if (zone_ > 0 && before < half) {
        p = frameAt(shown).Row(0, y);
        q = frameAt(shown + 1).Row(0, y);
        w = half - before;
      }
      std::uint8_t* d = out->Row(0, y);
      if (!p) {
        std::memcpy(d, frameAt(shown).Row(0, y), static_cast<std::size_t>(width));
        continue;
      }
      const int weight = static_cast<int>((w * 32768 + zone_ / 2) / zone_);
      for (int x = 0; x < width; ++x) d[x] = static_cast<std::uint8_t>(p[x] + (((q[x] - p[x]) * weight + 16384) >> 15));
    }
    return out;
  }

  ClipPtr child_;
  RateRatio r_;
  int zone_;
  long long lps_;  // rows a source frame lasts, counting the blanking rows
  FramePool pool_;
};

Value ConvertFPS(const CallArgs& a, bool withDenominator) {
  ClipPtr clip = a.Clip("clip");
  long long num = 0, den = 0;
  RateArgument(a, "ConvertFPS", withDenominator, num, den);
  ClipInfo info = clip->Info();
  const RateRatio r = RatioOf(info, num, den);
  const int zone = a.Int("zone", -1);
  long long lines = 0;
  if (zone >= 0) {
    if (info.pixelType != PixelType::YUY2) throw FilterError("ConvertFPS: zone >= 0 requires YUY2 input");
    const long long vbi = std::clamp<long long>(a.Int("vbi", 0), 0, info.height);
    lines = static_cast<long long>(static_cast<Int128>(info.height + vbi) * r.b / r.a);
    if (zone > lines) throw FilterError("ConvertFPS: 'zone' too large. Maximum allowed " + std::to_string(lines));
    if (lines <= 0) throw FilterError("ConvertFPS: the new frame rate is too high for 'zone'.");
  } else if (3 * static_cast<Int128>(r.b) < 2 * static_cast<Int128>(r.a)) {
    // The lowest rate allowed: two thirds of the old one, in four decimals.
    const long long least =
        (static_cast<long long>(info.rateNumerator) * 20000 + info.rateDenominator / 2) / info.rateDenominator;
    char text[64];
    std::snprintf(text, sizeof text, "%lld.%04lld", least / 30000, least / 3 % 10000);
    throw FilterError(std::string("ConvertFPS: New frame rate too small. Must be greater than ") + text +
                      " Increase or use 'zone='");
  }
  info.frameCount = ScaledCount("ConvertFPS", info.frameCount, r);
  SetRate("ConvertFPS", info, num, den);
  return Value::Clip(std::make_shared<ConvertFpsClip>(std::move(clip), info, r, zone, lines));
}

Value AssumeScaledFPS(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  const long long multiplier = a.Int("multiplier", 1), divisor = a.Int("divisor", 1);
  if (multiplier <= 0) throw FilterError("AssumeScaledFPS: Multiplier must be positive.");
  if (divisor <= 0) throw FilterError("AssumeScaledFPS: Divisor must be positive.");
  ClipInfo info = clip->Info();
  const ClipInfo& old = clip->Info();
  SetRate("AssumeScaledFPS", info, static_cast<long long>(old.rateNumerator) * multiplier,
          static_cast<long long>(old.rateDenominator) * divisor);
  if (a.Bool("sync_audio", false) && info.audio.Present()) {
    const long long rate = static_cast<long long>(info.audio.sampleRate) * multiplier / divisor;
    if (rate <= 0 || rate > kMaxSampleRate)
      throw FilterError("AssumeScaledFPS: the audio sample rate would be out of range.");
    info.audio.sampleRate = static_cast<int>(rate);
  }
  return Value::Clip(std::make_shared<SameFrames>(std::move(clip), info));
}

// ---------------------------------------------------------------------------
// AudioTrim: Trim by seconds of sound. The frames follow: from the frame
// the first sample falls in, as many as the sound lasts (rounded up).

class AudioTrimClip : public Clip {
 public:
  AudioTrimClip(ClipPtr child, const ClipInfo& info, int firstFrame, std::int64_t firstSample)
      : Clip(info), child_(std::move(child)), firstFrame_(firstFrame), firstSample_(firstSample) {}
  FramePtr GetFrame(int n) override {
    return child_->GetFrame(ToFrame(static_cast<long long>(ClampFrame(n)) + firstFrame_));
  }
  void GetAudio(void* buffer, int64_t start, int64_t count) override {
    ReadWithinLength(buffer, start, count, info_.audio, [this](std::uint8_t* out, std::int64_t from, std::int64_t n) {
      child_->GetAudio(out, from + firstSample_, n);
    });
  }

 private:
  ClipPtr child_;
  int firstFrame_;
  std::int64_t firstSample_;
};

enum class TrimEnd { Either, End, Length };

ClipPtr MakeAudioTrim(ClipPtr clip, double startSeconds, double endSeconds, TrimEnd mode) {
  ClipInfo info = clip->Info();
  if (!info.audio.Present()) throw FilterError("AudioTrim: Cannot trim if there is no audio.");
  const double rate = info.audio.sampleRate;
  const std::int64_t total = info.audio.sampleCount;
  auto samplesOf = [&](double seconds) -> std::int64_t {
    const double s = std::floor(seconds * rate + 0.5);
    if (!std::isfinite(s)) throw FilterError("AudioTrim: the time is out of range.");
    return static_cast<std::int64_t>(
        std::clamp(s, -static_cast<double>(kMaxAudioSamples), static_cast<double>(kMaxAudioSamples)));
  };
  const std::int64_t first = std::clamp<std::int64_t>(samplesOf(startSeconds), 0, total);
  std::int64_t end = 0;
  switch (mode) {
    case TrimEnd::Either:
      if (endSeconds == 0.0)
        end = total;
      else if (endSeconds < 0.0)
        end = first + samplesOf(-endSeconds);
      else
        end = samplesOf(endSeconds);
      break;
    case TrimEnd::End:
      if (endSeconds < startSeconds) throw FilterError("AudioTrim: End must be >= Start");
      end = samplesOf(endSeconds);
      break;
    case TrimEnd::Length:
      if (endSeconds < 0.0) throw FilterError("AudioTrim: Length must be >= 0");
      end = first + samplesOf(endSeconds);
      break;
  }
  end = std::clamp<std::int64_t>(end, first, total);
  info.audio.sampleCount = end - first;
  int firstFrame = 0;
  if (info.hasVideo) {
    // Frames of the sound's span: floor of the first sample's frame, and as
    // many as the samples last, rounded up.
    const Int128 perFrameNum = static_cast<Int128>(info.rateNumerator);
    const Int128 perFrameDen = static_cast<Int128>(info.rateDenominator) * info.audio.sampleRate;
    firstFrame = ToFrame(static_cast<long long>(static_cast<Int128>(first) * perFrameNum / perFrameDen));
    const Int128 frames = (static_cast<Int128>(end - first) * perFrameNum + perFrameDen - 1) / perFrameDen;
    info.frameCount =
        CheckFrameCount("AudioTrim", frames > kMaxFrameCount ? kMaxFrameCount + 1LL : static_cast<long long>(frames));
  }
  return std::make_shared<AudioTrimClip>(std::move(clip), info, firstFrame, first);
}

Value AssumeSampleRate(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  ClipInfo info = clip->Info();
  if (!info.audio.Present()) return Value::Clip(clip);
  const int rate = a.Int("samplerate");
  if (rate <= 0) {
    info.audio = AudioInfo{};
    return Value::Clip(std::make_shared<SameFrames>(std::move(clip), info));
  }
  info.audio.sampleRate = rate;
  CheckAudio("AssumeSampleRate", info.audio);
  return Value::Clip(std::make_shared<SameFrames>(std::move(clip), info));
}

}  // namespace

void RegisterTimeFunctions(FunctionTable& t) {
  t.Add("FreezeFrame",
        {Req("clip", ParamType::Clip), Req("first_frame", ParamType::Int), Req("last_frame", ParamType::Int),
         Req("source_frame", ParamType::Int)},
        FreezeFrame);
  t.Add("DeleteFrame", {Req("clip", ParamType::Clip), Many("frames", ParamType::Int)}, DeleteFrames);
  t.Add("DuplicateFrame", {Req("clip", ParamType::Clip), Many("frames", ParamType::Int)}, DuplicateFrames);
  t.Add("SelectRangeEvery",
        {Req("clip", ParamType::Clip), Opt("every", ParamType::Int), Opt("length", ParamType::Int),
         Opt("offset", ParamType::Int), Opt("audio", ParamType::Bool)},
        SelectRangeEvery);
  t.Add("Loop",
        {Req("clip", ParamType::Clip), Opt("times", ParamType::Int), Opt("start", ParamType::Int),
         Opt("end", ParamType::Int)},
        Loop);
  t.Add("AssumeScaledFPS",
        {Req("clip", ParamType::Clip), Opt("multiplier", ParamType::Int), Opt("divisor", ParamType::Int),
         Opt("sync_audio", ParamType::Bool)},
        AssumeScaledFPS);
  // ChangeFPS and ConvertFPS take the new rate as numerator[, denominator],
  // a float, a clip whose rate is taken, or a preset name.
  t.Add("ChangeFPS",
        {Req("clip", ParamType::Clip), Req("rate", ParamType::Int), Opt("denominator", ParamType::Int),
         Opt("linear", ParamType::Bool)},
        [](const CallArgs& a) { return ChangeFPS(a, true); });
  for (ParamType type : {ParamType::Float, ParamType::Clip, ParamType::String})
    t.Add("ChangeFPS", {Req("clip", ParamType::Clip), Req("rate", type), Opt("linear", ParamType::Bool)},
          [](const CallArgs& a) { return ChangeFPS(a, false); });
  t.Add("ConvertFPS",
        {Req("clip", ParamType::Clip), Req("rate", ParamType::Int), Opt("denominator", ParamType::Int),
         Opt("zone", ParamType::Int), Opt("vbi", ParamType::Int)},
        [](const CallArgs& a) { return ConvertFPS(a, true); });
  for (ParamType type : {ParamType::Float, ParamType::Clip, ParamType::String})
    t.Add("ConvertFPS",
          {Req("clip", ParamType::Clip), Req("rate", type), Opt("zone", ParamType::Int), Opt("vbi", ParamType::Int)},
          [](const CallArgs& a) { return ConvertFPS(a, false); });
  const struct {
    const char* second;
    TrimEnd mode;
  } audioTrims[] = {{"end_time", TrimEnd::Either}, {"end", TrimEnd::End}, {"length", TrimEnd::Length}};
  for (const auto& form : audioTrims) {
    const TrimEnd mode = form.mode;
    std::vector<Param> params = {
        Req("clip", ParamType::Clip), Req("start_time", ParamType::Float),
        mode == TrimEnd::Either ? Req(form.second, ParamType::Float) : Opt(form.second, ParamType::Float),
        Opt("cache", ParamType::Bool)};
    const std::string second = form.second;
    t.Add("AudioTrim", params, [mode, second](const CallArgs& a) {
      if (mode != TrimEnd::Either && !a.Has(second))
        throw FilterError("Script error: Invalid arguments to function 'AudioTrim'.");
      return Value::Clip(MakeAudioTrim(a.Clip("clip"), a.Float("start_time"), a.Float(second), mode));
    });
  }
  t.Add("AssumeSampleRate", {Req("clip", ParamType::Clip), Req("samplerate", ParamType::Int)}, AssumeSampleRate);
  // Accepted for scripts written for other hosts; the clip as it is.
  t.Add("Preroll", {Req("clip", ParamType::Clip), Opt("video", ParamType::Int), Opt("audio", ParamType::Float)},
        [](const CallArgs& a) { return Value::Clip(a.Clip("clip")); });
  t.Add("EnsureVBRMP3Sync", {Req("clip", ParamType::Clip)},
        [](const CallArgs& a) { return Value::Clip(a.Clip("clip")); });
  t.Add("Echo", {Req("clip", ParamType::Clip), Many("clips", ParamType::Clip)},
        [](const CallArgs& a) { return Value::Clip(a.Clip("clip")); });
  t.Add("Null", {Req("clip", ParamType::Clip), Opt("copy", ParamType::String)},
        [](const CallArgs& a) { return Value::Clip(a.Clip("clip")); });
}

}  // namespace tandemix::engine
