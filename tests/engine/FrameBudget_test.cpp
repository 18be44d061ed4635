// The budget asks the pools and caches for their idle frames when a frame
// does not fit; a holder destroyed meanwhile, on another thread or on the
// asking one, is never asked after it has unregistered.
#include "engine/frames/FrameBudget.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <utility>

#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

// Counts the requests, and runs `onRelease` on the first one.
class Holder : public IdleFrames {
 public:
  explicit Holder(FrameBudget& budget) : budget_(budget) { budget_.Register(this); }
  ~Holder() override {
    if (registered_) budget_.Unregister(this);
  }
  void ReleaseIdle() override {
    asked.fetch_add(1);
    askedAfterUnregister = askedAfterUnregister || !registered_.load();
    if (onRelease) std::exchange(onRelease, nullptr)();
  }
  void Unregister() {
    budget_.Unregister(this);
    registered_ = false;
  }

  std::function<void()> onRelease;
  std::atomic<int> asked{0};
  std::atomic<bool> askedAfterUnregister{false};

 private:
  FrameBudget& budget_;
  std::atomic<bool> registered_{true};
};

TEST(FrameBudget, AsksEveryHolderBeforeRefusingAndNamesTheBudget) {
  FrameBudget budget(3u << 20);
  Holder older(budget), newer(budget);
  budget.Reserve("Test", 2u << 20);
  budget.Reserve("Test", 1u << 20);  // fits exactly: nobody is asked
  EXPECT_EQ(older.asked + newer.asked, 0);
  try {
    budget.Reserve("Test", 1);
    ADD_FAILURE() << "reserved past the limit";
  } catch (const FilterError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Test: out of frame memory: a frame of 1 MB does not fit the budget of 3 MB (3 MB in use; SetMemoryMax "
              "sets the budget).");
  }
  EXPECT_EQ(older.asked, 1);
  EXPECT_EQ(newer.asked, 1);
  budget.Release(1u << 20);
  budget.Reserve("Test", 1);
  EXPECT_EQ(budget.InUse(), (2u << 20) + 1);
}

// A holder unregistered on another thread while the budget asks the others
// waits until the asking is over, so it is never asked once gone.
TEST(FrameBudget, AHolderUnregisteredOnAnotherThreadIsNotAskedAfterward) {
  FrameBudget budget(1u << 20);
  Holder older(budget), newer(budget);
  std::atomic<bool> unregistered{false};
  std::thread other;
  newer.onRelease = [&] {  // the newest is asked first
    other = std::thread([&] {
      older.Unregister();
      unregistered = true;
    });
    // Give the other thread time to finish if nothing holds it back.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  };
  budget.Reserve("Test", 1u << 20);
  EXPECT_THROW(budget.Reserve("Test", 1), FilterError);
  other.join();
  EXPECT_TRUE(unregistered);
  EXPECT_EQ(older.asked, 1);  // asked before the other thread could unregister it
  EXPECT_FALSE(older.askedAfterUnregister);
}

// A holder that the asking thread itself destroys while it is asked (a
// frame let go was the last hold on a clip) is skipped.
TEST(FrameBudget, AHolderUnregisteredWhileAskingOnTheSameThreadIsSkipped) {
  FrameBudget budget(1u << 20);
  Holder older(budget), newer(budget);
  newer.onRelease = [&] { older.Unregister(); };
  budget.Reserve("Test", 1u << 20);
  EXPECT_THROW(budget.Reserve("Test", 1), FilterError);
  EXPECT_EQ(newer.asked, 1);
  EXPECT_EQ(older.asked, 0);
  EXPECT_FALSE(older.askedAfterUnregister);
  // The next shortage asks the ones still registered, and only them.
  EXPECT_THROW(budget.Reserve("Test", 1), FilterError);
  EXPECT_EQ(newer.asked, 2);
  EXPECT_EQ(older.asked, 0);
}

}  // namespace
}  // namespace tandemix::engine
