#include "viewer/ViewerModel.h"

#include <gtest/gtest.h>

namespace tandemix {
namespace {

class FakePlayer : public MediaPlayer {
 public:
  bool openFails = false;
  std::string opened;
  std::vector<std::int64_t> seeks;
  std::int64_t position = 0;
  PlayerMode mode = PlayerMode::NotReady;
  int pauseToggles = 0, closes = 0, steps = 0, backs = 0, plays = 0, stops = 0;

  void Open(const std::string& path) override {
    if (openFails) throw TandemixError("Script error: There is no function named 'zoom2'.");
    opened = path;
    mode = PlayerMode::Stopped;
  }
  void Close() override { ++closes; }
  void Play() override {
    ++plays;
    mode = PlayerMode::Playing;
  }
  void PauseToggle() override {
    ++pauseToggles;
    if (mode == PlayerMode::Playing)
      mode = PlayerMode::Paused;
    else if (mode == PlayerMode::Paused)
      mode = PlayerMode::Playing;
  }
  void Stop() override {
    ++stops;
    mode = PlayerMode::Stopped;
  }
  void Seek(std::int64_t ms) override {
    seeks.push_back(ms);
    position = ms;
  }
  void Step() override { ++steps; }
  void Back() override { ++backs; }
  std::int64_t PositionMs() const override { return position; }
  PlayerMode Mode() const override { return mode; }
};

class ViewerModelTest : public ::testing::Test {
 protected:
  ViewerState state;
  FakePlayer player;
  ViewerModel viewer{state, player};
  void SetUp() override { state.track = {0, 250, 0}; }
};

TEST_F(ViewerModelTest, OpenSeeksToTheStartFrameAndStartsTheTimer) {
  viewer.Open("/v/movie.avs", 1480);
  EXPECT_EQ(player.opened, "/v/movie.avs");
  EXPECT_EQ(player.closes, 1);  // any open device is closed first
  EXPECT_EQ(player.seeks, (std::vector<std::int64_t>{1480}));
  EXPECT_EQ(player.pauseToggles, 1);
  EXPECT_TRUE(viewer.PlayerOpen());
  EXPECT_TRUE(viewer.TimerEnabled());
}

TEST_F(ViewerModelTest, FailedOpenStopsThere) {
  player.openFails = true;
  std::string error;
  try {
    viewer.Open("/v/movie.avs", 0);
  } catch (const TandemixError& e) {
    error = e.what();
  }
  EXPECT_EQ(error, "Script error: There is no function named 'zoom2'.");
  EXPECT_TRUE(player.seeks.empty());
  EXPECT_FALSE(viewer.TimerEnabled());
  EXPECT_FALSE(viewer.PlayerOpen());
}

TEST_F(ViewerModelTest, TrackBarSeeksAndTimerFollowsWithoutSeekingBack) {
  viewer.Open("/v/movie.avs", 0);
  viewer.TrackChange(0, 25);  // the first change after creation is consumed
  player.seeks.clear();
  state.track.position = 50;
  viewer.TrackChange(50, 25);
  EXPECT_EQ(player.seeks, (std::vector<std::int64_t>{2000}));
  player.position = 4000;
  const auto moved = viewer.TimerTick(25);
  ASSERT_TRUE(moved.has_value());
  EXPECT_EQ(*moved, 100);
  viewer.TrackChange(*moved, 25);  // the change the move raised
  EXPECT_EQ(player.seeks.size(), 1u);
  // A tick that leaves the bar where it is sets nothing, so the user's next
  // change seeks even to the last position the user chose.
  EXPECT_FALSE(viewer.TimerTick(25).has_value());
  state.track.position = 50;
  viewer.TrackChange(50, 25);
  EXPECT_EQ(player.seeks.back(), 2000);
  EXPECT_EQ(viewer.LastTrackPosition(), 50);
}

TEST_F(ViewerModelTest, PauseNarrowsTheButtonsOnlyWhilePlaying) {
  viewer.Open("/v/movie.avs", 0);
  const int toggles = player.pauseToggles;
  viewer.Press(PlayerButton::Pause);  // stopped: nothing
  EXPECT_EQ(player.pauseToggles, toggles);
  EXPECT_TRUE(viewer.Enabled(PlayerButton::Pause));
  viewer.Press(PlayerButton::Play);
  viewer.Press(PlayerButton::Pause);
  EXPECT_EQ(player.mode, PlayerMode::Paused);
  EXPECT_FALSE(viewer.Enabled(PlayerButton::Pause));
  EXPECT_FALSE(viewer.Enabled(PlayerButton::Next));
  EXPECT_FALSE(viewer.Enabled(PlayerButton::Prev));
  EXPECT_TRUE(viewer.Enabled(PlayerButton::Play));
  EXPECT_TRUE(viewer.Enabled(PlayerButton::Back));
  viewer.Press(PlayerButton::Stop);
  EXPECT_EQ(player.seeks.back(), 0);
  viewer.Press(PlayerButton::Step);
  viewer.Press(PlayerButton::Back);
  EXPECT_EQ(player.steps, 1);
  EXPECT_EQ(player.backs, 1);
}

TEST_F(ViewerModelTest, OffsetRegeneratesOnlyOnRelease) {
  state.offset = {-98, 98, 0};
  bool regenerate = true;
  EXPECT_EQ(viewer.OffsetScroll(5, false, regenerate), "5");
  EXPECT_FALSE(regenerate);
  EXPECT_EQ(viewer.OffsetScroll(120, true, regenerate), "98");
  EXPECT_TRUE(regenerate);
}

TEST_F(ViewerModelTest, CloseStopsTheTimer) {
  viewer.Open("/v/movie.avs", 0);
  viewer.Close();
  EXPECT_FALSE(viewer.PlayerOpen());
  EXPECT_FALSE(viewer.TimerEnabled());
  EXPECT_FALSE(viewer.TimerTick(25).has_value());
}

TEST_F(ViewerModelTest, NextAndPrevGoToTheLastAndTheFirstFrame) {
  viewer.Open("/v/movie.avs", 0);
  viewer.Press(PlayerButton::Next, 25.0);
  EXPECT_EQ(player.seeks.back(), 10000);
  EXPECT_EQ(state.track.position, 250);
  EXPECT_EQ(viewer.LastTrackPosition(), 250);
  viewer.Press(PlayerButton::Prev, 25.0);
  EXPECT_EQ(player.seeks.back(), 0);
  EXPECT_EQ(state.track.position, 0);
  // A range that does not start at 0 (no clip can have one today) still
  // goes to its first frame.
  state.track = {10, 20, 15};
  viewer.Press(PlayerButton::Prev, 25.0);
  EXPECT_EQ(player.seeks.back(), 400);
}

TEST_F(ViewerModelTest, TheFrameOnScreenPausesPlaybackAndMovesTheTrackBarToIt) {
  viewer.Open("/v/movie.avs", 0);
  viewer.Press(PlayerButton::Play);
  player.position = 560;
  ASSERT_EQ(viewer.TimerTick(25.0), 14);  // the once-a-second follow-up
  player.position = 1440;                 // playback went on to frame 36
  const std::size_t seeks = player.seeks.size();
  EXPECT_EQ(viewer.FrameOnScreen(25.0), 36);
  EXPECT_EQ(player.mode, PlayerMode::Paused);
  EXPECT_EQ(state.track.position, 36);
  EXPECT_EQ(player.seeks.size(), seeks) << "the frame on screen needs no seek";
  EXPECT_FALSE(viewer.Enabled(PlayerButton::Pause)) << "the buttons are those of a pause";
  // Paused already: nothing toggles; a frame past the range is the last.
  const int toggles = player.pauseToggles;
  player.position = 20000;
  EXPECT_EQ(viewer.FrameOnScreen(25.0), 250);
  EXPECT_EQ(player.pauseToggles, toggles);
}

TEST_F(ViewerModelTest, TheFrameOnScreenOfAClosedPlayerIsTheTrackBars) {
  state.track.position = 12;
  player.position = 5000;
  EXPECT_EQ(viewer.FrameOnScreen(25.0), 12);
}

TEST(FrameTime, MillisecondsAndFramesAt25) {
  EXPECT_EQ(FrameToMs(50, 25), 2000);
  EXPECT_EQ(MsToFrame(2000, 25), 50);
  EXPECT_EQ(FrameToMs(1, 400), 2);     // 2.5 -> 2
  EXPECT_EQ(FrameToMs(3, 400), 8);     // 7.5 -> 8
  EXPECT_EQ(FrameToMs(10, 0), 10000);  // no rate counts as 1
}

}  // namespace
}  // namespace tandemix
