// tandemix-cli align, sync and info --layout, run as a user runs them.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "media/BmpFile.h"
#include "tests/support/SyncClips.h"
#include "tests/support/SyntheticStereo.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

using test::RunCli;

TEST(AlignCommand, PrintsTheOptionsThatComposeTakesThenWhatItFound) {
  test::TempFolder folder;
  const cv::Mat left = test::TexturedPicture(640, 360, 4);
  const cv::Mat right = test::Misaligned(test::WithDepth(left, 4, {12}), {-2.0, 1.0, 7});
  SaveBmp24(folder.File("l.bmp"), test::ToFrame(left));
  SaveBmp24(folder.File("r.bmp"), test::ToFrame(right));
  const auto result = RunCli({"align", folder.File("l.bmp"), folder.File("r.bmp"), "--window", "far"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  std::istringstream lines(result.out);
  std::string options, found;
  std::getline(lines, options);
  std::getline(lines, found);
  // The right view turned 2 degrees counter-clockwise and moved 7 rows down.
  std::istringstream words(options);
  std::string name, value;
  double angleLeft = 99, angleRight = 99;
  int shiftV = 99, shiftH = 99;
  while (words >> name >> value) {
    if (name == "--angle-left") angleLeft = std::stod(value);
    if (name == "--angle-right") angleRight = std::stod(value);
    if (name == "--shift-v") shiftV = std::stoi(value);
    if (name == "--shift-h") shiftH = std::stoi(value);
  }
  EXPECT_NEAR(angleLeft - angleRight, 2.0, 0.05) << options;
  EXPECT_EQ(shiftV, 7) << options;
  EXPECT_EQ(shiftH, -4) << options;
  EXPECT_NE(found.find(" matches, "), std::string::npos) << found;
  EXPECT_NE(found.find(" px vertical disparity left"), std::string::npos) << found;

  // The options go straight into compose.
  std::vector<std::string> compose{"compose", folder.File("l.bmp"), folder.File("r.bmp"), folder.File("out.bmp")};
  std::istringstream again(options);
  for (std::string w; again >> w;) compose.push_back(w);
  EXPECT_EQ(RunCli(compose).exitCode, 0);
  EXPECT_TRUE(test::FileExists(folder.File("out.bmp")));
}

TEST(AlignCommand, FailuresAndUsage) {
  test::TempFolder folder;
  SaveBmp24(folder.File("flat.bmp"), test::ToFrame(cv::Mat(120, 160, CV_8UC3, cv::Scalar(30, 60, 90))));
  auto flat = RunCli({"align", folder.File("flat.bmp"), folder.File("flat.bmp")});
  EXPECT_EQ(flat.exitCode, 1);
  EXPECT_EQ(flat.err, "too few matching points: 0\n");
  EXPECT_EQ(RunCli({"align", folder.File("flat.bmp")}).exitCode, 2);
  EXPECT_EQ(RunCli({"align", "a", "b", "--window", "sideways"}).exitCode, 2);
  EXPECT_EQ(RunCli({"align", "a", "b", "--frame", "1", "--frames", "3"}).exitCode, 2);
  const auto missing = RunCli({"align", folder.File("none.avi"), folder.File("flat.bmp")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_FALSE(missing.err.empty());
}

TEST(SyncCommand, PrintsOffsetMillisecondsMethodAndConfidence) {
  test::TempFolder folder;
  ASSERT_TRUE(test::MakeSyncClip(folder.File("l.avi"), 60));
  ASSERT_TRUE(test::MakeSyncClip(folder.File("r.avi"), 48));
  const auto result = RunCli({"sync", folder.File("l.avi"), folder.File("r.avi"), "--max-offset", "3"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out.rfind("offset 12 frames, 480 ms, sound, confidence ", 0), 0u) << result.out;
  EXPECT_EQ(RunCli({"sync", folder.File("l.avi")}).exitCode, 2);
  EXPECT_EQ(RunCli({"sync", "a", "b", "--max-offset", "-1"}).exitCode, 2);
  const auto missing = RunCli({"sync", folder.File("none.avi"), folder.File("r.avi")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "Cannot open file " + folder.File("none.avi") + "\n");
}

TEST(InfoLayoutCommand, SaysTheLayoutAndHowItIsKnown) {
  test::TempFolder folder;
  ASSERT_TRUE(
      test::MakeTestVideo(folder.File("a.mkv"), 128, 72, 3, 25, "-c:v ffv1 -metadata:s:v:0 stereo_mode=left_right"));
  EXPECT_EQ(RunCli({"info", "--layout", folder.File("a.mkv")}).out, "sbs-left-first metadata\n");
  ASSERT_TRUE(test::MakeTestVideo(folder.File("b-3d-sbs.avi"), 128, 72, 3));
  EXPECT_EQ(RunCli({"info", "--layout", folder.File("b-3d-sbs.avi")}).out, "sbs name\n");
  const cv::Mat view = test::TexturedPicture(320, 180, 6);
  cv::Mat packed;
  cv::hconcat(view, test::WithDepth(view, 4, {9}), packed);
  SaveBmp24(folder.File("frame.bmp"), test::ToFrame(packed));
  EXPECT_EQ(RunCli({"info", "--layout", folder.File("frame.bmp")}).out, "sbs picture\n");
  ASSERT_TRUE(test::MakeTestVideo(folder.File("c.avi"), 128, 72, 3));
  EXPECT_EQ(RunCli({"info", "--layout", folder.File("c.avi")}).out, "mono\n");
  const auto missing = RunCli({"info", "--layout", folder.File("none.avi")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "Cannot open file " + folder.File("none.avi") + "\n");
}

}  // namespace
}  // namespace tandemix
