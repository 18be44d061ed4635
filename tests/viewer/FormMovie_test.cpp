#include "viewer/FormMovie.h"

#include <gtest/gtest.h>
#include <QTest>

#include "playback/EnginePlayer.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

class ScriptedPlayer : public MediaPlayer {
 public:
  bool failOpen = false;
  std::vector<std::int64_t> seeks;
  std::int64_t position = 0;
  PlayerMode mode = PlayerMode::NotReady;
  void Open(const std::string&) override {
    if (failOpen) throw TandemixError("Script error: There is no function named 'zoom2'.\n(movie.avs, line 2)");
    mode = PlayerMode::Stopped;
  }
  void Close() override { mode = PlayerMode::NotReady; }
  void Play() override { mode = PlayerMode::Playing; }
  void PauseToggle() override {
    if (mode == PlayerMode::Playing)
      mode = PlayerMode::Paused;
    else if (mode == PlayerMode::Paused)
      mode = PlayerMode::Playing;
  }
  void Stop() override { mode = PlayerMode::Stopped; }
  void Seek(std::int64_t ms) override {
    seeks.push_back(ms);
    position = ms;
  }
  int steps = 0, backs = 0;
  void Step() override { ++steps; }
  void Back() override { ++backs; }
  std::int64_t PositionMs() const override { return position; }
  PlayerMode Mode() const override { return mode; }
  bool muted = false;
  void SetMuted(bool on) override { muted = on; }
  bool Muted() const override { return muted; }
};

class ClipViewer : public ::testing::Test {
 protected:
  void SetUp() override {
    MovieWindowHooks hooks;
    hooks.adjustClip = [this](int frame) { adjusted.push_back(frame); };
    hooks.saveFrame = [this](int frame) { savedFrames.push_back(frame); };
    hooks.regenerate = [this] { ++regenerations; };
    hooks.leftViewRate = [] { return 25.0; };
    hooks.setRegenerateHoldoff = [this](int n) { holdoff = n; };
    hooks.showError = [this](const std::string& e) { errors.push_back(e); };
    state.track = {0, 247, 0};
    state.offset = {-98, 98, 0};
    window = std::make_unique<TForm_Movie>(state, hooks, &player);
  }
  ViewerState state;
  ScriptedPlayer player;
  std::unique_ptr<TForm_Movie> window;
  std::vector<int> adjusted, savedFrames;
  std::vector<std::string> errors;
  int regenerations = 0, holdoff = 0;
};

TEST_F(ClipViewer, OpenSizesTheWindowAndStartsAtTheFrame) {
  window->ViewerOpen("/v/movie.avs", 320, 200, 1480);
  EXPECT_EQ(window->windowTitle(), "/v/movie.avs");
  EXPECT_EQ(window->size(), QSize(420, 356));
  EXPECT_EQ(window->TrackBar_Movie->width(), 174);
  EXPECT_EQ(window->ScrollBar_Offset->width(), 158);
  EXPECT_EQ(window->TrackBar_Movie->maximum(), 247);
  EXPECT_EQ(window->ScrollBar_Offset->minimum(), -98);
  EXPECT_EQ(player.seeks.back(), 1480);
  EXPECT_TRUE(window->Timer1->isActive());
  EXPECT_EQ(holdoff, 5);
  EXPECT_TRUE(window->isVisible());
}

// A picture larger than the screen gives a viewer within the room the
// desktop leaves, its lowest row too; a new run of the same picture size
// (Swap, Apply to Clip) leaves the viewer where and as large as the user
// put it; another size lays it out again at its place.
TEST_F(ClipViewer, TheViewerStaysOnTheScreenAndKeepsThePlaceTheUserGaveIt) {
  const QRect room = window->screen()->availableGeometry();
  window->ViewerOpen("/v/movie.avs", room.width() * 2, room.height() * 2, 0);
  EXPECT_TRUE(room.contains(window->frameGeometry()))
      << window->frameGeometry().width() << "x" << window->frameGeometry().height();
  const QPushButton* sync = window->Button_Sync;
  EXPECT_LE(sync->mapTo(window.get(), QPoint(0, sync->height())).y(), window->height());

  window->ViewerOpen("/v/movie.avs", 320, 200, 0);
  window->move(room.x() + 30, room.y() + 20);
  window->resize(500, 400);
  window->ViewerOpen("/v/movie.avs", 320, 200, 0);
  EXPECT_EQ(window->pos(), QPoint(room.x() + 30, room.y() + 20));
  EXPECT_EQ(window->size(), QSize(500, 400));
  window->ViewerOpen("/v/movie.avs", 400, 300, 0);
  EXPECT_EQ(window->pos(), QPoint(room.x() + 30, room.y() + 20));
  EXPECT_EQ(window->size(), QSize(460, 416));
}

