#include "engine/frames/NodeCache.h"

#include <pthread.h>

#include <cstdint>
#include <utility>

#include "engine/frames/FrameCopy.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {

namespace {

// Room left below the deepest frame request: what the filters' own work
// (resamplers, conversions, the pool's parts) needs beneath it, with the
// larger frames of a sanitizer build.
constexpr std::uintptr_t kStackReserve = 512u << 10;

// The lowest address the calling thread's stack may reach plus the reserve;
// 0 when it cannot be known.
std::uintptr_t StackFloor() {
  thread_local std::uintptr_t floor = [] {
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return std::uintptr_t{0};
    void* low = nullptr;
    std::size_t size = 0;
    const bool known = pthread_attr_getstack(&attr, &low, &size) == 0;
    pthread_attr_destroy(&attr);
    if (!known || size <= kStackReserve * 2) return std::uintptr_t{0};
    return reinterpret_cast<std::uintptr_t>(low) + kStackReserve;
  }();
  return floor;
}

}  // namespace

void CheckStackRoom() {
  // The frame's own address, not a local's: a sanitizer may keep locals
  // apart from the stack.
  const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
  const std::uintptr_t floor = StackFloor();
  if (floor != 0 && here < floor)
    throw FilterError("the script's filters are nested too deeply: a frame needs more stack than there is.");
}

CachedClip::CachedClip(ClipPtr child) : Clip(child->Info()), child_(std::move(child)), budget_(CurrentBudget()) {
  PassAudioFrom(child_);
  budget_->Register(this);
}

CachedClip::~CachedClip() { budget_->Unregister(this); }

FramePtr CachedClip::Held(int n) {
  for (const Entry& e : recent_)
    if (e.frame && e.n == n) return e.frame;
  return nullptr;
}

FramePtr CachedClip::Hold(int n, FramePtr frame) {
  if (Held(n)) return nullptr;
  FramePtr dropped = std::exchange(recent_[next_].frame, std::move(frame));
  recent_[next_].n = n;
  next_ = (next_ + 1) % kFrames;
  return dropped;
}

FramePtr CachedClip::GetFrame(int n) {
  n = ClampFrame(n);
  std::promise<FramePtr> promise;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (FramePtr hit = Held(n)) return hit;
    auto making = making_.find(n);
    if (making != making_.end()) {
      // The thread making this frame asks for it again: the clips form a
      // loop (a runtime script returning a clip above itself); waiting
      // would never end.
      if (making->second.thread == std::this_thread::get_id())
        throw FilterError("the script's clips form a loop: frame " + std::to_string(n) +
                          " of a filter is needed to make itself.");
      std::shared_future<FramePtr> wait = making->second.frame;
      lock.unlock();
      return wait.get();
    }
    making_.emplace(n, Making{promise.get_future().share(), std::this_thread::get_id()});
    ++misses_;
  }
  FramePtr frame;
  try {
    CheckStackRoom();
    frame = child_->GetFrame(n);
  } catch (...) {
    promise.set_exception(std::current_exception());
    std::lock_guard<std::mutex> lock(mutex_);
    making_.erase(n);
    throw;
  }
  promise.set_value(frame);
  FramePtr dropped;  // let go after the lock: its deleter may reach the budget
  {
    std::lock_guard<std::mutex> lock(mutex_);
    dropped = Hold(n, frame);
    making_.erase(n);
  }
  return frame;
}

void CachedClip::GetFrameInto(int n, VideoFrame& out, int x, int y) {
  n = ClampFrame(n);
  FramePtr hit;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    hit = Held(n);
  }
  if (hit) return Blit(*hit, out, x, y);
  CheckStackRoom();
  child_->GetFrameInto(n, out, x, y);
}

ClipPtr CachedClip::CropWindow(int left, int top, int width, int height) const {
  const auto* windowed = dynamic_cast<const WindowedFrames*>(child_.get());
  return windowed ? windowed->CropWindow(left, top, width, height) : nullptr;
}

void CachedClip::ReleaseIdle() {
  Entry dropped[kFrames];
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (int i = 0; i < kFrames; ++i) dropped[i] = std::exchange(recent_[i], Entry{});
  }
  // Freed here, outside the lock.
}

long long CachedClip::Misses() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return misses_;
}

ClipPtr WithCache(ClipPtr clip) {
  if (!clip || dynamic_cast<const CachedClip*>(clip.get())) return clip;
  return std::make_shared<CachedClip>(std::move(clip));
}

}  // namespace tandemix::engine
