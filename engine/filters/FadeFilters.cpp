// Cross-fades: Dissolve, and the fades to and from a colour built on it
// (FadeIn, FadeOut, FadeIO, each also in a 0 and a 2 form). The picture
// and the sound fade together.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/filters/AudioSupport.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/filters/FrameOps.h"
#include "engine/filters/Rates.h"
#include "engine/frames/FrameBudget.h"
#include "engine/frames/FrameLimits.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

// `a` then `b`, the last `overlap` frames of a blended into b's first:
// frame k of the overlap (from 1) takes k / (overlap + 1) of b, in 15-bit
// weights that add up to 32767 as AviSynth's do. The sound
// fades over the same span, sample by sample.
class DissolveClip : public Clip {
 public:
  DissolveClip(ClipPtr a, ClipPtr b, const ClipInfo& info, int overlap, std::int64_t fadeStart, std::int64_t fadeEnd)
      : Clip(info),
        a_(std::move(a)),
        b_(std::move(b)),
        overlap_(overlap),
        start_(a_->Info().frameCount - overlap),
        audioStart_(fadeStart),
        audioEnd_(fadeEnd),
        pool_("Dissolve") {}

  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    if (n < start_) return a_->GetFrame(n);
    if (n >= a_->Info().frameCount) return b_->GetFrame(n - start_);
    const int k = n - start_ + 1;
    const int weight = static_cast<int>(static_cast<long long>(k) * 32767 / (overlap_ + 1));
    FramePtr first = a_->GetFrame(n);
    FramePtr second = b_->GetFrame(n - start_);
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    BlendFrames(*first, *second, *out, weight, 32767);
    return out;
  }

  void GetAudio(void* buffer, int64_t start, int64_t count) override {
    ReadWithinLength(buffer, start, count, info_.audio, [this](std::uint8_t* out, std::int64_t from, std::int64_t n) {
      const std::int64_t bps = info_.audio.BytesPerSample();
      const int channels = info_.audio.channels;
      const bool isFloat = info_.audio.sampleType == SampleType::Float;
      std::vector<std::uint8_t> other;
      for (std::int64_t done = 0; done < n; done += kAudioChunk) {
        const std::int64_t m = std::min(kAudioChunk, n - done);
        const std::int64_t at = from + done;
        std::uint8_t* dst = out + done * bps;
        if (at + m <= audioStart_) {
          a_->GetAudio(dst, at, m);
          continue;
        }
        if (at > audioEnd_) {
          b_->GetAudio(dst, at - audioStart_, m);
          continue;
        }
        a_->GetAudio(dst, at, m);
        other.resize(static_cast<std::size_t>(m * bps));
        b_->GetAudio(other.data(), at - audioStart_, m);
        const std::int64_t denominator = audioEnd_ - audioStart_;
        for (std::int64_t i = 0; i < m; ++i) {
          // a's share falls from 1 at the fade's first sample to 0 at its last.
          const std::int64_t numerator = audioEnd_ - (at + i);
          for (int c = 0; c < channels; ++c) {
            const std::size_t o = static_cast<std::size_t>(i * channels + c);
            if (isFloat) {
              float x = 0.0f, y = 0.0f;
              std::memcpy(&x, dst + 4 * o, 4);
              std::memcpy(&y, other.data() + 4 * o, 4);
              // Past the fade's last sample b's, before its first a's.
              float v = y;
              if (numerator > 0 && at + i < audioStart_)
                v = x;
              else if (numerator > 0 && denominator > 0)
                v = y + (x - y) * (static_cast<float>(numerator) * (1.0f / static_cast<float>(denominator)));
              std::memcpy(dst + 4 * o, &v, 4);
            } else {
              std::int16_t x = 0, y = 0;
              std::memcpy(&x, dst + 2 * o, 2);
              std::memcpy(&y, other.data() + 2 * o, 2);
              std::int16_t v = y;
              if (numerator > 0 && at + i < audioStart_)
                v = x;
              else if (numerator > 0 && denominator > 0)
                v = static_cast<std::int16_t>((x * numerator + y * (denominator - numerator) + denominator / 2) /
                                              denominator);
              std::memcpy(dst + 2 * o, &v, 2);
            }
          }
        }
      }
    });
  }

 private:
  ClipPtr a_, b_;
  int overlap_, start_;
  std::int64_t audioStart_, audioEnd_;  // the fade's first and last sample
  FramePool pool_;
};

