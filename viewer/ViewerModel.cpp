#include "viewer/ViewerModel.h"

#include <cmath>

#include "base/Errors.h"
#include "core/FrameTime.h"

namespace tandemix {

ViewerModel::ViewerModel(ViewerState& state, MediaPlayer& player) : state_(state), player_(player) {}

void ViewerModel::EnableAll(bool on) {
  for (bool& e : enabled_) e = on;
}

void ViewerModel::Open(const std::string& script, std::int64_t startMs) {
  player_.Close();
  playerOpen_ = false;
  player_.Open(script);
  playerOpen_ = true;
  EnableAll(true);
  player_.Seek(startMs);
  player_.PauseToggle();
  timerEnabled_ = true;
}

void ViewerModel::Close() {
  playerOpen_ = false;
  player_.Close();
  timerEnabled_ = false;
}

void ViewerModel::Press(PlayerButton button, double rate) {
  // Every press hands the enabling back to the player, which keeps all
  // buttons usable; only Pause while playing narrows them.
  EnableAll(true);
  switch (button) {
    case PlayerButton::Play:
      player_.Play();
      break;
    case PlayerButton::Pause:
      if (player_.Mode() == PlayerMode::Playing) {
        EnableAll(false);
        for (auto b : {PlayerButton::Play, PlayerButton::Stop, PlayerButton::Step, PlayerButton::Back})
          enabled_[static_cast<int>(b)] = true;
        player_.PauseToggle();
      }
      break;
    case PlayerButton::Stop:
      player_.Stop();
      player_.Seek(0);
      break;
    case PlayerButton::Next:
      TrackTo(state_.track.maximum);
      player_.Seek(FrameToMs(state_.track.maximum, rate));
      break;
    case PlayerButton::Prev:
      TrackTo(state_.track.minimum);
      player_.Seek(FrameToMs(state_.track.minimum, rate));
      break;
    case PlayerButton::Step:
      player_.Step();
      break;
    case PlayerButton::Back:
      player_.Back();
      break;
  }
}

void ViewerModel::TrackChange(int position, double rate) {
  if (!skipTrackChange_ && position != lastTrackPosition_) {
    player_.Seek(FrameToMs(position, rate));
    lastTrackPosition_ = position;
  }
  skipTrackChange_ = false;
}

std::optional<int> ViewerModel::TimerTick(double rate) {
  if (!timerEnabled_ || !playerOpen_) return std::nullopt;
  const int p = MsToFrame(player_.PositionMs(), rate);
  if (p == state_.track.position) return std::nullopt;
  skipTrackChange_ = true;
  state_.track.SetPosition(p);
  return state_.track.position;
}

void ViewerModel::TrackTo(int frame) {
  state_.track.SetPosition(frame);
  lastTrackPosition_ = state_.track.position;
}

int ViewerModel::FrameOnScreen(double rate) {
  if (!playerOpen_) return state_.track.position;
  if (player_.Mode() == PlayerMode::Playing) Press(PlayerButton::Pause, rate);
  TrackTo(MsToFrame(player_.PositionMs(), rate));
  return state_.track.position;
}

std::string ViewerModel::SyncOffset(int frames, bool& regenerate) {
  if (!state_.offsetEnabled) throw TandemixError("The offset bar is off for these clips; there is nothing to sync.");
  if (frames < state_.offset.minimum || frames > state_.offset.maximum)
    throw TandemixError("The clips are " + std::to_string(frames) +
                        " frames apart, outside the offset bar's range of " + std::to_string(state_.offset.minimum) +
                        " to " + std::to_string(state_.offset.maximum) + ".");
  return OffsetScroll(frames, true, regenerate);
}

std::string ViewerModel::OffsetScroll(int position, bool endOfScroll, bool& regenerate) {
  state_.offset.SetPosition(position);
  regenerate = endOfScroll;
  return std::to_string(state_.offset.position);
}

}  // namespace tandemix
