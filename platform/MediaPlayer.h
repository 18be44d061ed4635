// The player behind the clip viewer: one open script at a time, positions
// in milliseconds (frame n is at round(n * 1000 / rate)).
#pragma once

#include <cstdint>
#include <string>

#include "base/Errors.h"

namespace tandemix {

enum class PlayerMode { NotReady, Stopped, Playing, Recording, Seeking, Paused, Open };

class MediaPlayer {
 public:
  virtual ~MediaPlayer() = default;
  // Opens a script or media file; throws TandemixError with the reason when
  // it cannot.
  virtual void Open(const std::string& path) = 0;
  virtual void Close() = 0;
  // Plays from the current position; from the start when at the end.
  virtual void Play() = 0;
  // Pauses while playing, resumes while paused, else nothing.
  virtual void PauseToggle() = 0;
  // Stops and rewinds to the start.
  virtual void Stop() = 0;
  virtual void Seek(std::int64_t ms) = 0;
  // One frame forward (from the start when at the end) or back.
  virtual void Step() = 0;
  virtual void Back() = 0;
  virtual std::int64_t PositionMs() const = 0;
  virtual PlayerMode Mode() const = 0;
  // Sound off or on; muted, playback keeps its pace. A player without
  // sound ignores it.
  virtual void SetMuted(bool /*muted*/) {}
  virtual bool Muted() const { return false; }
};

}  // namespace tandemix
