// Frames of a media file's first video stream (AVI, MPEG, MP4, MKV, still
// pictures, whatever FFmpeg reads), decoded on demand as 24-bit RGB
// pictures or, for the engine, in the nearest of AviSynth's pixel types:
// yuv420p/yuvj420p as YV12, yuv422p as YV16, yuv444p as YV24, gray as Y8,
// yuyv422 as YUY2, bgr24/rgb24 as RGB24, bgra/rgba/argb as RGB32, and any
// other format through libswscale into the nearest 8-bit type (10-bit
// 4:2:0 and nv12 into YV12, and so on).
//
// Opening reads the container's headers only. Frame n is found by its time
// stamp: the source seeks to the key frame before it and decodes forward,
// and reads on without seeking when frames are asked for in order. Recent
// frames are kept in a cache bounded in bytes. One object serves one thread
// at a time.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "base/Errors.h"
#include "media/MediaFrameCache.h"
#include "media/MediaProbe.h"

namespace tandemix {

// A measurement the user cancelled.
class MeasuringCancelled : public TandemixError {
 public:
  explicit MeasuringCancelled(const std::string& path) : TandemixError("Measuring " + path + " was cancelled.") {}
};

class MediaSource {
 public:
  // About ten 1080p frames in 4:2:0: enough for a view that runs a few
  // frames behind another from the same file, small enough that two 1080p
  // sources play in little memory.
  static constexpr std::size_t kDefaultCacheBytes = 32u << 20;

  // Throws TandemixError ("Cannot open <path>", "<path> has no video
  // stream", ...) when the file cannot be read as video.
  // `progress`, when given, hears how far the counting of a container with
  // no stored frame count has come; when it returns false the constructor
  // throws MeasuringCancelled.
  enum class Output { RGB24, Native };
  explicit MediaSource(const std::string& path, std::size_t cacheBytes = kDefaultCacheBytes,
                       Output output = Output::RGB24, MeasureProgress progress = {});
  ~MediaSource();
  MediaSource(const MediaSource&) = delete;
  MediaSource& operator=(const MediaSource&) = delete;

  const MediaDescription& Description() const;
  // The pixel type of the frames delivered (known once the file is open).
  PixelType Type() const;

  // Frame n, 0-based; n is clamped to the stream's frames. A frame the
  // stream cannot deliver (a damaged or short file) gives the nearest one
  // decoded before it. Throws TandemixError when nothing can be decoded.
  FramePtr Frame(int n);

  // How many times the source has had to seek (for tests of sequential
  // reading).
  int SeekCount() const;
  // Bytes held by the frame cache.
  std::size_t CachedBytes() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tandemix
