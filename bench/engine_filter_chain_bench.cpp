// A filter-heavy 1080p YV12 chain served whole by `tandemix-cli serve` to
// /dev/null from a synthetic source (ColorBars, so no decoding): Levels,
// Sharpen, a logo laid over with a mask and opacity, and a title. Prints
// frames per second and processor time over wall time, which shows how
// much of the machine's cores the serving uses; and the same for a light
// chain (Levels alone) and for each filter alone, to see where the time
// goes.
#include <sys/resource.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/TextFile.h"
#include "bench/EngineBenchSupport.h"

namespace tandemix::bench {
namespace {

constexpr int kFrames = 600;

const char* const kSource = "ColorBars(width=1920, height=1080, pixel_type=\"YV12\").Trim(0, 599)";
const char* const kLogo =
    "logo = BlankClip(last, width=320, height=120, color=$E0C020).Subtitle(\"TANDEMIX\", size=64, align=5)";

struct Chain {
  const char* name;
  std::vector<std::string> lines;
};

const std::vector<Chain>& Chains() {
  static const std::vector<Chain> chains = {
      {"heavy",
       {kSource, kLogo, "Levels(16, 1.2, 235, 0, 255)", "Sharpen(0.4)",
        "Overlay(logo, x=1560, y=40, mask=logo.Greyscale(), opacity=0.7)",
        "Subtitle(\"Left camera, take 3\", size=48)"}},
      {"light", {kSource, "Levels(16, 1.2, 235, 0, 255)"}},
      {"Sharpen", {kSource, "Sharpen(0.4)"}},
      {"Overlay", {kSource, kLogo, "Overlay(logo, x=1560, y=40, mask=logo.Greyscale(), opacity=0.7)"}},
      {"Subtitle", {kSource, "Subtitle(\"Left camera, take 3\", size=48)"}},
      {"TemporalSoften", {kSource, "TemporalSoften(2, 4, 6)"}},
  };
  return chains;
}

ScratchFolder& Folder() {
  static ScratchFolder folder;
  return folder;
}

void Serve(benchmark::State& state, const Chain& chain) {
  const std::string script = Folder().File(std::string(chain.name) + ".avs");
  WriteTextLines(script, chain.lines);
  const std::string command = std::string(TANDEMIX_CLI_PATH) + " serve " + Quote(script) + " > /dev/null";
  double cpu = 0.0, wall = 0.0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const CommandUsage usage = ShellUsage(command);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    cpu += usage.cpuSeconds;
    wall += seconds;
  }
  state.counters["fps"] = benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["cpu_per_wall"] = wall > 0.0 ? cpu / wall : 0.0;
  state.counters["cpu_ms_per_frame"] = 1000.0 * cpu / (kFrames * static_cast<double>(state.iterations()));
}

}  // namespace
}  // namespace tandemix::bench

int main(int argc, char** argv) {
  for (const auto& chain : tandemix::bench::Chains())
    benchmark::RegisterBenchmark((std::string("BM_Serve/") + chain.name).c_str(),
                                 [&chain](benchmark::State& state) { tandemix::bench::Serve(state, chain); })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
