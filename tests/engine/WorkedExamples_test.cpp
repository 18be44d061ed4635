// The alignment and final-size examples, written as the scripts the
// generator writes over generated 720 x 576 clips, measure at the sizes the
// alignment arithmetic expects; measuring decodes nothing.
#include <QFile>

#include "base/TextFile.h"
#include "platform/DefaultVideoServices.h"
#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

class WorkedExamples : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempFolder;
    ASSERT_TRUE(MakeTestVideo(Left(), 720, 576, 2));
    ASSERT_TRUE(MakeTestVideo(Right(), 720, 576, 2));
    ASSERT_TRUE(MakeTestVideo(folder_->File("short left.avi"), 64, 48, 250));
    ASSERT_TRUE(MakeTestVideo(folder_->File("short right.avi"), 64, 48, 250));
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static std::string Left() { return folder_->File("left view.avi"); }
  static std::string Right() { return folder_->File("right view.avi"); }

  // Sources and view variables as the generator writes them for two AVI files.
  static LineList Sources(const std::string& left = Left(), const std::string& right = Right()) {
    return {"AVISource(\"" + left + "\")", "ClipA = last", "AVISource(\"" + right + "\")", "ClipB = last"};
  }

  VideoInfo Measure(const LineList& lines, const std::string& name = "movie.avs") {
    const std::string path = folder_->File(name);
    WriteTextLines(path, lines);
    return video_.ReadVideoInfo(path);
  }

  static LineList Join(LineList a, const LineList& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  }

  static TempFolder* folder_;
  DefaultVideoServices video_;
};
TempFolder* WorkedExamples::folder_ = nullptr;

// The test videos decode as YV12, and the examples need odd numbers on both
// views, so the generator converts each view to YV24 before its first line.
const LineList kAlignmentWithoutAutoCrop = {"ClipA = ConvertToYV24(ClipA)",
                                            "ClipA=Lanczos4Resize(ClipA,734,588)",
                                            "ClipB = ConvertToYV24(ClipB)",
                                            "ClipB = AddBorders(ClipB,7,9,8,10)",
                                            "ClipB=zoom(ClipB,angle=\"1.5\")",
                                            "ClipB = AddBorders(ClipB,0,0,3,0)",
                                            "ClipA = AddBorders(ClipA,4,1,0,6)",
                                            "ClipC = ClipA",
                                            "ClipA = ClipB",
                                            "ClipB = ClipC"};

const LineList kAlignmentWithAutoCrop = {"ClipA = ConvertToYV24(ClipA)",
                                         "ClipA=Lanczos4Resize(ClipA,734,588)",
                                         "ClipB = ConvertToYV24(ClipB)",
                                         "ClipB=zoom(ClipB,angle=\"1.5\")",
                                         "ClipB = Crop(ClipB,11,9,-12,-9)",
                                         "ClipA = Crop(ClipA,14,17,-23,-13)",
                                         "ClipC = ClipA",
                                         "ClipA = ClipB",
                                         "ClipB = ClipC"};

// The same lines without the conversions, as written for RGB views.
LineList WithoutConversions(const LineList& lines) {
  LineList kept;
  for (const std::string& line : lines)
    if (line.find("ConvertToYV24") == std::string::npos) kept.push_back(line);
  return kept;
}

TEST_F(WorkedExamples, ViewScriptsMeasureTheSourceSize) {
  const VideoInfo left = Measure(Join(Sources(), {"return(ClipA)"}), "movie_L.avs");
  EXPECT_TRUE(left.Ok()) << left.error;
  EXPECT_EQ(left.width, 720);
  EXPECT_EQ(left.height, 576);
  EXPECT_EQ(left.frameCount, 2);
  EXPECT_DOUBLE_EQ(left.rate, 25.0);
  EXPECT_EQ(left.pixelType, PixelType::YV12);
  // The media file itself measures in the type its decoder delivers.
  EXPECT_EQ(video_.ReadVideoInfo(Left()).pixelType, PixelType::YV12);
  const VideoInfo rgb = Measure(Join(Sources(), {"ConvertToRGB32(ClipB)"}));
  EXPECT_EQ(rgb.pixelType, PixelType::RGB32);
}

