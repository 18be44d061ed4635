#include "project/StereoLayout.h"

#include <gtest/gtest.h>

#include "platform/DefaultVideoServices.h"
#include "platform/BmpFile.h"
#include "tests/support/SyntheticStereo.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

// A half-width side-by-side or half-height over/under frame of a pair with depth.
FrameBGR Packed(bool sideBySide) {
  const cv::Mat left = test::TexturedPicture(640, 360, 21);
  const cv::Mat right = test::WithDepth(left, 3, {9, 15});
  cv::Mat a, b, packed;
  const cv::Size half = sideBySide ? cv::Size(320, 360) : cv::Size(640, 180);
  cv::resize(left, a, half, 0, 0, cv::INTER_AREA);
  cv::resize(right, b, half, 0, 0, cv::INTER_AREA);
  if (sideBySide)
    cv::hconcat(a, b, packed);
  else
    cv::vconcat(a, b, packed);
  return test::ToFrame(packed);
}

TEST(StereoLayoutName, SuffixesSayTheLayout) {
  EXPECT_EQ(LayoutFromName("/clips/holiday_sbs.mkv")->Text(), "sbs name");
  EXPECT_EQ(LayoutFromName("/clips/Holiday-HSBS.mp4")->Text(), "sbs name");
  EXPECT_EQ(LayoutFromName("/clips/film-3d-sbs.avi")->Text(), "sbs name");
  EXPECT_EQ(LayoutFromName("/clips/film_tab.avi")->Text(), "ou name");
  EXPECT_EQ(LayoutFromName("/clips/film.half-ou.mkv")->Text(), "ou name");
  EXPECT_EQ(LayoutFromName("/clips/sbs_scene_final.mkv"), std::nullopt);  // not at the end
  EXPECT_EQ(LayoutFromName("/clips/tablet.avi"), std::nullopt);
  EXPECT_EQ(LayoutFromName("/sbs/clip.avi"), std::nullopt);  // the folder does not count
}

TEST(StereoLayoutPicture, HalvesOfAPairCorrelateOthersDoNot) {
  EXPECT_EQ(LayoutFromPicture(Packed(true))->Text(), "sbs picture");
  EXPECT_EQ(LayoutFromPicture(Packed(false))->Text(), "ou picture");
  EXPECT_EQ(LayoutFromPicture(test::ToFrame(test::TexturedPicture(640, 360, 5))), std::nullopt);
  EXPECT_EQ(LayoutFromPicture(test::ToFrame(cv::Mat(360, 640, CV_8UC3, cv::Scalar(9, 9, 9)))), std::nullopt);
  EXPECT_EQ(LayoutFromPicture(FrameBGR()), std::nullopt);
  EXPECT_EQ(Packed(true).width, 640);
}

TEST(StereoLayoutFile, DeclarationThenNameThenPicture) {
  test::TempFolder folder;
  DefaultVideoServices video;
  // Declared: Matroska's StereoMode wins over the name and the picture.
  const std::string declared = folder.File("scene_ou.mkv");
  ASSERT_TRUE(test::MakeTestVideo(declared, 128, 72, 3, 25, "-c:v ffv1 -metadata:s:v:0 stereo_mode=left_right"));
  EXPECT_EQ(DetectStereoLayout(declared, video).Text(), "sbs-left-first metadata");
  const std::string swapped = folder.File("swapped.mkv");
  ASSERT_TRUE(test::MakeTestVideo(swapped, 128, 72, 3, 25, "-c:v ffv1 -metadata:s:v:0 stereo_mode=bottom_top"));
  EXPECT_EQ(DetectStereoLayout(swapped, video).Text(), "ou-right-first metadata");
  EXPECT_EQ(DetectStereoLayout(swapped, video).SplitTemplate(), std::nullopt);

  const std::string named = folder.File("scene_sbs.avi");
  ASSERT_TRUE(test::MakeTestVideo(named, 128, 72, 3));
  EXPECT_EQ(DetectStereoLayout(named, video).Text(), "sbs name");
  EXPECT_EQ(DetectStereoLayout(named, video).SplitTemplate(), "SideBySide_Split");

  const std::string picture = folder.File("frame.bmp");
  SaveBmp24(picture, Packed(false));
  EXPECT_EQ(DetectStereoLayout(picture, video).Text(), "ou picture");
  EXPECT_EQ(DetectStereoLayout(picture, video).SplitTemplate(), "OverUnder_Split");

  const std::string mono = folder.File("mono.avi");
  ASSERT_TRUE(test::MakeTestVideo(mono, 128, 72, 3));
  EXPECT_EQ(DetectStereoLayout(mono, video).Text(), "mono");
  EXPECT_EQ(DetectStereoLayout(folder.File("missing.avi"), video).Text(), "mono");
}

}  // namespace
}  // namespace tandemix
