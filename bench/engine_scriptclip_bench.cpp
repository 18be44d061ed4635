// What a runtime filter costs per frame: a 1080p YV12 clip (a BlankClip,
// whose frames cost next to nothing, so the difference is the filter's own)
// served frame by frame in process, without and with a ScriptClip that evaluates a small
// expression per frame (and with a FrameEvaluate above it handing a global
// down). Each benchmark serves fresh frames in order, so no frame comes
// from a cache. The closing lines print the ScriptClip's cost per frame
// over the same chain without it (target: under 50 µs).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "engine/ScriptEngine.h"

namespace tandemix::bench {
namespace {

constexpr int kFrames = 100000;

const char* const kChain =
    "BlankClip(width=1920, height=1080, pixel_type=\"YV12\", length=100000, color_yuv=$508080)\n";

std::map<std::string, double>& NsPerFrame() {
  static std::map<std::string, double> ns;
  return ns;
}

void Serve(benchmark::State& state, const std::string& script) {
  const engine::ClipPtr clip = engine::EvaluateScript(script, "bench.avs");
  int n = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(clip->GetFrame(n));
    n = (n + 1) % kFrames;
  }
  state.SetItemsProcessed(state.iterations());
}

void Plain(benchmark::State& state) { Serve(state, kChain); }
void WithScriptClip(benchmark::State& state) {
  Serve(state, std::string(kChain) + "ScriptClip(\"x = current_frame % 7\nx < 3 ? last : last\")\n");
}
void WithScriptClipAndGlobal(benchmark::State& state) {
  Serve(state, std::string(kChain) +
                   "ScriptClip(\"x = current_frame % 7 + g\nx < 3 ? last : last\")\n"
                   "FrameEvaluate(\"global g = current_frame * 2\")\n");
}
void WithConditionalFilter(benchmark::State& state) {
  Serve(state, std::string(kChain) + "ConditionalFilter(last, last, \"current_frame % 2 == 0\")\n");
}

BENCHMARK(Plain)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(WithScriptClip)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(WithScriptClipAndGlobal)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(WithConditionalFilter)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

// Prints each run as usual and keeps its real time per frame.
class Reporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      const std::string name = r.benchmark_name();
      NsPerFrame()[name.substr(0, name.find('/'))] = r.GetAdjustedRealTime() * 1e3;  // microseconds to nanoseconds
    }
  }
};

}  // namespace
}  // namespace tandemix::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  tandemix::bench::Reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  auto& ns = tandemix::bench::NsPerFrame();
  if (ns.count("Plain")) {
    const double plain = ns["Plain"];
    for (const char* name : {"WithScriptClip", "WithScriptClipAndGlobal", "WithConditionalFilter"})
      if (ns.count(name))
        std::printf("%s: %.1f us per frame over the plain chain (%.1f us against %.1f us)\n", name,
                    (ns[name] - plain) / 1e3, ns[name] / 1e3, plain / 1e3);
  }
  return 0;
}
