// The video services the program hands to its models: media files decoded
// through FFmpeg, with the errors of frames that do not exist.
#include <gtest/gtest.h>

#include "platform/DefaultVideoServices.h"
#include "tests/support/TestFiles.h"

namespace tandemix::test {
namespace {

TEST(DefaultVideoServices, DecodeMediaAndRefuseMissingFrames) {
  TempFolder folder;
  auto File = [&](const std::string& name) { return folder.File(name); };
  ASSERT_TRUE(MakeTestVideo(File("clip.avi"), 64, 48, 30, 25, "-g 7"));
  DefaultVideoServices video;
  FrameBGR frame;
  std::string error;
  ASSERT_TRUE(video.DecodeFrame(File("clip.avi"), 29, frame, error)) << error;
  EXPECT_EQ(frame.width, 64);
  EXPECT_EQ(frame.height, 48);
  EXPECT_FALSE(video.DecodeFrame(File("clip.avi"), 30, frame, error));
  EXPECT_EQ(error, "Frame 30 is out of range: " + File("clip.avi") + " has 30 frames");
  EXPECT_FALSE(video.DecodeFrame(File("clip.avi"), -1, frame, error));
  EXPECT_EQ(error, "Frame -1 is out of range: " + File("clip.avi") + " has 30 frames");
  EXPECT_FALSE(video.DecodeFrame(File("missing.mp4"), 0, frame, error));
  EXPECT_EQ(error, "Cannot open " + File("missing.mp4"));
}

TEST(DefaultVideoServices, ScriptsAreTheAvsFilesInAnyCase) {
  EXPECT_TRUE(IsScriptPath("/x/Movie.AVS"));
  EXPECT_FALSE(IsScriptPath("/x/movie.avi"));
}

}  // namespace
}  // namespace tandemix::test