ClipPtr MakeDissolve(ClipPtr a, ClipPtr b, int overlap, double fps) {
  if (overlap < 0) throw FilterError("Dissolve: Cannot dissolve if overlap is less than zero");
  const ClipInfo& ai = a->Info();
  const ClipInfo& bi = b->Info();
  if (ai.hasVideo != bi.hasVideo) throw FilterError("Dissolve: one clip has video and the other doesn't (not allowed)");
  if (ai.audio.Present() != bi.audio.Present())
    throw FilterError("Dissolve: one clip has audio and the other doesn't (not allowed)");
  if (ai.hasVideo) {
    if (ai.pixelType != bi.pixelType) throw FilterError("Dissolve: video formats don't match");
    if (ai.width != bi.width || ai.height != bi.height) throw FilterError("Dissolve: frame sizes don't match");
  }
  ClipInfo info = ai;
  if (info.audio.Present()) {
    a = AudioIn16BitOrFloat(std::move(a));
    b = MakeAudioConvert(std::move(b), a->Info().audio.sampleType);
    if (b->Info().audio.channels != ai.audio.channels)
      throw FilterError("Dissolve: The number of audio channels doesn't match");
    if (b->Info().audio.sampleRate != ai.audio.sampleRate)
      throw FilterError("Dissolve: The audio of the two clips have different samplerates! Use SSRC()/ResampleAudio()");
    info.audio = a->Info().audio;
  }
  // Without video the frames are counted at `fps` (24 unless given).
  ClipInfo timing = info;
  if (!info.hasVideo) {
    long long num = 24, den = 1;
    if (fps > 0.0) FloatRate("Dissolve", fps, num, den);
    SetRate("Dissolve", timing, num, den);
    timing.hasVideo = true;
    if (info.audio.Present()) {
      // Frames of a sound-only clip: as many as its samples last.
      const long long frames =
          static_cast<long long>(static_cast<double>(info.audio.sampleCount) * timing.rateNumerator /
                                 (static_cast<double>(timing.rateDenominator) * info.audio.sampleRate));
      timing.frameCount = CheckFrameCount("Dissolve", frames);
    }
  }
  const int aFrames = info.hasVideo ? ai.frameCount : timing.frameCount;
  overlap = std::min(overlap, aFrames);
  const int fadeStartFrame = aFrames - overlap;
  const std::int64_t fadeStart = AudioSamplesFromFrames(timing, fadeStartFrame);
  const std::int64_t fadeEnd = AudioSamplesFromFrames(timing, static_cast<long long>(aFrames)) - 1;
  if (info.hasVideo)
    info.frameCount = CheckFrameCount("Dissolve", static_cast<long long>(fadeStartFrame) + bi.frameCount);
  if (info.audio.Present()) {
    info.audio.sampleCount = fadeStart + b->Info().audio.sampleCount;
    CheckAudio("Dissolve", info.audio);
  }
  return std::make_shared<DissolveClip>(std::move(a), std::move(b), info, overlap, fadeStart, fadeEnd);
}

Value Dissolve(const CallArgs& a) {
  std::vector<ClipPtr> clips{a.Clip("clip")};
  for (const Value& v : a.Rest()) clips.push_back(v.AsClip());
  const int overlap = a.Int("overlap");
  const double fps = a.Float("fps", 0.0);
  ClipPtr result = clips[0];
  for (std::size_t i = 1; i < clips.size(); ++i) result = MakeDissolve(result, clips[i], overlap, fps);
  if (clips.size() == 1) throw FilterError("Dissolve: needs at least two clips.");
  return Value::Clip(result);
}

