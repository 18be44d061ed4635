// Sources: video files through FFmpeg (AVISource, OpenSource and the usual
// names of other source plug-ins), with the sound of their first audio
// stream unless audio=false, and still pictures (ImageSource, silent).
#include <QFileInfo>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>

extern "C" {
#include <libavutil/rational.h>
}

#include "engine/filters/AudioSupport.h"
#include "engine/filters/Conversions.h"
#include "engine/filters/EditClips.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/filters/PassThrough.h"
#include "engine/filters/Rates.h"
#include "engine/filters/SourceClips.h"
#include "engine/frames/FrameBudget.h"
#include "engine/frames/FrameLimits.h"
#include "engine/frames/ScriptError.h"
#include "media/MediaAudio.h"
#include "media/MediaSource.h"

namespace tandemix::engine {
namespace {

SampleType SampleTypeOf(AudioSampleFormat format) {
  switch (format) {
    case AudioSampleFormat::U8:
      return SampleType::Int8;
    case AudioSampleFormat::S16:
      return SampleType::Int16;
    case AudioSampleFormat::S24:
      return SampleType::Int24;
    case AudioSampleFormat::S32:
      return SampleType::Int32;
    case AudioSampleFormat::Float:
      return SampleType::Float;
  }
  return SampleType::Float;
}

ClipInfo InfoOf(const MediaDescription& d, PixelType type, const MediaAudio* audio = nullptr) {
  ClipInfo info;
  if (audio) {
    const MediaAudioDescription& a = audio->Description();
    info.audio.sampleRate = a.sampleRate;
    info.audio.channels = a.channels;
    info.audio.sampleType = SampleTypeOf(a.format);
    info.audio.sampleCount = a.sampleCount;
  }
  info.pixelType = type;
  info.width = d.width;
  info.height = d.height;
  info.frameCount = d.frameCount;
  info.rateNumerator = d.rateNumerator;
  info.rateDenominator = d.rateDenominator;
  return info;
}

std::unique_ptr<MediaSource> OpenMedia(const std::string& filter, const std::string& path,
                                       MediaSource::Output output = MediaSource::Output::Native) {
  if (path.empty()) throw FilterError(filter + ": no file name given.");
  try {
    auto source = std::make_unique<MediaSource>(path, MediaSource::kDefaultCacheBytes, output);
    const MediaDescription& d = source->Description();
    CheckFrameSize(filter, d.width, d.height);
    return source;
  } catch (const FilterError&) {
    throw;
  } catch (const TandemixError& e) {
    throw FilterError(filter + ": " + e.what());
  }
}

// The file's first audio stream when it has one and it is wanted; throws
// FilterError "<filter>: ..." when its sound is out of range.
std::unique_ptr<MediaAudio> OpenSound(const std::string& filter, const std::string& path, bool wanted) {
  if (!wanted) return nullptr;
  try {
    auto audio = MediaAudio::Open(path);
    if (audio) {
      const MediaAudioDescription& d = audio->Description();
      AudioInfo info;
      info.sampleRate = d.sampleRate;
      info.channels = d.channels;
      info.sampleCount = d.sampleCount;
      CheckAudio(filter, info);
    }
    return audio;
  } catch (const FilterError&) {
    throw;
  } catch (const TandemixError& e) {
    throw FilterError(filter + ": " + e.what());
  }
}

// Picture and sound each have a decoder of their own, each under its own
// lock, so sound read on the player's thread never waits for a frame.
// What a decoder of a file costs beyond the frames it hands out, measured
// on FFmpeg's decoders: about 5 MB of state, and the frames it keeps for
// reference and in the source's cache (about eight, at most the cache).
std::size_t DecoderBytes(const MediaDescription& d) {
  const std::size_t frame = static_cast<std::size_t>(d.width) * static_cast<std::size_t>(d.height) * 3 / 2;
  return (5u << 20) + std::min<std::size_t>(8 * frame, MediaSource::kDefaultCacheBytes);
}

class MediaClip : public Clip {
 public:
  // The decoder counts against the script's frame budget while the clip
  // lives, so hundreds of sources are refused with a message naming the
  // budget instead of exhausting the machine.
  MediaClip(const std::string& filter, const std::string& path, std::unique_ptr<MediaSource> source,
            std::unique_ptr<MediaAudio> audio)
      : Clip(InfoOf(source->Description(), source->Type(), audio.get())),
        decoder_(filter, "the decoder of " + path, DecoderBytes(source->Description())),
        source_(std::move(source)),
        audio_(std::move(audio)) {}
  ~MediaClip() override {
    {
      std::lock_guard<std::mutex> lock(aheadMutex_);
      quit_ = true;
    }
    aheadWake_.notify_all();
    if (ahead_.joinable()) ahead_.join();
  }
  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    FramePtr frame;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      frame = source_->Frame(n);
    }
    ReadAhead(n);
    return frame;
  }
  void GetAudio(void* buffer, int64_t start, int64_t count) override {
    if (!audio_) return Clip::GetAudio(buffer, start, count);
    std::lock_guard<std::mutex> lock(audioMutex_);
    audio_->Read(buffer, start, count);
  }

