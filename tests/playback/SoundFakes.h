// Stand-ins for the player's sound tests: a clip whose sound is a click on
// every 25th frame, a simulated player time, and a sound device that plays
// on that time at a rate of its own and records what it was given.
#pragma once

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "engine/frames/Clip.h"
#include "playback/AudioOutput.h"
#include "playback/PlaybackClock.h"
#include "playback/PlayerTime.h"

namespace tandemix::test {

// 32x24 frames at 25 fps; 16-bit stereo at 48000 Hz, silent but for a click
// of 48 samples (1 ms) at full height where every 25th frame starts.
class ClickClip : public engine::Clip {
 public:
  static constexpr int kRate = 48000;
  static constexpr int kClickEvery = 25;
  static constexpr int kClickLength = 48;
  static constexpr std::int16_t kClickValue = 30000;

  explicit ClickClip(int frames) : Clip(InfoOf(frames)) {}

  FramePtr GetFrame(int) override { return std::make_shared<FrameBGR>(32, 24); }

  void GetAudio(void* buffer, std::int64_t start, std::int64_t count) override {
    auto* out = static_cast<std::int16_t*>(buffer);
    const std::int64_t perClick = SampleOfFrame(kClickEvery, kRate, 25, 1);
    for (std::int64_t i = 0; i < count; ++i) {
      const std::int64_t s = start + i;
      const bool click = s >= 0 && s < info_.audio.sampleCount && s % perClick < kClickLength;
      out[2 * i] = out[2 * i + 1] = click ? kClickValue : 0;
    }
  }

 private:
  static engine::ClipInfo InfoOf(int frames) {
    engine::ClipInfo info;
    info.width = 32;
    info.height = 24;
    info.frameCount = frames;
    info.rateNumerator = 25;
    info.rateDenominator = 1;
    info.audio.sampleRate = kRate;
    info.audio.channels = 2;
    info.audio.sampleType = engine::SampleType::Int16;
    info.audio.sampleCount = SampleOfFrame(frames, kRate, 25, 1);
    return info;
  }
};

// A simulated player time that moves only while every one of the player's
// `threads` threads waits, and then straight to the earliest moment one of
// them waits for. Work takes no time on it, so a test of timing measures
// the player's logic and not how busy the machine is.
class SteppedTime : public PlayerTime {
 public:
  explicit SteppedTime(int threads = 2) : threads_(threads) {}
  double Now() override {
    std::lock_guard lock(mutex_);
    return now_;
  }
  void Wait(std::unique_lock<std::mutex>& lock, std::condition_variable& wake, double seconds,
            const std::function<bool()>& done) override {
    if (done()) return;
    std::multiset<double>::iterator mine;
    double deadline;
    {
      std::lock_guard own(mutex_);
      deadline = std::max(now_ + seconds, std::nextafter(now_, INFINITY));  // a wait that takes no time would spin
      mine = sleepers_.insert(deadline);
    }
    while (!done()) {
      {
        std::lock_guard own(mutex_);
        if (now_ >= deadline) break;
        if (static_cast<int>(sleepers_.size()) == threads_ && std::isfinite(*sleepers_.begin()))
          now_ = std::max(now_, *sleepers_.begin());
      }
      wake.wait_for(lock, std::chrono::microseconds(50));
    }
    std::lock_guard own(mutex_);
    sleepers_.erase(mine);
  }

 private:
  const int threads_;
  std::mutex mutex_;
  double now_ = 0;
  std::multiset<double> sleepers_;  // when each waiting thread wakes
};

// A device that plays `drift` times as fast as the player's time says (a
// sound card's crystal is never exactly the system's), holds `capacity`
// frames, stalls when it runs dry, and notes when each click is heard.
// Takes floating point samples at the rate asked for.
class ClockedOutput : public AudioOutput {
 public:
  struct Log {
    std::mutex mutex;
    int opens = 0;
    int resets = 0;
    std::int64_t framesWritten = 0;      // in all, across resets
    std::int64_t loudSamples = 0;        // written samples that are not silence
    std::vector<double> clickTimes;      // when each click onset was heard
    std::vector<float> firstAfterReset;  // the first samples written after the last reset or open
    bool failOpen = false;
  };

  ClockedOutput(PlayerTime& time, std::shared_ptr<Log> log, double drift = 1.0, std::int64_t capacity = 4800)
      : time_(time), log_(std::move(log)), drift_(drift), capacity_(capacity) {}

  AudioDeviceFormat Open(int sampleRate, int channels) override {
    std::lock_guard lock(log_->mutex);
    if (log_->failOpen) throw TandemixError("no audio output device");
    ++log_->opens;
    format_ = {sampleRate, channels, DeviceSampleFormat::Float};
    Restart();
    return format_;
  }
  void Close() override {}
  void Reset() override {
    Advance();  // what played before the reset was heard
    std::lock_guard lock(log_->mutex);
    ++log_->resets;
    Restart();
  }
  std::int64_t Writable() override {
    Advance();
    return capacity_ - (written_ - static_cast<std::int64_t>(played_));
  }
  std::int64_t Write(const void* samples, std::int64_t frames) override {
    Advance();
    const auto* s = static_cast<const float*>(samples);
    std::lock_guard lock(log_->mutex);
    for (std::int64_t f = 0; f < frames; ++f) {
      const float v = s[f * format_.channels];
      if (v != 0.0f) ++log_->loudSamples;
      if (v > 0.5f && !inClick_) pendingClicks_.push_back(written_ + f);
      inClick_ = v > 0.5f;
      if (log_->firstAfterReset.size() < 4096) log_->firstAfterReset.push_back(v);
    }
    written_ += frames;
    log_->framesWritten += frames;
    return frames;
  }
  std::int64_t Played() override {
    Advance();
    return static_cast<std::int64_t>(played_);
  }

 private:
  void Restart() {
    written_ = 0;
    played_ = 0;
    last_ = time_.Now();
    inClick_ = false;
    pendingClicks_.clear();
    log_->firstAfterReset.clear();
  }
  // Plays on from the last call, up to what was written.
  void Advance() {
    const double now = time_.Now();
    const double rate = format_.sampleRate * drift_;
    const double before = played_;
    played_ = std::min(played_ + (now - last_) * rate, static_cast<double>(written_));
    last_ = now;
    std::lock_guard lock(log_->mutex);
    while (!pendingClicks_.empty() && pendingClicks_.front() < played_) {
      const double at = now - (played_ - std::max<double>(pendingClicks_.front(), before)) / rate;
      log_->clickTimes.push_back(at);
      pendingClicks_.erase(pendingClicks_.begin());
    }
  }

  PlayerTime& time_;
  std::shared_ptr<Log> log_;
  double drift_;
  std::int64_t capacity_;
  AudioDeviceFormat format_;
  std::int64_t written_ = 0;
  double played_ = 0;
  double last_ = 0;
  bool inClick_ = false;
  std::vector<std::int64_t> pendingClicks_;
};

}  // namespace tandemix::test
