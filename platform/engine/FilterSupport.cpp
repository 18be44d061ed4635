#include "platform/engine/FilterSupport.h"

extern "C" {
#include <libavutil/rational.h>
}

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <numeric>
#include <system_error>
#include <thread>
#include <vector>

namespace tandemix::engine {

void CheckFrameSize(const std::string& filter, long long width, long long height) {
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  if (width <= 0 || height <= 0) throw FilterError(filter + ": the frame size " + size + " is empty.");
  if (width > kMaxFrameSide || height > kMaxFrameSide || width * height > kMaxFramePixels)
    throw FilterError(filter + ": the frame size " + size + " is too large (at most " + std::to_string(kMaxFrameSide) +
                      " pixels a side and " + std::to_string(kMaxFramePixels) + " pixels in all).");
}

int CheckFrameCount(const std::string& filter, long long count) {
  if (count > kMaxFrameCount) throw FilterError(filter + ": too many frames (" + std::to_string(count) + ").");
  return count < 0 ? 0 : static_cast<int>(count);
}

std::shared_ptr<FrameBGR> NewFrame(int width, int height) { return std::make_shared<FrameBGR>(width, height); }

std::shared_ptr<FrameBGR> FramePool::Take(int width, int height, Fill fill) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& spare : spares_) {
    // Only the pool holds it: nobody can take a new reference, and the
    // fence orders the last holder's reads before the writes to come.
    if (!spare || spare.use_count() != 1 || spare->width != width || spare->height != height) continue;
    std::atomic_thread_fence(std::memory_order_acquire);
    if (fill == Fill::Black) std::fill(spare->pixels.begin(), spare->pixels.end(), std::uint8_t{0});
    return spare;
  }
  auto frame = NewFrame(width, height);
  spares_[next_] = frame;
  next_ = (next_ + 1) % kSpares;
  return frame;
}

void SetRate(const std::string& filter, ClipInfo& info, long long numerator, long long denominator) {
  if (numerator <= 0 || denominator <= 0) throw FilterError(filter + ": the frame rate must be more than 0.");
  int num = 0;
  int den = 0;
  av_reduce(&num, &den, numerator, denominator, INT_MAX);
  if (num <= 0 || den <= 0) throw FilterError(filter + ": the frame rate is out of range.");
  info.rateNumerator = num;
  info.rateDenominator = den;
}

void ScaleRate(ClipInfo& info, long long factor, long long divisor) {
  const long long g1 = std::gcd(static_cast<long long>(info.rateNumerator), divisor);
  const long long g2 = std::gcd(static_cast<long long>(info.rateDenominator), factor);
  const long long num = info.rateNumerator / g1 * (factor / g2);
  const long long den = info.rateDenominator / g2 * (divisor / g1);
  int n = 0;
  int d = 0;
  av_reduce(&n, &d, num, den, INT_MAX);
  if (n > 0 && d > 0) {
    info.rateNumerator = n;
    info.rateDenominator = d;
  }
}

void Blit(const FrameBGR& src, FrameBGR& dst, int x, int y) {
  for (int row = 0; row < src.height; ++row)
    std::memcpy(dst.Row(y + row) + static_cast<std::size_t>(x) * 3, src.Row(row), src.Stride());
}

void ParallelFor(int count, long long costPerItem, const std::function<void(int, int)>& work) {
  constexpr long long kMinCostPerThread = 1LL << 18;
  const int cores = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
  const long long total = static_cast<long long>(count) * costPerItem;
  const int parts = static_cast<int>(std::clamp<long long>(total / kMinCostPerThread, 1, std::min(cores, count)));
  if (parts <= 1) {
    if (count > 0) work(0, count);
    return;
  }
  std::vector<std::thread> helpers;
  for (int p = 1; p < parts; ++p) {
    const int begin = static_cast<int>(static_cast<long long>(count) * p / parts);
    const int end = static_cast<int>(static_cast<long long>(count) * (p + 1) / parts);
    try {
      helpers.emplace_back(work, begin, end);
    } catch (const std::system_error&) {
      work(begin, end);  // no thread to be had: do it here
    }
  }
  work(0, static_cast<int>(count / parts));
  for (auto& t : helpers) t.join();
}

ColorBGR ColorFromInt(long long rgb) {
  ColorBGR c;
  c.r = static_cast<std::uint8_t>((rgb >> 16) & 0xff);
  c.g = static_cast<std::uint8_t>((rgb >> 8) & 0xff);
  c.b = static_cast<std::uint8_t>(rgb & 0xff);
  return c;
}

}  // namespace tandemix::engine