 private:
  // Frames read in order: the next one is decoded on the source's own
  // thread (started once, on the first such read) while the filters work
  // on this one, so decoding and filtering overlap. The frame waits in the
  // source's cache. A reader making two frames at once asks for them in
  // either order, so a frame just behind or up to two ahead of the furthest one
  // asked for still counts as in order; the frame read ahead is the one
  // after the furthest.
  void ReadAhead(int n) {
    std::lock_guard<std::mutex> lock(aheadMutex_);
    const bool inOrder = n != last_ && n >= last_ - 1 && n <= last_ + 2;
    if (!inOrder || n > last_) last_ = n;
    n = last_;
    if (!inOrder || n + 1 >= info_.frameCount || quit_) return;
    if (!ahead_.joinable()) {
      try {
        ahead_ = std::thread([this] { ReadAheadLoop(); });
      } catch (const std::system_error&) {
        return;  // no thread to be had: frames are decoded when asked for
      }
    }
    wanted_ = n + 1;
    aheadWake_.notify_one();
  }
  void ReadAheadLoop() {
    std::unique_lock<std::mutex> lock(aheadMutex_);
    for (;;) {
      aheadWake_.wait(lock, [this] { return quit_ || wanted_ >= 0; });
      if (quit_) return;
      const int n = wanted_;
      wanted_ = -1;
      lock.unlock();
      try {
        std::lock_guard<std::mutex> frames(mutex_);
        source_->Frame(n);
      } catch (...) {
        // Asked for again, the frame reports its own error.
      }
      lock.lock();
    }
  }

  BudgetReservation decoder_;
  std::mutex mutex_;  // branches of a stack may ask for frames at once
  std::unique_ptr<MediaSource> source_;
  std::mutex audioMutex_;
  std::unique_ptr<MediaAudio> audio_;
  std::mutex aheadMutex_;  // guards the read-ahead state below
  std::condition_variable aheadWake_;
  std::thread ahead_;
  int last_ = -9;    // the furthest frame asked for in this run of reads
  int wanted_ = -1;  // the frame to decode ahead, -1 for none
  bool quit_ = false;
};

// A file of sound alone (WAV, MP3, ...): no picture.
class SoundFileClip : public Clip {
 public:
  SoundFileClip(const ClipInfo& info, std::unique_ptr<MediaAudio> audio) : Clip(info), audio_(std::move(audio)) {}
  FramePtr GetFrame(int) override { throw TandemixError("The clip has no video."); }
  void GetAudio(void* buffer, int64_t start, int64_t count) override {
    std::lock_guard<std::mutex> lock(mutex_);
    audio_->Read(buffer, start, count);
  }

 private:
  std::mutex mutex_;
  std::unique_ptr<MediaAudio> audio_;
};

