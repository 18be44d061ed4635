// The frame memory of one opened script and the pools its nodes make
// their frames in.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/Frame.h"
#include "engine/frames/Clip.h"

namespace tandemix::engine {

// Frames something keeps for later that the budget may take back when it
// runs short: the spares of a pool, the recent frames of a cache.
class IdleFrames {
 public:
  virtual ~IdleFrames() = default;
  virtual void ReleaseIdle() = 0;
};

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
  // they cannot fit even after releasing the idle frames of the pools and
  // caches.
  void Reserve(const std::string& filter, std::size_t bytes);
  // The same for memory other than a frame, e.g. a decoder's; `what` names
  // it in the message ("the decoder of v.mp4").
  void Reserve(const std::string& filter, const std::string& what, std::size_t bytes);
  void Release(std::size_t bytes);

  void Register(IdleFrames* holder);
  // Waits while another thread asks the holders to release, so a holder is
  // never asked after its destructor has run.
  void Unregister(IdleFrames* holder);

 private:
  void ReleaseIdleFrames();

  mutable std::mutex mutex_;
  std::size_t limit_;
  std::size_t used_ = 0;
  std::vector<IdleFrames*> holders_;
  // Held while the holders are asked (recursive: a holder may be destroyed
  // on the asking thread itself); the ones unregistered meanwhile on that
  // thread are skipped.
  std::recursive_mutex releasing_;
  int releaseDepth_ = 0;                   // guarded by releasing_
  std::vector<IdleFrames*> unregistered_;  // guarded by releasing_
};

// Memory other than frames counted against the current budget while the
// object lives: a media source's decoder state and the frames it keeps.
class BudgetReservation {
 public:
  // Throws as FrameBudget::Reserve.
  BudgetReservation(const std::string& filter, const std::string& what, std::size_t bytes);
  ~BudgetReservation();
  BudgetReservation(const BudgetReservation&) = delete;
  BudgetReservation& operator=(const BudgetReservation&) = delete;

 private:
  std::shared_ptr<FrameBudget> budget_;
  std::size_t bytes_;
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
class FramePool : public IdleFrames {
 public:
  explicit FramePool(std::string filter = "frame");
  ~FramePool() override;
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
  void ReleaseIdle() override;

 private:
  // Four: a cache may hold a node's last two frames while the pool reuses
  // the two before them.
  static constexpr int kSpares = 4;
  std::string filter_;
  std::shared_ptr<FrameBudget> budget_;
  std::mutex mutex_;  // a node may serve two stacked views at once
  std::shared_ptr<FrameBGR> spares_[kSpares];
  int next_ = 0;
};

}  // namespace tandemix::engine
