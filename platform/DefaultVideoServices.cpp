#include "platform/DefaultVideoServices.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <new>

#include "base/Errors.h"
#include "engine/ScriptEngine.h"
#include "media/MediaAudio.h"
#include "media/MediaProbe.h"

namespace tandemix {

bool IsScriptPath(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext == ".avs";
}

namespace {

// A media file's measurement with whether it has sound the engine's
// sources can read.
VideoInfo WithSound(VideoInfo info, const std::string& path) {
  if (!info.Ok()) return info;
  try {
    info.hasSound = MediaAudio::Open(path) != nullptr;
  } catch (const std::exception&) {
    info.hasSound = false;
  }
  return info;
}

}  // namespace

VideoInfo DefaultVideoServices::MeasureVideo(const std::string& path, const MeasureProgress& progress) {
  // Only media files are read whole; a script opens its sources' headers.
  if (!IsScriptPath(path)) return WithSound(ProbeMediaFile(path, progress), path);
  return ReadVideoInfo(path);
}

VideoInfo DefaultVideoServices::ReadVideoInfo(const std::string& path) {
  if (!IsScriptPath(path)) return WithSound(ProbeMediaFile(path), path);
  // A script measures as the clip it returns; building its graph opens the
  // sources' headers and decodes nothing.
  VideoInfo info;
  try {
    const engine::ClipPtr clip = engine::OpenScript(path);
    const engine::ClipInfo& c = clip->Info();
    if (!c.hasVideo) throw TandemixError(path + " has no video stream (its clip is sound only)");
    info.width = c.width;
    info.height = c.height;
    info.frameCount = c.frameCount;
    info.rate = c.Rate();
    info.pixelType = c.pixelType;
    info.hasSound = c.audio.Present();
  } catch (const std::bad_alloc&) {
    info = VideoInfo();
    info.error = "Out of memory opening " + path;
  } catch (const std::exception& e) {
    info = VideoInfo();
    info.error = e.what();
  }
  return info;
}

FrameBGR DefaultVideoServices::DecodeFrame(const std::string& path, int n) {
  try {
    const engine::ClipPtr clip = engine::OpenVideo(path);
    return *engine::FrameBGROf(*clip, n, path);
  } catch (const std::bad_alloc&) {
    throw TandemixError("Out of memory decoding " + path);
  } catch (const TandemixError&) {
    throw;
  } catch (const std::exception& e) {
    throw TandemixError(e.what());
  }
}

}  // namespace tandemix