// The sound of a file whose picture cannot be opened, as a clip of its
// own; null when the file has a picture stream after all or no sound, so
// that the picture's error stands. A sound out of range is refused with
// `filter`'s name, not hidden behind "has no video stream".
ClipPtr SoundFileOnly(const std::string& filter, const std::string& path) {
  std::unique_ptr<MediaAudio> sound;
  try {
    sound = MediaAudio::Open(path);
  } catch (const TandemixError&) {
    return nullptr;
  }
  if (!sound || sound->Description().fileHasVideo) return nullptr;
  ClipInfo info = InfoOf(MediaDescription{}, PixelType::RGB24, sound.get());
  info.hasVideo = false;
  CheckAudio(filter, info.audio);
  return std::make_shared<SoundFileClip>(info, std::move(sound));
}

// The file's picture with its sound (when `audio`), or its sound alone when
// it has no video stream.
ClipPtr OpenMediaFile(const std::string& filter, const std::string& path, bool audio) {
  std::unique_ptr<MediaSource> source;
  try {
    source = OpenMedia(filter, path);
  } catch (const FilterError&) {
    ClipPtr sound = audio ? SoundFileOnly(filter, path) : nullptr;
    if (!sound) throw;
    return sound;
  }
  return std::make_shared<MediaClip>(filter, path, std::move(source), OpenSound(filter, path, audio));
}

void SetFloatRate(const std::string& filter, ClipInfo& info, double fps) {
  if (!(fps > 0.0) || fps > 1e6) throw FilterError(filter + ": the frame rate must be more than 0.");
  const AVRational q = av_d2q(fps, 1000000);
  SetRate(filter, info, q.num, q.den);
}

// A source's pixel_type argument: the clip in that type ("" , "FULL" and
// "AUTO" keep the decoder's own).
ClipPtr WithPixelType(const std::string& filter, ClipPtr clip, const std::string& pixelType) {
  const std::string upper = [&] {
    std::string u = pixelType;
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
  }();
  if (upper.empty() || upper == "FULL" || upper == "AUTO") return clip;
  PixelType type = PixelType::RGB24;
  if (!ParsePixelType(pixelType, type) || IsPlanarRGBType(type))
    throw FilterError(filter + ": invalid pixel_type \"" + pixelType + "\"");
  return MakeConvert(std::move(clip), type);
}

// The files of a call one after the other.
ClipPtr OpenFilesInTurn(const CallArgs& a, bool audio, const std::string& pixelType) {
  ClipPtr result;
  for (const Value& file : a.Rest()) {
    const std::string path = a.ResolvePath(file.AsString());
    ClipPtr clip = OpenMediaFile(a.Function(), path, audio);
    if (clip->Info().hasVideo) clip = WithPixelType(a.Function(), clip, pixelType);
    result = result ? MakeSplice(result, clip, false) : clip;
  }
  return result;
}

// AVISource("a.avi"[, "b.avi" ...]): the files one after the other.
Value AviSource(const CallArgs& a) {
  return Value::Clip(OpenFilesInTurn(a, a.Bool("audio", true), a.String("pixel_type")));
}

// OpenSource("file"[, fps=...]) and its siblings: any format FFmpeg reads.
Value OpenSource(const CallArgs& a) {
  const std::string path = a.ResolvePath(a.String("file"));
  ClipPtr clip = OpenMediaFile(a.Function(), path, a.Bool("audio", true));
  if (clip->Info().hasVideo) clip = WithPixelType(a.Function(), clip, a.String("pixel_type"));
  if (!a.Has("fps")) return Value::Clip(clip);
  ClipInfo info = clip->Info();
  SetFloatRate(a.Function(), info, a.Float("fps"));
  return Value::Clip(std::make_shared<SameFrames>(clip, info));
}

