// Frame capture: frame n of a file or script into a bitmap of the frame's
// size; a failure writes nothing and says why.
#include "viewer/FrameCapture.h"

#include <gtest/gtest.h>

#include "base/Errors.h"
#include "base/TextFile.h"
#include "media/BmpFile.h"
#include "platform/DefaultVideoServices.h"
#include "tests/support/TestFiles.h"

namespace tandemix::test {
namespace {

class FrameCaptureTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempFolder;
    ASSERT_TRUE(MakeTestVideo(folder_->File("movie clip.avi"), 720, 576, 3));
    WriteTextLines(folder_->File("movie.avs"),
                   {"AVISource(\"" + folder_->File("movie clip.avi") + "\")", "ClipA = last", "return(ClipA)"});
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  std::string Reason(const std::string& script, int n, const std::string& bitmap) {
    try {
      GrabFrame(video_, script, n, bitmap);
    } catch (const TandemixError& e) {
      return e.what();
    }
    return "";
  }

  static TempFolder* folder_;
  DefaultVideoServices video_;
};
TempFolder* FrameCaptureTest::folder_ = nullptr;

TEST_F(FrameCaptureTest, AFrameOf720x576GivesA720x576Picture) {
  const std::string bmp = folder_->File("PreviewFile_L.bmp");
  GrabFrame(video_, folder_->File("movie.avs"), 0, bmp);
  const FrameBGR picture = LoadPicture24(bmp);
  EXPECT_EQ(picture.width, 720);
  EXPECT_EQ(picture.height, 576);
  // The picture holds the decoded frame itself.
  const FrameBGR decoded = video_.DecodeFrame(folder_->File("movie.avs"), 0);
  EXPECT_EQ(picture.pixels, decoded.pixels);
  const std::string header = ReadBytes(bmp).substr(0, 30);
  EXPECT_EQ(header.substr(0, 2), "BM");
  EXPECT_EQ(static_cast<unsigned char>(header[28]), 24);  // bits per pixel
}

TEST_F(FrameCaptureTest, ASecondCaptureReplacesTheFirst) {
  const std::string bmp = folder_->File("capture.bmp");
  GrabFrame(video_, folder_->File("movie.avs"), 0, bmp);
  const std::string first = ReadBytes(bmp);
  GrabFrame(video_, folder_->File("movie clip.avi"), 2, bmp);
  const std::string second = ReadBytes(bmp);
  EXPECT_EQ(second.size(), first.size());
  EXPECT_NE(second, first);
  const FrameBGR frame2 = video_.DecodeFrame(folder_->File("movie.avs"), 2);
  EXPECT_EQ(LoadPicture24(bmp).pixels, frame2.pixels);
}

TEST_F(FrameCaptureTest, FailuresWriteNothingAndSayWhy) {
  const std::string bmp = folder_->File("never.bmp");
  EXPECT_EQ(Reason(folder_->File("movie.avs"), 3, bmp),
            "Frame 3 is out of range: " + folder_->File("movie.avs") + " has 3 frames");
  EXPECT_EQ(Reason(folder_->File("movie.avs"), -1, bmp),
            "Frame -1 is out of range: " + folder_->File("movie.avs") + " has no negative frames");
  WriteTextLines(folder_->File("broken.avs"), {"BlankClip()", "zoom2(last)"});
  EXPECT_EQ(Reason(folder_->File("broken.avs"), 0, bmp),
            "Script error: There is no function named 'zoom2'.\n(" + folder_->File("broken.avs") + ", line 2)");
  EXPECT_EQ(Reason(folder_->File("absent.avs"), 0, bmp), "Cannot open file " + folder_->File("absent.avs"));
  EXPECT_FALSE(FileExists(bmp));
  // An existing picture stays as it was when a capture fails.
  const std::string kept = folder_->File("kept.bmp");
  WriteBytes(kept, "old picture");
  EXPECT_FALSE(Reason(folder_->File("broken.avs"), 0, kept).empty());
  EXPECT_EQ(ReadBytes(kept), "old picture");
  EXPECT_EQ(Reason(folder_->File("movie.avs"), 0, folder_->File("no folder/x.bmp")),
            "Cannot create file " + folder_->File("no folder/x.bmp"));
}

}  // namespace
}  // namespace tandemix::test
