// tandemix-cli render: a generated two-clip project encoded to MP4 and MKV
// and read back with ffprobe, odd sizes, frame ranges, bad arguments and an
// interrupted render, none of which leave a file behind.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QProcess>
#include <QThread>
#include <cstdio>

#include "base/TextFile.h"
#include "tests/support/TestFiles.h"

namespace tandemix::test {
namespace {

std::string Probe(const std::string& path, const std::string& entries) {
  return RunProgram("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries", entries,
                                "-of", "default=nw=1", path})
      .out;
}

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const QString& name :
       QDir(QString::fromStdString(folder)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
    names.push_back(name.toStdString());
  return names;
}

// Two 64 x 48 clips of 10 frames, their side-by-side script written by
// generate from the starter Output template.
class RenderCli : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempFolder();
    ASSERT_TRUE(MakeTestVideo(folder_->File("left.avi"), 64, 48, 10));
    ASSERT_TRUE(MakeTestVideo(folder_->File("right.avi"), 64, 48, 10));
    WriteBytes(folder_->File("proj.avp"),
               "! ImportLeftTemplate\r\n! ImportRightTemplate\r\n! ConvertTemplate\r\n! FilterLeftTemplate\r\n"
               "! FilterRightTemplate\r\n! PreviewTemplate\r\n! OutputTemplate\r\nSideBySide_Output\r\n"
               "! ImportStereo\r\n0\r\n! FileType\r\n0\r\n! ConvertBefore\r\n0\r\n");
    const auto r =
        RunCli({"generate", Script(), "--project", folder_->File("proj.avp"), "--left", folder_->File("left.avi"),
                "--right", folder_->File("right.avi"), "--templates", TANDEMIX_BIN_DIR});
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static std::string Script() { return folder_->File("movie.avs"); }

  TempFolder out;
  static TempFolder* folder_;
};
TempFolder* RenderCli::folder_ = nullptr;

TEST_F(RenderCli, TwoClipProjectToMp4AndMkvWithTheLayoutTagged) {
  const auto mp4 = RunCli({"render", Script(), out.File("movie.mp4")});
  ASSERT_EQ(mp4.exitCode, 0) << mp4.err;
  EXPECT_EQ(mp4.out, out.File("movie.mp4") + "\n10 frames, no sound, layout sbs\n");
  EXPECT_EQ(Probe(out.File("movie.mp4"), "stream=codec_name,width,height,pix_fmt,nb_read_frames,duration"),
            "codec_name=h264\nwidth=128\nheight=48\npix_fmt=yuv420p\nduration=0.400000\nnb_read_frames=10\n");
  EXPECT_NE(Probe(out.File("movie.mp4"), "stream_side_data").find("side_data_type=Stereo 3D\ntype=side by side\n"),
            std::string::npos);

  const auto mkv = RunCli({"render", Script(), out.File("movie.mkv"), "--crf", "30", "--preset", "veryfast"});
  ASSERT_EQ(mkv.exitCode, 0) << mkv.err;
  EXPECT_EQ(
      Probe(out.File("movie.mkv"), "stream=codec_name,width,height,pix_fmt,nb_read_frames:stream_tags=stereo_mode"),
      "codec_name=h264\nwidth=128\nheight=48\npix_fmt=yuv420p\nnb_read_frames=10\nTAG:stereo_mode=left_right\n");
  const std::string format = RunProgram("ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0",
                                                    out.File("movie.mkv")})
                                 .out;
  EXPECT_NEAR(std::atof(format.c_str()), 0.4, 0.001);

  // A layout named on the command line wins; H.265 and FFV1 in MKV.
  const auto ou = RunCli({"render", Script(), out.File("ou.mkv"), "--layout", "ou", "--video", "h265"});
  ASSERT_EQ(ou.exitCode, 0) << ou.err;
  EXPECT_EQ(Probe(out.File("ou.mkv"), "stream=codec_name:stream_tags=stereo_mode"),
            "codec_name=hevc\nTAG:stereo_mode=top_bottom\n");
  const auto lossless = RunCli({"render", Script(), out.File("lossless.mkv"), "--video", "ffv1", "--layout", "none"});
  ASSERT_EQ(lossless.exitCode, 0) << lossless.err;
  EXPECT_EQ(Probe(out.File("lossless.mkv"), "stream=codec_name,nb_read_frames:stream_tags=stereo_mode"),
            "codec_name=ffv1\nnb_read_frames=10\n");
  // MP4 has no tag for the cross-eyed order: said, not written.
  const auto cross = RunCli({"render", Script(), out.File("cross.mp4"), "--layout", "sbs-cross"});
  ASSERT_EQ(cross.exitCode, 0) << cross.err;
  EXPECT_NE(cross.out.find("a .mp4 file has no 3D tag for side by side, right view first"), std::string::npos)
      << cross.out;
  EXPECT_EQ(Probe(out.File("cross.mp4"), "stream_side_data"), "");
}

