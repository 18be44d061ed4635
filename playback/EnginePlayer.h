// The player behind the clip viewer: opens a script (or media file) through
// the embedded engine and plays it at the clip's frame rate. A worker
// thread decodes the next frame ahead and hands each shown frame to a sink,
// so the window thread only paints and never waits for decoding.
//
// Sound: while playing, a sound thread (PlayerAudio) plays the clip's audio
// from the frame playback started at, and the device's progress leads the
// playback clock; the picture follows it. Pause, stop, seek and step halt
// the sound and start it again from the new frame when play resumes;
// stepping is silent. A clip without sound, or no device, plays on the
// player's time as a silent clip does.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "engine/frames/Clip.h"
#include "media/MediaFrameCache.h"
#include "platform/MediaPlayer.h"
#include "playback/AudioOutput.h"
#include "playback/PlaybackClock.h"
#include "playback/PlayerAudio.h"
#include "playback/PlayerTime.h"

namespace tandemix {

class EnginePlayer : public MediaPlayer {
 public:
  // Called on the worker thread with each frame to show and its number.
  using FrameSink = std::function<void(FramePtr frame, int index)>;
  // Called on the worker thread when a frame cannot be decoded.
  using ErrorSink = std::function<void(const std::string& message)>;

  // What the player plays on; each part left empty takes the program's own.
  struct Devices {
    std::unique_ptr<AudioOutput> audio;            // none: QAudioSink on the default output
    std::shared_ptr<PlayerTime> time;              // none: the system's steady clock
    std::function<void(const std::string&)> warn;  // none: one line on standard error
  };

  explicit EnginePlayer(FrameSink frameSink, ErrorSink errorSink = {}, Devices devices = {});
  ~EnginePlayer() override;

  void Open(const std::string& path) override;
  // Opens a clip already built (`name` stands for it in messages).
  void OpenClip(engine::ClipPtr clip, const std::string& name);
  void Close() override;
  void Play() override;
  void PauseToggle() override;
  void Stop() override;
  void Seek(std::int64_t ms) override;
  void Step() override;
  void Back() override;
  std::int64_t PositionMs() const override;
  PlayerMode Mode() const override;
  void SetMuted(bool muted) override;
  bool Muted() const override;

  int FrameCount() const;
  double Rate() const;
  // Waits until the worker has nothing left to show (for tests and for
  // closing cleanly); false when it is still busy after `timeoutMs`.
  bool WaitIdle(int timeoutMs) const;

 private:
  void Run();
  void ShowFrame(int index);  // under lock: asks the worker to show it
  int CurrentFrameLocked() const;
  void StartPlayingLocked(int frame);
  // Waits until `index` is due on the playback clock; false when a command
  // or a close came first.
  bool WaitUntilDue(std::unique_lock<std::mutex>& lock, int index, std::uint64_t generation, std::uint64_t epoch);

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
  std::shared_ptr<PlayerTime> time_;
  PlaybackClock clock_;
  int playStartFrame_ = 0;
  bool quit_ = false;
  std::uint64_t generation_ = 0;  // bumped by every open and close
  std::uint64_t playEpoch_ = 0;   // bumped by every command that moves playback
  PlayerAudio audio_;             // before the worker: it outlives the worker's last use
  std::thread worker_;
};

}  // namespace tandemix
