#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <thread>

#include "playback/EnginePlayer.h"
#include "tests/playback/SoundFakes.h"

namespace tandemix {
namespace {

using test::ClickClip;
using test::ClockedOutput;

bool WaitFor(const std::function<bool()>& done, int ms = 20000) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// A player on a simulated clock, with a device `drift` times as fast as
// that clock, recording when each frame is shown.
class SoundPlayer : public ::testing::Test {
 protected:
  void Make(double drift) {
    time = std::make_shared<test::SteppedTime>();
    EnginePlayer::Devices devices;
    devices.audio = std::make_unique<ClockedOutput>(*time, log, drift);
    devices.time = time;
    devices.warn = [this](const std::string& w) {
      std::lock_guard lock(mutex);
      warnings.push_back(w);
    };
    player = std::make_unique<EnginePlayer>(
        [this](FramePtr, int n) {
          std::lock_guard lock(mutex);
          shown.emplace_back(n, time->Now());
        },
        EnginePlayer::ErrorSink{}, std::move(devices));
  }
  void OpenClicks(int frames) {
    player->OpenClip(std::make_shared<ClickClip>(frames), "clicks");
    ASSERT_TRUE(player->WaitIdle(10000));
  }
  std::int64_t Written() {
    std::lock_guard lock(log->mutex);
    return log->framesWritten;
  }
  std::vector<float> FirstAfterReset() {
    std::lock_guard lock(log->mutex);
    return log->firstAfterReset;
  }