// Clips with sound: the generated script keeps the left clip's, and the
// movie carries it in AAC, as long as the picture to within a frame.
TEST_F(RenderCli, TheLeftClipsSoundGoesAlongInAac) {
  for (const char* side : {"left_s.avi", "right_s.avi"})
    ASSERT_TRUE(MakeTestVideoWithSound(out.File(side), 64, 48, 10, 25, "sine=frequency=440:sample_rate=48000",
                                       "-c:v mjpeg -c:a pcm_s16le"));
  const auto generated =
      RunCli({"generate", out.File("sound.avs"), "--project", folder_->File("proj.avp"), "--left",
              out.File("left_s.avi"), "--right", out.File("right_s.avi"), "--templates", TANDEMIX_BIN_DIR});
  ASSERT_EQ(generated.exitCode, 0) << generated.err;
  const auto r = RunCli({"render", out.File("sound.avs"), out.File("sound.mp4")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, out.File("sound.mp4") + "\n10 frames, with sound, layout sbs\n");
  const std::string streams =
      RunProgram("ffprobe", {"-v", "error", "-show_entries", "stream=codec_name,sample_rate,duration", "-of", "csv=p=0",
                             out.File("sound.mp4")})
          .out;
  double video = 0, audio = 0;
  char rate[16] = {};
  ASSERT_EQ(std::sscanf(streams.c_str(), "h264,%lf, aac,%15[0-9],%lf", &video, rate, &audio), 3) << streams;
  EXPECT_DOUBLE_EQ(video, 0.4);
  EXPECT_STREQ(rate, "48000");
  EXPECT_NEAR(audio, video, 0.04);
}

TEST_F(RenderCli, OddSizesArePaddedWithBlackOrKeptIn444) {
  WriteTextLines(out.File("odd.avs"), {"BlankClip(width=63, height=47, length=4, fps=25, color=$FFFFFF)"});
  const auto padded = RunCli({"render", out.File("odd.avs"), out.File("padded.mkv")});
  ASSERT_EQ(padded.exitCode, 0) << padded.err;
  EXPECT_NE(padded.out.find("the picture is 63x47: one black column on the right and one black row at the bottom "
                            "added for 4:2:0"),
            std::string::npos)
      << padded.out;
  EXPECT_EQ(Probe(out.File("padded.mkv"), "stream=width,height,pix_fmt"), "width=64\nheight=48\npix_fmt=yuv420p\n");
  const CommandResult picture = RunProgram("ffmpeg", {"-v", "error", "-i", out.File("padded.mkv"), "-frames:v", "1",
                                                      "-f", "rawvideo", "-pix_fmt", "gray", "-"});
  ASSERT_EQ(picture.out.size(), 64u * 48);
  const auto at = [&](int x, int y) { return static_cast<unsigned char>(picture.out[y * 64 + x]); };
  EXPECT_GT(at(10, 10), 230);  // white picture
  EXPECT_GT(at(61, 45), 200);
  EXPECT_LT(at(63, 10), 40);  // the black column
  EXPECT_LT(at(10, 47), 40);  // the black row

  const auto kept = RunCli({"render", out.File("odd.avs"), out.File("kept.mp4"), "--keep-size"});
  ASSERT_EQ(kept.exitCode, 0) << kept.err;
  EXPECT_EQ(Probe(out.File("kept.mp4"), "stream=width,height,pix_fmt"), "width=63\nheight=47\npix_fmt=yuv444p\n");
}

TEST_F(RenderCli, StartAndCountChooseTheFrames) {
  const struct {
    std::vector<std::string> range;
    const char* frames;
  } cases[] = {{{"--start", "4", "--count", "3"}, "nb_read_frames=3\n"},
               {{"--start", "8", "--count", "5"}, "nb_read_frames=2\n"},
               {{"--count", "1"}, "nb_read_frames=1\n"},
               {{"--start", "9"}, "nb_read_frames=1\n"}};
  for (const auto& c : cases) {
    std::vector<std::string> args = {"render", Script(), out.File("part.mkv")};
    args.insert(args.end(), c.range.begin(), c.range.end());
    const auto r = RunCli(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Probe(out.File("part.mkv"), "stream=nb_read_frames"), c.frames);
  }
  const auto late = RunCli({"render", Script(), out.File("late.mkv"), "--start", "10"});
  EXPECT_EQ(late.exitCode, 1);
  EXPECT_EQ(late.err, "The start frame 10 is out of range: " + Script() + " has 10 frames\n");
  EXPECT_EQ(Entries(out.Path()), std::vector<std::string>{"part.mkv"});
}

TEST_F(RenderCli, BadArgumentsSayWhatIsWrongAndWriteNothing) {
  WriteTextLines(out.File("broken.avs"), {"ClipA = BlankClip()", "ClipA.NoSuchFilter()"});
  const struct {
    std::vector<std::string> args;
    int exitCode;
    std::string message;
  } cases[] = {
      {{"render", Script(), out.File("m.mkv"), "--video", "mpeg2"},
       2,
       "render: --video: unknown value 'mpeg2' (choose h264, h265, av1 or ffv1)"},
      {{"render", Script(), out.File("m.mp4"), "--video", "ffv1"},
       2,
       "render: FFV1 (lossless) video cannot be stored in a .mp4 file; use .mkv, .mov or .avi"},
      {{"render", Script(), out.File("m.mp4"), "--audio", "flac"},
       2,
       "render: FLAC (lossless) sound cannot be stored in a .mp4 file; use .mkv"},
      {{"render", Script(), out.File("m.webm")},
       2,
       "render: The file name " + out.File("m.webm") + " has no movie extension: use .mkv, .mp4, .mov or .avi"},
      {{"render", Script(), out.File("m.mkv"), "--crf", "52"},
       2,
       "render: The quality (CRF) 52 is out of range for H.264: 0 to 51"},
      {{"render", Script(), out.File("m.mkv"), "--crf", "high"}, 2, "render: --crf: 'high'"},
      {{"render", Script(), out.File("m.mkv"), "--preset", "quick"}, 2, "render: Unknown preset 'quick' for H.264"},
      {{"render", Script(), out.File("m.mkv"), "--layout", "sideways"}, 2, "render: --layout: unknown value"},
      {{"render", Script(), out.File("m.mkv"), "--audio-bitrate", "0"},
       2,
       "render: The sound bit rate 0 kb/s is out of range: 6 to 512"},
      {{"render", Script()}, 2, "render: the output file is missing"},
      {{"render", Script(), out.File("no folder/m.mkv")},
       1,
       "Cannot create file " + out.File("no folder/m.mkv") + ": No such file or directory"},
      {{"render", out.File("missing.avs"), out.File("m.mkv")}, 1, "Cannot open file " + out.File("missing.avs")},
      {{"render", out.File("broken.avs"), out.File("m.mkv")},
       1,
       "Script error: There is no function named 'NoSuchFilter'.\n(" + out.File("broken.avs") + ", line 2)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    const auto r = RunCli(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_EQ(r.err.substr(0, c.message.size()), c.message);
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(Entries(out.Path()), std::vector<std::string>{"broken.avs"});
}

// Ctrl-C, SIGTERM, a closed terminal (SIGHUP) or SIGQUIT while it
// encodes: the temporary file goes, no target is left.
TEST_F(RenderCli, EveryTerminatingSignalLeavesNoFile) {
  WriteTextLines(out.File("long.avs"), {"BlankClip(width=640, height=480, length=100000, fps=25)"});
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    QProcess render;
    render.start(TANDEMIX_CLI_PATH, {"render", QString::fromStdString(out.File("long.avs")),
                                     QString::fromStdString(out.File("long.mkv")), "--preset", "veryslow"});
    ASSERT_TRUE(render.waitForStarted());
    // Wait for the temporary file: then the encoder runs.
    for (int i = 0; i < 500 && Entries(out.Path()).size() < 2; ++i) QThread::msleep(10);
    ASSERT_EQ(Entries(out.Path()).size(), 2u) << signal;
    ::kill(static_cast<pid_t>(render.processId()), signal);
    ASSERT_TRUE(render.waitForFinished(20000));
    EXPECT_EQ(render.exitStatus(), QProcess::NormalExit) << signal;
    EXPECT_EQ(render.exitCode(), 130) << signal;
    EXPECT_EQ(render.readAllStandardError().toStdString(), "Rendering was cancelled; no file was written\n");
    EXPECT_EQ(Entries(out.Path()), std::vector<std::string>{"long.avs"}) << signal;
  }
}

}  // namespace
}  // namespace tandemix::test
