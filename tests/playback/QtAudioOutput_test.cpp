#include "playback/QtAudioOutput.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace tandemix {
namespace {

using Steady = std::chrono::steady_clock;

// QAudioSink on the default output. Where there is a device (a desktop, or
// a sound server with a null sink) it takes samples and plays them at the
// pace of real time; where there is none (a server, CI) Open says so and
// the rest does nothing.
TEST(QtAudioOutput, PlaysOnTheDeviceOrSaysThereIsNone) {
  QtAudioOutput output;
  AudioDeviceFormat chosen;
  std::string error;
  std::vector<float> tone(2 * 4800, 0.25f);
  try {
    chosen = output.Open(48000, 2);
  } catch (const TandemixError& e) {
    error = e.what();
  }
  if (!error.empty()) {
    EXPECT_EQ(error, "no audio output device");
    EXPECT_EQ(output.Writable(), 0);
    EXPECT_EQ(output.Write(tone.data(), 4800), 0);
    EXPECT_EQ(output.Played(), 0);
    return;
  }
  ASSERT_GT(chosen.sampleRate, 0);
  ASSERT_GT(chosen.channels, 0);
  ASSERT_EQ(chosen.sampleFormat, DeviceSampleFormat::Float) << "a sound server takes floating point";
  std::int64_t written = 0;
  const auto start = Steady::now();
  while (Steady::now() - start < std::chrono::milliseconds(600)) {
    const std::int64_t room = std::min<std::int64_t>(output.Writable(), 4800);
    if (room > 0) written += output.Write(tone.data(), room);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const std::int64_t played = output.Played();
  // 600 ms went by: the device has played a good part of it, not more than
  // it was given, and not faster than real time.
  EXPECT_GT(played, 48000 / 5) << "written " << written;
  EXPECT_LE(played, written);
  EXPECT_LE(played, 48000 * 7 / 10);
  output.Reset();
  EXPECT_LT(output.Played(), 48000 / 50);
  output.Close();
  EXPECT_EQ(output.Writable(), 0);
}

}  // namespace
}  // namespace tandemix
