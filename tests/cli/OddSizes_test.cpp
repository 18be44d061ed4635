// Media files whose size leaves chroma samples cut in half (1x1, 1x2, 3x5,
// 65x48, 853x480) in every subsampled format a decoder hands out, read by a
// script through grab, serve and render: the source takes them as 4:4:4 with
// every pixel's colour, so the luma is the file's own, the stream is whole
// and nothing reads past a chroma row.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "media/BmpFile.h"
#include "tests/support/TestFiles.h"

namespace tandemix::test {
namespace {

struct Size {
  int width;
  int height;
};
constexpr Size kSizes[] = {{1, 1}, {1, 2}, {3, 5}, {65, 48}, {853, 480}};
const char* const kFormats[] = {"yuv420p", "yuvj420p", "yuv422p", "yuvj422p",   "yuyv422",
                                "nv12",    "yuv410p",  "yuv411p", "yuv420p10le"};

// The first frame of a file as the ffmpeg command decodes it, in `pixFmt`.
std::string Decoded(const std::string& path, const std::string& pixFmt) {
  return RunProgram("ffmpeg", {"-v", "error", "-i", path, "-frames:v", "1", "-sws_flags", "bilinear+accurate_rnd", "-f",
                               "rawvideo", "-pix_fmt", pixFmt, "-"})
      .out;
}

double MeanDifference(const std::string& a, const std::string& b, std::size_t from, std::size_t to) {
  double total = 0;
  for (std::size_t i = from; i < to; ++i)
    total += std::abs(static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]));
  return to > from ? total / static_cast<double>(to - from) : 0.0;
}

TEST(OddSizedMedia, EverySubsampledFormatIsReadWhole) {
  TempFolder dir;
  for (const char* format : kFormats) {
    for (const Size s : kSizes) {
      const std::string name = std::string(format) + "-" + std::to_string(s.width) + "x" + std::to_string(s.height);
      SCOPED_TRACE(name);
      const std::string movie = dir.File(name + ".nut");
      ASSERT_TRUE(MakeTestVideo(movie, s.width, s.height, 2, 25, std::string("-pix_fmt ") + format + " -c:v rawvideo"));
      const std::string script = dir.File(name + ".avs");
      WriteBytes(script, "FFVideoSource(\"" + movie + "\")\r\n");
      const std::size_t pixels = static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height);

      // serve: a 4:4:4 stream of two whole frames, the luma as the file has it.
      const CommandResult served = RunCli({"serve", script});
      ASSERT_EQ(served.exitCode, 0) << served.err;
      const std::string header = "YUV4MPEG2 W" + std::to_string(s.width) + " H" + std::to_string(s.height);
      EXPECT_EQ(served.out.substr(0, header.size()), header);
      const std::size_t headerEnd = served.out.find('\n') + 1;
      EXPECT_NE(served.out.substr(0, headerEnd).find(" C444 "), std::string::npos) << served.out.substr(0, headerEnd);
      ASSERT_EQ(served.out.size(), headerEnd + 2 * (6 + 3 * pixels));
      const std::string frame = served.out.substr(headerEnd + 6, 3 * pixels);
      const std::string reference = Decoded(movie, "yuv444p");
      ASSERT_EQ(reference.size(), 3 * pixels);
      EXPECT_EQ(frame.substr(0, pixels), reference.substr(0, pixels)) << "luma";
      // (A picture three pixels wide has its two chroma samples spread by a
      // different rule in the ffmpeg command: a looser bound there.)
      EXPECT_LT(MeanDifference(frame, reference, pixels, 3 * pixels), s.width < 8 ? 24.0 : 8.0) << "chroma";

      // grab: a bitmap of the file's size, close to the ffmpeg command's colours.
      const std::string bitmap = dir.File(name + ".bmp");
      const CommandResult grabbed = RunCli({"grab", script, "1", bitmap});
      ASSERT_EQ(grabbed.exitCode, 0) << grabbed.err;
      const FrameBGR picture = LoadPicture24(bitmap);
      ASSERT_EQ(picture.width, s.width);
      ASSERT_EQ(picture.height, s.height);
      const std::string bgr = Decoded(movie, "bgr24");
      ASSERT_EQ(bgr.size(), 3 * pixels);
      std::string rows;
      for (int y = 0; y < s.height; ++y)
        rows.append(reinterpret_cast<const char*>(picture.Row(y)), 3 * static_cast<std::size_t>(s.width));
      EXPECT_LT(MeanDifference(rows, bgr, 0, rows.size()), 32.0);

      // render: both frames encoded, padded to even sizes for 4:2:0.
      const std::string encoded = dir.File(name + ".mkv");
      const CommandResult rendered = RunCli({"render", script, encoded});
      ASSERT_EQ(rendered.exitCode, 0) << rendered.err;
      const CommandResult probe =
          RunProgram("ffprobe", {"-v", "error", "-count_frames", "-show_entries", "stream=width,height,nb_read_frames",
                                 "-of", "csv=p=0", encoded});
      EXPECT_EQ(probe.out,
                std::to_string(s.width + s.width % 2) + "," + std::to_string(s.height + s.height % 2) + ",2\n");
    }
  }
}

}  // namespace
}  // namespace tandemix::test
