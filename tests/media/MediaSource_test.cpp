// Media files through FFmpeg: exact descriptions, frame-accurate random
// access, sequential reading without seeks, a bounded cache and the errors
// of files that are no video.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "base/Errors.h"
#include "media/BmpFile.h"
#include "media/MediaProbe.h"
#include "media/MediaSource.h"
#include "tests/support/TestFiles.h"

namespace tandemix::test {
namespace {

constexpr int kFrames = 30;

class MediaSourceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempFolder;
    ASSERT_TRUE(
        MakeTestVideo(File("b frames.mp4"), 64, 48, kFrames, 25, "-c:v libx264 -g 10 -bf 2 -crf 10 -pix_fmt yuv420p"));
    ASSERT_TRUE(MakeTestVideo(File("clip.mkv"), 64, 48, kFrames, 25, "-c:v libx264 -g 12 -crf 10 -pix_fmt yuv420p"));
    ASSERT_TRUE(MakeTestVideo(File("clip.avi"), 64, 48, kFrames, 25, "-g 7"));
    ASSERT_TRUE(MakeTestVideo(File("clip.ts"), 64, 48, kFrames, 25, "-c:v mpeg2video -g 9"));
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static std::string File(const std::string& name) { return folder_->File(name); }
  static std::vector<std::string> Clips() {
    return {File("b frames.mp4"), File("clip.mkv"), File("clip.avi"), File("clip.ts")};
  }

  static TempFolder* folder_;
};
TempFolder* MediaSourceTest::folder_ = nullptr;

std::string Error(const std::string& path) {
  try {
    MediaSource source(path);
  } catch (const TandemixError& e) {
    return e.what();
  }
  return "";
}

TEST_F(MediaSourceTest, DescribesEveryContainerExactly) {
  for (const auto& path : Clips()) {
    SCOPED_TRACE(path);
    const MediaSource source(path);
    const MediaDescription& d = source.Description();
    EXPECT_EQ(d.width, 64);
    EXPECT_EQ(d.height, 48);
    EXPECT_EQ(d.frameCount, kFrames);
    EXPECT_EQ(d.rateNumerator, 25);
    EXPECT_EQ(d.rateDenominator, 1);
    const VideoInfo probed = ProbeMediaFile(path);
    EXPECT_TRUE(probed.Ok());
    EXPECT_EQ(probed.frameCount, kFrames);
    EXPECT_DOUBLE_EQ(probed.rate, 25.0);
  }
}

TEST_F(MediaSourceTest, RandomAccessGivesTheFramesSequentialReadingGives) {
  const int order[] = {17, 3, 29, 0, 12, 11, 25, 5, 28, 9, 10, 1, 20, 19, 18, 2, 27, 26, 4, 14};
  for (const auto& path : Clips()) {
    SCOPED_TRACE(path);
    MediaSource sequential(path);
    std::vector<FramePtr> frames;
    for (int n = 0; n < kFrames; ++n) frames.push_back(sequential.Frame(n));
    EXPECT_EQ(sequential.SeekCount(), 0);  // read in order, never sought
    // Consecutive frames of the test pattern differ, so a frame off by one shows.
    for (int n = 1; n < kFrames; ++n) ASSERT_NE(frames[n]->pixels, frames[n - 1]->pixels) << n;
    MediaSource random(path, 0);  // no cache: every request decodes
    for (int n : order) EXPECT_EQ(random.Frame(n)->pixels, frames[n]->pixels) << "frame " << n;
    for (int n = kFrames - 1; n >= 0; n -= 4) EXPECT_EQ(random.Frame(n)->pixels, frames[n]->pixels) << "frame " << n;
    // Outside the clip the first or last frame stands in.
    EXPECT_EQ(random.Frame(-5)->pixels, frames[0]->pixels);
    EXPECT_EQ(random.Frame(1000)->pixels, frames[kFrames - 1]->pixels);
  }
}

// Frame n is the frame the ffmpeg command decodes as frame n.
TEST_F(MediaSourceTest, FramesMatchTheFfmpegCommandsDecoding) {
  for (const auto& path : {File("b frames.mp4"), File("clip.ts")}) {
    SCOPED_TRACE(path);
    const std::string raw = folder_->File("frames.raw");
    ASSERT_EQ(RunProgram("ffmpeg", {"-hide_banner", "-loglevel", "error", "-y", "-i", path, "-f", "rawvideo",
                                    "-pix_fmt", "bgr24", "-sws_flags", "bilinear", raw})
                  .exitCode,
              0);
    const std::string bytes = ReadBytes(raw);
    const std::size_t frameBytes = 64 * 48 * 3;
    ASSERT_EQ(bytes.size(), frameBytes * kFrames);
    MediaSource source(path, 0);
    for (int n : {0, 13, 7, 29, 21, 1}) {
      const FramePtr ours = source.Frame(n);
      int best = -1;
      long long bestDiff = -1;
      for (int k = 0; k < kFrames; ++k) {
        long long diff = 0;
        for (std::size_t i = 0; i < frameBytes; ++i)
          diff += std::abs(static_cast<int>(ours->pixels[i]) - static_cast<unsigned char>(bytes[k * frameBytes + i]));
        if (best < 0 || diff < bestDiff) {
          best = k;
          bestDiff = diff;
        }
      }
      EXPECT_EQ(best, n);
      EXPECT_LT(bestDiff / static_cast<double>(frameBytes), 3.0);
    }
  }
}

// Planar YUV is read where the decoder put it, with the decoder's strides:
// the bytes are ffmpeg's yuv420p decoding in and out of order, a frame held
// outlives its source, and a copy of it has planes of its own.
TEST_F(MediaSourceTest, NativeYuvFramesAreTheDecodersPicturesInPlace) {
  const std::string path = File("narrow.mkv");
  ASSERT_TRUE(MakeTestVideo(path, 100, 60, kFrames, 25, "-c:v libx264 -g 10 -bf 2 -crf 10 -pix_fmt yuv420p"));
  const std::string raw = folder_->File("narrow.yuv");
  ASSERT_EQ(RunProgram("ffmpeg", {"-hide_banner", "-loglevel", "error", "-y", "-i", path, "-f", "rawvideo", "-pix_fmt",
                                  "yuv420p", raw})
                .exitCode,
            0);
  const std::string bytes = ReadBytes(raw);
  const std::size_t frameBytes = 100 * 60 * 3 / 2;
  ASSERT_EQ(bytes.size(), frameBytes * kFrames);
  const auto decoded = [&](int n) {
    return std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(frameBytes * n),
                                     bytes.begin() + static_cast<std::ptrdiff_t>(frameBytes * (n + 1)));
  };
  FramePtr held;
  {
    MediaSource source(path, MediaSource::kDefaultCacheBytes, MediaSource::Output::Native);
    ASSERT_EQ(source.Type(), PixelType::YV12);
    for (int n : {0, 1, 2, 17, 5, 29, 28, 3}) {
      const FramePtr f = source.Frame(n);
      ASSERT_TRUE(f->IsView());
      EXPECT_GE(f->Stride(0), 100u);
      EXPECT_EQ(f->ByteSize(), frameBytes);
      EXPECT_EQ(f->Bytes(), decoded(n)) << "frame " << n;
    }
    held = source.Frame(3);
  }
  EXPECT_EQ(held->Bytes(), decoded(3));
  const VideoFrame copy = *held;
  EXPECT_FALSE(copy.IsView());
  EXPECT_EQ(copy.pixels, decoded(3));
  EXPECT_EQ(copy.Row(1, 5)[7], held->Row(1, 5)[7]);
}

