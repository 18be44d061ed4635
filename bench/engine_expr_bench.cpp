// Expr on 1080p YV12: a three-input expression (the mean of three clips)
// and a longer one with relative pixels, a comparison and a variable, per
// frame through the engine (rows on the pool, the vector form the
// processor allows), against the same expressions with the vector kernels
// off. The target is under 10 ms a frame for the three-input expression.
#include <string>

#include "base/VectorKernels.h"
#include "bench/EngineBenchSupport.h"
#include "engine/ScriptEngine.h"

namespace tandemix::bench {
namespace {

const char* const kSources =
    "a = ColorBars(1920, 1080, pixel_type=\"YV12\").Trim(0, 99999)\n"
    "b = BlankClip(a, color_yuv=$508060)\n"
    "c = BlankClip(a, color_yuv=$C04090)\n";

void RunExpr(benchmark::State& state, const std::string& expression, bool vector) {
  EnableVectorKernels(vector);
  const engine::ClipPtr clip =
      engine::EvaluateScript(std::string(kSources) + "Expr(a, b, c, \"" + expression + "\")", "bench.avs", "");
  int n = 0;
  for (auto _ : state) {
    auto frame = clip->GetFrame(n++);
    benchmark::DoNotOptimize(frame);
  }
  EnableVectorKernels(true);
}

void BM_ExprMeanOfThree(benchmark::State& state) { RunExpr(state, "x y + z + 3 /", true); }
void BM_ExprMeanOfThreePlain(benchmark::State& state) { RunExpr(state, "x y + z + 3 /", false); }
void BM_ExprLonger(benchmark::State& state) {
  RunExpr(state, "x[-1,0] x[1,0] + 2 / A^ x A - abs 10 > y z ? A max", true);
}

BENCHMARK(BM_ExprMeanOfThree)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ExprMeanOfThreePlain)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ExprLonger)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace tandemix::bench

BENCHMARK_MAIN();
