// "Auto align" off the window's thread: reading frames of the clip and
// matching them takes seconds on a large pair, and the window must keep
// answering (and offer a Cancel) meanwhile. The work runs on a thread of
// its own; what it reports, its result and its end are handed to the
// window's thread through `post`. A cancelled run is told to stop and
// delivers nothing but its end.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "analysis/AutoAlign.h"

namespace tandemix {

// What the work sees of its run.
class AlignProgress {
 public:
  virtual ~AlignProgress() = default;
  // Says how far the work came ("reading frames", 2, 5); false once the
  // run is cancelled: the work then stops (AlignCancelled, or any return).
  virtual bool Step(const std::string& what, int done, int total) const = 0;
  virtual bool Cancelled() const = 0;
};

// The work of one run: on the worker thread; throws TandemixError with the
// reason it failed.
using AutoAlignWork = std::function<AlignmentProposal(const AlignProgress&)>;

class AutoAlignRunner {
 public:
  using Post = std::function<void(std::function<void()>)>;
  // Each runs on the window's thread; none runs for a cancelled run except
  // `ended`.
  struct Listener {
    std::function<void(const std::string& what, int done, int total)> progress;
    std::function<void(const AlignmentProposal&)> done;
    std::function<void(const std::string& reason)> failed;
    std::function<void()> ended;  // the worker is free again
  };
  AutoAlignRunner(Post post, Listener listener);
  // Cancels a run and waits for its worker.
  ~AutoAlignRunner();
  AutoAlignRunner(const AutoAlignRunner&) = delete;
  AutoAlignRunner& operator=(const AutoAlignRunner&) = delete;

  // Starts `work`; false (and nothing started) while a run has not ended.
  bool Start(AutoAlignWork work);
  // The running work is told to stop and its result, if any, is dropped.
  void Cancel();
  // A run started and its end not yet delivered.
  bool Busy() const { return busy_; }
  // The current run was cancelled and has not ended yet.
  bool Cancelling() const { return busy_ && cancelled_ && cancelled_->load(); }

 private:
  Post post_;
  std::shared_ptr<Listener> listener_;
  // What the worker posts reaches the runner through this while it lives.
  std::shared_ptr<AutoAlignRunner*> alive_ = std::make_shared<AutoAlignRunner*>(this);
  std::shared_ptr<std::atomic<bool>> cancelled_;
  std::thread worker_;
  bool busy_ = false;
};

}  // namespace tandemix
