// Sources: video files through FFmpeg (AVISource, OpenSource and the usual
// names of other source plug-ins) and still pictures (ImageSource).
#include <QFileInfo>
#include <cctype>
#include <cstdio>
#include <mutex>

extern "C" {
#include <libavutil/rational.h>
}

#include "platform/MediaSource.h"
#include "platform/engine/EditClips.h"
#include "platform/engine/FilterSupport.h"
#include "platform/engine/Functions.h"
#include "platform/engine/SourceClips.h"

namespace tandemix::engine {
namespace {

ClipInfo InfoOf(const MediaDescription& d, PixelType type) {
  ClipInfo info;
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

class MediaClip : public Clip {
 public:
  explicit MediaClip(std::unique_ptr<MediaSource> source)
      : Clip(InfoOf(source->Description(), source->Type())), source_(std::move(source)) {}
  FramePtr GetFrame(int n) override {
    std::lock_guard<std::mutex> lock(mutex_);
    return source_->Frame(ClampFrame(n));
  }

 private:
  std::mutex mutex_;  // branches of a stack may ask for frames at once
  std::unique_ptr<MediaSource> source_;
};

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
  if (!ParsePixelType(pixelType, type)) throw FilterError(filter + ": invalid pixel_type \"" + pixelType + "\"");
  return MakeConvert(std::move(clip), type);
}

// AVISource("a.avi"[, "b.avi" ...]): the files one after the other.
Value AviSource(const CallArgs& a) {
  ClipPtr result;
  for (const Value& file : a.Rest()) {
    ClipPtr clip = std::make_shared<MediaClip>(OpenMedia(a.Function(), a.ResolvePath(file.AsString())));
    clip = WithPixelType(a.Function(), clip, a.String(2));
    result = result ? MakeSplice(result, clip) : clip;
  }
  return Value::Clip(result);
}

// OpenSource("file"[, fps=...]) and its siblings: any format FFmpeg reads.
Value OpenSource(const CallArgs& a) {
  ClipPtr clip = std::make_shared<MediaClip>(OpenMedia(a.Function(), a.ResolvePath(a.String(0))));
  clip = WithPixelType(a.Function(), clip, a.String(5));
  if (!a.Has(1)) return Value::Clip(clip);
  ClipInfo info = clip->Info();
  SetFloatRate(a.Function(), info, a.Float(1));
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

Value ImageSource(const CallArgs& a) {
  const std::string name = a.ResolvePath(a.String(0));
  const int start = a.Int(1, 0);
  const int end = a.Int(2, 1000);
  if (end < start)
    throw FilterError("ImageSource: the end frame " + std::to_string(end) + " comes before the start frame " +
                      std::to_string(start) + ".");
  const std::string first = ImageClip::IsPattern(name) ? ImageClip::FileOf(name, start) : name;
  auto source = OpenMedia("ImageSource", first, MediaSource::Output::RGB24);
  ClipInfo info = InfoOf(source->Description(), PixelType::RGB24);
  info.frameCount = CheckFrameCount("ImageSource", static_cast<long long>(end) - start + 1);
  SetFloatRate("ImageSource", info, a.Float(3, 24.0));
  ClipPtr clip = std::make_shared<ImageClip>(info, name, start, std::move(source));
  // ImageSource gives RGB24 unless pixel_type asks for another type.
  return Value::Clip(WithPixelType("ImageSource", std::move(clip), a.String(6)));
}

}  // namespace

ClipPtr OpenMediaClip(const std::string& path) {
  auto source = std::make_unique<MediaSource>(path, MediaSource::kDefaultCacheBytes, MediaSource::Output::Native);
  const MediaDescription& d = source->Description();
  try {
    CheckFrameSize(path, d.width, d.height);
  } catch (const FilterError& e) {
    throw TandemixError(e.what());
  }
  return std::make_shared<MediaClip>(std::move(source));
}

void RegisterSourceFunctions(FunctionTable& t) {
  const std::vector<Param> avi = {Many("file", ParamType::String), Opt("audio", ParamType::Bool),
                                  Opt("pixel_type", ParamType::String), Opt("fourCC", ParamType::String)};
  t.Add("AVISource", avi, AviSource);
  t.Add("AVIFileSource", avi, AviSource);
  t.Add("OpenDMLSource", avi, AviSource);
  const std::vector<Param> open = {Req("file", ParamType::String),     Opt("fps", ParamType::Float),
                                   Opt("audio", ParamType::Bool),      Opt("video", ParamType::Bool),
                                   Opt("convertfps", ParamType::Bool), Opt("pixel_type", ParamType::String),
                                   Opt("seek", ParamType::Bool)};
  for (const char* name :
       {"OpenSource", "DirectShowSource", "FFVideoSource", "FFmpegSource2", "LWLibavVideoSource", "LSMASHVideoSource"})
    t.Add(name, open, OpenSource);
  t.Add("ImageSource",
        {Req("file", ParamType::String), Opt("start", ParamType::Int), Opt("end", ParamType::Int),
         Opt("fps", ParamType::Float), Opt("use_DevIL", ParamType::Bool), Opt("info", ParamType::Bool),
         Opt("pixel_type", ParamType::String)},
        ImageSource);
}

}  // namespace tandemix::engine