TEST_F(MediaSourceTest, TheCacheStaysWithinItsBound) {
  const std::size_t frameBytes = 64 * 48 * 3;
  MediaSource source(File("clip.mkv"), 3 * frameBytes);
  for (int n = 0; n < kFrames; ++n) {
    source.Frame(n);
    EXPECT_LE(source.CachedBytes(), 3 * frameBytes);
  }
  EXPECT_EQ(source.CachedBytes(), 3 * frameBytes);
  const int seeks = source.SeekCount();
  source.Frame(28);  // still cached: no decoding, no seek
  EXPECT_EQ(source.SeekCount(), seeks);
  MediaSource uncached(File("clip.mkv"), 0);
  uncached.Frame(3);
  uncached.Frame(4);
  EXPECT_EQ(uncached.CachedBytes(), frameBytes);  // the most recent frame only
}

TEST_F(MediaSourceTest, PicturesAreOneFrameWithTheirExactPixels) {
  FrameBGR picture(5, 3);
  for (std::size_t i = 0; i < picture.pixels.size(); ++i) picture.pixels[i] = static_cast<std::uint8_t>(i * 7);
  SaveBmp24(File("pic.bmp"), picture);
  MediaSource source(File("pic.bmp"));
  EXPECT_EQ(source.Description().frameCount, 1);
  EXPECT_EQ(source.Description().width, 5);
  EXPECT_EQ(source.Frame(0)->pixels, picture.pixels);
}

TEST_F(MediaSourceTest, FilesThatAreNoVideoGiveTheirReason) {
  EXPECT_EQ(Error(File("missing.avi")), "Cannot open " + File("missing.avi"));
  WriteBytes(File("text.avi"), "this is no video at all\r\n");
  EXPECT_FALSE(Error(File("text.avi")).empty());
  ASSERT_EQ(RunProgram("ffmpeg", {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i", "sine=duration=0.2",
                                  File("sound.wav")})
                .exitCode,
            0);
  EXPECT_EQ(Error(File("sound.wav")), File("sound.wav") + " has no video stream");
  const VideoInfo info = ProbeMediaFile(File("sound.wav"));
  EXPECT_EQ(info.width, 0);
  EXPECT_EQ(info.frameCount, 0);
  EXPECT_EQ(info.rate, 1.0);
}

}  // namespace
}  // namespace tandemix::test
