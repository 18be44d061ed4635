// What sound costs: the 1080p side-by-side chain of two H.264 sources with
// AAC sound, every frame fetched together with its samples (as the player
// and the encoder take them), against the same script after KillAudio()
// fetching the frames alone, in the same run.
#include <vector>

#include "base/TextFile.h"
#include "bench/EngineBenchSupport.h"
#include "engine/ScriptEngine.h"

namespace tandemix::bench {
namespace {

constexpr int kFrames = 48;

struct Setup {
  ScratchFolder folder;
  std::string withSound, withoutSound;
  Setup() {
    for (const char* name : {"left.mp4", "right.mp4"})
      Shell(
          "ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=1920x1080:rate=25 -f lavfi -i "
          "sine=frequency=440:sample_rate=48000 -frames:v " +
          std::to_string(kFrames) +
          " -c:v libx264 -preset veryfast -pix_fmt yuv420p -ac 2 -c:a aac -b:a 192k -shortest " +
          Quote(folder.File(name)));
    const LineList lines = {"ClipA = OpenSource(\"" + folder.File("left.mp4") + "\")",
                            "ClipB = OpenSource(\"" + folder.File("right.mp4") + "\")",
                            "ClipA = Lanczos4Resize(ClipA, 1960, 1104).Crop(20, 12, 1920, 1080)",
                            "ClipB = AddBorders(ClipB, 16, 16, 16, 16).Crop(16, 16, 1920, 1080)",
                            "StackHorizontal(ClipA, ClipB)"};
    withSound = folder.File("sound.avs");
    WriteTextLines(withSound, lines);
    LineList killed = lines;
    killed.push_back("KillAudio()");
    withoutSound = folder.File("silent.avs");
    WriteTextLines(withoutSound, killed);
  }
};

Setup& TheSetup() {
  static Setup setup;
  return setup;
}

// Every frame, and with it the samples that play during it.
void Serve(const std::string& script) {
  const engine::ClipPtr clip = engine::OpenScript(script);
  const engine::ClipInfo& info = clip->Info();
  std::vector<char> samples;
  for (int n = 0; n < info.frameCount; ++n) {
    benchmark::DoNotOptimize(clip->GetFrame(n));
    if (!info.audio.Present()) continue;
    const auto start = static_cast<int64_t>(n) * info.audio.sampleRate * info.rateDenominator / info.rateNumerator;
    const auto end = static_cast<int64_t>(n + 1) * info.audio.sampleRate * info.rateDenominator / info.rateNumerator;
    samples.resize(static_cast<std::size_t>((end - start) * info.audio.BytesPerSample()));
    clip->GetAudio(samples.data(), start, end - start);
    benchmark::DoNotOptimize(samples.data());
  }
}

void BM_ServeWithSound(benchmark::State& state) {
  Timed(state, "sound", [] { Serve(TheSetup().withSound); });
  state.counters["fps"] = benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ServeAfterKillAudio(benchmark::State& state) {
  Timed(state, "silent", [] { Serve(TheSetup().withoutSound); });
  state.counters["fps"] = benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_ServeWithSound)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ServeAfterKillAudio)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace tandemix::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  tandemix::bench::TheSetup();
  benchmark::RunSpecifiedBenchmarks();
  const double sound = tandemix::bench::Timings()["sound"];
  const double silent = tandemix::bench::Timings()["silent"];
  if (sound > 0.0 && silent > 0.0)
    std::printf(
        "Serving 48 frames of two 1080p sources with AAC sound: %.3f s, after KillAudio %.3f s; sound adds %.1f %%\n",
        sound, silent, 100.0 * (sound / silent - 1.0));
  benchmark::Shutdown();
  return 0;
}
