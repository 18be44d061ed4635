#include "viewer/FrameCommands.h"

#include <gtest/gtest.h>
#include <QLocale>

#include "analysis/AutoAlign.h"
#include "base/Errors.h"
#include "media/BmpFile.h"
#include "platform/DefaultVideoServices.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

class FrameCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QLocale::setDefault(QLocale::c());
    names = DeriveScriptNames(dir.File("movie.avs"));
    test::WriteBytes(names.leftView, "BlankClip(length=10, width=32, height=24, color=$FF0000)\r\n");
    test::WriteBytes(names.rightView, "BlankClip(length=6, width=32, height=24, color=$0000FF)\r\n");
    test::WriteBytes(names.output,
                     "StackHorizontal(BlankClip(length=10, width=32, height=24), "
                     "BlankClip(length=10, width=32, height=24))\r\n");
  }
  test::TempFolder dir;
  ScriptNames names;
  DefaultVideoServices video;
  PreviewCompositor compositor;
  AlignmentSettings settings;
};

TEST_F(FrameCommandsTest, AdjustClipCapturesBothViewsAndComposes) {
  AdjustClip(video, names, 3, compositor, settings);
  EXPECT_TRUE(test::FileExists(dir.File("PreviewFile_L.bmp")));
  EXPECT_TRUE(test::FileExists(dir.File("PreviewFile_R.bmp")));
  ASSERT_EQ(compositor.PreviewImage().Width(), 32);
  // Red left view and blue right view in a grey red/cyan anaglyph.
  const std::uint8_t* pixel = compositor.PreviewImage().ScanLine(0);
  EXPECT_GT(pixel[2], 0);
  EXPECT_EQ(pixel[0], pixel[1]);
}

TEST_F(FrameCommandsTest, FailedCaptureWritesNoPictureAndComposesNothing) {
  // Frame 8 exists in the left view only: neither picture is written.
  EXPECT_THROW(AdjustClip(video, names, 8, compositor, settings), TandemixError);
  EXPECT_FALSE(test::FileExists(dir.File("PreviewFile_L.bmp")));
  EXPECT_FALSE(test::FileExists(dir.File("PreviewFile_R.bmp")));
  EXPECT_FALSE(compositor.HasFrames());
  // A box holding a non-number stops the command before any capture.
  settings.angleText = "x";
  EXPECT_THROW(AdjustClip(video, names, 1, compositor, settings), TandemixError);
  EXPECT_FALSE(test::FileExists(dir.File("PreviewFile_L.bmp")));
  // No scripts yet.
  EXPECT_THROW(AdjustClip(video, ScriptNames{}, 1, compositor, settings), TandemixError);
}

TEST_F(FrameCommandsTest, AutoAlignGetsTheCapturedFrameAndMoreOfTheClip) {
  // The views share 6 frames: frame 4 first, then 0, 2, 3 and 5 spread over
  // them.
  const auto pairs = AlignmentFrames(video, names, 4, 5);
  ASSERT_EQ(pairs.size(), 5u);
  for (const auto& [left, right] : pairs) {
    EXPECT_EQ(left.width, 32);
    EXPECT_EQ(right.height, 24);
    EXPECT_GT(left.Row(0)[2], 200);   // red
    EXPECT_GT(right.Row(0)[0], 200);  // blue
  }
  EXPECT_EQ(AlignmentFrames(video, names, 2, 1).size(), 1u);
  // The captured frame must be there; no scripts, no frames.
  EXPECT_THROW(AlignmentFrames(video, names, 8, 5), TandemixError);
  EXPECT_THROW(AlignmentFrames(video, ScriptNames{}, 0, 5), TandemixError);

  // The reading says how far it came before each pair, and stops when told.
  std::vector<std::pair<int, int>> steps;
  const auto counted = AlignmentFrames(video, names, 4, 5, [&](int done, int total) {
    steps.emplace_back(done, total);
    return true;
  });
  EXPECT_EQ(counted.size(), 5u);
  EXPECT_EQ(steps, (std::vector<std::pair<int, int>>{{0, 5}, {1, 5}, {2, 5}, {3, 5}, {4, 5}}));
  int calls = 0;
  const auto stopAfterTwo = [&](int done, int) {
    ++calls;
    return done < 2;
  };
  EXPECT_THROW(AlignmentFrames(video, names, 4, 5, stopAfterTwo), AlignCancelled);
  EXPECT_EQ(calls, 3);
}

TEST_F(FrameCommandsTest, SaveFrameCapturesTheOutput) {
  SaveOutputFrame(video, names, 9, dir.File("shot one.bmp"));
  const FrameBGR saved = LoadPicture24(dir.File("shot one.bmp"));
  EXPECT_EQ(saved.width, 64);
  EXPECT_THROW(SaveOutputFrame(video, names, 10, dir.File("past.bmp")), TandemixError);
  EXPECT_FALSE(test::FileExists(dir.File("past.bmp")));
}

}  // namespace
}  // namespace tandemix
