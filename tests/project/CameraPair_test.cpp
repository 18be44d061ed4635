#include "project/CameraPair.h"

#include <gtest/gtest.h>

#include "project/ClipLoading.h"
#include "tests/support/FakeVideo.h"

namespace tandemix {
namespace {

// A 25 fps 1280 x 720 left clip of 250 frames and a 30 fps 1920 x 1080 right
// clip of 300 frames (the same ten seconds).
ProjectState MismatchedPair() {
  ProjectState p;
  p.fileType = FileType::Video;
  p.clipAFileName = "/v/left.mp4";
  p.clipBFileName = "/v/right.mp4";
  p.leftClipWidth = 1280;
  p.leftClipHeight = 720;
  p.leftFrameCount = 250;
  p.leftRate = 25.0;
  p.rightClipWidth = 1920;
  p.rightClipHeight = 1080;
  p.rightFrameCount = 300;
  p.rightRate = 30.0;
  return p;
}

TEST(CameraPair, RatesAndSizesThatDifferAreSaidWithTheNumbers) {
  ProjectState p = MismatchedPair();
  EXPECT_TRUE(RatesDiffer(p));
  EXPECT_TRUE(SizesDiffer(p));
  EXPECT_TRUE(HeightsDiffer(p));
  EXPECT_NE(RateQuestion(p).find("left clip runs at 25 frames per second and the right clip at 30."), std::string::npos)
      << RateQuestion(p);
  EXPECT_NE(RateQuestion(p).find("Conform the right clip to 25 frames per second"), std::string::npos);
  EXPECT_NE(SizeQuestion(p).find("The left clip is 1280 x 720 pixels and the right clip 1920 x 1080."),
            std::string::npos);
  EXPECT_NE(SizeQuestion(p).find("height (1280 x 720)"), std::string::npos) << SizeQuestion(p);
  // The same height: said, nothing to scale.
  p.rightClipWidth = 960;
  p.rightClipHeight = 720;
  EXPECT_TRUE(SizesDiffer(p));
  EXPECT_FALSE(HeightsDiffer(p));
  EXPECT_NE(SizeQuestion(p).find("same height"), std::string::npos);
  // One stereo file, pictures, or a missing clip: nothing differs.
  for (auto change :
       {+[](ProjectState& q) { q.importStereo = true; }, +[](ProjectState& q) { q.fileType = FileType::Picture; },
        +[](ProjectState& q) { q.clipBFileName.clear(); }, +[](ProjectState& q) { q.rightRate = 25.0; }}) {
    ProjectState q = MismatchedPair();
    change(q);
    EXPECT_FALSE(RatesDiffer(q));
    EXPECT_EQ(RateQuestion(q), "");
  }
  EXPECT_EQ(RateText(30000.0 / 1001.0), "29.97");
  EXPECT_EQ(RateText(24000.0 / 1001.0), "23.976");
  EXPECT_EQ(RateText(25.0), "25");
}

// Until the rates match the offset counts time: 10 frames of the left clip
// (0.4 s) are 12 of the right one; conformed, frames are frames.
TEST(CameraPair, FramesOfTheRightClipForATimeOfTheLeft) {
  ProjectState p = MismatchedPair();
  EXPECT_EQ(RightFramesFor(p, 10), 12);
  EXPECT_EQ(RightFramesFor(p, 7), 8);  // 8.4
  EXPECT_EQ(RightFramesInScript(p), 300);
  EXPECT_EQ(RightLengthInLeftFrames(p), 250);
  EXPECT_EQ(RightConformLines(p), LineList{});
  p.conformRate = true;
  EXPECT_EQ(RightFramesFor(p, 10), 10);
  EXPECT_EQ(RightFramesInScript(p), 250);
  EXPECT_EQ(RightConformLines(p), LineList{"ChangeFPS(ClipA)"});
  p.scaleRightToLeft = true;
  EXPECT_EQ(RightConformLines(p), (LineList{"ChangeFPS(ClipA)", "Spline36Resize(1280,720)"}));
  // An odd width comes out even; the shape is kept.
  p.rightClipWidth = 1000;
  p.rightClipHeight = 1000;
  EXPECT_EQ(RightConformLines(p).back(), "Spline36Resize(720,720)");
  p.rightClipWidth = 641;
  p.rightClipHeight = 480;
  EXPECT_EQ(RightConformLines(p).back(), "Spline36Resize(962,720)");  // 961.5
}

TEST(CameraPair, TheRightClipsSoundWhenTheLeftHasNone) {
  ProjectState p = MismatchedPair();
  EXPECT_FALSE(SoundFromRight(p));
  p.rightHasSound = true;
  EXPECT_TRUE(SoundFromRight(p));
  p.leftHasSound = true;
  EXPECT_FALSE(SoundFromRight(p));
}

// Loading measures rate and sound; new clips forget the last pair's answers;
// the offset range counts frames of the left clip.
TEST(CameraPair, LoadingMeasuresRatesAndForgetsTheLastAnswers) {
  test::FakeVideoServices video;
  video.Set("/v/a.mp4", 1280, 720, 250, 25.0);
  video.Set("/v/b.mp4", 1280, 720, 600, 60.0);
  ProjectState p;
  p.fileType = FileType::Video;
  p.conformRate = p.scaleRightToLeft = true;
  ViewerState viewer;
  ASSERT_TRUE(LoadLeftClip(p, viewer, video, "/v/a.mp4").accepted);
  EXPECT_FALSE(p.conformRate);
  EXPECT_FALSE(p.scaleRightToLeft);
  ASSERT_TRUE(LoadRightClip(p, viewer, video, "/v/b.mp4").accepted);
  EXPECT_EQ(p.leftRate, 25.0);
  EXPECT_EQ(p.rightRate, 60.0);
  EXPECT_TRUE(RatesDiffer(p));
  EXPECT_EQ(viewer.offset.maximum, 248);  // 600 frames at 60 fps are 250 at 25
}

}  // namespace
}  // namespace tandemix
