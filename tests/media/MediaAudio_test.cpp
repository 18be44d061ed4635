// The sound of media files: samples as FFmpeg decodes them, by range, in
// order or with jumps.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/Errors.h"
#include "media/MediaAudio.h"
#include "tests/support/SoundMedia.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

class MediaAudioTest : public test::SoundMediaSuite {
 protected:
  // The bytes the ffmpeg command decodes from a file's sound.
  static std::string Decoded(const std::string& path, const std::string& format) {
    const std::string raw = folder_->File("decoded.raw");
    EXPECT_EQ(test::RunProgram("ffmpeg", {"-v", "error", "-y", "-i", path, "-map", "0:a", "-f", format, raw}).exitCode,
              0);
    return test::ReadBytes(raw);
  }

  static std::vector<float> Read(MediaAudio& audio, std::int64_t start, std::int64_t count) {
    std::vector<float> out(static_cast<std::size_t>(count * audio.Description().channels));
    audio.Read(out.data(), start, count);
    return out;
  }
};

TEST_F(MediaAudioTest, PcmComesAsTheFileHoldsIt) {
  auto audio = MediaAudio::Open(Pcm());
  ASSERT_TRUE(audio);
  const MediaAudioDescription& d = audio->Description();
  EXPECT_EQ(d.sampleRate, 44100);
  EXPECT_EQ(d.channels, 1);
  EXPECT_EQ(d.format, AudioSampleFormat::S16);
  EXPECT_EQ(d.sampleCount, 3 * 44100);
  EXPECT_TRUE(d.fileHasVideo);
  const std::string expected = Decoded(Pcm(), "s16le");
  ASSERT_EQ(expected.size(), static_cast<std::size_t>(d.sampleCount) * 2);
  std::string got(expected.size(), '\0');
  audio->Read(got.data(), 0, d.sampleCount);
  EXPECT_TRUE(got == expected);
  EXPECT_EQ(audio->SeekCount(), 0);  // read in order from the start
  // A jump back gives the same bytes; outside the sound, silence.
  std::string part(200, '\1');
  audio->Read(part.data(), 1000, 100);
  EXPECT_TRUE(part == expected.substr(2000, 200));
  std::int16_t edge[4] = {1, 1, 1, 1};
  audio->Read(edge, -2, 4);
  EXPECT_EQ(edge[0], 0);
  EXPECT_EQ(edge[1], 0);
  EXPECT_EQ(std::memcmp(&edge[2], expected.data(), 4), 0);
  audio->Read(edge, d.sampleCount - 1, 4);
  EXPECT_EQ(edge[1], 0);
  EXPECT_EQ(edge[3], 0);
}

TEST_F(MediaAudioTest, TwentyFourBitSoundStaysTwentyFourBit) {
  auto audio = MediaAudio::Open(Wav());
  ASSERT_TRUE(audio);
  EXPECT_EQ(audio->Description().format, AudioSampleFormat::S24);
  EXPECT_EQ(audio->Description().sampleCount, 64000);
  EXPECT_FALSE(audio->Description().fileHasVideo);
  const std::string expected = Decoded(Wav(), "s24le");
  std::string got(expected.size(), '\0');
  audio->Read(got.data(), 0, 64000);
  EXPECT_TRUE(got == expected);
}

TEST_F(MediaAudioTest, JumpsInCompressedSoundGiveWhatReadingInOrderGives) {
  auto ordered = MediaAudio::Open(Aac());
  ASSERT_TRUE(ordered);
  const MediaAudioDescription& d = ordered->Description();
  EXPECT_EQ(d.sampleRate, 48000);
  EXPECT_EQ(d.format, AudioSampleFormat::Float);
  EXPECT_NEAR(static_cast<double>(d.sampleCount), 10.0 * 48000, 2048);
  const std::vector<float> all = Read(*ordered, 0, d.sampleCount);
  EXPECT_EQ(ordered->SeekCount(), 0);

  auto jumping = MediaAudio::Open(Aac());
  ASSERT_GE(d.sampleCount, 402000);
  for (std::int64_t start : {400000, 123457, 5000, 300000, 299000}) {
    const std::vector<float> part = Read(*jumping, start, 2000);
    for (std::size_t i = 0; i < part.size(); i += 7)
      ASSERT_NEAR(part[i], all[static_cast<std::size_t>(start) + i], 1e-4) << start << " + " << i;
  }
  EXPECT_GE(jumping->SeekCount(), 3);
}

TEST_F(MediaAudioTest, FilesWithoutSoundHaveNone) {
  EXPECT_EQ(MediaAudio::Open(Mute()), nullptr);
  EXPECT_THROW(MediaAudio::Open(folder_->File("missing.avi")), TandemixError);
  test::WriteBytes(folder_->File("text.avi"), "not a video at all");
  EXPECT_THROW(MediaAudio::Open(folder_->File("text.avi")), TandemixError);
}

}  // namespace
}  // namespace tandemix
