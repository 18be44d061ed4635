// Automatic sync of two clips: the frame offset between the left and the
// right clip, found by cross-correlating their sound when both have some,
// else their motion signatures. The offset follows the offset bar's rule:
// what the left clip shows at frame n, the right one shows at n + offset.
#pragma once

#include <cstdint>
#include <string>

#include "media/MediaSignals.h"

namespace tandemix {

// Where the two clips' source come from; the real one reads media files.
// Both throw TandemixError when the file has no such signal to give.
class ClipSignals {
 public:
  virtual ~ClipSignals() = default;
  virtual SoundTrack Sound(const std::string& path, int sampleRate, double maxSeconds) = 0;
  virtual MotionTrack Motion(const std::string& path, int maxFrames) = 0;
};

class MediaClipSignals : public ClipSignals {
 public:
  SoundTrack Sound(const std::string& path, int sampleRate, double maxSeconds) override {
    return ReadSoundTrack(path, sampleRate, maxSeconds);
  }
  MotionTrack Motion(const std::string& path, int maxFrames) override { return ReadMotionTrack(path, maxFrames); }
};

enum class SyncMethod { Sound, Picture };

struct SyncOptions {
  double maxOffsetSeconds = 10.0;  // the search runs from -max to +max
  // Only this much of each clip (plus the largest offset) is read.
  double analysisSeconds = 120.0;
  int sampleRate = 8000;  // of the compared sound
};

struct SyncResult {
  int frames = 0;                 // the offset, in frames of the left clip
  std::int64_t milliseconds = 0;  // the measured lag, rounded to a millisecond
  SyncMethod method = SyncMethod::Sound;
  // The correlation peak against the best one at least a frame away; 1 or
  // below means no telling them apart, 100 (the most) a peak with nothing
  // else correlating.
  double confidence = 0.0;

  // "12 frames, 480 ms, sound, confidence 4.21"
  std::string Summary() const;
};

// Throws TandemixError with the reason: a clip that cannot be read, clips
// too short to compare, no sound on one of them and no motion either.
SyncResult FindSync(const std::string& left, const std::string& right, ClipSignals& source,
                    const SyncOptions& options = {});

}  // namespace tandemix
