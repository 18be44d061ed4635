#include "render/RenderChoices.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

namespace tandemix::render {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

template <typename E, std::size_t N>
std::optional<E> Find(const std::string& name, const E (&all)[N]) {
  const std::string wanted = Lower(name);
  for (E e : all)
    if (wanted == NameOf(e)) return e;
  return std::nullopt;
}

constexpr VideoCodec kVideo[] = {VideoCodec::H264, VideoCodec::H265, VideoCodec::AV1, VideoCodec::FFV1};
constexpr AudioCodec kAudio[] = {AudioCodec::AAC, AudioCodec::Opus, AudioCodec::FLAC, AudioCodec::PCM,
                                 AudioCodec::None};
constexpr ViewLayout kLayouts[] = {
    ViewLayout::None,      ViewLayout::SideBySide,    ViewLayout::SideBySideHalf, ViewLayout::SideBySideCross,
    ViewLayout::OverUnder, ViewLayout::OverUnderHalf, ViewLayout::OverUnderCross, ViewLayout::Rows,
    ViewLayout::Anaglyph,  ViewLayout::Mono};

// What FFmpeg's muxers of this build accept (tried with each encoder).
bool Holds(Container c, VideoCodec v) {
  switch (c) {
    case Container::MKV:
      return true;
    case Container::MP4:
      return v != VideoCodec::FFV1;
    case Container::MOV:
      return v != VideoCodec::AV1;
    case Container::AVI:
      return true;
  }
  return false;
}
bool Holds(Container c, AudioCodec a) {
  if (a == AudioCodec::None) return true;
  switch (c) {
    case Container::MKV:
      return true;
    case Container::MP4:
      return a == AudioCodec::AAC || a == AudioCodec::Opus;
    case Container::MOV:
      return a == AudioCodec::AAC || a == AudioCodec::PCM;
    case Container::AVI:
      return a != AudioCodec::Opus;
  }
  return false;
}

std::string Extension(Container c) { return std::string(".") + NameOf(c); }

std::string JoinOr(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
    text += names[i];
  }
  return text;
}

}  // namespace

const char* NameOf(VideoCodec codec) {
  switch (codec) {
    case VideoCodec::H264:
      return "h264";
    case VideoCodec::H265:
      return "h265";
    case VideoCodec::AV1:
      return "av1";
    case VideoCodec::FFV1:
      return "ffv1";
  }
  return "";
}
const char* NameOf(AudioCodec codec) {
  switch (codec) {
    case AudioCodec::AAC:
      return "aac";
    case AudioCodec::Opus:
      return "opus";
    case AudioCodec::FLAC:
      return "flac";
    case AudioCodec::PCM:
      return "pcm";
    case AudioCodec::None:
      return "none";
  }
  return "";
}
const char* NameOf(Container container) {
  switch (container) {
    case Container::MKV:
      return "mkv";
    case Container::MP4:
      return "mp4";
    case Container::MOV:
      return "mov";
    case Container::AVI:
      return "avi";
  }
  return "";
}
const char* NameOf(ViewLayout layout) {
  switch (layout) {
    case ViewLayout::None:
      return "none";
    case ViewLayout::SideBySide:
      return "sbs";
    case ViewLayout::SideBySideHalf:
      return "sbs-half";
    case ViewLayout::SideBySideCross:
      return "sbs-cross";
    case ViewLayout::OverUnder:
      return "ou";
    case ViewLayout::OverUnderHalf:
      return "ou-half";
    case ViewLayout::OverUnderCross:
      return "ou-cross";
    case ViewLayout::Rows:
      return "rows";
    case ViewLayout::Anaglyph:
      return "anaglyph";
    case ViewLayout::Mono:
      return "mono";
  }
  return "";
}
std::optional<VideoCodec> ParseVideoCodec(const std::string& name) { return Find(name, kVideo); }
std::optional<AudioCodec> ParseAudioCodec(const std::string& name) { return Find(name, kAudio); }
std::optional<ViewLayout> ParseLayout(const std::string& name) { return Find(name, kLayouts); }
bool IsAutoLayout(const std::string& name) { return Lower(name) == "auto"; }

