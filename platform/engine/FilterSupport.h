// Helpers shared by the filters: size limits, new frames, rate arithmetic
// and pixel copies.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

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

// A node that can make a window of its own frames: Crop over it asks for the
// window instead of copying it out of whole frames, so a resizer computes
// only the pixels kept and borders cropped away again cost nothing. The
// window (luma pixels, fitting the subsampling, inside the frame) gives the
// very bytes Crop would. Null when the node cannot.
class WindowedFrames {
 public:
  virtual ~WindowedFrames() = default;
  virtual ClipPtr CropWindow(int left, int top, int width, int height) const = 0;
};

class FramePool;

// The frame memory of one opened script, like AviSynth's SetMemoryMax: every
// frame its nodes make is counted. When a new frame would pass the limit,
// the frames the pools keep for reuse and nobody else holds are released
// first; only when the frames still in use leave no room does the new one
// fail, with a message naming the budget. The limit is a share of the
// machine's memory unless the script sets it.
class FrameBudget {
 public:
  explicit FrameBudget(std::size_t limitBytes) : limit_(limitBytes) {}
  static std::size_t DefaultLimit();

  std::size_t Limit() const;
  void SetLimit(std::size_t bytes);
  std::size_t InUse() const;

  // Counts `bytes` for a new frame; throws FilterError "<filter>: ..." when
  // they cannot fit even after releasing the pools' idle frames.
  void Reserve(const std::string& filter, std::size_t bytes);
  void Release(std::size_t bytes);

  void Register(FramePool* pool);
  void Unregister(FramePool* pool);

 private:
  mutable std::mutex mutex_;
  std::size_t limit_;
  std::size_t used_ = 0;
  std::vector<FramePool*> pools_;
};

// The budget of the script being evaluated on this thread (nodes take it
// when they are built); a budget of the default size when none is.
std::shared_ptr<FrameBudget> CurrentBudget();
// Makes `budget` the current one on this thread while it lives.
class BudgetScope {
 public:
  explicit BudgetScope(std::shared_ptr<FrameBudget> budget);
  ~BudgetScope();
  BudgetScope(const BudgetScope&) = delete;
  BudgetScope& operator=(const BudgetScope&) = delete;

 private:
  std::shared_ptr<FrameBudget> previous_;
};

// The frames a node makes, one after the other: a frame handed out earlier
// is made over once nothing but the pool holds it, so a node that serves a
// stream of frames reuses its memory instead of allocating (and faulting
// in) a fresh frame each time. At most kSpares frames are kept, and the
// script's budget may take them back when it runs short.
class FramePool {
 public:
  explicit FramePool(std::string filter = "frame");
  ~FramePool();
  FramePool(const FramePool&) = delete;
  FramePool& operator=(const FramePool&) = delete;

  enum class Fill { Black, Overwritten };  // Overwritten: the caller writes every byte
  std::shared_ptr<FrameBGR> Take(PixelType type, int width, int height, Fill fill = Fill::Black);
  std::shared_ptr<FrameBGR> Take(const ClipInfo& info, Fill fill = Fill::Black) {
    return Take(info.pixelType, info.width, info.height, fill);
  }
  // A frame that is not kept for reuse (still pictures).
  std::shared_ptr<FrameBGR> Fresh(PixelType type, int width, int height);
  // Drops the spares nobody else holds (called by the budget).
  void ReleaseIdle();

 private:
  static constexpr int kSpares = 2;
  std::string filter_;
  std::shared_ptr<FrameBudget> budget_;
  std::mutex mutex_;  // a node may serve two stacked views at once
  std::shared_ptr<FrameBGR> spares_[kSpares];
  int next_ = 0;
};

// The clip in another pixel type (ConvertTo...): `matrix` is one of
// AviSynth's names, empty for Rec601. Throws FilterError with AviSynth's
// size messages ("Convert: Cannot convert if width isn't mod2!").
ClipPtr MakeConvert(ClipPtr clip, PixelType to, const std::string& matrix = {}, bool interlaced = false);

// rate * factor / divisor, reduced.
void ScaleRate(ClipInfo& info, long long factor, long long divisor);
// Sets the rate from a fraction, reduced; throws FilterError when it is not positive.
void SetRate(const std::string& filter, ClipInfo& info, long long numerator, long long denominator);

// The frame with planes of its own: a view (a decoder's picture read where
// it lies) copied, any other frame as it is. For filters that run over a
// frame's bytes whole.
FramePtr Owned(FramePtr frame);
// The byte of plane p that holds pixel (x, y) (x and y fit the subsampling).
std::uint8_t* PixelAt(FrameBGR& f, int p, int x, int y);
const std::uint8_t* PixelAt(const FrameBGR& f, int p, int x, int y);
// Copies the rectangle of `src` at (sx, sy) into `dst` at (dx, dy), plane by
// plane (every corner fits the subsampling); no clipping. Same pixel types.
void CopyRect(const FrameBGR& src, int sx, int sy, FrameBGR& dst, int dx, int dy, int width, int height);
// Copies `src` into `dst` with its top-left corner at (x, y), plane by
// plane (x and y fit the subsampling); no clipping. Same pixel types.
void Blit(const FrameBGR& src, FrameBGR& dst, int x, int y);
// Copies the window (x, y, width, height) of `src` into `dst` (of that size).
void CopyWindow(const FrameBGR& src, FrameBGR& dst, int x, int y);

// Refuses a clip whose type the filter does not take, in AviSynth's words
// ("<filter>: <what> only" style messages are given by the caller).
void RequireType(bool ok, const std::string& message);

// Runs work(begin, end) over [0, count) split into parts on the shared
// worker pool (platform/WorkerPool.h) when the work is large enough to pay
// for them; the calling thread works too. Frames are whole-image passes, so
// rows split cleanly.
void ParallelFor(int count, long long costPerItem, const std::function<void(int, int)>& work);

// A colour given as $RRGGBB, as three bytes in frame order (blue, green, red).
struct ColorBGR {
  std::uint8_t b = 0, g = 0, r = 0;
};
ColorBGR ColorFromInt(long long rgb);

// One colour in a frame's type: bytes per plane (RGB: b, g, r, a in plane 0).
struct PlaneColor {
  std::uint8_t v[4] = {0, 0, 0, 0};
};
// $RRGGBB in the clip's type (YUV through the Rec601 matrix, as AviSynth's
// AddBorders and BlankClip do).
PlaneColor ColorInType(PixelType type, long long rgb);
// A $YYUUVV colour (BlankClip's color_yuv) in the clip's type.
PlaneColor YuvColorInType(PixelType type, long long yuv);
// Fills the rectangle (x0, y0)-(x1, y1) in luma pixels (fitting the
// subsampling) with a colour.
void FillRect(FrameBGR& f, int x0, int y0, int x1, int y1, const PlaneColor& c);

}  // namespace tandemix::engine