// A still picture shown for frames start..end; a name holding a printf
// pattern such as "%03d" names one picture per frame.
class ImageClip : public Clip {
 public:
  ImageClip(const ClipInfo& info, std::string pattern, int start, std::unique_ptr<MediaSource> first)
      : Clip(info), pattern_(std::move(pattern)), start_(start), first_(std::move(first)) {}

  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    if (!IsPattern(pattern_)) {
      std::lock_guard<std::mutex> lock(mutex_);
      return first_->Frame(0);
    }
    const std::string path = FileOf(pattern_, start_ + n);
    // A number the sequence lacks shows a black frame.
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
      auto black = std::make_shared<FrameBGR>(info_.pixelType, info_.width, info_.height);
      black->Blacken();
      return black;
    }
    FramePtr frame = MediaSource(path, 0).Frame(0);
    if (frame->width != info_.width || frame->height != info_.height)
      throw TandemixError("ImageSource: " + path + " is not of the size " + std::to_string(info_.width) + "x" +
                          std::to_string(info_.height) + " of the first picture.");
    return frame;
  }

  static bool IsPattern(const std::string& name) { return name.find('%') != std::string::npos; }
  static std::string FileOf(const std::string& pattern, int number) {
    char buffer[4096];
    // The pattern comes from the script: only one integer conversion is allowed.
    const std::size_t percent = pattern.find('%');
    std::size_t conv = percent + 1;
    while (conv < pattern.size() && (std::isdigit(static_cast<unsigned char>(pattern[conv])) || pattern[conv] == '0'))
      ++conv;
    if (conv >= pattern.size() || pattern[conv] != 'd' || pattern.find('%', conv) != std::string::npos)
      throw FilterError("ImageSource: the file name pattern must hold one %d conversion: " + pattern);
    const std::string conversion = pattern.substr(percent, conv - percent + 1);
    std::snprintf(buffer, sizeof buffer, conversion.c_str(), number);
    return pattern.substr(0, percent) + buffer + pattern.substr(conv + 1);
  }

 private:
  std::string pattern_;
  int start_;
  std::mutex mutex_;  // guards first_
  std::unique_ptr<MediaSource> first_;
};

// ImageSource's rate: the single-precision number fps is, as an exact
// fraction (29.97 is 15712911/524288).
void ExactFloatRate(const std::string& filter, ClipInfo& info, double fps) {
  const float x = static_cast<float>(fps);
  if (!(x > 0.0f) || x > 1e6f) throw FilterError(filter + ": the frame rate must be more than 0.");
  int exponent = 0;
  const float mantissa = std::frexp(x, &exponent);  // x = mantissa * 2^exponent, mantissa in [0.5, 1)
  long long num = static_cast<long long>(std::ldexp(mantissa, 24));
  long long den = 1;
  exponent -= 24;
  if (exponent >= 0) {
    num <<= exponent;
  } else {
    den <<= -exponent;
  }
  SetRate(filter, info, num, den);
}

// A picture as grey: its luminance with the Rec709 weights in single
// precision, (R wr + G wg) + B wb rounded at each step and truncated, as
// AviSynth's picture reader makes Y8 of a colour picture (so white stays
// 255 but a few greys come out one lower). Grey pixels pass as they are:
// a picture stored grey is read without change, and a grey pixel of a
// colour picture is the one place this can be one above AviSynth's.
class PictureLuma : public Clip {
 public:
  explicit PictureLuma(ClipPtr child) : Clip(LumaInfo(child->Info())), child_(std::move(child)), pool_("ImageReader") {
    for (int v = 0; v < 256; ++v) {
      red_[v] = 0.212671f * static_cast<float>(v);
      green_[v] = 0.715160f * static_cast<float>(v);
      blue_[v] = 0.072169f * static_cast<float>(v);
    }
  }
  FramePtr GetFrame(int n) override {
    const FramePtr src = child_->GetFrame(n);
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    for (int y = 0; y < info_.height; ++y) {
      const std::uint8_t* s = src->Row(y);
      std::uint8_t* d = out->Row(y);
      for (int x = 0; x < info_.width; ++x, s += 3) {
        const int b = s[0], g = s[1], r = s[2];
        if (r == g && g == b) {
          d[x] = static_cast<std::uint8_t>(g);
          continue;
        }
        const float sum = (red_[r] + green_[g]) + blue_[b];
        d[x] = static_cast<std::uint8_t>(std::min(255.0f, sum));
      }
    }
    return out;
  }

 private:
  static ClipInfo LumaInfo(ClipInfo info) {
    info.pixelType = PixelType::Y8;
    return info;
  }
  ClipPtr child_;
  FramePool pool_;
  float red_[256], green_[256], blue_[256];
};