TEST_F(ClipViewer, ScriptThatCannotOpenShowsTheEngineText) {
  player.failOpen = true;
  window->ViewerOpen("/v/movie.avs", 320, 200, 0);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("zoom2"), std::string::npos);
  EXPECT_FALSE(window->Timer1->isActive());
  EXPECT_EQ(holdoff, 0);
}

// An output script whose last line assigns returns no clip, and
// the viewer shows AviSynth's words for it (an empty Output block used to
// play only the right view).
TEST(ClipViewerEngine, ScriptEndingInAnAssignmentShowsTheUndefinedValue) {
  test::TempFolder dir;
  const std::string script = dir.File("movie.avs");
  test::WriteBytes(script, "ClipA = BlankClip(width=32, height=24)\r\nClipB = BlankClip(width=32, height=24)\r\n");
  std::vector<std::string> errors;
  MovieWindowHooks hooks;
  hooks.leftViewRate = [] { return 25.0; };
  hooks.setRegenerateHoldoff = [](int) {};
  hooks.showError = [&errors](const std::string& e) { errors.push_back(e); };
  EnginePlayer player([](FramePtr, int) {}, [&errors](const std::string& e) { errors.push_back(e); });
  ViewerState state;
  TForm_Movie window(state, hooks, &player);
  window.ViewerOpen(script, 64, 24, 0);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "The script's return value was not a video clip, (Is the undefined value).\n(" + script + ")");
  EXPECT_FALSE(window.Timer1->isActive());
}

TEST_F(ClipViewer, TrackBarSeeksAndFollowsPlaybackAt25) {
  window->ViewerOpen("/v/movie.avs", 320, 200, 0);
  window->TrackBar_Movie->setValue(50);
  EXPECT_EQ(player.seeks.back(), 2000);
  const std::size_t seeks = player.seeks.size();
  player.position = 3000;
  window->Timer1Timer();
  EXPECT_EQ(window->TrackBar_Movie->value(), 75);
  EXPECT_EQ(player.seeks.size(), seeks);  // the timer's move does not seek
  window->Timer1Timer();                  // nothing moved
  window->TrackBar_Movie->setValue(10);
  EXPECT_EQ(player.seeks.back(), 400);
}

TEST_F(ClipViewer, PauseWhilePlayingNarrowsTheButtons) {
  window->ViewerOpen("/v/movie.avs", 320, 200, 0);
  window->PlayerButtons[1]->click();  // Pause while stopped: nothing
  EXPECT_EQ(player.mode, PlayerMode::Stopped);
  window->PlayerButtons[0]->click();  // Play
  window->PlayerButtons[1]->click();  // Pause
  EXPECT_EQ(player.mode, PlayerMode::Paused);
  EXPECT_FALSE(window->PlayerButtons[1]->isEnabled());
  EXPECT_FALSE(window->PlayerButtons[3]->isEnabled());
  EXPECT_FALSE(window->PlayerButtons[4]->isEnabled());
  EXPECT_TRUE(window->PlayerButtons[0]->isEnabled());
}

TEST_F(ClipViewer, OffsetLabelFollowsTheDragAndRegeneratesOnRelease) {
  window->ViewerOpen("/v/movie.avs", 320, 200, 0);
  QScrollBar* bar = window->ScrollBar_Offset;
  bar->setSliderDown(true);
  bar->setSliderPosition(4);
  bar->setSliderPosition(7);
  EXPECT_EQ(window->Label_Offset->text(), "7");
  EXPECT_EQ(regenerations, 0);
  bar->setSliderDown(false);
  EXPECT_EQ(regenerations, 1);
  EXPECT_EQ(state.offset.position, 7);
}

TEST_F(ClipViewer, CaptureCommandsUseTheTrackBarFrame) {
  window->ViewerOpen("/v/movie.avs", 320, 200, 0);
  window->TrackBar_Movie->setValue(12);
  window->Button1->click();
  window->Button2->click();
  EXPECT_EQ(adjusted, std::vector<int>{12});
  EXPECT_EQ(savedFrames, std::vector<int>{12});
  window->close();
  EXPECT_FALSE(window->Timer1->isActive());
  EXPECT_EQ(player.mode, PlayerMode::NotReady);
}

TEST_F(ClipViewer, CaptureDuringPlaybackPausesAndTakesTheFrameOnScreen) {
  window->ViewerOpen("/v/movie.avs", 320, 200, 0);
  window->PlayerButtons[0]->click();  // Play
  player.position = 560;
  window->Timer1Timer();
  ASSERT_EQ(window->TrackBar_Movie->value(), 14);
  player.position = 1440;  // the viewer shows frame 36 before the next tick
  const std::size_t seeks = player.seeks.size();
  window->Button1->click();
  EXPECT_EQ(adjusted, std::vector<int>{36});
  EXPECT_EQ(player.mode, PlayerMode::Paused);
  EXPECT_EQ(window->TrackBar_Movie->value(), 36);
  EXPECT_EQ(window->Label_Position->text(), QString::fromUtf8("frame 36 / 247 \u00b7 00:01.44"));
  EXPECT_EQ(player.seeks.size(), seeks);
  window->PlayerButtons[0]->click();  // Play on
  player.position = 2000;
  window->Button2->click();
  EXPECT_EQ(savedFrames, std::vector<int>{50});
  EXPECT_EQ(player.mode, PlayerMode::Paused);
}

