// The player's sound: a thread of its own that, while the player plays,
// reads the clip's samples from the frame playback started at, converts
// them for the device and keeps the device's queue full. After each round
// it tells the playback clock how far the device has played, so the sound
// leads and the picture follows. Paused, stopped or stepping, it writes
// nothing: stepping is silent.
//
// A clip without sound, or no device to play on, leaves the clock on the
// player's time; the missing device is reported once, through `warn`.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/frames/Clip.h"
#include "playback/AudioConverter.h"
#include "playback/AudioOutput.h"
#include "playback/PlaybackClock.h"
#include "playback/PlayerTime.h"

namespace tandemix {

class PlayerAudio {
 public:
  using Warn = std::function<void(const std::string& message)>;

  // Every call to `output` happens on the sound thread.
  PlayerAudio(std::unique_ptr<AudioOutput> output, PlayerTime& time, PlaybackClock& clock, Warn warn);
  ~PlayerAudio();  // closes the device and joins the thread
  PlayerAudio(const PlayerAudio&) = delete;
  PlayerAudio& operator=(const PlayerAudio&) = delete;

  // Playback of `clip` starts at `frame` now: the clock starts there, and
  // the sound from the same place as soon as the device takes it.
  void Start(engine::ClipPtr clip, int frame);
  // Playback paused or stopped: the queued sound is dropped.
  void Halt();
  // The clip is closed: the device is closed too.
  void Release();
  // Muted, the device still plays (silence), so the clock keeps its lead.
  void SetMuted(bool muted) { muted_ = muted; }
  bool Muted() const { return muted_; }

 private:
  struct Request {
    engine::ClipPtr clip;  // playing this clip, or none: silent
    int frame = 0;
    bool closeDevice = false;
    std::uint64_t epoch = 0;
  };
  // What the thread alone touches while it feeds one playback.
  struct Feed {
    engine::ClipPtr clip;
    std::unique_ptr<AudioConverter> converter;
    std::int64_t nextSample = 0;  // the clip's next sample to read
    std::int64_t endSample = 0;   // the sound of the last frame ends here
    double startPosition = 0;     // seconds: where playback started
    std::vector<std::uint8_t> input;
    std::vector<std::uint8_t> pending;  // converted, not yet taken by the device
    std::size_t pendingOffset = 0;
  };

  void Run();
  // Sets up the feed for a new request; false when it plays no sound.
  bool Begin(const Request& request);
  void FillDevice();
  void WarnOnce(const std::string& message);

  std::unique_ptr<AudioOutput> output_;
  PlayerTime& time_;
  PlaybackClock& clock_;
  Warn warn_;
  std::atomic<bool> muted_{false};

  std::mutex mutex_;
  std::condition_variable wake_;
  Request request_;
  bool quit_ = false;

  // The sound thread's own state.
  Feed feed_;
  bool deviceOpen_ = false;
  bool warned_ = false;
  AudioDeviceFormat device_;
  int openedRate_ = 0, openedChannels_ = 0;  // what the device was opened for
  std::thread thread_;
};

}  // namespace tandemix
