// The recent frames of one node of the clip graph. The evaluator puts one
// after every filter it builds, so a clip used more than once for the same
// frame (MergeRGB(x, c, x), Weave(SeparateFields(x)), one clip feeding two
// views) makes that frame once per request instead of once per use; without
// it a chain of such lines costs 2^depth fetches.
//
// The cache keeps the last few frames asked for. A frame being made on one
// thread is waited for, not made again, by another that asks for it at the
// same time. The frames held count against the script's frame budget like
// any other, and the budget takes them back when it runs short.
//
// Every frame request passes through a cache, so it is also where the
// depth of a request is checked against the stack of the thread that makes
// it: a graph deeper than the stack allows fails with a message instead of
// overflowing it.
#pragma once

#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/frames/Clip.h"
#include "engine/frames/FrameBudget.h"
#include "engine/frames/WindowedFrames.h"

namespace tandemix::engine {

class CachedClip : public Clip, public WindowedFrames, public IdleFrames {
 public:
  explicit CachedClip(ClipPtr child);
  ~CachedClip() override;

  FramePtr GetFrame(int n) override;
  // A frame held is copied into `out`; one that is not is written there by
  // the child straight, as a stack asks (its area is made once anyway).
  void GetFrameInto(int n, VideoFrame& out, int x, int y) override;
  // The child's window, when it can make one.
  ClipPtr CropWindow(int left, int top, int width, int height) const override;
  // Lets go of the frames held (the budget asks when it runs short).
  void ReleaseIdle() override;

  const ClipPtr& Child() const { return child_; }
  // How many frames the child has been asked to make (for tests).
  long long Misses() const;

  static constexpr int kFrames = 2;

 private:
  // With the lock held: the frame held for n, or null; Hold keeps a frame
  // and returns the one it lets go.
  FramePtr Held(int n);
  FramePtr Hold(int n, FramePtr frame);

  ClipPtr child_;
  std::shared_ptr<FrameBudget> budget_;
  mutable std::mutex mutex_;
  struct Entry {
    int n = -1;
    FramePtr frame;
  };
  Entry recent_[kFrames];
  int next_ = 0;
  long long misses_ = 0;
  struct Making {
    std::shared_future<FramePtr> frame;
    std::thread::id thread;  // the thread making it
  };
  std::map<int, Making> making_;  // frames being made now
};

// `clip` behind a cache; a clip that is already a cache is returned as it is.
ClipPtr WithCache(ClipPtr clip);

// Throws FilterError when the calling thread's stack has too little room
// left for another level of a frame request.
void CheckStackRoom();

}  // namespace tandemix::engine
