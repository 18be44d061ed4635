// The cache behind every filter: a clip used more than once per frame is
// made once, frames asked for at once by two threads are made once, errors
// are not kept, the budget takes the frames back, and scripts that share
// clips down a long chain run in time linear in their length.
#include "engine/frames/NodeCache.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engine/frames/ScriptError.h"
#include "tests/engine/EngineTestSupport.h"

namespace tandemix::engine {
namespace {

ClipInfo SmallInfo(int frames = 10) {
  ClipInfo info;
  info.width = 8;
  info.height = 8;
  info.frameCount = frames;
  return info;
}

// Counts the frames it makes; each frame's first byte is its number.
class CountingClip : public Clip {
 public:
  explicit CountingClip(int delayMs = 0) : Clip(SmallInfo()), delayMs_(delayMs) {}
  FramePtr GetFrame(int n) override {
    ++made;
    if (delayMs_) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs_));
    if (failNext.exchange(false)) throw FilterError("Counting: cannot make the frame");
    auto f = std::make_shared<FrameBGR>(8, 8);
    f->pixels[0] = static_cast<std::uint8_t>(n);
    return f;
  }
  std::atomic<int> made{0};
  std::atomic<bool> failNext{false};

 private:
  int delayMs_;
};

// Asks its child for frame n twice and for frame n + 1 once, as a filter
// that uses one clip twice and its next frame (MergeRGB(x, c, x), Weave of
// SeparateFields).
class TwiceClip : public Clip {
 public:
  explicit TwiceClip(ClipPtr child) : Clip(child->Info()), child_(std::move(child)) {}
  FramePtr GetFrame(int n) override {
    FramePtr a = child_->GetFrame(n);
    FramePtr b = child_->GetFrame(n);
    child_->GetFrame(n + 1);
    EXPECT_EQ(a->pixels[0], b->pixels[0]);
    return a;
  }

 private:
  ClipPtr child_;
};

TEST(NodeCache, ChainOfSharedUsesMakesEachFrameOnce) {
  auto source = std::make_shared<CountingClip>();
  ClipPtr clip = WithCache(source);
  EXPECT_EQ(WithCache(clip), clip);  // a cache is not wrapped again
  for (int i = 0; i < 40; ++i) clip = WithCache(std::make_shared<TwiceClip>(clip));
  EXPECT_EQ(clip->GetFrame(3)->pixels[0], 3);
  // Frames 3 .. 43 of the source (clamped to 9), each made once; uncached,
  // this is 3^40 requests.
  EXPECT_EQ(source->made.load(), 7);
  EXPECT_EQ(clip->GetFrame(3)->pixels[0], 3);  // held: nothing made again
  EXPECT_EQ(source->made.load(), 7);
  EXPECT_EQ(static_cast<CachedClip&>(*clip).Misses(), 1);
}

TEST(NodeCache, KeepsTheLastFramesAndClampsTheNumber) {
  auto source = std::make_shared<CountingClip>();
  ClipPtr clip = WithCache(source);
  for (int n : {0, 1, 0, 1, 99, 9, -5, 0}) clip->GetFrame(n);
  // 0, 1 made; 99 is frame 9, made; 9 held; -5 is frame 0, made again
  // (two frames are kept: 1 and 9); 0 held.
  EXPECT_EQ(source->made.load(), 4);
  EXPECT_EQ(clip->GetFrame(99)->pixels[0], 9);
}

TEST(NodeCache, FrameAskedForByTwoThreadsAtOnceIsMadeOnce) {
  auto source = std::make_shared<CountingClip>(50);
  ClipPtr clip = WithCache(source);
  FramePtr a, b;
  std::thread first([&] { a = clip->GetFrame(4); });
  std::thread second([&] { b = clip->GetFrame(4); });
  first.join();
  second.join();
  EXPECT_EQ(source->made.load(), 1);
  EXPECT_EQ(a, b);
}

