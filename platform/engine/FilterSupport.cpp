#include "platform/engine/FilterSupport.h"

extern "C" {
#include <libavutil/rational.h>
}

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <numeric>
#include <vector>

#include <unistd.h>

#include "platform/WorkerPool.h"
#include "platform/engine/AudioSupport.h"
#include "platform/engine/PixelConvert.h"

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

namespace {

thread_local std::shared_ptr<FrameBudget> tCurrentBudget;

std::string Megabytes(std::size_t bytes) { return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB"; }

// Gives the frame's bytes back to its budget when the last holder lets go.
struct BudgetedDelete {
  std::shared_ptr<FrameBudget> budget;
  std::size_t bytes;
  void operator()(FrameBGR* frame) const {
    delete frame;
    budget->Release(bytes);
  }
};

}  // namespace

std::size_t FrameBudget::DefaultLimit() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGE_SIZE);
  const std::size_t machine =
      pages > 0 && pageSize > 0 ? static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize) : (4ull << 30);
  return std::max<std::size_t>(machine / 4, 1ull << 30);
}

std::size_t FrameBudget::Limit() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return limit_;
}

void FrameBudget::SetLimit(std::size_t bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  limit_ = bytes;
}

std::size_t FrameBudget::InUse() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return used_;
}

void FrameBudget::Reserve(const std::string& filter, std::size_t bytes) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (used_ + bytes > limit_) {
    // Frames the pools keep and nobody holds go first (their deleters
    // come back here, so the pools are asked without the lock).
    const std::vector<FramePool*> pools = pools_;
    lock.unlock();
    for (FramePool* pool : pools) pool->ReleaseIdle();
    lock.lock();
  }
  if (used_ + bytes > limit_)
    throw FilterError(filter + ": out of frame memory: a frame of " + Megabytes(bytes) +
                      " does not fit the budget of " + Megabytes(limit_) + " (" + Megabytes(used_) +
                      " in use; SetMemoryMax sets the budget).");
  used_ += bytes;
}

void FrameBudget::Release(std::size_t bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  used_ -= std::min(used_, bytes);
}

void FrameBudget::Register(FramePool* pool) {
  std::lock_guard<std::mutex> lock(mutex_);
  pools_.push_back(pool);
}

void FrameBudget::Unregister(FramePool* pool) {
  std::lock_guard<std::mutex> lock(mutex_);
  pools_.erase(std::remove(pools_.begin(), pools_.end(), pool), pools_.end());
}

std::shared_ptr<FrameBudget> CurrentBudget() {
  if (!tCurrentBudget) tCurrentBudget = std::make_shared<FrameBudget>(FrameBudget::DefaultLimit());
  return tCurrentBudget;
}

BudgetScope::BudgetScope(std::shared_ptr<FrameBudget> budget) : previous_(std::move(tCurrentBudget)) {
  tCurrentBudget = std::move(budget);
}

BudgetScope::~BudgetScope() { tCurrentBudget = std::move(previous_); }

FramePool::FramePool(std::string filter) : filter_(std::move(filter)), budget_(CurrentBudget()) {
  budget_->Register(this);
}

FramePool::~FramePool() { budget_->Unregister(this); }

std::shared_ptr<FrameBGR> FramePool::Fresh(PixelType type, int width, int height) {
  const std::size_t bytes = FrameBGR::BytesOf(type, width, height);
  budget_->Reserve(filter_, bytes);
  FrameBGR* frame = nullptr;
  try {
    frame = new FrameBGR(type, width, height);
  } catch (...) {
    budget_->Release(bytes);
    throw;
  }
  return std::shared_ptr<FrameBGR>(frame, BudgetedDelete{budget_, bytes});
}

std::shared_ptr<FrameBGR> FramePool::Take(PixelType type, int width, int height, Fill fill) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& spare : spares_) {
      // Only the pool holds it: nobody can take a new reference, and the
      // fence orders the last holder's reads before the writes to come.
      if (!spare || spare.use_count() != 1 || spare->type != type || spare->width != width || spare->height != height)
        continue;
      std::atomic_thread_fence(std::memory_order_acquire);
      if (fill == Fill::Black) spare->Blacken();
      return spare;
    }
  }
  // Made outside the pool's lock: the budget may ask the pools for memory.
  auto frame = Fresh(type, width, height);
  std::lock_guard<std::mutex> lock(mutex_);
  spares_[next_] = frame;
  next_ = (next_ + 1) % kSpares;
  return frame;
}

