// Media with sound for the tests of sources and of MediaAudio, made once per
// test suite: 16-bit PCM in AVI, AAC in MP4, an AVI without sound and a
// 24-bit WAV file.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/TestFiles.h"

namespace tandemix::test {

class SoundMediaSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempFolder();
    ASSERT_TRUE(MakeTestVideoWithSound(Pcm(), 64, 48, 75, 25, "sine=frequency=440:sample_rate=44100",
                                       "-c:v mjpeg -c:a pcm_s16le"));
    ASSERT_TRUE(MakeTestVideoWithSound(Aac(), 64, 48, 250, 25, "sine=frequency=300:sample_rate=48000",
                                       "-c:v libx264 -c:a aac"));
    ASSERT_TRUE(MakeTestVideo(Mute(), 64, 48, 10));
    ASSERT_EQ(RunProgram("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=500:sample_rate=32000",
                                    "-t", "2", "-c:a", "pcm_s24le", Wav()})
                  .exitCode,
              0);
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static std::string Pcm() { return folder_->File("tone.avi"); }
  static std::string Aac() { return folder_->File("tone.mp4"); }
  static std::string Mute() { return folder_->File("mute.avi"); }
  static std::string Wav() { return folder_->File("tone24.wav"); }

  static inline TempFolder* folder_ = nullptr;
};

}  // namespace tandemix::test
