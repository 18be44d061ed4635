#include "analysis/ClipSync.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "base/Errors.h"
#include "tests/support/SyncClips.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

using test::MakeSyncClip;
using test::SyncClipOptions;

constexpr int kLeftStart = 60;

std::string ErrorOf(const std::string& left, const std::string& right, const SyncOptions& options = {}) {
  MediaClipSignals source;
  try {
    FindSync(left, right, source, options);
  } catch (const TandemixError& e) {
    return e.what();
  }
  return "(no error)";
}

class SyncBySound : public ::testing::TestWithParam<int> {
 protected:
  test::TempFolder folder;
};

// What the left clip shows at frame n, the right one shows at n + offset:
// the right clip starts `offset` frames earlier in the scene.
TEST_P(SyncBySound, ExactFramesAlsoWithNoiseAndAQuieterTrack) {
  const int offset = GetParam();
  const std::string left = folder.File("left.avi"), right = folder.File("right.avi");
  ASSERT_TRUE(MakeSyncClip(left, kLeftStart));
  ASSERT_TRUE(MakeSyncClip(right, kLeftStart - offset));
  MediaClipSignals source;
  const SyncResult clean = FindSync(left, right, source);
  EXPECT_EQ(clean.method, SyncMethod::Sound);
  EXPECT_EQ(clean.frames, offset);
  EXPECT_NEAR(static_cast<double>(clean.milliseconds), offset * 40.0, 1.0);
  EXPECT_GT(clean.confidence, 2.0);

  SyncClipOptions rough;
  rough.soundFilter = ",volume=-12dB";
  rough.addNoise = true;
  const std::string noisy = folder.File("noisy.avi");
  ASSERT_TRUE(MakeSyncClip(noisy, kLeftStart - offset, rough));
  const SyncResult result = FindSync(left, noisy, source);
  EXPECT_EQ(result.method, SyncMethod::Sound);
  EXPECT_EQ(result.frames, offset);
  EXPECT_GT(result.confidence, 1.2);
  // The other way round the offset changes sign.
  EXPECT_EQ(FindSync(noisy, left, source).frames, -offset);
}

INSTANTIATE_TEST_SUITE_P(Offsets, SyncBySound, ::testing::Values(-50, -17, 0, 1, 23, 50));

TEST(SyncByPicture, WithinAFrameWhenEitherClipHasNoSound) {
  test::TempFolder folder;
  const std::string left = folder.File("left.avi");
  SyncClipOptions mute;
  mute.sound = false;
  ASSERT_TRUE(MakeSyncClip(left, kLeftStart, mute));
  MediaClipSignals source;
  for (int offset : {-50, -8, 0, 31, 50}) {
    const std::string right = folder.File("right" + std::to_string(offset) + ".avi");
    // The right clip has sound; the left one has none.
    ASSERT_TRUE(MakeSyncClip(right, kLeftStart - offset));
    const SyncResult result = FindSync(left, right, source);
    EXPECT_EQ(result.method, SyncMethod::Picture);
    EXPECT_LE(std::abs(result.frames - offset), 1) << "offset " << offset << ": " << result.Summary();
    EXPECT_EQ(result.milliseconds, result.frames * 40);
  }
}

TEST(SyncFailures, SilentStillShortAndMissingClipsGiveAReason) {
  test::TempFolder folder;
  const std::string still = folder.File("still.avi");
  ASSERT_EQ(
      test::RunProgram("ffmpeg", {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                                  "color=c=gray:s=64x36:r=25:d=4", "-f", "lavfi", "-i", "anullsrc=r=48000:cl=mono",
                                  "-t", "4", "-c:v", "mpeg4", "-c:a", "pcm_s16le", still})
          .exitCode,
      0);
  EXPECT_EQ(ErrorOf(still, still), "no sound and no motion to sync by");

  const std::string a = folder.File("a.avi"), b = folder.File("b.avi");
  SyncClipOptions brief;
  brief.frames = 30;  // 1.2 seconds
  ASSERT_TRUE(MakeSyncClip(a, 10, brief));
  ASSERT_TRUE(MakeSyncClip(b, 12, brief));
  EXPECT_EQ(ErrorOf(a, b), "the clips are too short to sync: they must share at least 2 seconds");
  brief.sound = false;
  ASSERT_TRUE(MakeSyncClip(a, 10, brief));
  EXPECT_EQ(ErrorOf(a, b), "the clips are too short to sync: they must share at least 2 seconds");

  EXPECT_EQ(ErrorOf(folder.File("missing.avi"), b), "Cannot open file " + folder.File("missing.avi"));
  SyncOptions none;
  none.maxOffsetSeconds = 0.0;
  EXPECT_EQ(ErrorOf(b, b, none), "The sync needs a positive largest offset and analysis time.");
}