TEST(NodeCache, ErrorsReachEveryCallerAndAreNotKept) {
  auto source = std::make_shared<CountingClip>();
  ClipPtr clip = WithCache(source);
  source->failNext = true;
  EXPECT_THROW(clip->GetFrame(2), FilterError);
  EXPECT_EQ(clip->GetFrame(2)->pixels[0], 2);  // asked again, made again
  EXPECT_EQ(source->made.load(), 2);
}

TEST(NodeCache, TheBudgetTakesTheHeldFramesBack) {
  const std::size_t frameBytes = FrameBGR::BytesOf(PixelType::RGB24, 64, 64);
  auto budget = std::make_shared<FrameBudget>(frameBytes * 2);
  BudgetScope scope(budget);
  // A node whose frames count against the budget, behind a cache.
  class PooledClip : public Clip {
   public:
    PooledClip() : Clip(SmallInfo()) { info_.width = info_.height = 64; }
    FramePtr GetFrame(int) override { return pool_.Take(info_); }

   private:
    FramePool pool_{"Test"};
  };
  ClipPtr clip = WithCache(std::make_shared<PooledClip>());
  clip->GetFrame(0);
  FramePtr held = clip->GetFrame(1);
  EXPECT_EQ(budget->InUse(), 2 * frameBytes);
  // Frame 2 fits only when the cache lets frame 0 go and its pool frees it.
  EXPECT_NE(clip->GetFrame(2), nullptr);
  EXPECT_EQ(budget->InUse(), 2 * frameBytes);
}

// Scripts: a clip used twice per line, 40 lines deep, and a field split and
// weave 30 deep, each give the clip's own frames at once.
TEST(NodeCache, ScriptsSharingClipsDownLongChains) {
  std::string merges = "x = BlankClip(width=8, height=8, length=4, color=$204060)\nc = x\n";
  for (int i = 0; i < 40; ++i) merges += "x = MergeRGB(x, c, x)\n";
  merges += "x";
  const ClipPtr merged = test::Eval(merges);
  EXPECT_EQ(test::PixelAt(*merged->GetFrame(2), 3, 3), (test::Bgr{0x60, 0x40, 0x20}));

  std::string weaves = "x = BlankClip(width=8, height=8, length=4, color=$808080)\n";
  for (int i = 0; i < 30; ++i) weaves += "x = Weave(SeparateFields(x))\n";
  weaves += "x";
  const ClipPtr woven = test::Eval(weaves);
  EXPECT_EQ(test::SizeOf(woven), (test::Size{8, 8, 4}));
  EXPECT_EQ(test::PixelAt(*woven->GetFrame(3), 7, 7), (test::Bgr{0x80, 0x80, 0x80}));
}

// A chain of 2990 filters asked for on a thread with a 1.1 MiB stack (half a MiB of it kept back): the
// request stops with a message before the stack runs out (under ASan too,
// whose frames are larger), and the same chain serves on a thread with room.
TEST(NodeCache, ChainsDeeperThanTheStackAllowsFailWithAMessage) {
  std::string chain = "c = BlankClip(width=8, height=1, length=1)\n";
  for (int i = 0; i < 2990; ++i) chain += "c = c.FlipVertical()\n";
  chain += "c";
  const ClipPtr clip = test::Eval(chain);
  struct Request {
    Clip* clip;
    std::string error;
    int height = 0;
  } small{clip.get(), "", 0}, roomy{clip.get(), "", 0};
  const auto run = [](void* arg) -> void* {
    auto* r = static_cast<Request*>(arg);
    try {
      r->height = r->clip->GetFrame(0)->height;
    } catch (const TandemixError& e) {
      r->error = e.what();
    }
    return nullptr;
  };
  for (auto [request, stackBytes] :
       {std::pair{&small, std::size_t{1100} << 10}, std::pair{&roomy, std::size_t{64} << 20}}) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, stackBytes);
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attr, run, request), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
  }
  EXPECT_EQ(small.error, "the script's filters are nested too deeply: a frame needs more stack than there is.");
  EXPECT_EQ(small.height, 0);
  EXPECT_EQ(roomy.error, "");
  EXPECT_EQ(roomy.height, 1);
}

}  // namespace
}  // namespace tandemix::engine