const char* Description(VideoCodec codec) {
  switch (codec) {
    case VideoCodec::H264:
      return "H.264";
    case VideoCodec::H265:
      return "H.265";
    case VideoCodec::AV1:
      return "AV1";
    case VideoCodec::FFV1:
      return "FFV1 (lossless)";
  }
  return "";
}
const char* Description(AudioCodec codec) {
  switch (codec) {
    case AudioCodec::AAC:
      return "AAC";
    case AudioCodec::Opus:
      return "Opus";
    case AudioCodec::FLAC:
      return "FLAC (lossless)";
    case AudioCodec::PCM:
      return "PCM (uncompressed)";
    case AudioCodec::None:
      return "no sound";
  }
  return "";
}
const char* Description(ViewLayout layout) {
  switch (layout) {
    case ViewLayout::None:
      return "not recognised, no 3D tag";
    case ViewLayout::SideBySide:
      return "side by side";
    case ViewLayout::SideBySideHalf:
      return "side by side, each view at half width";
    case ViewLayout::SideBySideCross:
      return "side by side, right view first (cross-eyed)";
    case ViewLayout::OverUnder:
      return "over/under";
    case ViewLayout::OverUnderHalf:
      return "over/under, each view at half height";
    case ViewLayout::OverUnderCross:
      return "over/under, the right view on top";
    case ViewLayout::Rows:
      return "row-interleaved";
    case ViewLayout::Anaglyph:
      return "anaglyph";
    case ViewLayout::Mono:
      return "one view (2D)";
  }
  return "";
}

std::optional<Container> ContainerOfPath(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::nullopt;
  const std::string ext = Lower(path.substr(dot + 1));
  for (Container c : {Container::MKV, Container::MP4, Container::MOV, Container::AVI})
    if (ext == NameOf(c)) return c;
  return std::nullopt;
}

int DefaultCrf(VideoCodec codec) {
  switch (codec) {
    case VideoCodec::H264:
      return 18;
    case VideoCodec::H265:
      return 20;
    case VideoCodec::AV1:
      return 30;
    case VideoCodec::FFV1:
      return -1;
  }
  return -1;
}
int MaxCrf(VideoCodec codec) { return codec == VideoCodec::AV1 ? 63 : codec == VideoCodec::FFV1 ? -1 : 51; }
std::string DefaultPreset(VideoCodec codec) {
  switch (codec) {
    case VideoCodec::H264:
    case VideoCodec::H265:
      return "medium";
    case VideoCodec::AV1:
      return "8";
    case VideoCodec::FFV1:
      return "";
  }
  return "";
}

Check CheckSettings(const std::string& path, const RenderSettings& s) {
  const auto container = ContainerOfPath(path);
  if (!container)
    return Check::Refused("The file name " + path + " has no movie extension: use .mkv, .mp4, .mov or .avi");
  if (!Holds(*container, s.video)) {
    std::vector<std::string> fit;
    for (Container c : {Container::MKV, Container::MP4, Container::MOV, Container::AVI})
      if (Holds(c, s.video)) fit.push_back(Extension(c));
    return Check::Refused(std::string(Description(s.video)) + " video cannot be stored in a " + Extension(*container) +
                          " file; use " + JoinOr(fit));
  }
  if (!Holds(*container, s.audio)) {
    std::vector<std::string> fit;
    for (Container c : {Container::MKV, Container::MP4, Container::MOV, Container::AVI})
      if (Holds(c, s.audio)) fit.push_back(Extension(c));
    return Check::Refused(std::string(Description(s.audio)) + " sound cannot be stored in a " + Extension(*container) +
                          " file; use " + JoinOr(fit));
  }
  if (s.crf != -1) {
    if (s.video == VideoCodec::FFV1) return Check::Refused("FFV1 is lossless and takes no quality (--crf)");
    if (s.crf < 0 || s.crf > MaxCrf(s.video))
      return Check::Refused("The quality (CRF) " + std::to_string(s.crf) + " is out of range for " +
                            Description(s.video) + ": 0 to " + std::to_string(MaxCrf(s.video)));
  }
  if (!s.preset.empty()) {
    static const char* const kX26xPresets[] = {"ultrafast", "superfast", "veryfast", "faster",   "fast",
                                               "medium",    "slow",      "slower",   "veryslow", "placebo"};
    switch (s.video) {
      case VideoCodec::H264:
      case VideoCodec::H265:
        if (std::none_of(std::begin(kX26xPresets), std::end(kX26xPresets),
                         [&](const char* p) { return s.preset == p; }))
          return Check::Refused(
              "Unknown preset '" + s.preset + "' for " + Description(s.video) +
              ": use ultrafast, superfast, veryfast, faster, fast, medium, slow, slower, veryslow or placebo");
        break;
      case VideoCodec::AV1:
        if (s.preset.size() != 1 || s.preset[0] < '0' || s.preset[0] > '8')
          return Check::Refused("Unknown preset '" + s.preset +
                                "' for AV1: use a speed from 0 (slowest) to 8 (fastest)");
        break;
      case VideoCodec::FFV1:
        return Check::Refused("FFV1 takes no preset");
    }
  }
  if (s.audio == AudioCodec::AAC || s.audio == AudioCodec::Opus) {
    if (s.audioBitrateK < 6 || s.audioBitrateK > 512)
      return Check::Refused("The sound bit rate " + std::to_string(s.audioBitrateK) +
                            " kb/s is out of range: 6 to 512");
  }
  if (s.start < 0) return Check::Refused("The start frame " + std::to_string(s.start) + " is negative");
  if (s.count < -1) return Check::Refused("The frame count " + std::to_string(s.count) + " is negative");
  return {};
}

