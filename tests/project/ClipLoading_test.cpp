#include "project/ClipLoading.h"

#include <gtest/gtest.h>

#include "tests/support/FakeVideo.h"

namespace tandemix {
namespace {

TEST(ShownClipName, ShortenedFrom38Characters) {
  const std::string p37 = "/video/" + std::string(26, 'a') + ".avi";
  ASSERT_EQ(p37.size(), 37u);
  EXPECT_EQ(ShownClipName(p37), p37);
  const std::string p38 = "/video/" + std::string(27, 'b') + ".avi";
  ASSERT_EQ(p38.size(), 38u);
  EXPECT_EQ(ShownClipName(p38), "/vide..." + p38.substr(8));
  EXPECT_EQ(ShownClipName(p38).size(), 38u);
}

class ClipLoadingTest : public ::testing::Test {
 protected:
  ProjectState project;
  ViewerState viewer;
  test::FakeVideoServices video;
};

TEST_F(ClipLoadingTest, TwoClipsSetTheOffsetRange) {
  video.Set("/v/movie.avi", 720, 576, 100);
  video.Set("/v/right.avi", 720, 576, 250);
  EXPECT_TRUE(LoadLeftClip(project, viewer, video, "/v/movie.avi").accepted);
  EXPECT_EQ(project.outputScriptName, "/v/movie.avs");
  EXPECT_EQ(project.leftFrameCount, 100);
  viewer.offset.position = 7;
  EXPECT_TRUE(LoadRightClip(project, viewer, video, "/v/right.avi").accepted);
  EXPECT_EQ(viewer.offset.minimum, -98);
  EXPECT_EQ(viewer.offset.maximum, 98);
  EXPECT_EQ(viewer.offset.position, 0);
  EXPECT_TRUE(viewer.offsetEnabled);
}

TEST_F(ClipLoadingTest, OneFrameClipsGiveAnEmptyRange) {
  video.Set("/v/a.avi", 8, 8, 1);
  video.Set("/v/b.avi", 8, 8, 1);
  LoadLeftClip(project, viewer, video, "/v/a.avi");
  LoadRightClip(project, viewer, video, "/v/b.avi");
  EXPECT_EQ(viewer.offset.minimum, 0);
  EXPECT_EQ(viewer.offset.maximum, 0);
}

TEST_F(ClipLoadingTest, DefaultOutputNameLosesExactlyFourCharacters) {
  video.Set("/v/clip.mpeg", 8, 8, 10);
  LoadLeftClip(project, viewer, video, "/v/clip.mpeg");
  EXPECT_EQ(project.outputScriptName, "/v/clip..avs");
}

TEST_F(ClipLoadingTest, StereoClipIsBothViews) {
  project.importStereo = true;
  video.Set("/v/pair.avi", 1440, 576, 250);
  EXPECT_TRUE(LoadLeftClip(project, viewer, video, "/v/pair.avi").accepted);
  EXPECT_EQ(project.clipBFileName, "/v/pair.avi");
  EXPECT_EQ(project.rightFrameCount, 250);
  EXPECT_EQ(viewer.offset.maximum, 248);
  EXPECT_EQ(viewer.offset.minimum, -248);
  EXPECT_EQ(video.measured.size(), 1u);  // ClipB is not measured
}

TEST_F(ClipLoadingTest, PicturesDisableTheOffset) {
  project.fileType = FileType::Picture;
  video.Set("/v/l.bmp", 8, 8, 1);
  LoadLeftClip(project, viewer, video, "/v/l.bmp");
  LoadRightClip(project, viewer, video, "/v/missing.bmp");  // accepted unmeasured
  EXPECT_EQ(project.clipBFileName, "/v/missing.bmp");
  EXPECT_EQ(project.rightClipWidth, 0);
  EXPECT_FALSE(viewer.offsetEnabled);
  EXPECT_EQ(viewer.offset.position, 0);
}

TEST_F(ClipLoadingTest, UnmeasurableVideoIsRefused) {
  video.Set("/v/a.avi", 720, 576, 50);
  LoadLeftClip(project, viewer, video, "/v/a.avi");
  const ClipLoadOutcome rejected = LoadRightClip(project, viewer, video, "/v/notes.txt");
  EXPECT_FALSE(rejected.accepted);
  EXPECT_EQ(rejected.caption, "Video file error");
  EXPECT_EQ(rejected.message, "The loaded file is not supported video file.");
  EXPECT_EQ(project.clipBFileName, "");
  EXPECT_EQ(project.rightClipWidth, 0);
  EXPECT_EQ(project.clipAFileName, "/v/a.avi");  // ClipA stays loaded
  project.fileType = FileType::Video;
  EXPECT_FALSE(LoadLeftClip(project, viewer, video, "/v/notes.txt").accepted);
  EXPECT_EQ(project.clipAFileName, "");
  project.fileType = FileType::Custom;
  EXPECT_TRUE(LoadLeftClip(project, viewer, video, "/v/notes.txt").accepted);
}

TEST_F(ClipLoadingTest, PathsThatCannotGoIntoAScriptAreRefusedUntouched) {
  video.Set("/v/a.avi", 720, 576, 50);
  LoadLeftClip(project, viewer, video, "/v/a.avi");
  for (const std::string bad : {"/v/say \"hi\".avi", "/v/two\nlines.avi", "/v/cr\r.avi"}) {
    const ClipLoadOutcome outcome = LoadLeftClip(project, viewer, video, bad);
    EXPECT_FALSE(outcome.accepted);
    EXPECT_NE(outcome.message.find("double quote"), std::string::npos);
    EXPECT_EQ(project.clipAFileName, "/v/a.avi");
    EXPECT_EQ(project.leftClipWidth, 720);
  }
  EXPECT_TRUE(CheckScriptPath("/v/with space/it's.avi").Passed());
}

// Measures like the fake table, but reads long: asks `progress` once and
// stops when it is told to.
class LongMeasuring : public test::FakeVideoServices {
 public:
  std::vector<double> told;
  VideoInfo MeasureVideo(const std::string& path, const MeasureProgress& progress) override {
    told.push_back(0.5);
    if (!progress(0.5)) {
      VideoInfo cancelled;
      cancelled.cancelled = true;
      cancelled.error = "Measuring " + path + " was cancelled.";
      return cancelled;
    }
    return ReadVideoInfo(path);
  }
};

TEST_F(ClipLoadingTest, ACancelledMeasurementChangesNothing) {
  LongMeasuring slow;
  slow.Set("/v/left.mkv", 720, 576, 100);
  slow.Set("/v/right.mkv", 720, 576, 90);
  slow.Set("/v/other.mkv", 640, 480, 50);
  const auto go = [](double) { return true; };
  const auto stop = [](double) { return false; };
  ASSERT_TRUE(LoadLeftClip(project, viewer, slow, "/v/left.mkv", go).accepted);
  ASSERT_TRUE(LoadRightClip(project, viewer, slow, "/v/right.mkv", go).accepted);
  EXPECT_EQ(viewer.offset.maximum, 88);
  const ProjectState before = project;

  const ClipLoadOutcome left = LoadLeftClip(project, viewer, slow, "/v/other.mkv", stop);
  EXPECT_TRUE(left.cancelled);
  EXPECT_FALSE(left.accepted);
  EXPECT_TRUE(left.message.empty()) << "nothing to tell the user";
  const ClipLoadOutcome right = LoadRightClip(project, viewer, slow, "/v/other.mkv", stop);
  EXPECT_TRUE(right.cancelled);
  EXPECT_EQ(project.clipAFileName, before.clipAFileName);
  EXPECT_EQ(project.clipBFileName, before.clipBFileName);
  EXPECT_EQ(project.leftClipWidth, 720);
  EXPECT_EQ(project.rightFrameCount, 90);
  EXPECT_EQ(project.outputScriptName, before.outputScriptName);
  EXPECT_EQ(viewer.offset.maximum, 88);
  // Without a progress the services are asked the plain way.
  slow.told.clear();
  EXPECT_TRUE(LoadLeftClip(project, viewer, slow, "/v/other.mkv").accepted);
  EXPECT_TRUE(slow.told.empty());
}

}  // namespace
}  // namespace tandemix
