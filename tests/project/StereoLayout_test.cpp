#include "project/StereoLayout.h"

#include <gtest/gtest.h>

#include "media/BmpFile.h"
#include "tests/support/SyntheticStereo.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

// Hands out one frame, as a clip of one frame would.
class OneFrame : public VideoServices {
 public:
  explicit OneFrame(FrameBGR frame) : frame_(std::move(frame)) {}
  VideoInfo ReadVideoInfo(const std::string&) override { return {frame_.width, frame_.height, 1, 25.0, {}}; }
  FrameBGR DecodeFrame(const std::string&, int) override { return frame_; }

 private:
  FrameBGR frame_;
};

// Knows no file.
class NoFiles : public VideoServices {
 public:
  VideoInfo ReadVideoInfo(const std::string& path) override { return {0, 0, 0, 1.0, "Cannot open file " + path}; }
  FrameBGR DecodeFrame(const std::string& path, int) override { throw TandemixError("Cannot open file " + path); }
};

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
  OneFrame packedOverUnder(Packed(false));
  // Declared: Matroska's StereoMode wins over the name and the picture.
  const std::string declared = folder.File("scene_ou.mkv");
  ASSERT_TRUE(test::MakeTestVideo(declared, 128, 72, 3, 25, "-c:v ffv1 -metadata:s:v:0 stereo_mode=left_right"));
  EXPECT_EQ(DetectStereoLayout(declared, packedOverUnder).Text(), "sbs-left-first metadata");
  const std::string swapped = folder.File("swapped.mkv");
  ASSERT_TRUE(test::MakeTestVideo(swapped, 128, 72, 3, 25, "-c:v ffv1 -metadata:s:v:0 stereo_mode=bottom_top"));
  EXPECT_EQ(DetectStereoLayout(swapped, packedOverUnder).Text(), "ou-right-first metadata");
  EXPECT_EQ(DetectStereoLayout(swapped, packedOverUnder).SplitTemplate(), std::nullopt);

  // Undeclared: the name, then the picture.
  EXPECT_EQ(DetectStereoLayout(folder.File("scene_sbs.avi"), packedOverUnder).Text(), "sbs name");
  EXPECT_EQ(DetectStereoLayout(folder.File("scene_sbs.avi"), packedOverUnder).SplitTemplate(), "SideBySide_Split");
  EXPECT_EQ(DetectStereoLayout(folder.File("scene.avi"), packedOverUnder).Text(), "ou picture");
  EXPECT_EQ(DetectStereoLayout(folder.File("scene.avi"), packedOverUnder).SplitTemplate(), "OverUnder_Split");
  OneFrame mono(test::ToFrame(test::TexturedPicture(320, 180, 2)));
  EXPECT_EQ(DetectStereoLayout(folder.File("scene.avi"), mono).Text(), "mono");
  EXPECT_EQ(DetectStereoLayout(folder.File("scene.avi"), mono).SplitTemplate(), std::nullopt);
  NoFiles none;
  EXPECT_EQ(DetectStereoLayout(folder.File("missing.avi"), none).Text(), "mono");
}

}  // namespace
}  // namespace tandemix

namespace tandemix {
namespace {

TEST(SplitProposalTest, OneQuestionWhenTheConvertBlockIsEmptyAndTheTemplateIsThere) {
  ProjectState project;
  const std::vector<std::string> names{"OverUnder_Split", "SideBySide_Split"};
  const StereoLayout named{ViewLayout::SideBySide, LayoutEvidence::Name};
  const auto proposal = ProposeSplit(project, named, names);
  ASSERT_TRUE(proposal);
  EXPECT_EQ(proposal->templateName, "SideBySide_Split");
  EXPECT_EQ(proposal->question,
            "The clip holds a side-by-side stereo pair (its name says so). Add the template 'SideBySide_Split' to "
            "the Convert block?");
  const StereoLayout seen{ViewLayout::OverUnder, LayoutEvidence::Picture};
  EXPECT_EQ(ProposeSplit(project, seen, names)->question,
            "The clip holds an over/under stereo pair (its two halves match). Add the template 'OverUnder_Split' "
            "to the Convert block?");

  AcceptSplit(project, *proposal);
  EXPECT_EQ(project.BlockAt(Block::Convert), std::vector<std::string>{"SideBySide_Split"});
  // A filled Convert block, a missing template, one view or a right-first
  // pair: nothing to propose.
  EXPECT_EQ(ProposeSplit(project, named, names), std::nullopt);
  EXPECT_EQ(ProposeSplit(ProjectState(), named, {"OverUnder_Split"}), std::nullopt);
  EXPECT_EQ(ProposeSplit(ProjectState(), StereoLayout{}, names), std::nullopt);
  EXPECT_EQ(ProposeSplit(ProjectState(), {ViewLayout::SideBySideCross, LayoutEvidence::Metadata}, names), std::nullopt);
}

}  // namespace
}  // namespace tandemix
