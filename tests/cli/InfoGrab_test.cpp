// tandemix-cli info and grab.
#include <gtest/gtest.h>

#include "base/TextFile.h"
#include "media/BmpFile.h"
#include "tests/support/TestFiles.h"

namespace tandemix::test {
namespace {

TEST(InfoCommand, PrintsSizeFramesAndRate) {
  TempFolder folder;
  ASSERT_TRUE(MakeTestVideo(folder.File("clip.mp4"), 64, 48, 12, 25));
  EXPECT_EQ(RunCli({"info", folder.File("clip.mp4")}).out, "64 48 12 25\n");
  WriteTextLines(folder.File("bars.avs"), {"ColorBars(width=320, height=240)", "Trim(0,99)"});
  const CommandResult bars = RunCli({"info", folder.File("bars.avs")});
  EXPECT_EQ(bars.exitCode, 0);
  EXPECT_EQ(bars.out, "320 240 100 29.97003\n");
}

TEST(InfoCommand, ErrorsGoToStandardErrorWithExitOne) {
  TempFolder folder;
  WriteTextLines(folder.File("movie.avs"), {"BlankClip()", "zoom2(last)"});
  const CommandResult bad = RunCli({"info", folder.File("movie.avs")});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_EQ(bad.out, "");
  EXPECT_EQ(bad.err, "Script error: There is no function named 'zoom2'.\n(" + folder.File("movie.avs") + ", line 2)\n");
  const CommandResult missing = RunCli({"info", folder.File("none.avi")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "Cannot open " + folder.File("none.avi") + "\n");
  EXPECT_EQ(RunCli({"info"}).exitCode, 2);
  EXPECT_EQ(RunCli({"info", "a", "b"}).exitCode, 2);
}

TEST(GrabCommand, CapturesOneFrameIntoABitmap) {
  TempFolder folder;
  WriteTextLines(folder.File("with space.avs"), {"BlankClip(width=30, height=20, length=5, color=$102030)"});
  const std::string out = folder.File("frame 4.bmp");
  const CommandResult run = RunCli({"grab", folder.File("with space.avs"), "4", out});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const FrameBGR picture = LoadPicture24(out);
  EXPECT_EQ(picture.width, 30);
  EXPECT_EQ(picture.height, 20);
  EXPECT_EQ(picture.pixels[0], 0x30);
  EXPECT_EQ(picture.pixels[2], 0x10);
}

TEST(GrabCommand, RefusesWhatItCannotCapture) {
  TempFolder folder;
  WriteTextLines(folder.File("short.avs"), {"BlankClip(length=5)"});
  const CommandResult past = RunCli({"grab", folder.File("short.avs"), "5", folder.File("x.bmp")});
  EXPECT_EQ(past.exitCode, 1);
  EXPECT_EQ(past.err, "Frame 5 is out of range: " + folder.File("short.avs") + " has 5 frames\n");
  EXPECT_FALSE(FileExists(folder.File("x.bmp")));
  EXPECT_EQ(RunCli({"grab", folder.File("short.avs"), "five", folder.File("x.bmp")}).exitCode, 2);
  EXPECT_EQ(RunCli({"grab", folder.File("short.avs"), "1"}).exitCode, 2);
  EXPECT_EQ(RunCli({"grab", folder.File("short.avs"), "-3", folder.File("x.bmp")}).exitCode, 1);
  EXPECT_FALSE(FileExists(folder.File("x.bmp")));
}

}  // namespace
}  // namespace tandemix::test
