// The depth budget as tandemix-cli prints it: align --report and depth.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "media/BmpFile.h"
#include "tests/support/SyntheticStereo.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

using test::RunCli;

// The right view sees the scene `background` px to the left, and an area
// of it `nearer` px to the left.
std::pair<cv::Mat, cv::Mat> PairWithArea(unsigned seed, int background, int nearer, cv::Rect area) {
  const cv::Mat left = test::TexturedPicture(640, 360, seed);
  cv::Mat right(left.size(), left.type());
  for (int y = 0; y < left.rows; ++y)
    for (int x = 0; x < left.cols; ++x) {
      const int d = area.contains({x, y}) ? nearer : background;
      right.at<cv::Vec3b>(y, x) = left.at<cv::Vec3b>(y, std::min(left.cols - 1, x + d));
    }
  return {left, right};
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(AlignCommand, ReportsTheDepthAndABrokenWindow) {
  test::TempFolder folder;
  // A near area against the left edge: 20 px in front of the background.
  const auto [left, right] = PairWithArea(5, 4, 24, cv::Rect(0, 60, 140, 240));
  SaveBmp24(folder.File("l.bmp"), test::ToFrame(left));
  SaveBmp24(folder.File("r.bmp"), test::ToFrame(right));
  const auto result = RunCli({"align", folder.File("l.bmp"), folder.File("r.bmp"), "--window", "far", "--report"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const auto lines = Lines(result.out);
  ASSERT_GE(lines.size(), 5u) << result.out;
  // With the background on the screen plane: far 0, near -20 px (3.13 %
  // of 640), beyond the 2 % comfort budget (13 px); 65 mm on a 2 m screen
  // is 21 px of 640.
  EXPECT_TRUE(Contains(lines[2], "depth: near -3.1")) << lines[2];
  EXPECT_TRUE(Contains(lines[2], "(-20 px)")) << lines[2];
  EXPECT_TRUE(Contains(lines[2], "far ")) << lines[2];
  EXPECT_TRUE(Contains(lines[2], "(0 px)")) << lines[2];
  EXPECT_EQ(lines[3], "limits: far 21 px (65 mm on a 2 m screen), near 13 px (2 %)");
  EXPECT_TRUE(Contains(result.out, "warning: The nearest points stand 3.1")) << result.out;
  // No shift mends it within 21 px: the far points would pass it.
  EXPECT_TRUE(Contains(result.out,
                       "px) in front of the screen is cut by the left frame edge: the stereo window is broken. No "
                       "horizontal shift puts it behind the screen within the far limit (20 px); crop or mask that "
                       "edge."))
      << result.out;

  // A wider budget and a smaller screen: the near warning goes, the window
  // stays broken.
  const auto relaxed = RunCli({"align", folder.File("l.bmp"), folder.File("r.bmp"), "--window", "far", "--near-budget",
                               "5", "--screen-width", "1"});
  ASSERT_EQ(relaxed.exitCode, 0) << relaxed.err;
  EXPECT_TRUE(Contains(relaxed.out, "limits: far 42 px (65 mm on a 1 m screen), near 32 px (5 %)")) << relaxed.out;
  EXPECT_FALSE(Contains(relaxed.out, "The nearest points")) << relaxed.out;
  // On a 1 m screen the far limit leaves room: the left view moves left by
  // the 20 px the area stands out (21 when the matches put it a little
  // nearer).
  const std::string moving = "the stereo window is broken. Moving the left view ";
  const auto at = relaxed.out.find(moving);
  ASSERT_NE(at, std::string::npos) << relaxed.out;
  const int move = std::stoi(relaxed.out.substr(at + moving.size()));
  EXPECT_TRUE(move == 20 || move == 21) << relaxed.out;
  EXPECT_TRUE(Contains(relaxed.out, " px to the left puts it behind the screen within the far limit.")) << relaxed.out;

  // Shown swapped, the area stands 20 px behind the background: the near
  // window puts the background on the screen (the shift that does so for
  // the straight pair is the area's, -24).
  const auto straight = RunCli({"align", folder.File("l.bmp"), folder.File("r.bmp"), "--report"});
  ASSERT_EQ(straight.exitCode, 0) << straight.err;
  EXPECT_TRUE(Contains(straight.out, "--shift-h -24 ")) << straight.out;
  const auto swapped = RunCli({"align", folder.File("l.bmp"), folder.File("r.bmp"), "--swap", "--report"});
  ASSERT_EQ(swapped.exitCode, 0) << swapped.err;
  const auto swappedLines = Lines(swapped.out);
  ASSERT_GE(swappedLines.size(), 4u) << swapped.out;
  EXPECT_TRUE(Contains(swappedLines[0], "--shift-h -4 ")) << swapped.out;
  EXPECT_TRUE(Contains(swappedLines[2], "depth: near 0.00 % (0 px), median ")) << swapped.out;
  EXPECT_TRUE(Contains(swappedLines[2], "far 3.13 % (20 px)")) << swapped.out;
  EXPECT_FALSE(Contains(swapped.out, "warning:")) << swapped.out;

  // Without --report nothing about depth.
  EXPECT_FALSE(Contains(RunCli({"align", folder.File("l.bmp"), folder.File("r.bmp")}).out, "depth:"));
  // Limits out of reason are usage errors.
  EXPECT_EQ(RunCli({"align", "a", "b", "--screen-width", "0"}).exitCode, 2);
  EXPECT_EQ(RunCli({"align", "a", "b", "--near-budget", "x"}).exitCode, 2);
  EXPECT_EQ(RunCli({"align", "a", "b", "--near-budget", "-2"}).exitCode, 2);
}

TEST(DepthCommand, OneLinePerScene) {
  test::TempFolder folder;
  // Two scenes of 10 frames: the first with its background at parallax -4
  // and a block at -24, the second at -2 and -12.
  const auto one = PairWithArea(5, 4, 24, cv::Rect(200, 80, 200, 200));
  const auto two = PairWithArea(9, 2, 12, cv::Rect(250, 100, 150, 160));
  for (int i = 0; i < 20; ++i) {
    const auto& pair = i < 10 ? one : two;
    char name[32];
    std::snprintf(name, sizeof name, "%03d.bmp", i);
    SaveBmp24(folder.File(std::string("l") + name), test::ToFrame(pair.first));
    SaveBmp24(folder.File(std::string("r") + name), test::ToFrame(pair.second));
  }
  for (const char* side : {"l", "r"}) {
    const auto made = test::RunProgram(
        "ffmpeg", {"-hide_banner", "-loglevel", "error", "-y", "-i", folder.File(std::string(side) + "%03d.bmp"),
                   "-c:v", "ffv1", folder.File(std::string(side) + ".avi")});
    ASSERT_EQ(made.exitCode, 0) << made.err;
  }
  const auto result = RunCli({"depth", folder.File("l.avi"), folder.File("r.avi")});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  std::vector<std::string> scenes;
  for (const std::string& line : Lines(result.out))
    if (line.rfind("scene ", 0) == 0) scenes.push_back(line);
  ASSERT_EQ(scenes.size(), 2u) << result.out;
  EXPECT_TRUE(Contains(scenes[0], "scene 1 frames 0-9: ")) << scenes[0];
  EXPECT_TRUE(Contains(scenes[1], "scene 2 frames 10-19: ")) << scenes[1];
  // One alignment for both (the near window: the nearest points of all on
  // the screen): its shift is the first scene's near end, -24; the second
  // scene lies 12 and 22 px behind the screen.
  EXPECT_TRUE(Contains(result.out, "--shift-h -24 ")) << result.out;
  EXPECT_TRUE(Contains(scenes[0], "near 0.00 % (0 px), far 3.13 % (20 px)")) << scenes[0];
  EXPECT_TRUE(Contains(scenes[1], "near 1.88 % (12 px), far 3.4")) << scenes[1];
  EXPECT_TRUE(Contains(scenes[1], "% (22 px), ")) << scenes[1];

  // Shown swapped, each scene's block stands behind its background; the
  // nearest points of all, the second scene's background (-2), come to the
  // screen.
  const auto swapped = RunCli({"depth", folder.File("l.avi"), folder.File("r.avi"), "--swap"});
  ASSERT_EQ(swapped.exitCode, 0) << swapped.err;
  std::vector<std::string> swappedScenes;
  for (const std::string& line : Lines(swapped.out))
    if (line.rfind("scene ", 0) == 0) swappedScenes.push_back(line);
  ASSERT_EQ(swappedScenes.size(), 2u) << swapped.out;
  EXPECT_TRUE(Contains(swapped.out, "--shift-h -2 ")) << swapped.out;
  EXPECT_TRUE(Contains(swappedScenes[0], "near 0.31 % (2 px), far 3.44 % (22 px)")) << swappedScenes[0];
  EXPECT_TRUE(Contains(swappedScenes[1], "% (0 px), far 1.56 % (10 px)")) << swappedScenes[1];

  EXPECT_EQ(RunCli({"depth", folder.File("l.avi")}).exitCode, 2);
  EXPECT_EQ(RunCli({"depth", folder.File("l.avi"), folder.File("r.avi"), "--samples", "1"}).exitCode, 2);
  const auto missing = RunCli({"depth", folder.File("none.avi"), folder.File("r.avi")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_FALSE(missing.err.empty());
}

}  // namespace
}  // namespace tandemix
