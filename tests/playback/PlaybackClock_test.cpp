#include "playback/PlaybackClock.h"

#include <gtest/gtest.h>

#include <climits>

namespace tandemix {
namespace {

TEST(SampleOfFrame, WorkedExamples) {
  EXPECT_EQ(SampleOfFrame(0, 48000, 25, 1), 0);
  EXPECT_EQ(SampleOfFrame(250, 44100, 25, 1), 441000);
  EXPECT_EQ(SampleOfFrame(99, 48000, 25, 1), 190080);
  // NTSC: 48000 * 1001 / 30000 = 1601.6 samples a frame, rounded down.
  EXPECT_EQ(SampleOfFrame(1, 48000, 30000, 1001), 1601);
  EXPECT_EQ(SampleOfFrame(5, 48000, 30000, 1001), 8008);
  EXPECT_EQ(SampleOfFrame(-1, 48000, 30000, 1001), -1602);  // rounded down before the start too
  // The largest frame number at a high rate still fits in 64 bits.
  EXPECT_EQ(SampleOfFrame(INT_MAX, 768000, 30000, 1001), 55030556944563LL);
}

TEST(SampleOfFrame, HugeAndBadRates) {
  // The product overflows 64 bits: computed in floating point instead, and
  // held inside 64 bits where the result itself does not fit.
  EXPECT_NEAR(static_cast<double>(SampleOfFrame(1000000000, 192000, 1000, 1000000)), 1.92e17, 1e5);
  EXPECT_EQ(SampleOfFrame(INT_MAX, 192000, 1, INT_MAX), 9000000000000000000LL);
  EXPECT_EQ(SampleOfFrame(10, 48000, 0, 1), 0);
  EXPECT_EQ(SampleOfFrame(10, 48000, 25, 0), 0);
  EXPECT_EQ(SampleOfFrame(10, 0, 25, 1), 0);
  EXPECT_DOUBLE_EQ(SecondsOfFrame(250, 25, 1), 10.0);
  EXPECT_DOUBLE_EQ(SecondsOfFrame(3, 30000, 1001), 0.1001);
  EXPECT_EQ(SecondsOfFrame(3, 0, 1), 0.0);
}

TEST(PlaybackClock, RunsOnThePlayersTimeWithoutSound) {
  PlaybackClock clock;
  clock.Start(4.0, 100.0);
  EXPECT_DOUBLE_EQ(clock.Position(100.0), 4.0);
  EXPECT_DOUBLE_EQ(clock.Position(102.5), 6.5);
  EXPECT_FALSE(clock.SoundLeads());
}

TEST(PlaybackClock, SoundLeadsAndTimeFillsInBetweenReportsUpToALimit) {
  PlaybackClock clock;
  clock.Start(0.0, 10.0);
  clock.SoundAt(0.0, 10.0);  // the device has not started yet: the picture waits
  EXPECT_TRUE(clock.SoundLeads());
  EXPECT_NEAR(clock.Position(10.2), 0.0, 1e-9);
  clock.SoundAt(0.3, 10.4);  // a device running behind the player's time
  EXPECT_NEAR(clock.Position(10.4), 0.3, 1e-9);
  EXPECT_NEAR(clock.Position(10.45), 0.35, 1e-9);
  EXPECT_NEAR(clock.Position(10.8), 0.3 + PlaybackClock::kMaxLead, 1e-9);  // no report: held
  clock.SoundAt(0.35, 10.5);  // behind what was already said: the clock does not go back
  EXPECT_NEAR(clock.Position(10.5), 0.4, 1e-9);
  EXPECT_NEAR(clock.Position(10.52), 0.4, 1e-9);
  EXPECT_NEAR(clock.Position(10.56), 0.41, 1e-9);
  clock.Start(2.0, 20.0);  // a seek starts afresh, back in time too
  EXPECT_NEAR(clock.Position(20.0), 2.0, 1e-9);
  EXPECT_FALSE(clock.SoundLeads());
}

TEST(PlaybackClock, StalledDeviceHandsOverToThePlayersTime) {
  PlaybackClock clock;
  clock.Start(1.0, 0.0);
  clock.SoundAt(1.0, 0.0);
  clock.SoundAt(1.2, 0.2);
  clock.SoundAt(1.2, 0.3);  // stands still from 0.2 s on
  clock.SoundAt(1.2, 0.6);
  EXPECT_NEAR(clock.Position(0.6), 1.2, 1e-9);
  EXPECT_NEAR(clock.Position(0.7), 1.2, 1e-9);   // held for the stall limit ...
  EXPECT_NEAR(clock.Position(0.9), 1.4, 1e-9);   // ... then the player's time moves it on
  clock.SoundAt(1.3, 0.95);                      // the device comes back and leads again,
  EXPECT_NEAR(clock.Position(0.95), 1.4, 1e-9);  // but the picture never goes back:
  EXPECT_NEAR(clock.Position(1.2), 1.4, 1e-9);   // it waits for the sound to catch up
  clock.SoundAt(1.5, 1.2);
  EXPECT_NEAR(clock.Position(1.2), 1.5, 1e-9);
}

}  // namespace
}  // namespace tandemix
