// Playing the 1080p alignment chain in the viewer's player (EnginePlayer):
// two 1920x1080 H.264 sources at 25 frames a second, 250 frames, the left
// view Lanczos4Resize(1960,1104).Crop(20,12,1920,1080), the right
// AddBorders(16,16,16,16).Crop(16,16,1920,1080), stacked side by side and
// shown as RGB24, as the viewer shows them. Counts the frames shown later
// than the next frame's time (a visible stutter) and the frames never shown
// (skipped to keep the rate), and prints the worst lateness. Frame 0 is on
// screen from the opening, as in the viewer, and playing goes on from it.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/TextFile.h"
#include "bench/EngineBenchSupport.h"
#include "engine/ScriptEngine.h"
#include "playback/EnginePlayer.h"

namespace tandemix::bench {
namespace {

constexpr int kFrames = 250;
constexpr double kRate = 25.0;

using Clock = std::chrono::steady_clock;

// Made once, for both benchmarks.
struct Setup {
  ScratchFolder folder;
  std::string script;
  Setup() {
    MakeClip(folder.File("left.mp4"), 1920, 1080, kFrames);
    MakeClip(folder.File("right.mp4"), 1920, 1080, kFrames);
    script = folder.File("chain.avs");
    WriteTextLines(script,
                   {"ClipA = OpenSource(\"" + folder.File("left.mp4") + "\")",
                    "ClipB = OpenSource(\"" + folder.File("right.mp4") + "\")",
                    "ClipA = Lanczos4Resize(ClipA,1960,1104).Crop(20,12,1920,1080)",
                    "ClipB = AddBorders(ClipB,16,16,16,16).Crop(16,16,1920,1080)", "StackHorizontal(ClipA,ClipB)"});
  }
};

struct Result {
  int shown = 0, late = 0, skipped = 0;
  double worstMs = 0.0;
};
Result& Last() {
  static Result result;
  return result;
}

Setup& TheSetup() {
  static Setup setup;
  return setup;
}

void BM_PlayChain(benchmark::State& state) {
  const Setup& setup = TheSetup();
  for (auto _ : state) {
    std::mutex mutex;
    std::vector<std::pair<int, Clock::time_point>> shown;
    Clock::time_point start;
    bool playing = false;
    int onScreen = -1;  // the frame shown when the viewer opened the script
    EnginePlayer player([&](FramePtr, int index) {
      const auto now = Clock::now();
      std::lock_guard<std::mutex> lock(mutex);
      if (playing)
        shown.emplace_back(index, now);
      else
        onScreen = index;
    });
    try {
      player.Open(setup.script);
    } catch (const TandemixError& e) {
      state.SkipWithError(e.what());
      return;
    }
    player.WaitIdle(10000);  // the first frame shown, as the viewer opens it
    {
      std::lock_guard<std::mutex> lock(mutex);
      playing = true;
      start = Clock::now();
    }
    player.Play();
    while (player.Mode() == PlayerMode::Playing) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::lock_guard<std::mutex> lock(mutex);
    Result r;
    std::vector<bool> seen(kFrames, false);
    // Playing from the frame on screen goes on from the next one.
    if (onScreen == 0) {
      seen[0] = true;
      ++r.shown;
    }
    for (const auto& [index, when] : shown) {
      if (index < 0 || index >= kFrames) continue;
      seen[static_cast<std::size_t>(index)] = true;
      const double lateMs = std::chrono::duration<double, std::milli>(when - start).count() - index * 1000.0 / kRate;
      r.worstMs = std::max(r.worstMs, lateMs);
      if (lateMs > 1000.0 / kRate) ++r.late;
      ++r.shown;
    }
    r.skipped = static_cast<int>(std::count(seen.begin(), seen.end(), false));
    Last() = r;
    state.counters["late"] = r.late;
    state.counters["skipped"] = r.skipped;
    state.counters["worst_ms"] = r.worstMs;
  }
}

// What the player's worker does for each frame, as fast as it can: the
// chain's frame n as RGB24.
void BM_ChainFramesAsRGB24(benchmark::State& state) {
  const Setup& setup = TheSetup();
  engine::ClipPtr clip = engine::OpenVideo(setup.script);
  int n = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(engine::FrameBGROf(*clip, n, setup.script));
    n = (n + 1) % kFrames;
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_ChainFramesAsRGB24)->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(BM_PlayChain)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace tandemix::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  const auto& r = tandemix::bench::Last();
  std::printf(
      "Playing the 1080p chain, %d frames at 25 fps: %d shown, %d shown more than a frame late, %d skipped; "
      "worst lateness %.1f ms\n",
      tandemix::bench::kFrames, r.shown, r.late, r.skipped, r.worstMs);
  benchmark::Shutdown();
  return 0;
}
