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
  const FrameBGR frame = video.DecodeFrame(File("clip.avi"), 29);
  EXPECT_EQ(frame.width, 64);
  EXPECT_EQ(frame.height, 48);
  auto Refusal = [&](const std::string& path, int n) {
    try {
      video.DecodeFrame(path, n);
    } catch (const TandemixError& e) {
      return std::string(e.what());
    }
    return std::string("decoded");
  };
  EXPECT_EQ(Refusal(File("clip.avi"), 30), "Frame 30 is out of range: " + File("clip.avi") + " has 30 frames");
  EXPECT_EQ(Refusal(File("clip.avi"), -1), "Frame -1 is out of range: " + File("clip.avi") + " has 30 frames");
  EXPECT_EQ(Refusal(File("missing.mp4"), 0), "Cannot open " + File("missing.mp4"));
}

TEST(DefaultVideoServices, ScriptsAreTheAvsFilesInAnyCase) {
  EXPECT_TRUE(IsScriptPath("/x/Movie.AVS"));
  EXPECT_FALSE(IsScriptPath("/x/movie.avi"));
}

}  // namespace
}  // namespace tandemix::test
