#include "script/ScriptGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/Errors.h"
#include "tests/support/FakeVideo.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

using test::CrLf;
using test::FileExists;
using test::ReadBytes;

class FakePrompt : public OutputNamePrompt {
 public:
  std::optional<std::string> answer;
  int asked = 0;
  std::string offered;
  std::optional<std::string> AskOutputName(const std::string& current) override {
    ++asked;
    offered = current;
    return answer;
  }
};

class FakeViewer : public ScriptViewer {
 public:
  int opened = 0;
  std::string script;
  int width = -1, height = -1;
  std::int64_t startMs = -1;
  void ViewerOpen(const std::string& s, int w, int h, std::int64_t ms) override {
    ++opened;
    script = s;
    width = w;
    height = h;
    startMs = ms;
  }
};

// The worked example: two 720 x 576 AVI clips of 250 frames, a FilterLeft
// template "Tweak(hue=SliderA)" and an Output template
// "StackHorizontal(ClipA,ClipB)", output named movie.avs.
class GeneratorTest : public ::testing::Test {
 protected:
  test::TempFolder templates;
  test::TempFolder clips;
  ProjectState project;
  AlignmentSettings alignment;
  ViewerState viewer;
  test::FakeVideoServices video;
  FakePrompt prompt;
  FakeViewer shown;
  ScriptGenerator generator{project, alignment, viewer, video, prompt, shown};

  std::string Clip(const std::string& name) const { return clips.File(name); }
  std::string Output() const { return clips.File("movie.avs"); }

  void SetUp() override {
    test::WriteBytes(templates.File("tweak.avt"), "Tweak(hue=SliderA)\r\n");
    test::WriteBytes(templates.File("stack.avt"), "StackHorizontal(ClipA,ClipB)");
    project.programFolder = templates.Path();
    project.clipAFileName = Clip("left.avi");
    project.clipBFileName = Clip("right.avi");
    project.leftClipWidth = project.rightClipWidth = 720;
    project.leftClipHeight = project.rightClipHeight = 576;
    project.leftFrameCount = project.rightFrameCount = 250;
    project.BlockAt(Block::FilterLeft) = {"tweak"};
    project.BlockAt(Block::Output) = {"stack"};
    prompt.answer = Output();
    MeasureViews(720, 576, 720, 576);
    video.Set(Output(), 1440, 576, 250, 25);
  }
  void MeasureViews(int lw, int lh, int rw, int rh) {
    video.Set(clips.File("movie_L.avs"), lw, lh, 250, 25);
    video.Set(clips.File("movie_R.avs"), rw, rh, 250, 25);
  }
  // Lines of the output script, split as they are read back.
  LineList OutputLines() const { return SplitLines(ReadBytes(Output())); }
};

