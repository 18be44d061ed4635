#include "preview/RowBands.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace tandemix {
namespace {

// Below this much work a pass stays on one thread.
constexpr std::int64_t kWorkPerBand = 64 * 1024;
constexpr unsigned kMaxBands = 8;

unsigned BandCount(int rows, std::int64_t workPerRow) {
  static const unsigned cores = std::max(1u, std::min(kMaxBands, std::thread::hardware_concurrency()));
  const std::int64_t byWork = std::max<std::int64_t>(1, rows * std::max<std::int64_t>(workPerRow, 1) / kWorkPerBand);
  return static_cast<unsigned>(std::min<std::int64_t>({cores, byWork, rows}));
}

}  // namespace

void ForEachRowBand(int rows, std::int64_t workPerRow, const std::function<void(int, int)>& body) {
  if (rows <= 0) return;
  const unsigned bands = BandCount(rows, workPerRow);
  if (bands <= 1) {
    body(0, rows);
    return;
  }
  auto bandStart = [&](unsigned b) { return static_cast<int>(static_cast<std::int64_t>(rows) * b / bands); };
  std::vector<std::thread> helpers;
  helpers.reserve(bands - 1);
  unsigned next = 1;
  try {
    for (; next < bands; ++next) helpers.emplace_back(body, bandStart(next), bandStart(next + 1));
  } catch (const std::system_error&) {
    // No thread to be had: the calling thread does the remaining bands.
  }
  body(0, bandStart(1));
  for (unsigned b = next; b < bands; ++b) body(bandStart(b), bandStart(b + 1));
  for (std::thread& t : helpers) t.join();
}

}  // namespace tandemix
