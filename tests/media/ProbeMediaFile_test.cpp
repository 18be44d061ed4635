#include <gtest/gtest.h>

#include "media/MediaProbe.h"
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

TEST(ProbeMediaFile, CountingTellsItsProgressAndCanBeCancelled) {
  test::TempFolder dir;
  ASSERT_TRUE(test::MakeTestVideo(dir.File("long.mkv"), 32, 24, 300, 25, "-c:v mpeg4"));
  ASSERT_TRUE(test::MakeTestVideo(dir.File("a.avi"), 32, 24, 300, 25));
  std::vector<double> heard;
  const auto listen = [&](double fraction) {
    heard.push_back(fraction);
    return true;
  };
  const VideoInfo counted = ProbeMediaFile(dir.File("long.mkv"), listen);
  EXPECT_EQ(counted.frameCount, 300);
  ASSERT_EQ(heard.size(), 4u);  // every 64 frames
  for (std::size_t i = 0; i < heard.size(); ++i) {
    EXPECT_GT(heard[i], 0.0);
    EXPECT_LE(heard[i], 1.0);
    if (i > 0) {
      EXPECT_GT(heard[i], heard[i - 1]);
    }
  }
  // A container that stores its count is not read through.
  heard.clear();
  EXPECT_EQ(ProbeMediaFile(dir.File("a.avi"), listen).frameCount, 300);
  EXPECT_TRUE(heard.empty());

  int asked = 0;
  const VideoInfo cancelled = ProbeMediaFile(dir.File("long.mkv"), [&](double) { return ++asked < 2; });
  EXPECT_EQ(asked, 2);
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_EQ(cancelled.error, "Measuring " + dir.File("long.mkv") + " was cancelled.");
  EXPECT_EQ(cancelled.width, 0);
  EXPECT_EQ(cancelled.frameCount, 0);
}

}  // namespace
}  // namespace tandemix