const char* MatroskaStereoMode(ViewLayout layout) {
  switch (layout) {
    case ViewLayout::SideBySide:
    case ViewLayout::SideBySideHalf:
      return "left_right";
    case ViewLayout::SideBySideCross:
      return "right_left";
    case ViewLayout::OverUnder:
    case ViewLayout::OverUnderHalf:
      return "top_bottom";
    case ViewLayout::OverUnderCross:
      return "bottom_top";
    case ViewLayout::Rows:
      return "row_interleaved_lr";
    case ViewLayout::Anaglyph:
      return "anaglyph_cyan_red";
    case ViewLayout::Mono:
      return "mono";
    case ViewLayout::None:
      return "";
  }
  return "";
}

FramePlan PlanFrames(int width, int height, PixelType type, VideoCodec codec, bool keepSize) {
  FramePlan plan;
  plan.width = width;
  plan.height = height;
  if (codec == VideoCodec::FFV1) {
    switch (type) {
      case PixelType::YV12:
        plan.pixels = EncodePixels::Yuv420;
        break;
      case PixelType::YV16:
      case PixelType::YUY2:
        plan.pixels = EncodePixels::Yuv422;
        break;
      case PixelType::YV24:
        plan.pixels = EncodePixels::Yuv444;
        break;
      case PixelType::Y8:
        plan.pixels = EncodePixels::Gray;
        break;
      case PixelType::RGB24:
      case PixelType::RGB32:
      case PixelType::RGBP8:
      case PixelType::RGBAP8:
        plan.pixels = EncodePixels::Rgb;
        break;
    }
    return plan;
  }
  const bool odd = width % 2 != 0 || height % 2 != 0;
  if (odd && keepSize) {
    plan.pixels = EncodePixels::Yuv444;
    plan.note = "the picture is " + std::to_string(width) + "x" + std::to_string(height) +
                ", an odd size: encoded as 4:4:4, which fewer players take";
    return plan;
  }
  plan.pixels = EncodePixels::Yuv420;
  plan.padRight = width % 2;
  plan.padBottom = height % 2;
  plan.width += plan.padRight;
  plan.height += plan.padBottom;
  if (odd) {
    std::string added;
    if (plan.padRight) added = "one black column on the right";
    if (plan.padBottom) added += std::string(added.empty() ? "" : " and ") + "one black row at the bottom";
    plan.note = "the picture is " + std::to_string(width) + "x" + std::to_string(height) + ": " + added +
                " added for 4:2:0 (--keep-size keeps the size in 4:4:4)";
  }
  return plan;
}

double SecondsLeft(int done, int total, double elapsedSeconds) {
  if (done <= 0 || elapsedSeconds <= 0.0) return -1.0;
  return elapsedSeconds / done * std::max(0, total - done);
}

std::string ClockText(double seconds) {
  const long long s = seconds < 0 ? 0 : static_cast<long long>(std::llround(seconds));
  char text[32];
  if (s >= 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
  return text;
}

std::string ProgressText(int done, int total, double elapsedSeconds, const std::string& note) {
  std::string text = "frame " + std::to_string(done) + " of " + std::to_string(total);
  if (done > 0 && elapsedSeconds > 0.0) {
    char fps[32];
    std::snprintf(fps, sizeof fps, ", %.1f fps", done / elapsedSeconds);
    text += fps;
  }
  text += ", " + ClockText(elapsedSeconds) + " elapsed";
  const double left = SecondsLeft(done, total, elapsedSeconds);
  text += left < 0 ? ", time left unknown" : ", " + ClockText(left) + " left";
  if (!note.empty()) text += " · " + note;
  return text;
}

}  // namespace tandemix::render
