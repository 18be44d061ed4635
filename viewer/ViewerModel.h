// The clip viewer's behaviour without the window: opening the output
// script, the player buttons, the track bar that follows playback once a
// second without seeking back, and the offset bar.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/FrameTime.h"
#include "core/ViewerState.h"
#include "platform/MediaPlayer.h"

namespace tandemix {

enum class PlayerButton { Play, Pause, Stop, Next, Prev, Step, Back };
constexpr int kPlayerButtonCount = 7;

class ViewerModel {
 public:
  ViewerModel(ViewerState& state, MediaPlayer& player);

  // Opens `script` in the player and starts at `startMs`. Returns false
  // with `error` (the player's text) when the script cannot be opened; the
  // steps after the open do not run then.
  void Open(const std::string& script, std::int64_t startMs);
  void Close();

  // A player button; which buttons are enabled afterwards is in Enabled().
  // Next and Prev go to the track bar's last and first frame, at `rate`
  // frames a second.
  void Press(PlayerButton button, double rate = 1.0);
  bool Enabled(PlayerButton button) const { return enabled_[static_cast<int>(button)]; }

  // The track bar changed (by the user, or by the timer's own move).
  void TrackChange(int position, double rate);
  // One tick of the 1000 ms timer: the track bar follows playback. Returns
  // the position the track bar is to be moved to, if it moves; the change
  // that the move raises is then consumed without seeking.
  std::optional<int> TimerTick(double rate);

  // The frame on screen, for a command that captures it: playback pauses
  // first, and the track bar is set to the frame the player shows (within
  // its range) without seeking. Returns that frame.
  int FrameOnScreen(double rate);

  // Offset bar notification: returns the label text; `regenerate` tells
  // whether the end of the scroll asks for a regeneration.
  std::string OffsetScroll(int position, bool endOfScroll, bool& regenerate);
  // "Sync": moves the offset bar to `frames` as the end of a scroll does.
  // Throws TandemixError, the bar unmoved, when the bar is disabled or the
  // offset lies outside its range.
  std::string SyncOffset(int frames, bool& regenerate);

  // The mute control: the player keeps playing at its pace without sound.
  void SetMuted(bool muted) { player_.SetMuted(muted); }
  bool Muted() const { return player_.Muted(); }

  bool PlayerOpen() const { return playerOpen_; }
  bool TimerEnabled() const { return timerEnabled_; }
  int LastTrackPosition() const { return lastTrackPosition_; }

 private:
  void EnableAll(bool on);
  void TrackTo(int frame);

  ViewerState& state_;
  MediaPlayer& player_;
  bool playerOpen_ = false;
  bool skipTrackChange_ = true;
  int lastTrackPosition_ = 0;
  bool timerEnabled_ = false;
  bool enabled_[kPlayerButtonCount] = {true, true, true, true, true, true, true};
};

}  // namespace tandemix
