// Where the commands write: a FIFO or standard output is written in place
// (never renamed over), a folder or one of the inputs is refused before
// any work, and a render of nothing says so.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <fstream>
#include <iterator>
#include <thread>

#include "base/TextFile.h"
#include "tests/support/TestFiles.h"

namespace tandemix::test {
namespace {

bool IsFifo(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

// Runs tandemix-cli while another thread reads the FIFO `fifo` to its end.
std::pair<CommandResult, std::string> RunIntoFifo(const std::string& fifo, const std::vector<std::string>& args) {
  EXPECT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string got;
  std::thread reader([&] {
    std::ifstream in(fifo, std::ios::binary);
    got.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  });
  CommandResult r = RunCli(args);
  if (r.exitCode != 0) {  // nobody opened it for writing: open it once so the reader ends
    std::ofstream unblock(fifo, std::ios::binary);
  }
  reader.join();
  return {r, got};
}

class Outputs : public ::testing::Test {
 protected:
  TempFolder dir;
  std::string script = dir.File("ten.avs");
  void SetUp() override { WriteTextLines(script, {"BlankClip(length=10, width=16, height=8)"}); }
};

TEST_F(Outputs, FifosAndStandardOutputAreWrittenInPlace) {
  // 10 frames at 24 fps of 44.1 kHz mono 16-bit: 18375 samples, 36750 bytes after a 44-byte header.
  const auto [wav, wavBytes] = RunIntoFifo(dir.File("sound.wav"), {"wav", script, dir.File("sound.wav")});
  EXPECT_EQ(wav.exitCode, 0) << wav.err;
  EXPECT_EQ(wavBytes.size(), 44u + 36750u);
  EXPECT_EQ(wavBytes.substr(0, 4), "RIFF");
  EXPECT_TRUE(IsFifo(dir.File("sound.wav")));

  const CommandResult toStdout = RunCli({"wav", script, "-"});
  EXPECT_EQ(toStdout.exitCode, 0) << toStdout.err;
  EXPECT_EQ(toStdout.out, wavBytes);

  const auto [bmp, bmpBytes] = RunIntoFifo(dir.File("frame.bmp"), {"grab", script, "3", dir.File("frame.bmp")});
  EXPECT_EQ(bmp.exitCode, 0) << bmp.err;
  EXPECT_EQ(bmpBytes.size(), 54u + 16u * 8u * 3u);
  EXPECT_TRUE(IsFifo(dir.File("frame.bmp")));

  // Matroska needs no going back, so it can stream into a pipe.
  const auto [mkv, mkvBytes] = RunIntoFifo(dir.File("movie.mkv"), {"render", script, dir.File("movie.mkv")});
  EXPECT_EQ(mkv.exitCode, 0) << mkv.err;
  EXPECT_EQ(mkvBytes.substr(0, 4), "\x1A\x45\xDF\xA3");
  EXPECT_TRUE(IsFifo(dir.File("movie.mkv")));
}

TEST_F(Outputs, FoldersInputsAndPipesThatCannotHoldTheFileAreRefusedBeforeWork) {
  ASSERT_TRUE(MakeTestVideo(dir.File("movie.mp4"), 32, 24, 10));
  const std::string movieBytes = ReadBytes(dir.File("movie.mp4"));
  WriteTextLines(dir.File("reads.avs"), {"DirectShowSource(\"movie.mp4\")"});
  ASSERT_EQ(link(script.c_str(), dir.File("other name.wav").c_str()), 0);
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir.File("folder.mkv"))));
  ASSERT_EQ(mkfifo(dir.File("pipe.mp4").c_str(), 0600), 0);
  WriteTextLines(dir.File("empty.avs"), {"BlankClip(length=0)"});
  const struct {
    std::vector<std::string> args;
    std::string message;
  } rows[] = {
      {{"wav", script, script}, "Cannot write " + script + ": it is the input " + script},
      {{"wav", script, dir.File("other name.wav")}, "Cannot write " + dir.File("other name.wav") + ": it is the input"},
      {{"grab", script, "0", script}, "Cannot write " + script + ": it is the input " + script},
      {{"render", dir.File("reads.avs"), dir.File("movie.mp4")},
       "Cannot write " + dir.File("movie.mp4") + ": it is the input " + dir.File("movie.mp4")},
      {{"wav", dir.File("reads.avs"), dir.File("movie.mp4")},
       "Cannot write " + dir.File("movie.mp4") + ": it is the input " + dir.File("movie.mp4")},
      {{"render", script, dir.File("folder.mkv")}, "Cannot create file " + dir.File("folder.mkv") + ": it is a folder"},
      {{"wav", script, dir.File("folder.mkv")}, "Cannot create file " + dir.File("folder.mkv") + ": it is a folder"},
      {{"render", script, dir.File("pipe.mp4")},
       "Cannot write a .mp4 file to " + dir.File("pipe.mp4") +
           ": it is a pipe, and only .mkv can be written without going back"},
      {{"render", dir.File("empty.avs"), dir.File("none.mkv")},
       "The script " + dir.File("empty.avs") + " has no frames to render"},
  };
  for (const auto& row : rows) {
    const CommandResult r = RunCli(row.args);
    EXPECT_EQ(r.exitCode, 1) << row.message;
    EXPECT_EQ(r.err.substr(0, row.message.size()), row.message) << r.err;
  }
  EXPECT_EQ(ReadBytes(dir.File("movie.mp4")), movieBytes);
  EXPECT_EQ(ReadBytes(script), CrLf({"BlankClip(length=10, width=16, height=8)"}));
  EXPECT_TRUE(IsFifo(dir.File("pipe.mp4")));
  EXPECT_FALSE(FileExists(dir.File("none.mkv")));

  // A movie given where a script is expected is rendered as it is.
  const CommandResult movie = RunCli({"render", dir.File("movie.mp4"), dir.File("copy.mkv")});
  EXPECT_EQ(movie.exitCode, 0) << movie.err;
  EXPECT_EQ(movie.out, dir.File("copy.mkv") + "\n10 frames, no sound, layout none\n");
}

}  // namespace
}  // namespace tandemix::test
