// A node of the clip graph: its video description, known when the node is
// built, and its frames, made when asked for. Nodes check their arguments
// once, at construction; GetFrame only reads children and makes pixels.
//
// Pixel types: a clip's frames are all of the pixel type its ClipInfo names
// (base/Frame.h describes the layouts), and each filter works in the
// types AviSynth's does, refusing the others at construction with
// AviSynth's message. Colours become RGB24 only at the edge (FrameBGROf in
// ScriptEngine.h), with the Rec601 matrix.
//
// Threading: GetFrame may be called from several threads at once, on the
// same node too (a stack makes its views at once on the shared worker pool,
// base/WorkerPool.h, and one clip may feed two views; a player thread
// and a capture may ask at the same time). Every node keeps that contract: nodes without
// state are safe as they are, nodes with state (sources, frame pools,
// still frames, scratch buffers) lock it. A frame handed out is never
// written again while anyone but its node's pool holds it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/Frame.h"

namespace tandemix::engine {

// Sample formats as AviSynth names them: "8bit" (unsigned), "16bit",
// "24bit", "32bit" (signed integers), "float" (-1..1).
enum class SampleType { Int8, Int16, Int24, Int32, Float };

// A clip's sound. No sound: rate and channels 0. Samples are counted per
// channel ("audio frames"); a buffer holds them with the channels
// interleaved, each sample little-endian in the clip's sample type.
struct AudioInfo {
  int sampleRate = 0;
  int channels = 0;
  SampleType sampleType = SampleType::Int16;
  int64_t sampleCount = 0;
  // Which speakers the channels are for, as WAVE's channel mask has it
  // (front left 1, front right 2, front centre 4, ...); 0 when not said.
  uint32_t channelMask = 0;

  bool Present() const { return sampleRate > 0 && channels > 0; }
  int BytesPerChannelSample() const {
    switch (sampleType) {
      case SampleType::Int8:
        return 1;
      case SampleType::Int16:
        return 2;
      case SampleType::Int24:
        return 3;
      case SampleType::Int32:
      case SampleType::Float:
        return 4;
    }
    return 2;
  }
  int BytesPerSample() const { return BytesPerChannelSample() * channels; }
};

// What a clip says about its colours, as AviSynth's frame properties do
// (_Matrix, _ColorRange): ColorBars draws studio-range RGB and Rec709 YUV,
// conversions say what they made. The ConvertTo... family follows them
// when no matrix is given.
enum class ColorRange { Unsaid, Full, Limited };
enum class ColorMatrix { Unsaid, Rec601, Rec709 };

struct ClipInfo {
  int width = 0;
  int height = 0;
  int frameCount = 0;
  int rateNumerator = 24;
  int rateDenominator = 1;
  bool fieldBased = false;     // frames are single fields (after SeparateFields)
  bool topFieldFirst = false;  // parity; bottom field first unless told otherwise
  PixelType pixelType = PixelType::RGB24;
  bool hasVideo = true;  // false after KillVideo: sound only
  ColorRange colorRange = ColorRange::Unsaid;
  ColorMatrix colorMatrix = ColorMatrix::Unsaid;
  AudioInfo audio;

  double Rate() const { return static_cast<double>(rateNumerator) / rateDenominator; }
};

class Clip {
 public:
  explicit Clip(const ClipInfo& info) : info_(info) {}
  virtual ~Clip() = default;
  Clip(const Clip&) = delete;
  Clip& operator=(const Clip&) = delete;

  const ClipInfo& Info() const { return info_; }

  // Frame n; n outside the clip is taken as its first or last frame, as a
  // shorter clip beside a longer one repeats its last frame. Throws
  // TandemixError when a source cannot deliver the frame.
  virtual FramePtr GetFrame(int n) = 0;

  // Frame n written into `out`, a frame of this clip's pixel type, with its
  // top-left corner at (x, y), which fit the subsampling: how a stack
  // places its views. The default copies GetFrame(n); filters that make
  // every pixel anew write there straight, without a frame of their own.
  virtual void GetFrameInto(int n, VideoFrame& out, int x, int y);

  // Samples start .. start+count-1 (per channel) into `buffer`, which holds
  // count * Info().audio.BytesPerSample() bytes; samples before 0 or from
  // sampleCount on are silence, as AviSynth's GetAudio gives them. May be
  // called on a thread of its own while others fetch frames. This default
  // is for clips without sound: it writes silence; after PassAudioFrom it
  // reads the child named there instead.
  virtual void GetAudio(void* buffer, int64_t start, int64_t count);

  // True when frames must be asked for one at a time and in order: the
  // script writes files or runs scripts as frames are made, and what they
  // write follows the order of the requests. Otherwise a reader may make
  // several frames at once.
  virtual bool FramesInOrder() const { return false; }

 protected:
  // For filters that leave the sound as it is: the clip's audio
  // description becomes the child's and the default GetAudio reads the
  // child's samples.
  void PassAudioFrom(std::shared_ptr<Clip> child) {
    info_.audio = child->Info().audio;
    audioFrom_ = std::move(child);
  }

  int ClampFrame(int n) const {
    if (n >= info_.frameCount) n = info_.frameCount - 1;
    return n < 0 ? 0 : n;
  }
  ClipInfo info_;

 private:
  std::shared_ptr<Clip> audioFrom_;
};

using ClipPtr = std::shared_ptr<Clip>;

}  // namespace tandemix::engine
