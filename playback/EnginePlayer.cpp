#include "playback/EnginePlayer.h"

#include <cmath>
#include <iostream>

#include "base/Errors.h"
#include "engine/ScriptEngine.h"
#include "playback/QtAudioOutput.h"

namespace tandemix {
namespace {

// The longest the worker sleeps before it looks at the playback clock
// again, in seconds of the player's time: the sound may move it.
constexpr double kClockPollSeconds = 0.004;
// A frame this close to its time is due: sums of seconds in floating point
// may miss each other by a rounding error.
constexpr double kDueTolerance = 1e-6;

std::unique_ptr<AudioOutput> AudioOrDefault(std::unique_ptr<AudioOutput> audio) {
  return audio ? std::move(audio) : std::make_unique<QtAudioOutput>();
}

std::function<void(const std::string&)> WarnOrDefault(std::function<void(const std::string&)> warn) {
  if (warn) return warn;
  return [](const std::string& reason) {
    std::cerr << "tandemix: " << reason << "; the clip viewer plays without sound\n";
  };
}

}  // namespace

EnginePlayer::EnginePlayer(FrameSink frameSink, ErrorSink errorSink, Devices devices)
    : frameSink_(std::move(frameSink)),
      errorSink_(std::move(errorSink)),
      time_(devices.time ? std::move(devices.time) : std::make_shared<SystemPlayerTime>()),
      audio_(AudioOrDefault(std::move(devices.audio)), *time_, clock_, WarnOrDefault(std::move(devices.warn))),
      worker_([this] { Run(); }) {}

EnginePlayer::~EnginePlayer() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

void EnginePlayer::Open(const std::string& path) {
  engine::ClipPtr clip;
  try {
    clip = engine::OpenVideo(path);
  } catch (const TandemixError&) {
    throw;
  } catch (const std::exception& e) {
    throw TandemixError(e.what());
  }
  OpenClip(std::move(clip), path);
}

void EnginePlayer::OpenClip(engine::ClipPtr clip, const std::string& name) {
  if (!clip || clip->Info().frameCount <= 0 || clip->Info().width <= 0 || !clip->Info().hasVideo)
    throw TandemixError(name + " has no video frames");
  if (clip->Info().rateNumerator <= 0 || clip->Info().rateDenominator <= 0)
    throw TandemixError(name + " has no frame rate");
  std::lock_guard lock(mutex_);
  audio_.Halt();
  clip_ = std::move(clip);
  path_ = name;
  ++generation_;
  mode_ = PlayerMode::Stopped;
  frame_ = 0;
  ShowFrame(0);
}

void EnginePlayer::Close() {
  std::lock_guard lock(mutex_);
  ++playEpoch_;
  wake_.notify_all();
  audio_.Release();
  clip_.reset();
  ++generation_;
  mode_ = PlayerMode::NotReady;
  pending_ = -1;
  frame_ = 0;
  wake_.notify_all();
}

int EnginePlayer::CurrentFrameLocked() const {
  if (mode_ != PlayerMode::Playing || !clip_) return frame_;
  const engine::ClipInfo& info = clip_->Info();
  const double since =
      clock_.Position(time_->Now()) - SecondsOfFrame(playStartFrame_, info.rateNumerator, info.rateDenominator);
  // A hair of tolerance: a frame's own start time, times the rate, is that
  // frame and not the one before.
  const double frames = std::floor(since * info.rateNumerator / info.rateDenominator + 1e-9);
  return static_cast<int>(std::clamp(playStartFrame_ + frames, 0.0, info.frameCount - 1.0));
}

// Under lock: playback (re)starts at `frame`, on the clock and in the sound.
void EnginePlayer::StartPlayingLocked(int frame) {
  playStartFrame_ = frame;
  audio_.Start(clip_, frame);
}

void EnginePlayer::ShowFrame(int index) {
  pending_ = index;
  wake_.notify_all();
}

void EnginePlayer::Play() {
  std::lock_guard lock(mutex_);
  if (!clip_ || mode_ == PlayerMode::Playing) return;
  ++playEpoch_;
  if (frame_ >= clip_->Info().frameCount - 1) frame_ = 0;
  mode_ = PlayerMode::Playing;
  StartPlayingLocked(frame_);
  pending_ = -1;
  wake_.notify_all();
}

void EnginePlayer::PauseToggle() {
  std::lock_guard lock(mutex_);
  ++playEpoch_;
  wake_.notify_all();
  if (mode_ == PlayerMode::Playing) {
    frame_ = CurrentFrameLocked();
    mode_ = PlayerMode::Paused;
    audio_.Halt();
    ShowFrame(frame_);
  } else if (mode_ == PlayerMode::Paused) {
    mode_ = PlayerMode::Playing;
    StartPlayingLocked(frame_);
    wake_.notify_all();
  }
}

void EnginePlayer::Stop() {
  std::lock_guard lock(mutex_);
  ++playEpoch_;
  wake_.notify_all();
  if (!clip_) return;
  frame_ = 0;
  mode_ = PlayerMode::Stopped;
  audio_.Halt();
  ShowFrame(0);
}

void EnginePlayer::Seek(std::int64_t ms) {
  std::lock_guard lock(mutex_);
  ++playEpoch_;
  wake_.notify_all();
  if (!clip_) return;
  const double rate = clip_->Info().Rate();
  const double exact = static_cast<double>(ms) * rate / 1000.0;
  int frame = static_cast<int>(std::clamp(std::nearbyint(exact), 0.0, clip_->Info().frameCount - 1.0));
  frame_ = frame;
  if (mode_ == PlayerMode::Playing) {
    StartPlayingLocked(frame);
  } else {
    ShowFrame(frame);
  }
}

void EnginePlayer::Step() {
  std::lock_guard lock(mutex_);
  ++playEpoch_;
  wake_.notify_all();
  if (!clip_) return;
  const int current = CurrentFrameLocked();
  frame_ = current >= clip_->Info().frameCount - 1 ? 0 : current + 1;
  mode_ = PlayerMode::Paused;
  audio_.Halt();
  ShowFrame(frame_);
}

void EnginePlayer::Back() {
  std::lock_guard lock(mutex_);
  ++playEpoch_;
  wake_.notify_all();
  if (!clip_) return;
  frame_ = std::max(CurrentFrameLocked() - 1, 0);
  mode_ = PlayerMode::Paused;
  audio_.Halt();
  ShowFrame(frame_);
}

std::int64_t EnginePlayer::PositionMs() const {
  std::lock_guard lock(mutex_);
  if (!clip_) return 0;
  return std::llround(CurrentFrameLocked() * 1000.0 / clip_->Info().Rate());
}

PlayerMode EnginePlayer::Mode() const {
  std::lock_guard lock(mutex_);
  return mode_;
}

void EnginePlayer::SetMuted(bool muted) { audio_.SetMuted(muted); }

bool EnginePlayer::Muted() const { return audio_.Muted(); }

bool EnginePlayer::WaitUntilDue(std::unique_lock<std::mutex>& lock, int index, std::uint64_t generation,
                                std::uint64_t epoch) {
  const auto interrupted = [&] { return quit_ || epoch != playEpoch_ || generation != generation_; };
  const engine::ClipInfo& info = clip_->Info();
  const double due = SecondsOfFrame(index, info.rateNumerator, info.rateDenominator);
  while (!interrupted()) {
    const double ahead = due - clock_.Position(time_->Now());
    if (ahead <= kDueTolerance) return true;
    time_->Wait(lock, wake_, std::min(ahead, kClockPollSeconds), interrupted);
  }
  return false;
}

int EnginePlayer::FrameCount() const {
  std::lock_guard lock(mutex_);
  return clip_ ? clip_->Info().frameCount : 0;
}

double EnginePlayer::Rate() const {
  std::lock_guard lock(mutex_);
  return clip_ ? clip_->Info().Rate() : 1.0;
}

bool EnginePlayer::WaitIdle(int timeoutMs) const {
  std::unique_lock lock(mutex_);
  return wake_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                        [this] { return pending_ < 0 && !busy_ && mode_ != PlayerMode::Playing; });
}

