#include "engine/frames/Clip.h"

#include "engine/frames/AudioSamples.h"
#include "engine/frames/FrameCopy.h"

namespace tandemix::engine {

void Clip::GetFrameInto(int n, VideoFrame& out, int x, int y) { Blit(*GetFrame(n), out, x, y); }

// Clips without sound give silence; filters that leave the sound alone
// read their child's.
void Clip::GetAudio(void* buffer, int64_t start, int64_t count) {
  if (audioFrom_) return audioFrom_->GetAudio(buffer, start, count);
  WriteSilence(buffer, count, info_.audio);
}

}  // namespace tandemix::engine
