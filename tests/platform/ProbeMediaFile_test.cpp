#include <gtest/gtest.h>

#include "platform/MediaProbe.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

TEST(ProbeMediaFile, ExactCountsInContainersWithAndWithoutHeaders) {
  test::TempFolder dir;
  ASSERT_TRUE(test::MakeTestVideo(dir.File("a.avi"), 64, 48, 37, 25));
  ASSERT_TRUE(test::MakeTestVideo(dir.File("b.mkv"), 32, 24, 23, 30, "-c:v mpeg4"));
  const VideoInfo avi = ProbeMediaFile(dir.File("a.avi"));
  EXPECT_TRUE(avi.Ok()) << avi.error;
  EXPECT_EQ(avi.width, 64);
  EXPECT_EQ(avi.height, 48);
  EXPECT_EQ(avi.frameCount, 37);
  EXPECT_DOUBLE_EQ(avi.rate, 25.0);
  const VideoInfo mkv = ProbeMediaFile(dir.File("b.mkv"));
  EXPECT_EQ(mkv.width, 32);
  EXPECT_EQ(mkv.frameCount, 23);
  EXPECT_DOUBLE_EQ(mkv.rate, 30.0);
}

TEST(ProbeMediaFile, WhatIsNotVideoMeasuresZero) {
  test::TempFolder dir;
  test::WriteBytes(dir.File("text.avi"), "hello");
  for (const auto& path : {dir.File("text.avi"), dir.File("missing.avi"), dir.Path()}) {
    const VideoInfo info = ProbeMediaFile(path);
    EXPECT_EQ(info.width, 0) << path;
    EXPECT_EQ(info.height, 0);
    EXPECT_EQ(info.frameCount, 0);
    EXPECT_EQ(info.rate, 1.0);
    EXPECT_FALSE(info.error.empty());
  }
}

}  // namespace
}  // namespace tandemix