// Cameras of 25 and 30 fps: unconformed, each clip is trimmed by its own
// frames for the same time; conformed, the right clip gets ChangeFPS and
// frames are frames. Sound comes from the right clip when the left has
// none.
TEST_F(GeneratorTest, CamerasOfDifferentRatesAreTrimmedInTime) {
  project.leftRate = 25.0;
  project.rightRate = 30.0;
  project.rightFrameCount = 300;
  project.outputScriptName = Output();
  const std::string right = Clip("right.avi");
  const struct {
    bool conform;
    int offset;
    LineList tail;
    int track;
  } rows[] = {
      {false, 10, {"ClipB = Trim(ClipB,12,0)", "ClipA = Trim(ClipA,0,239)"}, 240},
      {false, -10, {"ClipA = Trim(ClipA,10,0)", "ClipB = Trim(ClipB,0,287)"}, 240},
      {true, 10, {"ClipB = Trim(ClipB,10,0)", "ClipA = Trim(ClipA,0,239)"}, 240},
      {true, -10, {"ClipA = Trim(ClipA,10,0)", "ClipB = Trim(ClipB,0,239)"}, 240},
  };
  for (const auto& row : rows) {
    project.conformRate = row.conform;
    viewer.offset = {-200, 200, row.offset};
    alignment.regenerateHoldoff = 0;
    ASSERT_TRUE(generator.GenerateScripts(true));
    const LineList lines = OutputLines();
    const auto source = std::find(lines.begin(), lines.end(), "AVISource(\"" + right + "\")");
    ASSERT_NE(source, lines.end());
    EXPECT_EQ(*(source + 1), row.conform ? "ChangeFPS(ClipA)" : "ClipB = last") << row.offset;
    const auto trims = std::find(lines.begin(), lines.end(), row.tail[0]);
    ASSERT_NE(trims, lines.end()) << row.conform << " " << row.offset;
    EXPECT_EQ(*(trims + 1), row.tail[1]);
    EXPECT_EQ(viewer.track.maximum, row.track);
  }
  // No sound on the left, sound on the right: the right's plays.
  project.rightHasSound = true;
  alignment.regenerateHoldoff = 0;
  ASSERT_TRUE(generator.GenerateScripts(true));
  const LineList lines = OutputLines();
  const auto dub = std::find(lines.begin(), lines.end(), "ClipA = AudioDub(ClipA,ClipB)");
  ASSERT_NE(dub, lines.end());
  EXPECT_EQ(*(dub - 1), "ClipB = Trim(ClipB,0,239)");
  project.leftHasSound = true;
  alignment.regenerateHoldoff = 0;
  ASSERT_TRUE(generator.GenerateScripts(true));
  const LineList withLeftSound = OutputLines();
  EXPECT_EQ(std::count(withLeftSound.begin(), withLeftSound.end(), "ClipA = AudioDub(ClipA,ClipB)"), 0);
}

TEST_F(GeneratorTest, WorkedExampleByteForByte) {
  ASSERT_TRUE(generator.GenerateScripts(false));
  const std::string left = Clip("left.avi"), right = Clip("right.avi");
  const LineList sources = {"AVISource(\"" + left + "\")", "Tweak(hue=0)", "ClipA = last",
                            "AVISource(\"" + right + "\")", "ClipB = last"};
  LineList output = sources;
  output.push_back("StackHorizontal(ClipA,ClipB)");
  LineList preview = sources;
  preview.push_back("ClipA = ImageSource(\"" + clips.File("PreviewFile_L.bmp") + "\")");
  preview.push_back("ClipB = ImageSource(\"" + clips.File("PreviewFile_R.bmp") + "\")");
  preview.push_back("StackHorizontal(ClipA,ClipB)");
  LineList leftView = sources, rightView = sources;
  leftView.push_back("return(ClipA)");
  rightView.push_back("return(ClipB)");

  EXPECT_EQ(ReadBytes(Output()), CrLf(output));
  EXPECT_EQ(ReadBytes(clips.File("PreviewFile.avs")), CrLf(preview));
  EXPECT_EQ(ReadBytes(clips.File("movie_L.avs")), CrLf(leftView));
  EXPECT_EQ(ReadBytes(clips.File("movie_R.avs")), CrLf(rightView));
  EXPECT_EQ(generator.WrittenFiles(), (std::vector<std::string>{clips.File("movie_L.avs"), clips.File("movie_R.avs"),
                                                                Output(), clips.File("PreviewFile.avs"), Output()}));
  EXPECT_TRUE(project.alignmentLines.empty());
  EXPECT_FALSE(FileExists(clips.File("movie_Left.avs")));
  // Measured: view scripts, then the output script.
  EXPECT_EQ(video.measured, (std::vector<std::string>{clips.File("movie_L.avs"), clips.File("movie_R.avs"), Output()}));
  EXPECT_EQ(shown.opened, 1);
  EXPECT_EQ(shown.script, Output());
  EXPECT_EQ(shown.width, 1440);
  EXPECT_EQ(shown.height, 576);
  EXPECT_EQ(shown.startMs, 0);
  EXPECT_EQ(alignment.regenerateHoldoff, 5);
  EXPECT_EQ(viewer.track.maximum, 250);
  EXPECT_EQ(alignment.horizontal.maximum, 719);
  EXPECT_EQ(alignment.horizontal.minimum, -719);
  EXPECT_EQ(alignment.vertical.minimum, -575);
}

