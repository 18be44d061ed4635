#include "playback/EnginePlayer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

// Records the frames the player hands over, from its worker thread.
struct Shown {
  std::mutex mutex;
  std::vector<int> frames;
  std::vector<std::string> errors;
  std::vector<int> Frames() {
    std::lock_guard lock(mutex);
    return frames;
  }
};

bool WaitFor(const std::function<bool()>& done, int ms = 10000) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

class PlayerTest : public ::testing::Test {
 protected:
  test::TempFolder dir;
  Shown shown;
  EnginePlayer player{[this](FramePtr f, int n) {
                        std::lock_guard lock(shown.mutex);
                        EXPECT_EQ(f->width, 32);
                        shown.frames.push_back(n);
                      },
                      [this](const std::string& e) {
                        std::lock_guard lock(shown.mutex);
                        shown.errors.push_back(e);
                      }};
  std::string Script(const std::string& text) {
    const std::string path = dir.File("clip.avs");
    test::WriteBytes(path, text);
    return path;
  }
};

TEST_F(PlayerTest, ScriptThatCannotOpenGivesTheEngineText) {
  auto Refusal = [&](const std::string& path) {
    try {
      player.Open(path);
    } catch (const TandemixError& e) {
      return std::string(e.what());
    }
    return std::string("opened");
  };
  const std::string error = Refusal(Script("BlankClip()\r\nzoom2(angle=\"1\")\r\n"));
  EXPECT_NE(error.find("There is no function named 'zoom2'"), std::string::npos) << error;
  EXPECT_NE(Refusal(dir.File("missing.avs")), "opened");
  EXPECT_EQ(player.Mode(), PlayerMode::NotReady);
}

TEST_F(PlayerTest, SeekStepAndBackShowExactFrames) {
  player.Open(Script("BlankClip(length=20, width=32, height=24, fps=25)"));
  ASSERT_TRUE(player.WaitIdle(10000));
  EXPECT_EQ(shown.Frames(), std::vector<int>{0});
  player.Seek(2000 / 5);  // 400 ms at 25 fps: frame 10
  ASSERT_TRUE(player.WaitIdle(10000));
  EXPECT_EQ(player.PositionMs(), 400);
  player.Step();
  ASSERT_TRUE(player.WaitIdle(10000));
  player.Back();
  player.Back();
  ASSERT_TRUE(player.WaitIdle(10000));
  EXPECT_EQ(shown.Frames().back(), 9);
  EXPECT_EQ(player.Mode(), PlayerMode::Paused);
  player.Seek(100000);  // beyond the end: the last frame
  ASSERT_TRUE(player.WaitIdle(10000));
  EXPECT_EQ(shown.Frames().back(), 19);
  player.Step();  // at the end, Step starts again from the first frame
  ASSERT_TRUE(player.WaitIdle(10000));
  EXPECT_EQ(shown.Frames().back(), 0);
  player.Stop();
  EXPECT_EQ(player.PositionMs(), 0);
  EXPECT_EQ(player.Mode(), PlayerMode::Stopped);
}

TEST_F(PlayerTest, PlaysForwardToTheEndAndStops) {
  player.Open(Script("BlankClip(length=12, width=32, height=24, fps=200)"));
  ASSERT_TRUE(player.WaitIdle(10000));
  player.Play();
  ASSERT_TRUE(WaitFor([&] { return player.Mode() == PlayerMode::Stopped; }));
  const std::vector<int> frames = shown.Frames();
  ASSERT_GE(frames.size(), 2u);
  EXPECT_EQ(frames.back(), 11);
  for (std::size_t i = 1; i < frames.size(); ++i) EXPECT_LE(frames[i - 1], frames[i]) << i;
  // Play at the end starts from the beginning.
  player.Play();
  ASSERT_TRUE(WaitFor([&] { return player.Mode() == PlayerMode::Stopped; }));
  EXPECT_EQ(shown.Frames().back(), 11);
  EXPECT_TRUE(shown.errors.empty());
}

TEST_F(PlayerTest, PauseToggleAndCloseWhilePlaying) {
  player.Open(Script("BlankClip(length=100000, width=32, height=24, fps=25)"));
  player.PauseToggle();  // neither playing nor paused: nothing
  EXPECT_EQ(player.Mode(), PlayerMode::Stopped);
  player.Play();
  EXPECT_EQ(player.Mode(), PlayerMode::Playing);
  player.PauseToggle();
  EXPECT_EQ(player.Mode(), PlayerMode::Paused);
  const std::int64_t at = player.PositionMs();
  player.PauseToggle();
  EXPECT_EQ(player.Mode(), PlayerMode::Playing);
  EXPECT_GE(player.PositionMs(), at);
  player.Close();
  EXPECT_EQ(player.Mode(), PlayerMode::NotReady);
  EXPECT_EQ(player.PositionMs(), 0);
}

// Media whose size leaves chroma samples cut in half plays whole in every
// subsampled format: the first frame shown has the file's size.
TEST(EnginePlayerOddSizes, FirstFrameHasTheFilesSize) {
  test::TempFolder dir;
  const struct {
    int width;
    int height;
  } sizes[] = {{1, 1}, {1, 2}, {3, 5}, {65, 48}, {853, 480}};
  for (const char* format : {"yuv420p", "yuv422p", "yuyv422", "nv12", "yuv410p"}) {
    for (const auto& s : sizes) {
      const std::string name = std::string(format) + "-" + std::to_string(s.width) + "x" + std::to_string(s.height);
      SCOPED_TRACE(name);
      const std::string movie = dir.File(name + ".nut");
      ASSERT_TRUE(
          test::MakeTestVideo(movie, s.width, s.height, 2, 25, std::string("-pix_fmt ") + format + " -c:v rawvideo"));
      test::WriteBytes(dir.File(name + ".avs"), "FFVideoSource(\"" + movie + "\")\r\n");
      Shown shown;
      std::mutex sizeMutex;
      std::vector<std::pair<int, int>> frameSizes;
      EnginePlayer player{[&](FramePtr f, int n) {
                            std::lock_guard lock(sizeMutex);
                            frameSizes.emplace_back(f->width, f->height);
                            std::lock_guard shownLock(shown.mutex);
                            shown.frames.push_back(n);
                          },
                          [&](const std::string& e) {
                            std::lock_guard lock(shown.mutex);
                            shown.errors.push_back(e);
                          }};
      player.Open(dir.File(name + ".avs"));
      ASSERT_TRUE(player.WaitIdle(10000));
      player.Step();
      ASSERT_TRUE(player.WaitIdle(10000));
      EXPECT_EQ(shown.Frames(), (std::vector<int>{0, 1}));
      std::lock_guard lock(sizeMutex);
      for (const auto& [w, h] : frameSizes) {
        EXPECT_EQ(w, s.width);
        EXPECT_EQ(h, s.height);
      }
      EXPECT_TRUE(shown.errors.empty());
    }
  }
}

}  // namespace
}  // namespace tandemix
