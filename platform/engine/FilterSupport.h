// Helpers shared by the filters: size limits, new frames, rate arithmetic
// and pixel copies.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/engine/Clip.h"
#include "platform/engine/ScriptError.h"

namespace tandemix::engine {

// Frames are held whole in memory; these limits keep one frame under
// 200 MB and refuse sizes no source or display has.
constexpr long long kMaxFrameSide = 16384;
constexpr long long kMaxFramePixels = 1LL << 26;
constexpr long long kMaxFrameCount = 0x7fffffff;

// Throws FilterError "<filter>: ..." when a frame of width x height cannot be made.
void CheckFrameSize(const std::string& filter, long long width, long long height);
// Throws FilterError when a frame count exceeds 32 bits.
int CheckFrameCount(const std::string& filter, long long count);

// A child's frames under another description: for filters that change only
// what the clip says about itself (rate, field order, parity).
class SameFrames : public Clip {
 public:
  SameFrames(ClipPtr child, const ClipInfo& info) : Clip(info), child_(std::move(child)) {}
  FramePtr GetFrame(int n) override { return child_->GetFrame(n); }

 private:
  ClipPtr child_;
};

// A black frame of the given size.
std::shared_ptr<FrameBGR> NewFrame(int width, int height);

// The frames a node makes, one after the other: a frame handed out earlier
// is made over once nothing but the pool holds it, so a node that serves a
// stream of frames reuses its memory instead of allocating (and faulting
// in) a fresh frame each time. At most kSpares frames are kept.
class FramePool {
 public:
  enum class Fill { Black, Overwritten };  // Overwritten: the caller writes every byte
  std::shared_ptr<FrameBGR> Take(int width, int height, Fill fill = Fill::Black);

 private:
  static constexpr int kSpares = 2;
  std::mutex mutex_;  // a node may serve two stacked views at once
  std::shared_ptr<FrameBGR> spares_[kSpares];
  int next_ = 0;
};

// rate * factor / divisor, reduced.
void ScaleRate(ClipInfo& info, long long factor, long long divisor);
// Sets the rate from a fraction, reduced; throws FilterError when it is not positive.
void SetRate(const std::string& filter, ClipInfo& info, long long numerator, long long denominator);

// Copies `src` into `dst` with its top-left corner at (x, y); no clipping.
void Blit(const FrameBGR& src, FrameBGR& dst, int x, int y);

// Runs work(begin, end) over [0, count) split into parts on worker threads
// when the work is large enough to pay for them; the calling thread takes
// the first part. Frames are whole-image passes, so rows split cleanly.
void ParallelFor(int count, long long costPerItem, const std::function<void(int, int)>& work);

// A colour given as $RRGGBB, as three bytes in frame order (blue, green, red).
struct ColorBGR {
  std::uint8_t b = 0, g = 0, r = 0;
};
ColorBGR ColorFromInt(long long rgb);

}  // namespace tandemix::engine