TEST_F(WorkedExamples, AlignmentWithoutAutoCropEndsWithBothViewsAt738x595) {
  for (const char* view : {"return(ClipA)", "return(ClipB)"}) {
    SCOPED_TRACE(view);
    const VideoInfo info = Measure(Join(Join(Sources(), kAlignmentWithoutAutoCrop), {view}));
    EXPECT_TRUE(info.Ok()) << info.error;
    EXPECT_EQ(info.width, 738);
    EXPECT_EQ(info.height, 595);
  }
  // Without the conversions the YV12 views refuse the odd borders.
  const VideoInfo refused = Measure(Join(Join(Sources(), WithoutConversions(kAlignmentWithoutAutoCrop)), {"ClipA"}));
  EXPECT_EQ(refused.width, 0);
  EXPECT_EQ(refused.error.substr(0, refused.error.find('\n')),
            "AddBorders: YUV image can only add by Mod 2 (left side).");
  // Before the pairing lines the tilted right view is the bounding box 735 x 595.
  const LineList tilted = {"ClipB = ConvertToYV24(ClipB)", "ClipB = AddBorders(ClipB,7,9,8,10)",
                           "ClipB=zoom(ClipB,angle=\"1.5\")", "return(ClipB)"};
  const VideoInfo box = Measure(Join(Sources(), tilted));
  EXPECT_EQ(box.width, 735);
  EXPECT_EQ(box.height, 595);
}

TEST_F(WorkedExamples, AlignmentWithAutoCropEndsWithBothViewsAt697x558) {
  for (const char* view : {"return(ClipA)", "return(ClipB)"}) {
    SCOPED_TRACE(view);
    const VideoInfo info = Measure(Join(Join(Sources(), kAlignmentWithAutoCrop), {view}));
    EXPECT_TRUE(info.Ok()) << info.error;
    EXPECT_EQ(info.width, 697);
    EXPECT_EQ(info.height, 558);
    EXPECT_EQ(info.pixelType, PixelType::YV24);
  }
  const VideoInfo refused = Measure(Join(Join(Sources(), WithoutConversions(kAlignmentWithAutoCrop)), {"ClipA"}));
  EXPECT_EQ(refused.error.substr(0, refused.error.find('\n')),
            "Crop: YUV image can only be cropped by Mod 2 (left side).");
  // The views are rendered, not only measured: a frame of each decodes at that size.
  const std::string path = folder_->File("movie_R.avs");
  WriteTextLines(path, Join(Join(Sources(), kAlignmentWithAutoCrop), {"return(ClipB)"}));
  const FrameBGR frame = video_.DecodeFrame(path, 1);
  EXPECT_EQ(frame.width, 697);
  EXPECT_EQ(frame.height, 558);
}

TEST_F(WorkedExamples, FinalSizeLinesGiveTheFinalSizes) {
  const LineList output = Join(Sources(), {"StackHorizontal(ClipA,ClipB)"});
  const VideoInfo measured = Measure(output);
  EXPECT_EQ(measured.width, 1440);
  EXPECT_EQ(measured.height, 576);
  const VideoInfo hd = Measure(Join(output, {"Crop(80,0,-80,-0)", "AddBorders(0,72,0,72)"}));
  EXPECT_TRUE(hd.Ok()) << hd.error;
  EXPECT_EQ(hd.width, 1280);
  EXPECT_EQ(hd.height, 720);
  const VideoInfo narrower = Measure(Join(Sources(), {"ClipA", "Crop(8,0,-8,-0)"}));
  EXPECT_EQ(narrower.width, 704);
  EXPECT_EQ(narrower.height, 576);
  const VideoInfo padded = Measure(Join(Sources(), {"Lanczos4Resize(ClipA,700,500)", "AddBorders(10,38,10,38)"}));
  EXPECT_EQ(padded.width, 720);
  EXPECT_EQ(padded.height, 576);
  // A pad line with negative sides (a 90 degree tilt without Auto crop)
  // pads only where its numbers are positive.
  const VideoInfo turned = Measure(Join(Sources(), {"ClipA = AddBorders(ClipA,-72,72,-72,72)", "return(ClipA)"}));
  EXPECT_EQ(turned.width, 720);
  EXPECT_EQ(turned.height, 720);
}

