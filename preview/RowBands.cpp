#include "preview/RowBands.h"

#include <algorithm>

#include "platform/WorkerPool.h"

namespace tandemix {
namespace {

// Below this much work a pass stays on one thread.
constexpr std::int64_t kWorkPerBand = 64 * 1024;
constexpr int kMaxBands = 8;

int BandCount(int rows, std::int64_t workPerRow) {
  static const int threads = std::clamp(ParallelThreads(), 1, kMaxBands);
  const std::int64_t byWork = std::max<std::int64_t>(1, rows * std::max<std::int64_t>(workPerRow, 1) / kWorkPerBand);
  return static_cast<int>(std::min<std::int64_t>({threads, byWork, rows}));
}

}  // namespace

void ForEachRowBand(int rows, std::int64_t workPerRow, const std::function<void(int, int)>& body) {
  if (rows <= 0) return;
  const int bands = BandCount(rows, workPerRow);
  auto bandStart = [&](int b) { return static_cast<int>(static_cast<std::int64_t>(rows) * b / bands); };
  // The bands run on the worker pool shared with the engine.
  RunParts(bands, [&](int b) { body(bandStart(b), bandStart(b + 1)); });
}

}  // namespace tandemix
