#include "platform/services/EnginePlayer.h"

#include <cmath>

#include "platform/engine/ScriptEngine.h"

namespace tandemix {
namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

EnginePlayer::EnginePlayer(FrameSink frameSink, ErrorSink errorSink)
    : frameSink_(std::move(frameSink)), errorSink_(std::move(errorSink)), worker_([this] { Run(); }) {}

EnginePlayer::~EnginePlayer() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

bool EnginePlayer::Open(const std::string& path, std::string& error) {
  engine::ClipPtr clip;
  try {
    clip = engine::OpenVideo(path);
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
  if (clip->Info().frameCount <= 0 || clip->Info().width <= 0) {
    error = path + " has no video frames";
    return false;
  }
  std::lock_guard lock(mutex_);
  clip_ = std::move(clip);
  path_ = path;
  ++generation_;
  mode_ = PlayerMode::Stopped;
  frame_ = 0;
  ShowFrame(0);
  return true;
}

void EnginePlayer::Close() {
  std::lock_guard lock(mutex_);
  ++playEpoch_;
  wake_.notify_all();
  clip_.reset();
  ++generation_;
  mode_ = PlayerMode::NotReady;
  pending_ = -1;
  frame_ = 0;
  wake_.notify_all();
}

int EnginePlayer::CurrentFrameLocked() const {
  if (mode_ != PlayerMode::Playing || !clip_) return frame_;
  const double elapsed = std::chrono::duration<double>(Clock::now() - playStart_).count();
  const int frame = playStartFrame_ + static_cast<int>(std::floor(elapsed * clip_->Info().Rate()));
  return std::min(frame, clip_->Info().frameCount - 1);
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
  playStart_ = Clock::now();
  playStartFrame_ = frame_;
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
    ShowFrame(frame_);
  } else if (mode_ == PlayerMode::Paused) {
    mode_ = PlayerMode::Playing;
    playStart_ = Clock::now();
    playStartFrame_ = frame_;
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
    playStart_ = Clock::now();
    playStartFrame_ = frame;
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
  ShowFrame(frame_);
}

void EnginePlayer::Back() {
  std::lock_guard lock(mutex_);
  ++playEpoch_;
  wake_.notify_all();
  if (!clip_) return;
  frame_ = std::max(CurrentFrameLocked() - 1, 0);
  mode_ = PlayerMode::Paused;
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
      wake_.wait(lock);
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
      const auto due = playStart_ + std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>((index - playStartFrame_) / clip->Info().Rate()));
      wake_.wait_until(lock, due, [&] { return quit_ || epoch != playEpoch_ || generation != generation_; });
      if (quit_ || epoch != playEpoch_ || generation != generation_) continue;
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
      }
      lock.unlock();
      if (errorSink_) errorSink_(error);
      lock.lock();
    }
  }
}

}  // namespace tandemix
