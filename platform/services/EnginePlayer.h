// The player behind the clip viewer: opens a script (or media file) through
// the embedded engine and plays it at the clip's frame rate. A worker
// thread decodes the next frame ahead and hands each shown frame to a sink,
// so the window thread only paints and never waits for decoding.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/MediaFrameCache.h"
#include "platform/MediaPlayer.h"
#include "platform/engine/Clip.h"

namespace tandemix {

class EnginePlayer : public MediaPlayer {
 public:
  // Called on the worker thread with each frame to show and its number.
  using FrameSink = std::function<void(FramePtr frame, int index)>;
  // Called on the worker thread when a frame cannot be decoded.
  using ErrorSink = std::function<void(const std::string& message)>;

  explicit EnginePlayer(FrameSink frameSink, ErrorSink errorSink = {});
  ~EnginePlayer() override;

  bool Open(const std::string& path, std::string& error) override;
  void Close() override;
  void Play() override;
  void PauseToggle() override;
  void Stop() override;
  void Seek(std::int64_t ms) override;
  void Step() override;
  void Back() override;
  std::int64_t PositionMs() const override;
  PlayerMode Mode() const override;

  int FrameCount() const;
  double Rate() const;
  // Waits until the worker has nothing left to show (for tests and for
  // closing cleanly); false when it is still busy after `timeoutMs`.
  bool WaitIdle(int timeoutMs) const;

 private:
  void Run();
  void ShowFrame(int index);  // under lock: asks the worker to show it
  int CurrentFrameLocked() const;

  FrameSink frameSink_;
  ErrorSink errorSink_;
  mutable std::mutex mutex_;
  mutable std::condition_variable wake_;
  engine::ClipPtr clip_;
  std::string path_;
  PlayerMode mode_ = PlayerMode::NotReady;
  int frame_ = 0;      // the frame shown, or the one playback started from
  int pending_ = -1;   // a frame to show while not playing
  bool busy_ = false;  // the worker is decoding
  std::chrono::steady_clock::time_point playStart_;
  int playStartFrame_ = 0;
  bool quit_ = false;
  std::uint64_t generation_ = 0;  // bumped by every open and close
  std::uint64_t playEpoch_ = 0;   // bumped by every command that moves playback
  std::thread worker_;
};

}  // namespace tandemix
