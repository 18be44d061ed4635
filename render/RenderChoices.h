// The decisions of rendering a script to a movie file, kept apart from the
// encoding so that the command line, the render dialog and the tests share
// them: codec and layout names, which codecs each container holds, how a picture the codec cannot take is
// made fit, and the progress line. No FFmpeg here; render/
// RenderEncoder does the encoding.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/Check.h"
#include "base/Frame.h"
#include "base/ViewLayout.h"

namespace tandemix::render {

enum class VideoCodec { H264, H265, AV1, FFV1 };
enum class AudioCodec { AAC, Opus, FLAC, PCM, None };
enum class Container { MKV, MP4, MOV, AVI };
// Command-line names: "h264", "aac", "sbs-half", ... Parsing ignores letter
// case and returns nothing for an unknown name.
const char* NameOf(VideoCodec codec);
const char* NameOf(AudioCodec codec);
const char* NameOf(Container container);
const char* NameOf(ViewLayout layout);
std::optional<VideoCodec> ParseVideoCodec(const std::string& name);
std::optional<AudioCodec> ParseAudioCodec(const std::string& name);
std::optional<ViewLayout> ParseLayout(const std::string& name);
// "auto": no layout but the choice to take the script's own (from its
// Output template), which the caller resolves before rendering.
bool IsAutoLayout(const std::string& name);
// What a person reads: "H.264", "AAC", "side by side, each view at half width".
const char* Description(VideoCodec codec);
const char* Description(AudioCodec codec);
const char* Description(ViewLayout layout);

// The container from the file name's extension (any letter case).
std::optional<Container> ContainerOfPath(const std::string& path);

struct RenderSettings {
  VideoCodec video = VideoCodec::H264;
  int crf = -1;        // -1: the codec's default (DefaultCrf)
  std::string preset;  // empty: the codec's default (DefaultPreset)
  AudioCodec audio = AudioCodec::AAC;
  int audioBitrateK = 192;
  int start = 0;
  int count = -1;  // -1: to the end
  bool keepSize = false;
};

int DefaultCrf(VideoCodec codec);             // 18 for H.264; none (-1) for FFV1
int MaxCrf(VideoCodec codec);                 // 51, or 63 for AV1
std::string DefaultPreset(VideoCodec codec);  // "medium", "8" for AV1, "" for FFV1

// Whether these settings can write `path`, and why not: an unknown
// extension, a codec the container cannot hold, a quality or preset out of
// range, a negative start or count.
Check CheckSettings(const std::string& path, const RenderSettings& settings);

// The Matroska StereoMode name FFmpeg writes ("left_right", ...), or "".
const char* MatroskaStereoMode(ViewLayout layout);

// How the clip's pictures are made fit for the codec.
enum class EncodePixels { Yuv420, Yuv422, Yuv444, Gray, Rgb };
struct FramePlan {
  int width = 0;  // encoded size
  int height = 0;
  int padRight = 0;  // black columns and rows added
  int padBottom = 0;
  EncodePixels pixels = EncodePixels::Yuv420;
  std::string note;  // for the progress line: what was changed and why; "" when nothing
};
// Lossy codecs take 4:2:0 at an even size: an odd width or height gets one
// black column or row, unless keepSize asks for 4:4:4 at the clip's size.
// FFV1 keeps the clip's type (YUY2 as 4:2:2, RGB as its own planes).
FramePlan PlanFrames(int width, int height, PixelType type, VideoCodec codec, bool keepSize);

// "frame 120 of 250, 47.9 fps, 0:02 elapsed, 0:03 left"; the note follows
// after " · " when there is one.
std::string ProgressText(int done, int total, double elapsedSeconds, const std::string& note = {});
// Seconds left at the rate so far; -1 before the first frame.
double SecondsLeft(int done, int total, double elapsedSeconds);
// "0:05", "12:34", "1:02:03".
std::string ClockText(double seconds);

}  // namespace tandemix::render
