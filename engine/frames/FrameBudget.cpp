#include "engine/frames/FrameBudget.h"

#include <algorithm>

#include <unistd.h>

#include "engine/frames/ScriptError.h"

namespace tandemix::engine {

namespace {

thread_local std::shared_ptr<FrameBudget> tCurrentBudget;

std::string Megabytes(std::size_t bytes) { return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB"; }

// Gives the frame's bytes back to its budget when the last holder lets go.
struct BudgetedDelete {
  std::shared_ptr<FrameBudget> budget;
  std::size_t bytes;
  void operator()(FrameBGR* frame) const {
    delete frame;
    budget->Release(bytes);
  }
};

}  // namespace

std::size_t FrameBudget::DefaultLimit() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGE_SIZE);
  const std::size_t machine =
      pages > 0 && pageSize > 0 ? static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize) : (4ull << 30);
  return std::max<std::size_t>(machine / 4, 1ull << 30);
}

std::size_t FrameBudget::Limit() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return limit_;
}

void FrameBudget::SetLimit(std::size_t bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  limit_ = bytes;
}

std::size_t FrameBudget::InUse() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return used_;
}

void FrameBudget::Reserve(const std::string& filter, std::size_t bytes) {
  Reserve(filter, "a frame of " + Megabytes(bytes), bytes);
}

void FrameBudget::Reserve(const std::string& filter, const std::string& what, std::size_t bytes) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (used_ + bytes > limit_) {
    // Frames the pools and caches keep go first; their deleters come back
    // here, so they are asked without the lock.
    lock.unlock();
    ReleaseIdleFrames();
    lock.lock();
  }
  if (used_ + bytes > limit_)
    throw FilterError(filter + ": out of frame memory: " + what + " does not fit the budget of " + Megabytes(limit_) +
                      " (" + Megabytes(used_) + " in use; SetMemoryMax sets the budget).");
  used_ += bytes;
}

void FrameBudget::ReleaseIdleFrames() {
  std::lock_guard<std::recursive_mutex> releasing(releasing_);
  std::vector<IdleFrames*> holders;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    holders = holders_;
  }
  ++releaseDepth_;
  // The newest holder first: a cache is made after the node it holds frames
  // of, so the frames it lets go are idle in that node's pool when the pool
  // is asked.
  for (auto it = holders.rbegin(); it != holders.rend(); ++it)
    if (std::find(unregistered_.begin(), unregistered_.end(), *it) == unregistered_.end()) (*it)->ReleaseIdle();
  if (--releaseDepth_ == 0) unregistered_.clear();
}

void FrameBudget::Release(std::size_t bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  used_ -= std::min(used_, bytes);
}

void FrameBudget::Register(IdleFrames* holder) {
  std::lock_guard<std::mutex> lock(mutex_);
  holders_.push_back(holder);
}

void FrameBudget::Unregister(IdleFrames* holder) {
  std::lock_guard<std::recursive_mutex> releasing(releasing_);
  if (releaseDepth_ > 0) unregistered_.push_back(holder);
  std::lock_guard<std::mutex> lock(mutex_);
  holders_.erase(std::remove(holders_.begin(), holders_.end(), holder), holders_.end());
}

BudgetReservation::BudgetReservation(const std::string& filter, const std::string& what, std::size_t bytes)
    : budget_(CurrentBudget()), bytes_(bytes) {
  budget_->Reserve(filter, what, bytes);
}

BudgetReservation::~BudgetReservation() { budget_->Release(bytes_); }

std::shared_ptr<FrameBudget> CurrentBudget() {
  if (!tCurrentBudget) tCurrentBudget = std::make_shared<FrameBudget>(FrameBudget::DefaultLimit());
  return tCurrentBudget;
}

BudgetScope::BudgetScope(std::shared_ptr<FrameBudget> budget) : previous_(std::move(tCurrentBudget)) {
  tCurrentBudget = std::move(budget);
}

BudgetScope::~BudgetScope() { tCurrentBudget = std::move(previous_); }

FramePool::FramePool(std::string filter) : filter_(std::move(filter)), budget_(CurrentBudget()) {
  budget_->Register(this);
}

FramePool::~FramePool() { budget_->Unregister(this); }

std::shared_ptr<FrameBGR> FramePool::Fresh(PixelType type, int width, int height) {
  const std::size_t bytes = FrameBGR::BytesOf(type, width, height);
  budget_->Reserve(filter_, bytes);
  FrameBGR* frame = nullptr;
  try {
    frame = new FrameBGR(type, width, height);
  } catch (...) {
    budget_->Release(bytes);
    throw;
  }
  return std::shared_ptr<FrameBGR>(frame, BudgetedDelete{budget_, bytes});
}

std::shared_ptr<FrameBGR> FramePool::Take(PixelType type, int width, int height, Fill fill) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& spare : spares_) {
      // Only the pool holds it: nobody can take a new reference, and the
      // fence orders the last holder's reads before the writes to come.
      if (!spare || spare.use_count() != 1 || spare->type != type || spare->width != width || spare->height != height)
        continue;
      std::atomic_thread_fence(std::memory_order_acquire);
      if (fill == Fill::Black) spare->Blacken();
      return spare;
    }
  }
  // Made outside the pool's lock: the budget may ask the pools for memory.
  auto frame = Fresh(type, width, height);
  std::lock_guard<std::mutex> lock(mutex_);
  spares_[next_] = frame;
  next_ = (next_ + 1) % kSpares;
  return frame;
}

void FramePool::ReleaseIdle() {
  std::shared_ptr<FrameBGR> dropped[kSpares];
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (int i = 0; i < kSpares; ++i)
      if (spares_[i] && spares_[i].use_count() == 1) dropped[i] = std::move(spares_[i]);
  }
  // Freed here, outside the lock.
}

}  // namespace tandemix::engine