TEST_F(GeneratorTest, OffsetTrimsStandInEveryFile) {
  viewer.offset = {-248, 248, 3};
  ASSERT_TRUE(generator.GenerateScripts(false));
  const LineList trims = {"ClipB = Trim(ClipB,3,0)", "ClipA = Trim(ClipA,0,246)"};
  for (const auto& name : {"movie.avs", "PreviewFile.avs", "movie_L.avs", "movie_R.avs"}) {
    const LineList lines = SplitLines(ReadBytes(clips.File(name)));
    ASSERT_GE(lines.size(), 7u) << name;
    EXPECT_EQ(LineList(lines.begin() + 5, lines.begin() + 7), trims) << name;
  }
  EXPECT_EQ(viewer.track.minimum, 0);
  EXPECT_EQ(viewer.track.maximum, 247);
}

TEST_F(GeneratorTest, NegativeOffsetTrimsTheLeftStart) {
  project.rightFrameCount = 100;
  viewer.offset = {-98, 98, -5};
  ASSERT_TRUE(generator.GenerateScripts(false));
  const LineList lines = OutputLines();
  EXPECT_EQ(lines[5], "ClipA = Trim(ClipA,5,0)");
  EXPECT_EQ(lines[6], "ClipB = Trim(ClipB,0,94)");
  EXPECT_EQ(viewer.track.maximum, 95);
}

TEST_F(GeneratorTest, CancelledDialogWritesNothingAndKeepsTheName) {
  project.outputScriptName = Clip("left.avs");
  prompt.answer.reset();
  EXPECT_FALSE(generator.GenerateScripts(false));
  EXPECT_EQ(prompt.offered, Clip("left.avs"));
  EXPECT_FALSE(FileExists(Output()));
  EXPECT_FALSE(FileExists(Clip("left_L.avs")));
  EXPECT_EQ(shown.opened, 0);
  EXPECT_EQ(alignment.regenerateHoldoff, 0);
  // A regeneration uses the name from before, without asking.
  video.Set(Clip("left_L.avs"), 720, 576, 250, 25);
  video.Set(Clip("left_R.avs"), 720, 576, 250, 25);
  EXPECT_TRUE(generator.GenerateScripts(true));
  EXPECT_EQ(prompt.asked, 1);
  EXPECT_TRUE(FileExists(Clip("left.avs")));
}

TEST_F(GeneratorTest, HoldOffDropsRequestsUntilCountedDown) {
  ASSERT_TRUE(generator.GenerateScripts(false));
  std::remove(Output().c_str());
  for (int tick = 0; tick < 4; ++tick) {
    EXPECT_FALSE(generator.GenerateScripts(true));
    alignment.TickHoldoff();
  }
  EXPECT_FALSE(generator.GenerateScripts(true));
  EXPECT_FALSE(FileExists(Output()));
  alignment.TickHoldoff();
  EXPECT_EQ(alignment.regenerateHoldoff, 0);
  EXPECT_TRUE(generator.GenerateScripts(true));
  EXPECT_TRUE(FileExists(Output()));
  EXPECT_EQ(prompt.asked, 1);
}

TEST_F(GeneratorTest, RegenerationStartsTheViewerAtTheTrackFrame) {
  ASSERT_TRUE(generator.GenerateScripts(false));
  alignment.regenerateHoldoff = 0;
  viewer.track.position = 37;
  video.Set(clips.File("movie_L.avs"), 720, 576, 250, 30000.0 / 1001.0);
  ASSERT_TRUE(generator.GenerateScripts(true));
  EXPECT_EQ(shown.startMs, 1235);  // 37 * 1000 / 29.97 = 1234.57
  // Halves go to the even millisecond: 5 * 1000 / 400 = 12.5.
  alignment.regenerateHoldoff = 0;
  viewer.track.position = 5;
  video.Set(clips.File("movie_L.avs"), 720, 576, 250, 400);
  ASSERT_TRUE(generator.GenerateScripts(true));
  EXPECT_EQ(shown.startMs, 12);
}