  std::shared_ptr<test::SteppedTime> time;
  std::shared_ptr<ClockedOutput::Log> log = std::make_shared<ClockedOutput::Log>();
  std::mutex mutex;
  std::vector<std::pair<int, double>> shown;  // frame, when
  std::vector<std::string> warnings;
  std::unique_ptr<EnginePlayer> player;
};

// Ten seconds of a clip with a click on every 25th frame, on a device whose
// clock runs 2 % fast: each click frame is shown within one frame (40 ms)
// of its click being heard. On the player's own clock the picture would be
// 200 ms behind the sound by the end; the picture follows the sound.
TEST_F(SoundPlayer, PictureFollowsTheSoundWithinAFrameOverTenSeconds) {
  Make(1.02);
  OpenClicks(260);
  {
    std::lock_guard lock(mutex);
    shown.clear();  // the still frame of the open
  }
  player->Play();
  ASSERT_TRUE(WaitFor([&] { return player->Mode() == PlayerMode::Stopped; }));
  player.reset();  // joins both threads

  EXPECT_TRUE(warnings.empty());
  std::map<int, double> shownAt;
  for (const auto& [frame, when] : shown) shownAt[frame] = when;
  std::lock_guard lock(log->mutex);
  // Clicks at frames 0, 25, ..., 250: ten seconds. Frame 0 is on screen
  // before play starts; each later click frame is shown when due.
  ASSERT_GE(log->clickTimes.size(), 11u);
  double worst = 0;
  for (int k = 1; k <= 10; ++k) {
    const int frame = k * ClickClip::kClickEvery;
    ASSERT_TRUE(shownAt.count(frame)) << "frame " << frame << " was not shown";
    const double drift = shownAt[frame] - log->clickTimes[k];
    worst = std::max(worst, std::abs(drift));
    EXPECT_LT(std::abs(drift), 0.040) << "click of frame " << frame;
  }
  RecordProperty("worst_av_drift_us", static_cast<int>(std::lround(worst * 1e6)));
  std::printf("worst A/V drift over 10 s: %.1f ms\n", worst * 1000);
  // The device's clock, not the player's, set the pace: frame 250 came
  // about 9 s / 1.02 after frame 25, not 9 s.
  EXPECT_NEAR(shownAt[250] - shownAt[25], 9.0 / 1.02, 0.040);
}

// Pause drops the queued sound and writes no more; stepping stays silent;
// play resumes the sound at the paused frame's first sample, and a seek
// while playing restarts it at the new frame's.
TEST_F(SoundPlayer, PauseStepAndSeekKeepTheSoundInPlace) {
  Make(1.0);
  OpenClicks(100000);
  player->Play();
  ASSERT_TRUE(WaitFor([&] { return Written() > 0; }));
  player->PauseToggle();
  ASSERT_TRUE(player->WaitIdle(10000));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const std::int64_t atPause = Written();
  player->Step();
  player->Step();
  ASSERT_TRUE(player->WaitIdle(10000));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(Written(), atPause) << "stepping makes no sound";
  EXPECT_EQ(player->Mode(), PlayerMode::Paused);

  // Frame 99 at 3960 ms: its first sample is 99 * 48000 / 25 = 190080, so
  // the next click (frame 100, sample 192000) lies 1920 samples in.
  player->Seek(3960);
  player->PauseToggle();
  ASSERT_TRUE(WaitFor([&] { return FirstAfterReset().size() >= 2000; }));
  std::vector<float> first = FirstAfterReset();
  player->PauseToggle();
  const auto click = std::find_if(first.begin(), first.end(), [](float v) { return v > 0.5f; });
  EXPECT_EQ(click - first.begin(), 1920);
  EXPECT_NEAR(*click, 30000.0f / 32768.0f, 1e-6f);

  // A seek while playing: frame 250 starts with its click.
  player->PauseToggle();
  player->Seek(10000);
  ASSERT_TRUE(WaitFor([&] {
    first = FirstAfterReset();
    return first.size() >= 100 && first[0] > 0.5f;
  })) << "no sound started with the click of frame 250";
  EXPECT_GT(first[47], 0.5f);
  EXPECT_EQ(first[48], 0.0f);
  player->Stop();
  EXPECT_EQ(player->PositionMs(), 0);
}

// Muted, the device is still fed (silence), so the clock keeps its lead;
// unmuted, the clicks come back.
TEST_F(SoundPlayer, MuteFeedsSilence) {
  Make(1.0);
  OpenClicks(100000);
  player->SetMuted(true);
  EXPECT_TRUE(player->Muted());
  player->Play();
  ASSERT_TRUE(WaitFor([&] { return Written() > 48000; }));
  {
    std::lock_guard lock(log->mutex);
    EXPECT_EQ(log->loudSamples, 0);
  }
  player->SetMuted(false);
  ASSERT_TRUE(WaitFor([&] {
    std::lock_guard lock(log->mutex);
    return log->loudSamples > 0;
  }));
  EXPECT_FALSE(player->Muted());
}

// No device: playback goes on silently on the player's clock, and the
// reason is given once on standard error however often play starts.
TEST_F(SoundPlayer, NoDeviceSaysSoOnceAndPlaysOnTheSystemClock) {
  log->failOpen = true;
  time = std::make_shared<test::SteppedTime>();
  testing::internal::CaptureStderr();
  {
    EnginePlayer::Devices devices;
    devices.audio = std::make_unique<ClockedOutput>(*time, log);
    devices.time = time;
    EnginePlayer quiet([this](FramePtr, int n) { shown.emplace_back(n, 0.0); }, {}, std::move(devices));
    quiet.OpenClip(std::make_shared<ClickClip>(20), "clicks");
    for (int i = 0; i < 2; ++i) {
      quiet.Play();
      ASSERT_TRUE(WaitFor([&] { return quiet.Mode() == PlayerMode::Stopped; }));
    }
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "tandemix: no audio output device; the clip viewer plays without sound\n");
  EXPECT_EQ(shown.back().first, 19);
}

// A clip without sound never opens the device.
TEST_F(SoundPlayer, SilentClipLeavesTheDeviceAlone) {
  Make(1.0);
  engine::ClipInfo info;
  info.width = 8;
  info.height = 8;
  info.frameCount = 10;
  info.rateNumerator = 25;
  struct Silent : engine::Clip {
    using Clip::Clip;
    FramePtr GetFrame(int) override { return std::make_shared<FrameBGR>(8, 8); }
  };
  player->OpenClip(std::make_shared<Silent>(info), "silent");
  player->Play();
  ASSERT_TRUE(WaitFor([&] { return player->Mode() == PlayerMode::Stopped; }));
  std::lock_guard lock(log->mutex);
  EXPECT_EQ(log->opens, 0);
  EXPECT_EQ(log->framesWritten, 0);
}

TEST_F(SoundPlayer, OpenClipRefusesClipsWithoutPicturesOrRate) {
  Make(1.0);
  auto Refusal = [&](engine::ClipPtr clip, const std::string& name) {
    try {
      player->OpenClip(std::move(clip), name);
    } catch (const TandemixError& e) {
      return std::string(e.what());
    }
    return std::string("opened");
  };
  EXPECT_EQ(Refusal(nullptr, "nothing"), "nothing has no video frames");
  EXPECT_EQ(Refusal(std::make_shared<ClickClip>(0), "empty"), "empty has no video frames");
  engine::ClipInfo info;
  info.width = 8;
  info.height = 8;
  info.frameCount = 10;
  info.rateNumerator = 0;
  struct NoRate : engine::Clip {
    using Clip::Clip;
    FramePtr GetFrame(int) override { return nullptr; }
  };
  EXPECT_EQ(Refusal(std::make_shared<NoRate>(info), "norate"), "norate has no frame rate");
  EXPECT_EQ(player->Mode(), PlayerMode::NotReady);
}

}  // namespace
}  // namespace tandemix
