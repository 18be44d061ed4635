#include "playback/PlaybackClock.h"

#include <algorithm>
#include <cmath>

namespace tandemix {

std::int64_t SampleOfFrame(std::int64_t frame, int sampleRate, int rateNumerator, int rateDenominator) {
  if (rateNumerator <= 0 || rateDenominator <= 0 || sampleRate <= 0) return 0;
  std::int64_t product = 0;
  if (!__builtin_mul_overflow(frame, static_cast<std::int64_t>(sampleRate), &product) &&
      !__builtin_mul_overflow(product, static_cast<std::int64_t>(rateDenominator), &product)) {
    // Division rounding towards minus infinity, for frames before the start too.
    std::int64_t sample = product / rateNumerator;
    if (product % rateNumerator != 0 && product < 0) --sample;
    return sample;
  }
  const long double exact = static_cast<long double>(frame) * sampleRate * rateDenominator / rateNumerator;
  return static_cast<std::int64_t>(std::floor(std::clamp(exact, -9.0e18L, 9.0e18L)));
}

double SecondsOfFrame(std::int64_t frame, int rateNumerator, int rateDenominator) {
  if (rateNumerator <= 0 || rateDenominator <= 0) return 0;
  return static_cast<double>(frame) * rateDenominator / rateNumerator;
}

void PlaybackClock::Start(double position, double now) {
  std::lock_guard lock(mutex_);
  anchorPosition_ = position;
  anchorTime_ = now;
  progressTime_ = now;
  sound_ = false;
  advancing_ = false;
  lastPosition_ = position;
}

void PlaybackClock::SoundAt(double position, double now) {
  std::lock_guard lock(mutex_);
  advancing_ = sound_ && position > anchorPosition_;
  if (!sound_ || advancing_) progressTime_ = now;
  sound_ = true;
  anchorPosition_ = position;
  anchorTime_ = now;
}

double PlaybackClock::Position(double now) const {
  std::lock_guard lock(mutex_);
  double elapsed = std::max(now - anchorTime_, 0.0);
  if (sound_ && now - progressTime_ < kStallLimit) {
    elapsed = advancing_ ? std::min(elapsed, kMaxLead) : 0.0;
  } else if (sound_) {
    // The device has stood still too long: carry on from where it stalled.
    elapsed = now - (progressTime_ + kStallLimit);
  }
  lastPosition_ = std::max(lastPosition_, anchorPosition_ + elapsed);
  return lastPosition_;
}

bool PlaybackClock::SoundLeads() const {
  std::lock_guard lock(mutex_);
  return sound_;
}

}  // namespace tandemix