TEST_F(GeneratorTest, AlignmentReachesEveryScript) {
  alignment.scaleText = "102";
  alignment.angleRText = "1.5";
  alignment.horizontal.position = 4;
  alignment.vertical.position = -2;
  alignment.swapViews = true;
  ASSERT_TRUE(generator.GenerateScripts(false));
  const LineList expected = {"ClipA=Lanczos4Resize(ClipA,734,588)",
                             "ClipB = AddBorders(ClipB,7,9,8,10)",
                             "ClipB=zoom(ClipB,angle=\"1.5\")",
                             "ClipB = AddBorders(ClipB,0,0,3,0)",
                             "ClipA = AddBorders(ClipA,4,1,0,6)",
                             "ClipC = ClipA",
                             "ClipA = ClipB",
                             "ClipB = ClipC"};
  EXPECT_EQ(project.alignmentLines, expected);
  LineList output = OutputLines();
  EXPECT_EQ(LineList(output.begin() + 5, output.begin() + 13), expected);
  EXPECT_EQ(output.back(), "StackHorizontal(ClipA,ClipB)");
  const LineList preview = SplitLines(ReadBytes(clips.File("PreviewFile.avs")));
  EXPECT_EQ(LineList(preview.begin() + 7, preview.begin() + 15), expected);
  // View scripts hold no alignment.
  EXPECT_EQ(SplitLines(ReadBytes(clips.File("movie_L.avs"))).size(), 6u);
}

TEST_F(GeneratorTest, FinalSizeFilesAndOutputSize) {
  alignment.useFinalSize = true;
  alignment.finalWidthText = "1280";
  alignment.finalHeightText = "720";
  video.Set(clips.File("movie_Left.avs"), 720, 576, 250, 25);
  video.Set(clips.File("movie_Right.avs"), 720, 576, 250, 25);
  ASSERT_TRUE(generator.GenerateScripts(false));
  const LineList finalLines = {"Crop(80,0,-80,-0)", "AddBorders(0,72,0,72)"};
  const LineList output = OutputLines();
  EXPECT_EQ(LineList(output.end() - 3, output.end()),
            (LineList{"StackHorizontal(ClipA,ClipB)", finalLines[0], finalLines[1]}));
  // Each final view file returns its own view, brought to the final size
  // about its centre as the output is; the lines before are the output's
  // before its Output block.
  const LineList left = SplitLines(ReadBytes(clips.File("movie_Left.avs")));
  const LineList right = SplitLines(ReadBytes(clips.File("movie_Right.avs")));
  ASSERT_EQ(left.size(), 7u);  // sources and filters, the view, its final-size line
  ASSERT_EQ(right.size(), 7u);
  EXPECT_EQ(LineList(left.end() - 2, left.end()), (LineList{"ClipA", "AddBorders(280,72,280,72)"}));
  EXPECT_EQ(LineList(right.end() - 2, right.end()), (LineList{"ClipB", "AddBorders(280,72,280,72)"}));
  EXPECT_EQ(LineList(left.begin(), left.end() - 2), LineList(output.begin(), output.end() - 3));
  EXPECT_EQ(LineList(right.begin(), right.end() - 2), LineList(output.begin(), output.end() - 3));
  EXPECT_EQ(shown.width, 1280);
  EXPECT_EQ(shown.height, 720);
  // Each view file is written, measured, then finished.
  EXPECT_EQ(generator.WrittenFiles(),
            (std::vector<std::string>{clips.File("movie_L.avs"), clips.File("movie_R.avs"), Output(),
                                      clips.File("movie_Left.avs"), clips.File("movie_Left.avs"),
                                      clips.File("movie_Right.avs"), clips.File("movie_Right.avs"),
                                      clips.File("PreviewFile.avs"), Output()}));
}