// Signals given as numbers: a motion track at `rate` and no sound.
class FakeSignals : public ClipSignals {
 public:
  explicit FakeSignals(double rate) : rate_(rate) {}
  SoundTrack Sound(const std::string&, int, double) override { throw TandemixError("no sound"); }
  MotionTrack Motion(const std::string&, int maxFrames) override {
    MotionTrack track;
    track.rate = rate_;
    // One jolt in a still scene: no other lag correlates at all.
    for (int i = 0; i < std::min(maxFrames, 400); ++i) track.motion.push_back(i == 200 ? 100.0f : 0.0f);
    return track;
  }

 private:
  double rate_;
};

// Rates a sync cannot count frames at are refused in words; identical clips
// report the highest confidence, 100, not a made-up ratio.
TEST(SyncRates, UnusableRatesAreRefusedAndConfidenceIsBounded) {
  for (double rate : {2e9, 1001.0, 1e-4}) {
    FakeSignals fake(rate);
    try {
      FindSync("a.mkv", "b.mkv", fake);
      ADD_FAILURE() << rate << ": no error";
    } catch (const TandemixError& e) {
      EXPECT_NE(std::string(e.what()).find("a.mkv runs at "), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("a sync needs a rate between 0.001 and 1000 frames per second."),
                std::string::npos)
          << e.what();
    }
  }
  FakeSignals same(25.0);
  const SyncResult result = FindSync("a.mkv", "a.mkv", same);
  EXPECT_EQ(result.frames, 0);
  EXPECT_EQ(result.confidence, 100.0);
  EXPECT_EQ(result.Summary(), "0 frames, 0 ms, picture, confidence 100.00");
}

}  // namespace
}  // namespace tandemix

namespace tandemix {
namespace {

// Two cameras at different rates filming the same cuts: a scene changes
// every 0.2 s to a level of its own, and each clip samples it at its rate.
class TwoRateSignals : public ClipSignals {
 public:
  TwoRateSignals(double leftRate, double rightRate, double rightAhead)
      : leftRate_(leftRate), rightRate_(rightRate), rightAhead_(rightAhead) {}
  SoundTrack Sound(const std::string& path, int, double) override { throw TandemixError(path + " has no sound"); }
  MotionTrack Motion(const std::string& path, int maxFrames) override {
    const bool left = path == "left.mkv";
    MotionTrack track;
    track.rate = left ? leftRate_ : rightRate_;
    for (int i = 0; i < maxFrames; ++i) {
      const double t = i / track.rate + (left ? 0.0 : rightAhead_);
      const unsigned scene = static_cast<unsigned>(std::floor(t * 5.0 + 1000.0));
      track.motion.push_back(static_cast<float>((scene * 2654435761u >> 16) % 64));
    }
    return track;
  }

 private:
  double leftRate_, rightRate_, rightAhead_;
};

// The offset is a time, counted in frames of the left clip, whichever rate
// the right clip has.
TEST(SyncRates, PictureSyncComparesCamerasOfDifferentRatesInTime) {
  const struct {
    double leftRate, rightRate, rightAhead;
    int frames;
  } rows[] = {{25.0, 30.0, 1.0, -25}, {30.0, 25.0, 1.0, -30}, {25.0, 30.0, -2.4, 60}, {25.0, 25.0, 0.4, -10}};
  for (const auto& row : rows) {
    TwoRateSignals cameras(row.leftRate, row.rightRate, row.rightAhead);
    SyncOptions options;
    options.analysisSeconds = 30.0;
    const SyncResult result = FindSync("left.mkv", "right.mkv", cameras, options);
    EXPECT_EQ(result.method, SyncMethod::Picture);
    EXPECT_LE(std::abs(result.frames - row.frames), 1)
        << row.leftRate << " / " << row.rightRate << ": " << result.Summary();
  }
}

}  // namespace
}  // namespace tandemix
