// tandemix-cli serve: a script's frames as YUV4MPEG2 on standard output,
// readable by the ffmpeg command.
#include <gtest/gtest.h>

#include "base/TextFile.h"
#include "tests/support/TestFiles.h"

namespace tandemix::test {
namespace {

// What ffprobe reads from a served stream saved to a file: "W H FRAMES".
std::string Probe(const std::string& path) {
  const CommandResult r = RunProgram("ffprobe", {"-v", "error", "-count_frames", "-show_entries",
                                                 "stream=width,height,nb_read_frames,pix_fmt", "-of", "csv=p=0", path});
  return r.out;
}

TEST(ServeCommand, WritesEveryFrameAsYuv4mpeg) {
  TempFolder folder;
  WriteTextLines(folder.File("movie.avs"), {"ClipA = BlankClip(width=32, height=24, length=12, fps=25, color=$FF0000)",
                                            "ClipB = BlankClip(width=32, height=24, length=12, fps=25, color=$0000FF)",
                                            "StackHorizontal(ClipA,ClipB).ConvertToYV12()"});
  const CommandResult served = RunCli({"serve", folder.File("movie.avs")});
  ASSERT_EQ(served.exitCode, 0) << served.err;
  EXPECT_EQ(served.out.substr(0, served.out.find('\n')),
            "YUV4MPEG2 W64 H24 F25:1 Ip A1:1 C420mpeg2 XCOLORRANGE=LIMITED");
  EXPECT_EQ(served.err, "");  // no progress when standard error is no terminal
  const std::string stream = folder.File("out.y4m");
  WriteBytes(stream, served.out);
  EXPECT_EQ(Probe(stream), "64,24,yuv420p,12\n");
  // ffmpeg encodes it; the decoded frames keep the colours of both halves.
  const CommandResult decoded =
      RunProgram("ffmpeg", {"-v", "error", "-i", stream, "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
  ASSERT_EQ(decoded.out.size(), 64u * 24 * 3);
  const auto at = [&](int x, int c) { return static_cast<unsigned char>(decoded.out[(12 * 64 + x) * 3 + c]); };
  EXPECT_GT(at(8, 0), 230);  // red on the left
  EXPECT_LT(at(8, 2), 25);
  EXPECT_GT(at(56, 2), 230);  // blue on the right
  EXPECT_LT(at(56, 0), 25);
}

// Planar YUV goes out as it is, YUY2 as 4:2:2, RGB as 4:4:4.
TEST(ServeCommand, WritesEachPixelTypeInItsOwnLayout) {
  TempFolder folder;
  const struct {
    const char* type;
    const char* chroma;
    const char* pixFmt;
  } cases[] = {{"YV12", "C420mpeg2", "yuv420p"}, {"YV16", "C422", "yuv422p"}, {"YV24", "C444", "yuv444p"},
               {"Y8", "Cmono", "gray"},          {"YUY2", "C422", "yuv422p"}, {"RGB32", "C444", "yuv444p"},
               {"RGB24", "C444", "yuv444p"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    WriteTextLines(folder.File("t.avs"), {std::string("BlankClip(width=32, height=24, length=3, pixel_type=\"") +
                                          c.type + "\", color=$808080)"});
    const CommandResult served = RunCli({"serve", folder.File("t.avs")});
    ASSERT_EQ(served.exitCode, 0) << served.err;
    EXPECT_NE(served.out.substr(0, served.out.find('\n')).find(std::string(" ") + c.chroma + " "), std::string::npos);
    WriteBytes(folder.File("t.y4m"), served.out);
    EXPECT_EQ(Probe(folder.File("t.y4m")), std::string("32,24,") + c.pixFmt + ",3\n");
  }
}

// Frames are made two at a time but come out in order; a script that
// writes a file as frames are made is served one frame at a time, so its
// lines keep the order of the frames too.
TEST(ServeCommand, FramesAndWrittenLinesComeInOrder) {
  TempFolder folder;
  const int frames = 41;
  WriteTextLines(folder.File("count.avs"),
                 {"BlankClip(width=16, height=8, length=41, pixel_type=\"Y8\")", "Expr(\"frameno 5 *\")"});
  WriteTextLines(folder.File("log.avs"), {"BlankClip(width=16, height=8, length=41, pixel_type=\"Y8\")",
                                          "WriteFile(\"lines.txt\", \"current_frame\")"});
  for (const char* name : {"count.avs", "log.avs"}) {
    SCOPED_TRACE(name);
    const CommandResult served = RunCli({"serve", folder.File(name)});
    ASSERT_EQ(served.exitCode, 0) << served.err;
    // Each frame: "FRAME\n" and 16 x 8 luma bytes.
    std::size_t at = served.out.find('\n') + 1;
    for (int n = 0; n < frames; ++n) {
      ASSERT_EQ(served.out.compare(at, 6, "FRAME\n"), 0) << "frame " << n;
      at += 6;
      if (std::string(name) == "count.avs") {
        EXPECT_EQ(static_cast<unsigned char>(served.out[at + 77]), (n * 5) & 255) << "frame " << n;
      }
      at += 16 * 8;
    }
    EXPECT_EQ(at, served.out.size());
  }
  std::string expected;
  for (int n = 0; n < frames; ++n) expected += std::to_string(n) + "\n";
  EXPECT_EQ(ReadTextFile(folder.File("lines.txt")), expected);
}

TEST(ServeCommand, StartCountAndOddSizes) {
  TempFolder folder;
  WriteTextLines(folder.File("odd.avs"), {"BlankClip(width=33, height=17, length=20)"});
  const CommandResult part = RunCli({"serve", folder.File("odd.avs"), "--start", "15", "--count", "3"});
  ASSERT_EQ(part.exitCode, 0) << part.err;
  EXPECT_NE(part.out.find(" C444 "), std::string::npos);
  WriteBytes(folder.File("odd.y4m"), part.out);
  EXPECT_EQ(Probe(folder.File("odd.y4m")), "33,17,yuv444p,3\n");
  // A count past the end serves what is there.
  const CommandResult tail = RunCli({"serve", folder.File("odd.avs"), "--start", "18", "--count", "100"});
  WriteBytes(folder.File("tail.y4m"), tail.out);
  EXPECT_EQ(Probe(folder.File("tail.y4m")), "33,17,yuv444p,2\n");
}

TEST(ServeCommand, ErrorsAndUsage) {
  TempFolder folder;
  WriteTextLines(folder.File("movie.avs"), {"BlankClip(length=5)", "Crop(0,0,0,0,0,0,0)"});
  const CommandResult bad = RunCli({"serve", folder.File("movie.avs")});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_EQ(bad.out, "");
  EXPECT_EQ(bad.err,
            "Script error: Invalid arguments to function 'Crop'.\n(" + folder.File("movie.avs") + ", line 2)\n");
  WriteTextLines(folder.File("five.avs"), {"BlankClip(length=5)"});
  const CommandResult late = RunCli({"serve", folder.File("five.avs"), "--start", "5"});
  EXPECT_EQ(late.exitCode, 1);
  EXPECT_EQ(late.err, "The start frame 5 is out of range: " + folder.File("five.avs") + " has 5 frames\n");
  EXPECT_EQ(RunCli({"serve"}).exitCode, 2);
  EXPECT_EQ(RunCli({"serve", folder.File("five.avs"), "--count", "-1"}).exitCode, 2);
  EXPECT_EQ(RunCli({"serve", folder.File("five.avs"), "--start", "x"}).exitCode, 2);
  EXPECT_EQ(RunCli({"serve", folder.File("five.avs"), "--bogus"}).exitCode, 2);
}

}  // namespace
}  // namespace tandemix::test
