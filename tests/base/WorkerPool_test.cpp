// The shared worker pool: every part runs once, parts may start parts of
// their own (a stack's views resizing their planes) without waiting for a
// thread that is not working for them, and errors come back in part order.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/WorkerPool.h"

namespace tandemix::test {
namespace {

TEST(WorkerPool, RunsEveryPartOnceAndNestedCallsFinish) {
  EXPECT_GE(ParallelThreads(), 2);
  std::vector<std::atomic<int>> runs(64);
  RunParts(64, [&](int part) { runs[static_cast<std::size_t>(part)].fetch_add(1); });
  for (const auto& r : runs) EXPECT_EQ(r.load(), 1);
  // Three levels deep, more parts than threads at every level.
  std::atomic<int> leaves{0};
  RunParts(5, [&](int) { RunParts(4, [&](int) { RunParts(3, [&](int) { leaves.fetch_add(1); }); }); });
  EXPECT_EQ(leaves.load(), 60);
  RunParts(0, [&](int) { FAIL() << "no part to run"; });
  RunParts(-3, [&](int) { FAIL() << "no part to run"; });
}

TEST(WorkerPool, TheFirstFailingPartInOrderIsReportedAfterAllHaveRun) {
  std::atomic<int> finished{0};
  try {
    RunParts(8, [&](int part) {
      finished.fetch_add(1);
      if (part == 6) throw std::runtime_error("part 6");
      if (part == 3) throw std::runtime_error("part 3");
    });
    FAIL() << "no error came back";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "part 3");
  }
  EXPECT_EQ(finished.load(), 8);
  // A single part runs on the caller and its error passes straight through.
  EXPECT_THROW(RunParts(1, [](int) { throw std::logic_error("one"); }), std::logic_error);
}

// Thread ids seen by parts, and a wait (bounded, so a fault fails the test
// instead of hanging it) until enough distinct threads have come.
class Threads {
 public:
  void Arrive() {
    std::lock_guard<std::mutex> lock(mutex_);
    seen_.insert(std::this_thread::get_id());
    changed_.notify_all();
  }
  bool WaitFor(std::size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(3), [&] { return seen_.size() >= count; });
  }
  bool Saw(std::thread::id id) {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_.count(id) != 0;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::set<std::thread::id> seen_;
};

TEST(WorkerPool, AThreadDoneWithItsPartsHelpsWithThePartsTheOthersStarted) {
  // The caller's part ends as soon as the other part has started on a pool
  // thread; that part then splits its work, and each piece waits for a
  // second thread to come. Only the caller can be that second thread.
  const std::thread::id caller = std::this_thread::get_id();
  std::atomic<bool> started{false};
  Threads pieces;
  std::atomic<int> helped{0};
  RunParts(2, [&](int) {
    if (std::this_thread::get_id() == caller) {
      while (!started.load()) std::this_thread::yield();
      return;
    }
    started.store(true);
    RunParts(4, [&](int) {
      pieces.Arrive();
      if (pieces.WaitFor(2)) helped.fetch_add(1);
    });
  });
  EXPECT_EQ(helped.load(), 4);
}

TEST(WorkerPool, AWaitingCallerTakesNoPartOfUnrelatedWork) {
  // One caller waits on a part that is held up on a pool thread (its own
  // part ends only once that one has started); meanwhile another thread
  // runs a batch of its own. The waiting caller must not take any of it
  // (it may hold locks or frames that work does not expect).
  std::mutex hold;
  std::unique_lock<std::mutex> held(hold);
  std::atomic<bool> blocked{false};
  std::thread::id waiter;
  std::thread first([&] {
    waiter = std::this_thread::get_id();
    RunParts(2, [&](int) {
      if (std::this_thread::get_id() == waiter) {
        while (!blocked.load()) std::this_thread::yield();
        return;
      }
      blocked.store(true);
      std::lock_guard<std::mutex> wait(hold);
    });
  });
  while (!blocked.load()) std::this_thread::yield();
  Threads others;
  std::thread second([&] { RunParts(16, [&](int) { others.Arrive(); }); });
  second.join();
  held.unlock();
  first.join();
  EXPECT_FALSE(others.Saw(waiter));
}

}  // namespace
}  // namespace tandemix::test