// Views measured as YV12 get their conversions in every script that holds
// the alignment lines; a YV12 output with odd final-size numbers is
// converted before them, in the output, the preview and both final files.
TEST_F(GeneratorTest, SubsampledViewsAndOutputAreConvertedWhereNumbersAreOdd) {
  video.Set(clips.File("movie_L.avs"), 720, 576, 250, 25, PixelType::YV12);
  video.Set(clips.File("movie_R.avs"), 720, 576, 250, 25, PixelType::YV12);
  video.Set(Output(), 1476, 595, 250, 25, PixelType::YV12);
  video.Set(clips.File("movie_Left.avs"), 738, 597, 250, 25, PixelType::YV12);
  video.Set(clips.File("movie_Right.avs"), 738, 597, 250, 25, PixelType::YV12);
  alignment.scaleText = "102";
  alignment.angleRText = "1.5";
  alignment.horizontal.position = 4;
  alignment.vertical.position = -2;
  alignment.useFinalSize = true;
  alignment.finalWidthText = "1280";
  alignment.finalHeightText = "720";
  ASSERT_TRUE(generator.GenerateScripts(false));
  const LineList expected = {"ClipA = ConvertToYV24(ClipA)",     "ClipA=Lanczos4Resize(ClipA,734,588)",
                             "ClipB = ConvertToYV24(ClipB)",     "ClipB = AddBorders(ClipB,7,9,8,10)",
                             "ClipB=zoom(ClipB,angle=\"1.5\")",  "ClipB = AddBorders(ClipB,0,0,3,0)",
                             "ClipA = AddBorders(ClipA,4,1,0,6)"};
  EXPECT_EQ(project.alignmentLines, expected);
  const LineList output = OutputLines();
  ASSERT_EQ(output.size(), 16u);
  EXPECT_EQ(LineList(output.begin() + 5, output.begin() + 12), expected);
  const LineList finalLines = {"ConvertToYV24()", "Crop(98,0,-98,-0)", "AddBorders(0,62,0,63)"};
  EXPECT_EQ(LineList(output.end() - 3, output.end()), finalLines);
  const LineList preview = SplitLines(ReadBytes(clips.File("PreviewFile.avs")));
  EXPECT_EQ(LineList(preview.begin() + 7, preview.begin() + 14), expected);
  EXPECT_EQ(LineList(preview.end() - 3, preview.end()), finalLines);
  // The aligned views measure 738 x 597 in YV12: odd borders need YV24.
  const LineList leftFinal = SplitLines(ReadBytes(clips.File("movie_Left.avs")));
  const LineList rightFinal = SplitLines(ReadBytes(clips.File("movie_Right.avs")));
  ASSERT_EQ(leftFinal.size(), 15u);
  EXPECT_EQ(LineList(leftFinal.begin() + 5, leftFinal.begin() + 12), expected);
  EXPECT_EQ(LineList(leftFinal.end() - 3, leftFinal.end()),
            (LineList{"ClipA", "ConvertToYV24()", "AddBorders(271,61,271,62)"}));
  EXPECT_EQ(LineList(rightFinal.end() - 3, rightFinal.end()),
            (LineList{"ClipB", "ConvertToYV24()", "AddBorders(271,61,271,62)"}));
  EXPECT_EQ(shown.width, 1280);
}

TEST_F(GeneratorTest, UnmeasurableOutputPadsTheWholeFinalSize) {
  alignment.useFinalSize = true;
  video.Set(Output(), 0, 0, 0, 1);
  ASSERT_TRUE(generator.GenerateScripts(false));
  EXPECT_EQ(OutputLines().back(), "AddBorders(360,288,360,288)");
  EXPECT_EQ(project.outputWidth, 720);
}

