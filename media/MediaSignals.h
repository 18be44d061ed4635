// What the automatic sync compares between two clips, read with FFmpeg:
// the sound mixed to one channel at a low rate, and a motion signature (how
// much each small greyscale frame differs from the one before it). Also the
// stereo layout that a container or stream declares.
#pragma once

#include <string>
#include <vector>

#include "base/Errors.h"
#include "base/ViewLayout.h"

namespace tandemix {

struct SoundTrack {
  int sampleRate = 0;
  std::vector<float> samples;  // one channel, -1 to 1
};

struct MotionTrack {
  double rate = 0.0;  // frames per second
  // motion[i]: mean absolute difference (0 to 255) between frames i and
  // i + 1 of a 32 x 18 greyscale copy; one fewer than the frames read.
  std::vector<float> motion;
};

// The sound of the file's first audio stream, mixed to one channel and
// resampled to `sampleRate`, at most `maxSeconds` from the start. Throws
// TandemixError when the file cannot be opened or has no sound ("<path> has
// no sound"); video packets are skipped undecoded.
SoundTrack ReadSoundTrack(const std::string& path, int sampleRate, double maxSeconds);

// The motion signature of the file's first video stream, at most
// `maxFrames` frames from the start. Throws TandemixError when the file
// cannot be opened or has no video.
MotionTrack ReadMotionTrack(const std::string& path, int maxFrames);

// The stereo layout a file declares: Matroska's StereoMode tag or the
// stereo-3D side data of the first video stream: SideBySide, OverUnder,
// their Cross forms (right view first), or None.
ViewLayout ReadDeclaredLayout(const std::string& path);

}  // namespace tandemix
