#include "playback/PlayerAudio.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/Errors.h"

namespace tandemix {
namespace {

// How often the thread refills the device and reads its clock, in seconds
// of the player's time; the clock fills in between.
constexpr double kRoundSeconds = 0.005;
// Frames read from the clip at a time.
constexpr std::int64_t kChunkFrames = 2048;

}  // namespace

PlayerAudio::PlayerAudio(std::unique_ptr<AudioOutput> output, PlayerTime& time, PlaybackClock& clock, Warn warn)
    : output_(std::move(output)), time_(time), clock_(clock), warn_(std::move(warn)), thread_([this] { Run(); }) {}

PlayerAudio::~PlayerAudio() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void PlayerAudio::Start(engine::ClipPtr clip, int frame) {
  std::lock_guard lock(mutex_);
  const engine::ClipInfo& info = clip->Info();
  // Under the lock, so that no report of the playback before lands after
  // this start.
  clock_.Start(SecondsOfFrame(frame, info.rateNumerator, info.rateDenominator), time_.Now());
  request_ = {std::move(clip), frame, false, request_.epoch + 1};
  wake_.notify_all();
}

void PlayerAudio::Halt() {
  std::lock_guard lock(mutex_);
  request_ = {nullptr, 0, false, request_.epoch + 1};
  wake_.notify_all();
}

void PlayerAudio::Release() {
  std::lock_guard lock(mutex_);
  request_ = {nullptr, 0, true, request_.epoch + 1};
  wake_.notify_all();
}

void PlayerAudio::WarnOnce(const std::string& message) {
  if (warned_) return;
  warned_ = true;
  if (warn_) warn_(message);
}

bool PlayerAudio::Begin(const Request& request) {
  feed_ = Feed{};
  if (!output_) return false;
  if (request.closeDevice && deviceOpen_) {
    output_->Close();
    deviceOpen_ = false;
  }
  if (!request.clip || !request.clip->Info().audio.Present()) {
    if (deviceOpen_) output_->Reset();
    return false;
  }
  const engine::ClipInfo& info = request.clip->Info();
  const engine::AudioInfo& audio = info.audio;
  if (!deviceOpen_ || openedRate_ != audio.sampleRate || openedChannels_ != audio.channels) {
    try {
      device_ = output_->Open(audio.sampleRate, audio.channels);
      deviceOpen_ = true;
    } catch (const TandemixError& e) {
      deviceOpen_ = false;
      WarnOnce(e.what());
      return false;
    }
    openedRate_ = audio.sampleRate;
    openedChannels_ = audio.channels;
  } else {
    output_->Reset();
  }
  try {
    feed_.converter = std::make_unique<AudioConverter>(audio, device_);
  } catch (const std::exception& e) {
    WarnOnce(e.what());
    return false;
  }
  feed_.clip = request.clip;
  feed_.nextSample = SampleOfFrame(request.frame, audio.sampleRate, info.rateNumerator, info.rateDenominator);
  feed_.endSample = SampleOfFrame(info.frameCount, audio.sampleRate, info.rateNumerator, info.rateDenominator);
  feed_.startPosition = SecondsOfFrame(request.frame, info.rateNumerator, info.rateDenominator);
  return true;
}

// Keeps the device's queue full. Past the last frame it plays silence, so
// the clock runs on until the picture has shown that frame.
void PlayerAudio::FillDevice() {
  const engine::AudioInfo& audio = feed_.clip->Info().audio;
  const int outBytes = device_.BytesPerFrame();
  std::int64_t room = output_->Writable();
  while (room > 0) {
    if (feed_.pendingOffset >= feed_.pending.size()) {
      feed_.pending.clear();
      feed_.pendingOffset = 0;
      const std::int64_t count = std::min(kChunkFrames, feed_.endSample - feed_.nextSample);
      if (count > 0) {
        feed_.input.resize(static_cast<std::size_t>(count * audio.BytesPerSample()));
        try {
          feed_.clip->GetAudio(feed_.input.data(), feed_.nextSample, count);
          feed_.converter->Convert(feed_.input.data(), count, feed_.pending);
        } catch (const std::exception& e) {
          WarnOnce(e.what());  // the sound goes on as silence
          feed_.pending.assign(static_cast<std::size_t>(count * outBytes), 0);
        }
        feed_.nextSample += count;
      } else {
        feed_.pending.assign(static_cast<std::size_t>(kChunkFrames * outBytes), 0);
      }
      // Zero is silence in both device formats.
      if (muted_) std::fill(feed_.pending.begin(), feed_.pending.end(), std::uint8_t{0});
      if (feed_.pending.empty()) continue;  // held back by the resampler
    }
    const std::int64_t available = static_cast<std::int64_t>(feed_.pending.size() - feed_.pendingOffset) / outBytes;
    const std::int64_t taken = output_->Write(feed_.pending.data() + feed_.pendingOffset, std::min(room, available));
    if (taken <= 0) break;
    feed_.pendingOffset += static_cast<std::size_t>(taken * outBytes);
    room -= taken;
  }
}

void PlayerAudio::Run() {
  std::unique_lock lock(mutex_);
  std::uint64_t served = 0;
  bool feeding = false;
  const auto called = [&] { return quit_ || request_.epoch != served; };
  while (!quit_) {
    if (request_.epoch != served) {
      const Request request = request_;
      served = request.epoch;
      lock.unlock();
      feeding = Begin(request);
      lock.lock();
      continue;
    }
    if (!feeding) {
      time_.Wait(lock, wake_, INFINITY, called);
      continue;
    }
    lock.unlock();
    FillDevice();
    const std::int64_t played = output_->Played();
    const double now = time_.Now();
    lock.lock();
    if (request_.epoch == served)
      clock_.SoundAt(feed_.startPosition + static_cast<double>(played) / device_.sampleRate, now);
    time_.Wait(lock, wake_, kRoundSeconds, called);
  }
  lock.unlock();
  feed_ = Feed{};
  if (deviceOpen_) output_->Close();
}

}  // namespace tandemix
