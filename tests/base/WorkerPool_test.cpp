// The shared worker pool: every part runs once, parts may start parts of
// their own (a stack's views resizing their planes) without waiting for a
// thread that is not working for them, and errors come back in part order.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
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

}  // namespace
}  // namespace tandemix::test