TEST_F(ClipViewer, NextAndPrevGoToTheEnds) {
  window->ViewerOpen("/v/movie.avs", 320, 200, 0);
  window->PlayerButtons[3]->click();  // Next
  EXPECT_EQ(window->TrackBar_Movie->value(), 247);
  EXPECT_EQ(player.seeks.back(), 9880);
  EXPECT_EQ(window->Label_Position->text(), QString::fromUtf8("frame 247 / 247 \u00b7 00:09.88"));
  window->PlayerButtons[4]->click();  // Prev
  EXPECT_EQ(window->TrackBar_Movie->value(), 0);
  EXPECT_EQ(player.seeks.back(), 0);
}

TEST_F(ClipViewer, KeysPlayPauseStepAndGoHome) {
  window->ViewerOpen("/v/movie.avs", 320, 200, 0);
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  QWidget* focus = window->TrackBar_Movie;
  focus->setFocus();
  QTest::keyClick(focus, Qt::Key_Space);
  EXPECT_EQ(player.mode, PlayerMode::Playing);
  QTest::keyClick(focus, Qt::Key_Space);
  EXPECT_EQ(player.mode, PlayerMode::Paused);
  QTest::keyClick(focus, Qt::Key_Right);
  QTest::keyClick(focus, Qt::Key_Right);
  QTest::keyClick(focus, Qt::Key_Left);
  EXPECT_EQ(player.steps, 2);
  EXPECT_EQ(player.backs, 1);
  window->TrackBar_Movie->setValue(100);
  QTest::keyClick(focus, Qt::Key_Home);
  EXPECT_EQ(window->TrackBar_Movie->value(), 0);
  EXPECT_EQ(player.seeks.back(), 0);
}

// The mute button ends the player row, right of the track bar and within
// the window; it and the M key turn the player's sound off and on, and the
// button shows which.
TEST_F(ClipViewer, MuteButtonAndKeyTurnTheSoundOffAndOn) {
  window->ViewerOpen("/v/movie.avs", 320, 200, 0);
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  QToolButton* mute = window->Button_Mute;
  const QRect track = window->TrackBar_Movie->geometry();
  EXPECT_EQ(mute->geometry().top(), window->MediaPlayer1->geometry().top());
  EXPECT_GT(mute->geometry().left(), track.right());
  EXPECT_LE(mute->geometry().right(), window->Panel1->geometry().right());
  EXPECT_FALSE(mute->isChecked());
  const QImage soundOn = mute->icon().pixmap(16).toImage();

  mute->click();
  EXPECT_TRUE(player.muted);
  EXPECT_TRUE(mute->isChecked());
  EXPECT_NE(mute->icon().pixmap(16).toImage(), soundOn);
  EXPECT_TRUE(mute->toolTip().startsWith("Sound off"));

  QTest::keyClick(window->TrackBar_Movie, Qt::Key_M);
  EXPECT_FALSE(player.muted);
  EXPECT_FALSE(mute->isChecked());
  EXPECT_EQ(mute->icon().pixmap(16).toImage(), soundOn);
  // Muting does not touch playback.
  window->PlayerButtons[0]->click();
  mute->click();
  EXPECT_EQ(player.mode, PlayerMode::Playing);
  EXPECT_TRUE(player.muted);
}

TEST_F(ClipViewer, PositionTextUnderTheTrackBarAndOffsetValueByItsLabel) {
  window->ViewerOpen("/v/movie.avs", 720, 576, 0);
  window->TrackBar_Movie->setValue(137);
  EXPECT_EQ(window->Label_Position->text(), QString::fromUtf8("frame 137 / 247 \u00b7 00:05.48"));
  const QRect track = window->TrackBar_Movie->geometry();
  const QRect position = window->Label_Position->geometry();
  EXPECT_EQ(position.left(), track.left());
  EXPECT_LE(position.top() - track.bottom(), 2);
  EXPECT_GE(position.width(), window->Label_Position->fontMetrics().horizontalAdvance(
                                  QString::fromUtf8("frame 99999 / 99999 \u00b7 00:00.00")));
  const QRect label = window->Label1->geometry();
  const QRect value = window->Label_Offset->geometry();
  EXPECT_EQ(value.left(), label.left());
  EXPECT_LE(value.top() - label.bottom(), 8);
  EXPECT_FALSE(value.intersects(window->ScrollBar_Offset->geometry()));
}

}  // namespace
}  // namespace tandemix