void FramePool::ReleaseIdle() {
  std::shared_ptr<FrameBGR> dropped[kSpares];
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (int i = 0; i < kSpares; ++i)
      if (spares_[i] && spares_[i].use_count() == 1) dropped[i] = std::move(spares_[i]);
  }
  // Freed here, outside the lock.
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

FramePtr Owned(FramePtr frame) {
  if (!frame || !frame->IsView()) return frame;
  return std::make_shared<const FrameBGR>(*frame);
}

namespace {
// Bytes from plane p's first to pixel (x, y).
std::size_t OffsetOf(const FrameBGR& f, int p, int x, int y) {
  const std::size_t px = p == 0 ? static_cast<std::size_t>(x) * BytesPerPixel(f.type)
                                : static_cast<std::size_t>(x >> ChromaShiftX(f.type));
  const auto py = static_cast<std::size_t>(p == 0 ? y : y >> ChromaShiftY(f.type));
  return f.Stride(p) * py + px;
}
}  // namespace

std::uint8_t* PixelAt(FrameBGR& f, int p, int x, int y) { return f.Plane(p) + OffsetOf(f, p, x, y); }
const std::uint8_t* PixelAt(const FrameBGR& f, int p, int x, int y) { return f.Plane(p) + OffsetOf(f, p, x, y); }

void CopyRect(const FrameBGR& src, int sx, int sy, FrameBGR& dst, int dx, int dy, int width, int height) {
  for (int p = 0; p < src.Planes(); ++p) {
    const std::uint8_t* s = PixelAt(src, p, sx, sy);
    std::uint8_t* d = PixelAt(dst, p, dx, dy);
    const std::size_t bytes = p == 0 ? static_cast<std::size_t>(width) * BytesPerPixel(src.type)
                                     : static_cast<std::size_t>(width >> ChromaShiftX(src.type));
    const int rows = p == 0 ? height : height >> ChromaShiftY(src.type);
    for (int row = 0; row < rows; ++row) std::memcpy(d + dst.Stride(p) * row, s + src.Stride(p) * row, bytes);
  }
}

void Blit(const FrameBGR& src, FrameBGR& dst, int x, int y) { CopyRect(src, 0, 0, dst, x, y, src.width, src.height); }

void CopyWindow(const FrameBGR& src, FrameBGR& dst, int x, int y) {
  CopyRect(src, x, y, dst, 0, 0, dst.width, dst.height);
}

void RequireType(bool ok, const std::string& message) {
  if (!ok) throw FilterError(message);
}

void ParallelFor(int count, long long costPerItem, const std::function<void(int, int)>& work) {
  constexpr long long kMinCostPerPart = 1LL << 18;
  if (count <= 0) return;
  // Many more parts than threads (each still a good run of rows), so a
  // thread held up elsewhere (a decoder, the other view) leaves its share
  // to the others and the pass does not wait for its slowest thread: 16
  // a thread measured 13 % faster than 2 on the YV24 chain of two 1080p
  // sources (bench/engine_chain_bench), where decoders share the cores.
  const long long total = static_cast<long long>(count) * std::max(costPerItem, 1LL);
  const int parts = static_cast<int>(
      std::clamp<long long>(total / kMinCostPerPart, 1, std::min<long long>(16LL * ParallelThreads(), count)));
  RunParts(parts, [&](int part) {
    const int begin = static_cast<int>(static_cast<long long>(count) * part / parts);
    const int end = static_cast<int>(static_cast<long long>(count) * (part + 1) / parts);
    work(begin, end);
  });
}