TEST_F(WorkedExamples, GeneratorExampleScriptsAndOffsetTrims) {
  const std::string l = folder_->File("short left.avi");
  const std::string r = folder_->File("short right.avi");
  const LineList output = {"AVISource(\"" + l + "\")", "Tweak(hue=0)", "ClipA = last",
                           "AVISource(\"" + r + "\")", "ClipB = last", "StackHorizontal(ClipA,ClipB)"};
  const VideoInfo info = Measure(output);
  EXPECT_EQ(info.width, 128);
  EXPECT_EQ(info.height, 48);
  EXPECT_EQ(info.frameCount, 250);
  LineList trimmed(output.begin(), output.end() - 1);
  trimmed.insert(trimmed.end(),
                 {"ClipB = Trim(ClipB,3,0)", "ClipA = Trim(ClipA,0,246)", "StackHorizontal(ClipA,ClipB)"});
  EXPECT_EQ(Measure(trimmed).frameCount, 247);
  // The preview script reads the captured pictures in place of the views.
  SaveBmp24(folder_->File("PreviewFile_L.bmp"), FrameBGR(64, 48));
  SaveBmp24(folder_->File("PreviewFile_R.bmp"), FrameBGR(64, 48));
  LineList preview(output.begin(), output.end() - 1);
  preview.insert(preview.end(), {"ClipA = ImageSource(\"" + folder_->File("PreviewFile_L.bmp") + "\")",
                                 "ClipB = ImageSource(\"" + folder_->File("PreviewFile_R.bmp") + "\")",
                                 "StackHorizontal(ClipA,ClipB)"});
  const VideoInfo still = Measure(preview, "PreviewFile.avs");
  EXPECT_EQ(still.width, 128);
  EXPECT_EQ(still.frameCount, 1001);
  EXPECT_DOUBLE_EQ(still.rate, 24.0);
}

TEST_F(WorkedExamples, AScriptWithAnErrorMeasuresZeroWithTheReason) {
  const VideoInfo info = Measure(Join(Sources(), {"ClipB=zoom2(ClipB,angle=\"1.5\")", "return(ClipB)"}));
  EXPECT_EQ(info.width, 0);
  EXPECT_EQ(info.height, 0);
  EXPECT_EQ(info.frameCount, 0);
  EXPECT_EQ(info.rate, 1.0);
  EXPECT_EQ(info.error,
            "Script error: There is no function named 'zoom2'.\n(" + folder_->File("movie.avs") + ", line 5)");
  const VideoInfo missing = Measure({"AVISource(\"" + folder_->File("gone.avi") + "\")"});
  EXPECT_EQ(missing.width, 0);
  EXPECT_EQ(missing.error,
            "AVISource: Cannot open " + folder_->File("gone.avi") + "\n(" + folder_->File("movie.avs") + ", line 1)");
  const VideoInfo none = video_.ReadVideoInfo(folder_->File("no script.avs"));
  EXPECT_EQ(none.error, "Cannot open file " + folder_->File("no script.avs"));
}

// The generator's own lines, written by tandemix-cli generate, evaluate to
// the expected view sizes.
TEST_F(WorkedExamples, GeneratedScriptsEvaluate) {
  const std::string out = folder_->File("generated.avs");
  const CommandResult run =
      RunCli({"generate", out, "--left", Left(), "--right", Right(), "--file-type", "avi", "--scale-left", "102",
              "--angle-right", "1.5", "--shift-h", "4", "--shift-v", "-2", "--swap"});
  // Without an Output template the output script ends in an assignment and
  // returns no clip: generate writes it and says so.
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "The script's return value was not a video clip, (Is the undefined value).\n(" + out + ")\n");
  ASSERT_TRUE(FileExists(out));
  LineList lines = ReadTextLines(out);
  lines.push_back("return(ClipA)");
  const VideoInfo left = Measure(lines, "generated_check.avs");
  EXPECT_TRUE(left.Ok()) << left.error;
  EXPECT_EQ(left.width, 738);
  EXPECT_EQ(left.height, 595);
  const VideoInfo view = video_.ReadVideoInfo(folder_->File("generated_R.avs"));
  EXPECT_EQ(view.width, 720);
  EXPECT_EQ(view.height, 576);
}

}  // namespace
}  // namespace tandemix::test