TEST_F(GeneratorTest, BadNumbersStopTheRunBeforeAnyFile) {
  for (auto edit : {&AlignmentSettings::scaleText, &AlignmentSettings::angleRText}) {
    AlignmentSettings saved = alignment;
    alignment.*edit = "1O2";
    try {
      generator.GenerateScripts(false);
      FAIL();
    } catch (const TandemixError& e) {
      EXPECT_STREQ(e.what(), "'1O2' is not a valid floating point value");
    }
    alignment = saved;
  }
  alignment.useFinalSize = true;
  alignment.finalHeightText = "57x";
  EXPECT_THROW(generator.GenerateScripts(false), TandemixError);
  EXPECT_FALSE(FileExists(clips.File("movie_L.avs")));
  EXPECT_FALSE(FileExists(Output()));
  EXPECT_EQ(alignment.regenerateHoldoff, 0);
  EXPECT_EQ(shown.opened, 0);
}

// Every template the run reads is checked before the
// first file is written.
TEST_F(GeneratorTest, MissingTemplateIsFoundBeforeAnyFile) {
  project.BlockAt(Block::Output) = {"stack", "gone"};
  try {
    generator.GenerateScripts(false);
    FAIL();
  } catch (const TandemixError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + templates.File("gone.avt"));
  }
  EXPECT_FALSE(FileExists(clips.File("movie_L.avs")));
  EXPECT_FALSE(FileExists(clips.File("movie_R.avs")));
  EXPECT_FALSE(FileExists(Output()));
  EXPECT_FALSE(FileExists(clips.File("PreviewFile.avs")));
  EXPECT_EQ(alignment.regenerateHoldoff, 0);
  EXPECT_EQ(shown.opened, 0);
  // A template in a block this run does not read is not asked for.
  project.BlockAt(Block::Output) = {"stack"};
  project.BlockAt(Block::Preview) = {"gone"};
  project.BlockAt(Block::Convert) = {"gone too"};
  EXPECT_TRUE(generator.GenerateScripts(false));
  alignment.regenerateHoldoff = 0;
  // A name that reaches outside the template folder is refused too.
  project.BlockAt(Block::FilterRight) = {"../clips/evil"};
  try {
    generator.GenerateScripts(false);
    FAIL();
  } catch (const TandemixError& e) {
    EXPECT_EQ(std::string(e.what()),
              "The template \"../clips/evil\" cannot be used, but a template name may not hold '/' or '\\' nor be "
              "'.' or '..': templates are read only from the template folder.");
  }
}

// The boxes' values that make no script are refused with
// the compositor's words before any file is written, in the window program
// as in tandemix-cli (both run the generator).
TEST_F(GeneratorTest, ValuesThatMakeNoScriptStopTheRunBeforeAnyFile) {
  struct Case {
    std::string AlignmentSettings::*box;
    std::string text;
    std::string message;
  };
  const Case cases[] = {
      {&AlignmentSettings::scaleText, "-100", "The scale of the left view must be above 0 %; it is -100 %."},
      {&AlignmentSettings::scaleRText, "0", "The scale of the right view must be above 0 %; it is 0 %."},
      {&AlignmentSettings::scaleText, "1e-300",
       "The scale of the left view is 1E-300 %; no view of at most 16384 pixels a side can be scaled by it."},
      {&AlignmentSettings::scaleRText, "1e308",
       "The scale of the right view is 1E308 %; no view of at most 16384 pixels a side can be scaled by it."},
      {&AlignmentSettings::finalWidthText, "0", "The final frame would be 0 x 576 pixels; it needs at least 1 x 1."},
      {&AlignmentSettings::finalHeightText, "-2147483648",
       "The final frame would be 720 x -2147483648 pixels; it needs at least 1 x 1."},
      {&AlignmentSettings::finalWidthText, "20000",
       "The final frame would be 20000 x 576 pixels; no side may exceed 16384."},
  };
  for (const Case& c : cases) {
    AlignmentSettings saved = alignment;
    alignment.useFinalSize = true;
    alignment.*c.box = c.text;
    try {
      generator.GenerateScripts(false);
      ADD_FAILURE() << c.text;
    } catch (const TandemixError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
    alignment = saved;
  }
  alignment.vertical = {INT32_MIN, INT32_MAX, INT32_MIN};
  try {
    generator.GenerateScripts(false);
    ADD_FAILURE();
  } catch (const TandemixError& e) {
    EXPECT_EQ(std::string(e.what()), "The vertical shift is -2147483648 pixels; it must be between -16383 and 16383.");
  }
  EXPECT_FALSE(FileExists(clips.File("movie_L.avs")));
  EXPECT_FALSE(FileExists(Output()));
  EXPECT_EQ(shown.opened, 0);
}

TEST_F(GeneratorTest, UnwritableFolderIsReported) {
  prompt.answer = clips.File("no/such/movie.avs");
  try {
    generator.GenerateScripts(false);
    FAIL();
  } catch (const TandemixError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + clips.File("no/such/movie_L.avs"));
  }
}