// A clip of `frames` frames of one colour in the clip's format, with
// silence in its sound's: what the fades fade from and to.
ClipPtr ColourClip(const CallArgs& a, const ClipPtr& clip, int frames) {
  ScriptEnvironment* env = a.Environment();
  if (!env) throw FilterError(a.Function() + ": needs a running script.");
  std::vector<std::pair<std::string, Value>> named{{"length", Value::Int(frames)}};
  if (a.Has("color")) named.emplace_back("color", Value::Int(a.Int("color")));
  if (a.Has("color_yuv")) named.emplace_back("color_yuv", Value::Int(a.Int("color_yuv")));
  if (clip->Info().hasVideo)
    return env->Call(Value::String("BlankClip"), {Value::Clip(clip)}, std::move(named)).AsClip();
  // A sound-only clip: silence in its format, its frames counted at `fps`.
  const AudioInfo& audio = clip->Info().audio;
  long long num = 24, den = 1;
  if (a.Has("fps")) FloatRate(a.Function(), a.Float("fps"), num, den);
  named.emplace_back("fps", Value::Int(num));
  named.emplace_back("fps_denominator", Value::Int(den));
  named.emplace_back("audio_rate", Value::Int(audio.sampleRate));
  named.emplace_back("channels", Value::Int(audio.channels));
  named.emplace_back("sample_type", Value::String(SampleTypeName(audio.sampleType)));
  const Value made = env->Call(Value::String("BlankClip"), {}, std::move(named));
  return env->Call(Value::String("KillVideo"), {made}, {}).AsClip();
}

// extra: the colour clip's frames beyond the fade (0, 1 or 2 forms).
Value Fade(const CallArgs& a, bool in, bool out, int extra) {
  ClipPtr clip = a.Clip("clip");
  const int n = a.Int("num_frames");
  const double fps = a.Float("fps", 0.0);
  if (n < 0) throw FilterError("Dissolve: Cannot dissolve if overlap is less than zero");
  const long long length = static_cast<long long>(n) + extra;
  if (length > kMaxFrameCount) throw FilterError(a.Function() + ": too many frames.");
  if (in) clip = MakeDissolve(ColourClip(a, clip, static_cast<int>(length)), clip, n, fps);
  if (out) clip = MakeDissolve(clip, ColourClip(a, clip, static_cast<int>(length)), n, fps);
  return Value::Clip(clip);
}

}  // namespace

void RegisterFadeFunctions(FunctionTable& t) {
  t.Add("Dissolve",
        {Req("clip", ParamType::Clip), Many("clips", ParamType::Clip), Req("overlap", ParamType::Int),
         Opt("fps", ParamType::Float)},
        Dissolve);
  const struct {
    const char* name;
    bool in, out;
    int extra;
  } fades[] = {{"FadeIn", true, false, 1},  {"FadeIn0", true, false, 0},  {"FadeIn2", true, false, 2},
               {"FadeOut", false, true, 1}, {"FadeOut0", false, true, 0}, {"FadeOut2", false, true, 2},
               {"FadeIO", true, true, 1},   {"FadeIO0", true, true, 0},   {"FadeIO2", true, true, 2}};
  for (const auto& f : fades) {
    const bool in = f.in, out = f.out;
    const int extra = f.extra;
    t.Add(f.name,
          {Req("clip", ParamType::Clip), Req("num_frames", ParamType::Int), Opt("color", ParamType::Int),
           Opt("fps", ParamType::Float), Opt("color_yuv", ParamType::Int)},
          [in, out, extra](const CallArgs& a) { return Fade(a, in, out, extra); });
  }
}

}  // namespace tandemix::engine
