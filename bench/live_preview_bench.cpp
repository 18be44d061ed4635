// How many pictures a second the adjustment window gets while a bar is
// dragged on a 1080p pair: each iteration moves the horizontal bar by one
// pixel and waits until the picture of that value is shown (tilt on both
// views, scale, shift, optimised anaglyph). "updates_per_second" is the
// rate; 30 or more keeps the picture with the bar. The second benchmark
// feeds moves at 120 a second, faster than pictures come, and counts how
// many of them became pictures and how many were dropped for a newer one.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "preview/LivePreview.h"

namespace tandemix {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

Bitmap MakeFrame(int seed) {
  Bitmap b(kWidth, kHeight);
  for (int r = 0; r < kHeight; ++r) {
    std::uint8_t* line = b.ScanLine(r);
    for (int c = 0; c < kWidth; ++c) {
      line[3 * c] = static_cast<std::uint8_t>(c * 37 + r * 11 + seed * 13);
      line[3 * c + 1] = static_cast<std::uint8_t>(c * 5 + r * 23 + seed * 71);
      line[3 * c + 2] = static_cast<std::uint8_t>((c ^ r) * 29 + seed * 7);
    }
  }
  return b;
}

PreviewRequest Dragged(int horizontal) {
  PreviewRequest r;
  r.horizontalShift = horizontal;
  r.verticalShift = -6;
  r.scaleLeft = 1.02;
  r.angleLeft = 1.5;
  r.angleRight = -1.5;
  r.switches = PreviewSwitches{false, false, ShowClip::Output, PreviewMode::Optimised};
  return r;
}

// Pictures are "shown" on the worker itself: the window's event loop is
// not what is measured.
struct Counter {
  std::mutex mutex;
  std::condition_variable changed;
  int shown = 0;
};

void BM_PictureFollowsTheBar(benchmark::State& state) {
  Counter counter;
  LivePreview live([](std::function<void()> work) { work(); },
                   [&](const Bitmap&) {
                     std::lock_guard lock(counter.mutex);
                     ++counter.shown;
                     counter.changed.notify_all();
                   });
  live.SetFrames(MakeFrame(1), MakeFrame(2));
  int h = 0;
  for (auto _ : state) {
    std::unique_lock lock(counter.mutex);
    const int before = counter.shown;
    lock.unlock();
    live.Request(Dragged(++h % 200));
    lock.lock();
    counter.changed.wait(lock, [&] { return counter.shown > before; });
  }
  state.counters["updates_per_second"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PictureFollowsTheBar)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MovesAt120PerSecond(benchmark::State& state) {
  std::atomic<int> shown{0};
  for (auto _ : state) {
    LivePreview live([](std::function<void()> work) { work(); }, [&](const Bitmap&) { ++shown; });
    live.SetFrames(MakeFrame(1), MakeFrame(2));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 120; ++i) {
      live.Request(Dragged(i));
      std::this_thread::sleep_until(start + std::chrono::microseconds(8333 * (i + 1)));
    }
    live.WaitIdle(5000);
    const LivePreview::Counts c = live.Stats();
    state.counters["shown_of_120"] = c.shown;
    state.counters["replaced"] = c.replaced;
    state.counters["dropped"] = c.dropped;
  }
}
BENCHMARK(BM_MovesAt120PerSecond)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace
}  // namespace tandemix

BENCHMARK_MAIN();