PlaneColor ColorInType(PixelType type, long long rgb) {
  const ColorBGR c = ColorFromInt(rgb);
  PlaneColor out;
  if (IsRGBType(type)) {
    out.v[0] = c.b;
    out.v[1] = c.g;
    out.v[2] = c.r;
    out.v[3] = static_cast<std::uint8_t>((rgb >> 24) & 0xff);
    return out;
  }
  // AviSynth's RGB2YUV (16-bit Rec601), which its AddBorders and BlankClip use.
  auto clip8 = [](int i) { return std::clamp((i + 32768) >> 16, 0, 255); };
  const int cyb = static_cast<int>(0.114 * 219 / 255 * 65536 + 0.5);
  const int cyg = static_cast<int>(0.587 * 219 / 255 * 65536 + 0.5);
  const int cyr = static_cast<int>(0.299 * 219 / 255 * 65536 + 0.5);
  const int y = (cyb * c.b + cyg * c.g + cyr * c.r + 0x108000) >> 16;
  const int scaledY = (y - 16) * static_cast<int>(255.0 / 219.0 * 65536 + 0.5);
  const int bY = (c.b << 16) - scaledY;
  const int u = clip8((bY >> 10) * static_cast<int>(1 / 2.018 * 1024 + 0.5) + 0x800000);
  const int rY = (c.r << 16) - scaledY;
  const int v = clip8((rY >> 10) * static_cast<int>(1 / 1.596 * 1024 + 0.5) + 0x800000);
  out.v[0] = static_cast<std::uint8_t>(y);
  out.v[1] = static_cast<std::uint8_t>(u);
  out.v[2] = static_cast<std::uint8_t>(v);
  return out;
}

PlaneColor YuvColorInType(PixelType type, long long yuv) {
  PlaneColor out;
  const int y = static_cast<int>((yuv >> 16) & 0xff), u = static_cast<int>((yuv >> 8) & 0xff),
            v = static_cast<int>(yuv & 0xff);
  if (IsYUVType(type)) {
    out.v[0] = static_cast<std::uint8_t>(y);
    out.v[1] = static_cast<std::uint8_t>(u);
    out.v[2] = static_cast<std::uint8_t>(v);
    return out;
  }
  int r = 0, g = 0, b = 0;
  YuvToRgb601(y, u, v, r, g, b);
  out.v[0] = static_cast<std::uint8_t>(b);
  out.v[1] = static_cast<std::uint8_t>(g);
  out.v[2] = static_cast<std::uint8_t>(r);
  return out;
}

void FillRect(FrameBGR& f, int x0, int y0, int x1, int y1, const PlaneColor& c) {
  x0 = std::clamp(x0, 0, f.width);
  x1 = std::clamp(x1, 0, f.width);
  y0 = std::clamp(y0, 0, f.height);
  y1 = std::clamp(y1, 0, f.height);
  if (x0 >= x1 || y0 >= y1) return;
  const int bpp = BytesPerPixel(f.type);
  if (f.type == PixelType::YUY2) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* p = f.Row(y);
      for (int x = x0; x < x1; ++x) {
        p[2 * x] = c.v[0];
        p[2 * x + 1] = (x & 1) ? c.v[2] : c.v[1];
      }
    }
    return;
  }
  if (f.Planes() == 1) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* p = f.Row(y);
      for (int x = x0; x < x1; ++x)
        for (int k = 0; k < bpp; ++k) p[bpp * x + k] = c.v[k];
    }
    return;
  }
  const int sx = ChromaShiftX(f.type), sy = ChromaShiftY(f.type);
  for (int p = 0; p < 3; ++p) {
    const int ax = p ? x0 >> sx : x0, bx = p ? (x1 + (1 << sx) - 1) >> sx : x1;
    const int ay = p ? y0 >> sy : y0, by = p ? (y1 + (1 << sy) - 1) >> sy : y1;
    for (int y = ay; y < by; ++y) std::memset(f.Row(p, y) + ax, c.v[p], static_cast<std::size_t>(bx - ax));
  }
}

ColorBGR ColorFromInt(long long rgb) {
  ColorBGR c;
  c.r = static_cast<std::uint8_t>((rgb >> 16) & 0xff);
  c.g = static_cast<std::uint8_t>((rgb >> 8) & 0xff);
  c.b = static_cast<std::uint8_t>(rgb & 0xff);
  return c;
}

void Clip::GetFrameInto(int n, VideoFrame& out, int x, int y) { Blit(*GetFrame(n), out, x, y); }

// Clips without sound give silence; filters that leave the sound alone
// read their child's.
void Clip::GetAudio(void* buffer, int64_t start, int64_t count) {
  if (audioFrom_) return audioFrom_->GetAudio(buffer, start, count);
  WriteSilence(buffer, count, info_.audio);
}

}  // namespace tandemix::engine
