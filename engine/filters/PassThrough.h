#pragma once

#include <cstdint>
#include <utility>

#include "engine/frames/Clip.h"

namespace tandemix::engine {

// A child's frames and samples under another description: for filters that
// change only what the clip says about itself (rate, field order, parity).
class SameFrames : public Clip {
 public:
  SameFrames(ClipPtr child, const ClipInfo& info) : Clip(info), child_(std::move(child)) {}
  FramePtr GetFrame(int n) override { return child_->GetFrame(n); }
  // The same samples too (AssumeFPS with sync_audio plays them at another rate).
  void GetAudio(void* buffer, int64_t start, int64_t count) override { child_->GetAudio(buffer, start, count); }

 private:
  ClipPtr child_;
};

}  // namespace tandemix::engine
