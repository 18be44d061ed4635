// The sound on the command line: info --audio, wav, and the sound of the
// scripts that generate writes (the left clip's, cut with the offset trims).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

using test::FileExists;
using test::ReadBytes;
using test::RunCli;

// 25 frames a second with a 1 ms click at the start of every second: one on
// every 25th frame, 48 kHz 16-bit mono PCM.
const char kClicks[] = "aevalsrc=exprs=if(lt(mod(n\\,48000)\\,48)\\,0.9\\,0):s=48000";

class AudioCli : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new test::TempFolder();
    ASSERT_TRUE(test::MakeTestVideoWithSound(Left(), 64, 48, 100, 25, kClicks, "-c:v mjpeg -c:a pcm_s16le"));
    ASSERT_TRUE(test::MakeTestVideoWithSound(Right(), 64, 48, 80, 25, "sine=frequency=300:sample_rate=44100",
                                             "-c:v mjpeg -c:a pcm_s16le"));
    ASSERT_TRUE(test::MakeTestVideo(Mute(), 64, 48, 10));
    test::WriteBytes(folder_->File("stack.avt"), "StackHorizontal(ClipA,ClipB)\r\n");
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static std::string Left() { return folder_->File("left.avi"); }
  static std::string Right() { return folder_->File("right.avi"); }
  static std::string Mute() { return folder_->File("mute.avi"); }

  // The 16-bit samples of a WAV file written by tandemix-cli (44-byte header).
  static std::vector<std::int16_t> WavSamples(const std::string& path) {
    const std::string bytes = ReadBytes(path);
    std::vector<std::int16_t> samples((bytes.size() - 44) / 2);
    std::memcpy(samples.data(), bytes.data() + 44, samples.size() * 2);
    return samples;
  }
  static std::int64_t FirstLoud(const std::vector<std::int16_t>& samples) {
    for (std::size_t i = 0; i < samples.size(); ++i)
      if (std::abs(samples[i]) > 10000) return static_cast<std::int64_t>(i);
    return -1;
  }

  test::TempFolder out;
  static test::TempFolder* folder_;
};
test::TempFolder* AudioCli::folder_ = nullptr;

TEST_F(AudioCli, InfoAudioTellsTheSoundOrNone) {
  auto r = RunCli({"info", "--audio", Left()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "48000 1 16bit 192000\n");
  r = RunCli({"info", "--audio", Mute()});
  EXPECT_EQ(r.out, "none\n");
  test::WriteBytes(out.File("bars.avs"), "ColorBars().Trim(0, 9)\r\n");
  r = RunCli({"info", "--audio", out.File("bars.avs")});
  EXPECT_EQ(r.out, "48000 2 float 16016\n");
  r = RunCli({"info", "--audio", out.File("missing.avi")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("missing.avi"), std::string::npos) << r.err;
}

TEST_F(AudioCli, WavWritesTheScriptsSound) {
  test::WriteBytes(out.File("cut.avs"), "AVISource(\"" + Left() + "\").Trim(5, 0)\r\n");
  auto r = RunCli({"wav", out.File("cut.avs"), out.File("cut.wav")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto samples = WavSamples(out.File("cut.wav"));
  EXPECT_EQ(samples.size(), 95u * 1920u);
  // The click of frame 25 lands on frame 20 of the cut clip.
  EXPECT_EQ(FirstLoud(samples), 20 * 1920);
  // The header says what ffprobe reads back.
  r = test::RunProgram("ffprobe", {"-v", "error", "-show_entries", "stream=codec_name,sample_rate,channels,duration",
                                   "-of", "compact=p=0:nk=1", out.File("cut.wav")});
  EXPECT_EQ(r.out, "pcm_s16le|48000|1|3.800000\n");

  // Float sound as float, or as 16-bit when asked.
  test::WriteBytes(out.File("bars.avs"), "ColorBars().Trim(0, 9)\r\n");
  ASSERT_EQ(RunCli({"wav", out.File("bars.avs"), out.File("float.wav")}).exitCode, 0);
  ASSERT_EQ(RunCli({"wav", out.File("bars.avs"), out.File("short.wav"), "--16bit"}).exitCode, 0);
  r = test::RunProgram("ffprobe", {"-v", "error", "-show_entries", "stream=codec_name,channels", "-of",
                                   "compact=p=0:nk=1", out.File("float.wav")});
  EXPECT_EQ(r.out, "pcm_f32le|2\n");
  EXPECT_EQ(ReadBytes(out.File("short.wav")).size(), 44u + 16016u * 4u);
}

TEST_F(AudioCli, WavRefusesWhatItCannotWrite) {
  auto r = RunCli({"wav", Mute(), out.File("none.wav")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, Mute() + " has no audio\n");
  EXPECT_FALSE(FileExists(out.File("none.wav")));
  r = RunCli({"wav", Left(), out.File("no folder/x.wav")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Cannot create file " + out.File("no folder/x.wav") + "\n");
  r = RunCli({"wav", Left()});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("the output file is missing"), std::string::npos);
  r = RunCli({"wav", Left(), out.File("a.wav"), "--8bit"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_FALSE(FileExists(out.File("a.wav")));
}

TEST_F(AudioCli, GeneratedScriptsKeepTheLeftClipsSoundWithThePicture) {
  const std::string output = out.File("movie.avs");
  test::WriteBytes(out.File("proj.avp"),
                   "! ImportLeftTemplate\r\n! ImportRightTemplate\r\n! ConvertTemplate\r\n! FilterLeftTemplate\r\n"
                   "! FilterRightTemplate\r\n! PreviewTemplate\r\n! OutputTemplate\r\nstack\r\n! ImportStereo\r\n0\r\n"
                   "! FileType\r\n0\r\n! ConvertBefore\r\n0\r\n");
  // The right clip starts 5 frames later: the left one loses its first 5.
  auto r = RunCli({"generate", output, "--project", out.File("proj.avp"), "--left", Left(), "--right", Right(),
                   "--templates", folder_->Path(), "--offset", "-5"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = RunCli({"info", "--audio", output});
  EXPECT_EQ(r.out, "48000 1 16bit 182400\n");  // the left clip's sound, 95 frames of it
  ASSERT_EQ(RunCli({"wav", output, out.File("movie.wav")}).exitCode, 0);
  EXPECT_EQ(FirstLoud(WavSamples(out.File("movie.wav"))), 20 * 1920);

  // The other way: the right clip loses frames, the left keeps its start.
  r = RunCli({"generate", output, "--project", out.File("proj.avp"), "--left", Left(), "--right", Right(),
              "--templates", folder_->Path(), "--offset", "3"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  ASSERT_EQ(RunCli({"wav", output, out.File("movie3.wav")}).exitCode, 0);
  const auto samples = WavSamples(out.File("movie3.wav"));
  EXPECT_EQ(FirstLoud(samples), 0);
  EXPECT_EQ(samples.size(), 97u * 1920u);  // Trim(ClipA,0,96): the left clip's first 97 frames
}

}  // namespace
}  // namespace tandemix