// The pixel types a picture source gives: 8-bit RGB with or without alpha
// and grey.
ClipPtr PictureType(const std::string& filter, ClipPtr clip, const std::string& pixelType) {
  std::string upper = pixelType;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper == "RGB24") return clip;
  if (upper == "Y8") return std::make_shared<PictureLuma>(std::move(clip));
  if (upper == "RGB32") return WithPixelType(filter, std::move(clip), upper);
  if (upper == "RGB48" || upper == "RGB64" || upper == "Y16")
    throw FilterError(filter + ": " + upper + " has 16 bits per sample; the engine works in 8 bits (RGB24, RGB32, Y8)");
  throw FilterError(filter + ": supports the following pixel types: RGB24/32/48/64 or Y8/16");
}

Value ImageSource(const CallArgs& a) {
  const std::string filter = "ImageReader";
  const std::string name = a.ResolvePath(a.String("file"));
  const int start = a.Int("start", 0);
  const int end = a.Int("end", 1000);
  const std::string first = ImageClip::IsPattern(name) ? ImageClip::FileOf(name, start) : name;
  auto source = OpenMedia(a.Function(), first, MediaSource::Output::RGB24);
  ClipInfo info = InfoOf(source->Description(), PixelType::RGB24);
  // An end before the start gives no frames.
  info.frameCount = CheckFrameCount(a.Function(), std::max(0LL, static_cast<long long>(end) - start + 1));
  ExactFloatRate(a.Function(), info, a.Float("fps", 24.0));
  ClipPtr clip = std::make_shared<ImageClip>(info, name, start, std::move(source));
  return Value::Clip(PictureType(filter, std::move(clip), a.String("pixel_type", "RGB24")));
}

}  // namespace

ClipPtr OpenMediaClip(const std::string& path) {
  std::unique_ptr<MediaSource> source;
  try {
    source = std::make_unique<MediaSource>(path, MediaSource::kDefaultCacheBytes, MediaSource::Output::Native);
  } catch (const TandemixError&) {
    ClipPtr sound;
    try {
      sound = SoundFileOnly(path, path);
    } catch (const FilterError& e) {
      throw TandemixError(e.what());
    }
    if (!sound) throw;
    return sound;
  }
  const MediaDescription& d = source->Description();
  try {
    CheckFrameSize(path, d.width, d.height);
    return std::make_shared<MediaClip>(path, path, std::move(source), OpenSound("Sound", path, true));
  } catch (const FilterError& e) {
    throw TandemixError(e.what());
  }
}

void RegisterSourceFunctions(FunctionTable& t) {
  const std::vector<Param> avi = {Many("file", ParamType::String), Opt("audio", ParamType::Bool),
                                  Opt("pixel_type", ParamType::String), Opt("fourCC", ParamType::String)};
  t.Add("AVISource", avi, AviSource);
  t.Add("WAVSource", {Many("file", ParamType::String)},
        [](const CallArgs& a) { return Value::Clip(OpenFilesInTurn(a, true, {})); });
  t.Add("AVIFileSource", avi, AviSource);
  t.Add("OpenDMLSource", avi, AviSource);
  const std::vector<Param> open = {Req("file", ParamType::String),     Opt("fps", ParamType::Float),
                                   Opt("audio", ParamType::Bool),      Opt("video", ParamType::Bool),
                                   Opt("convertfps", ParamType::Bool), Opt("pixel_type", ParamType::String),
                                   Opt("seek", ParamType::Bool)};
  for (const char* name :
       {"OpenSource", "DirectShowSource", "FFVideoSource", "FFmpegSource2", "LWLibavVideoSource", "LSMASHVideoSource"})
    t.Add(name, open, OpenSource);
  for (const char* name : {"ImageSource", "ImageReader"})
    t.Add(name,
          {Req("file", ParamType::String), Opt("start", ParamType::Int), Opt("end", ParamType::Int),
           Opt("fps", ParamType::Float), Opt("use_DevIL", ParamType::Bool), Opt("info", ParamType::Bool),
           Opt("pixel_type", ParamType::String)},
          ImageSource);
}

}  // namespace tandemix::engine