TEST_F(GeneratorTest, UnsafePathsAreRefusedBeforeWriting) {
  project.clipAFileName = Clip("le\"ft.avi");
  EXPECT_THROW(generator.GenerateScripts(false), TandemixError);
  EXPECT_FALSE(FileExists(clips.File("movie_L.avs")));
}

TEST_F(GeneratorTest, ViewWithoutSizeCannotBeTilted) {
  MeasureViews(0, 0, 720, 576);
  alignment.angleText = "2";
  alignment.horizontal = {-10, 10, 0};
  EXPECT_THROW(generator.GenerateScripts(false), TandemixError);
  EXPECT_EQ(shown.opened, 0);
  // The empty shift range (both views 0 wide would give -1..1 reversed) is
  // not taken: the old range stays.
  MeasureViews(0, 0, 0, 0);
  alignment.angleText = "0";
  alignment.horizontal = {-10, 10, 0};
  ASSERT_TRUE(generator.GenerateScripts(false));
  EXPECT_EQ(alignment.horizontal.minimum, -10);
  EXPECT_EQ(alignment.horizontal.maximum, 10);
}

TEST(ScriptNames, DerivedBesideTheOutput) {
  const ScriptNames n = DeriveScriptNames("/a.avs");
  EXPECT_EQ(n.leftView, "/a_L.avs");
  EXPECT_EQ(n.rightView, "/a_R.avs");
  EXPECT_EQ(n.leftFinal, "/a_Left.avs");
  EXPECT_EQ(n.rightFinal, "/a_Right.avs");
  EXPECT_EQ(n.preview, "//PreviewFile.avs");  // the root keeps its separator
  EXPECT_EQ(n.leftImage, "//PreviewFile_L.bmp");
  const ScriptNames m = DeriveScriptNames("/clips/my movie.avs");
  EXPECT_EQ(m.preview, "/clips/PreviewFile.avs");
  EXPECT_EQ(m.rightImage, "/clips/PreviewFile_R.bmp");
}

TEST(OpenPreview, RefusesWithoutNeededClips) {
  ProjectState p;
  EXPECT_EQ(CheckOpenPreview(p).Why(), "Please, load video clip(s) before preview!");
  p.leftClipWidth = 720;
  p.leftClipHeight = 576;
  EXPECT_EQ(CheckOpenPreview(p).Why(), "Please, load right video clip before preview!");
  p.importStereo = true;
  EXPECT_TRUE(CheckOpenPreview(p).Passed());
  ProjectState custom;
  custom.fileType = FileType::Custom;
  EXPECT_TRUE(CheckOpenPreview(custom).Passed());
  custom.fileType = FileType::Picture;
  EXPECT_TRUE(CheckOpenPreview(custom).Passed());
}

}  // namespace
}  // namespace tandemix