// The worker: shows a requested still frame, or while playing decodes the
// next frame ahead of its time and shows it when it is due. A frame that
// comes too late is still shown, and the next one is the frame due then, so
// playback keeps the clip's rate instead of falling behind.
void EnginePlayer::Run() {
  std::unique_lock lock(mutex_);
  int lastShown = -1;
  std::uint64_t shownGeneration = 0;
  while (!quit_) {
    if (!clip_ || (pending_ < 0 && mode_ != PlayerMode::Playing)) {
      wake_.notify_all();  // idle
      time_->Wait(lock, wake_, INFINITY,
                  [&] { return quit_ || (clip_ && (pending_ >= 0 || mode_ == PlayerMode::Playing)); });
      continue;
    }
    const engine::ClipPtr clip = clip_;
    const std::uint64_t generation = generation_;
    const std::uint64_t epoch = playEpoch_;
    const bool playing = mode_ == PlayerMode::Playing;
    const int last = clip->Info().frameCount - 1;
    int index;
    if (!playing) {
      index = pending_;
      pending_ = -1;
    } else {
      const int current = CurrentFrameLocked();
      index = (generation == shownGeneration && lastShown >= current && lastShown >= playStartFrame_) ? lastShown + 1
                                                                                                      : current;
      if (index > last) {
        frame_ = last;  // played to the end: the player stops there
        mode_ = PlayerMode::Stopped;
        audio_.Halt();
        continue;
      }
    }
    const std::string path = path_;
    busy_ = true;
    lock.unlock();
    FramePtr frame;
    std::string error;
    try {
      frame = engine::FrameBGROf(*clip, index, path);
    } catch (const std::exception& e) {
      error = e.what();
    }
    lock.lock();
    busy_ = false;
    if (generation != generation_) continue;  // closed or reopened meanwhile
    if (playing) {
      if (epoch != playEpoch_) continue;  // paused, stopped or moved meanwhile
      if (!WaitUntilDue(lock, index, generation, epoch)) continue;
    }
    if (frame) {
      lastShown = index;
      shownGeneration = generation;
      lock.unlock();
      if (frameSink_) frameSink_(frame, index);
      lock.lock();
    } else {
      if (mode_ == PlayerMode::Playing) {
        frame_ = index;
        mode_ = PlayerMode::Stopped;
        audio_.Halt();
      }
      lock.unlock();
      if (errorSink_) errorSink_(error);
      lock.lock();
    }
  }
}

}  // namespace tandemix
