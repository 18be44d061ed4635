// The sound of a media file's first audio stream, decoded on demand by
// sample range, for the engine's sources. It keeps a demuxer and decoder of
// its own, so reading sound never moves the video's read position.
//
// Sample 0 stands at the time of the first video frame when the file has
// video (as a source plug-in aligns sound with picture), else at the start
// of the sound: sound before it is dropped, a stream that starts later
// begins with silence. Samples come in the decoder's own format where it is
// one of 8-bit unsigned, 16, 24 or 32-bit signed integers or float, and as
// float otherwise, with the channels interleaved.
//
// Reading in order decodes forward; a jump seeks to a point a little
// before the wanted sample and decodes forward to it. One object serves one
// thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tandemix {

enum class AudioSampleFormat { U8, S16, S24, S32, Float };

struct MediaAudioDescription {
  int sampleRate = 0;
  int channels = 0;
  AudioSampleFormat format = AudioSampleFormat::S16;
  std::int64_t sampleCount = 0;  // per channel
  bool fileHasVideo = false;     // whether the file has a video stream beside the sound

  int BytesPerChannelSample() const;
  int BytesPerSample() const { return BytesPerChannelSample() * channels; }
};

class MediaAudio {
 public:
  // The file's first audio stream; nullptr when it has none (or none that
  // FFmpeg can decode). Throws TandemixError "Cannot open <path>" when the
  // file cannot be read at all.
  static std::unique_ptr<MediaAudio> Open(const std::string& path);
  ~MediaAudio();
  MediaAudio(const MediaAudio&) = delete;
  MediaAudio& operator=(const MediaAudio&) = delete;

  const MediaAudioDescription& Description() const;

  // Samples start .. start+count-1 into `buffer` (count * BytesPerSample()
  // bytes); samples outside 0 .. sampleCount-1, and any the stream cannot
  // deliver, are silence.
  void Read(void* buffer, std::int64_t start, std::int64_t count);

  // How many times reading has had to seek (for tests of reading in order).
  int SeekCount() const;

 private:
  struct Impl;
  explicit MediaAudio(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// Writes `count` samples of silence in `format` (8-bit unsigned silence is
// 128, every other format's is 0).
void WriteAudioSilence(void* buffer, std::int64_t count, int bytesPerSample, AudioSampleFormat format);

}  // namespace tandemix
