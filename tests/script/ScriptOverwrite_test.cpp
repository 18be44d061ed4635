// A run never writes over a script the user edited, or one another session
// wrote (it may hold an alignment this one does not know), without asking.
#include <gtest/gtest.h>

#include "script/ScriptGenerator.h"
#include "tests/support/FakeVideo.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

using test::ReadBytes;
using test::WriteBytes;

class AskingPrompt : public OutputNamePrompt {
 public:
  std::string answer;
  bool overwrite = false;
  std::vector<std::string> questions;
  std::optional<std::string> AskOutputName(const std::string&) override { return answer; }
  bool ConfirmOverwrite(const std::string& question) override {
    questions.push_back(question);
    return overwrite;
  }
};

class NoViewer : public ScriptViewer {
 public:
  void ViewerOpen(const std::string&, int, int, std::int64_t) override {}
};

class OverwriteTest : public ::testing::Test {
 protected:
  test::TempFolder folder;
  ProjectState project;
  AlignmentSettings alignment;
  ViewerState viewer;
  test::FakeVideoServices video;
  AskingPrompt prompt;
  NoViewer shown;

  void SetUp() override {
    WriteBytes(folder.File("stack.avt"), "StackHorizontal(ClipA,ClipB)");
    project.programFolder = folder.Path();
    project.clipAFileName = folder.File("left.avi");
    project.clipBFileName = folder.File("right.avi");
    project.leftFrameCount = project.rightFrameCount = 100;
    project.BlockAt(Block::Output) = {"stack"};
    prompt.answer = Output();
    for (const char* view : {"movie_L.avs", "movie_R.avs"}) video.Set(folder.File(view), 320, 240, 100, 25);
    video.Set(Output(), 640, 240, 100, 25);
  }
  std::string Output() const { return folder.File("movie.avs"); }
  bool Run(ScriptGenerator& generator, bool regenerate = false) {
    alignment.regenerateHoldoff = 0;
    return generator.GenerateScripts(regenerate);
  }
};

TEST_F(OverwriteTest, ScriptsOfThisSessionAreWrittenOverWithoutAsking) {
  ScriptGenerator generator(project, alignment, viewer, video, prompt, shown);
  ASSERT_TRUE(Run(generator));
  const std::string first = ReadBytes(Output());
  alignment.vertical.SetPosition(8);
  ASSERT_TRUE(Run(generator, true));
  EXPECT_NE(ReadBytes(Output()), first);
  ASSERT_TRUE(Run(generator));
  EXPECT_TRUE(prompt.questions.empty());
}

TEST_F(OverwriteTest, AnEditedScriptIsKeptUnlessTheUserAgrees) {
  ScriptGenerator generator(project, alignment, viewer, video, prompt, shown);
  ASSERT_TRUE(Run(generator));
  const std::string edited = ReadBytes(Output()) + "Levels(0,1.2,255,0,255)\r\n";
  WriteBytes(Output(), edited);
  const std::string leftView = ReadBytes(folder.File("movie_L.avs"));

  EXPECT_FALSE(Run(generator, true));
  ASSERT_EQ(prompt.questions.size(), 1u);
  EXPECT_EQ(prompt.questions[0],
            "These scripts were changed since Tandemix last wrote them:\n" + Output() + "\n\nWrite over them?");
  EXPECT_EQ(ReadBytes(Output()), edited) << "refused: nothing written";
  EXPECT_EQ(ReadBytes(folder.File("movie_L.avs")), leftView);

  prompt.overwrite = true;
  EXPECT_TRUE(Run(generator, true));
  EXPECT_EQ(prompt.questions.size(), 2u);
  EXPECT_EQ(ReadBytes(Output()).find("Levels"), std::string::npos);
}

TEST_F(OverwriteTest, ScriptsOfAnotherSessionNeedTheirRecordOrAnAnswer) {
  alignment.angleText = "1.5";
  ScriptRecord record;
  {
    ScriptGenerator earlier(project, alignment, viewer, video, prompt, shown);
    ASSERT_TRUE(Run(earlier));
    record = earlier.KnownScripts();
  }
  EXPECT_EQ(record.size(), 4u) << "output, preview and the two views";
  const std::string aligned = ReadBytes(Output());

  // A new session that knows nothing of them asks, naming every script.
  alignment.angleText = "0";
  ScriptGenerator fresh(project, alignment, viewer, video, prompt, shown);
  EXPECT_FALSE(Run(fresh));
  ASSERT_EQ(prompt.questions.size(), 1u);
  EXPECT_EQ(prompt.questions[0],
            "These scripts were not written in this session and may hold an alignment it does not know:\n" + Output() +
                "\n" + folder.File("movie_L.avs") + "\n" + folder.File("movie_R.avs") + "\n\nWrite over them?");
  EXPECT_EQ(ReadBytes(Output()), aligned);

  // With the record a saved project keeps, it goes on without a word.
  ScriptGenerator reopened(project, alignment, viewer, video, prompt, shown);
  reopened.SetKnownScripts(record);
  EXPECT_TRUE(Run(reopened));
  EXPECT_EQ(prompt.questions.size(), 1u);
}

TEST_F(OverwriteTest, FinalSizeScriptsAreGuardedWhenTheRunWritesThem) {
  alignment.useFinalSize = true;
  alignment.finalWidthText = "320";
  alignment.finalHeightText = "120";
  ScriptGenerator generator(project, alignment, viewer, video, prompt, shown);
  ASSERT_TRUE(Run(generator));
  WriteBytes(folder.File("movie_Right.avs"), "# mine\r\n");
  EXPECT_FALSE(Run(generator));
  ASSERT_EQ(prompt.questions.size(), 1u);
  EXPECT_NE(prompt.questions[0].find(folder.File("movie_Right.avs")), std::string::npos);
  // Without the final size the run does not touch them, so it does not ask.
  alignment.useFinalSize = false;
  EXPECT_TRUE(Run(generator));
  EXPECT_EQ(prompt.questions.size(), 1u);
  EXPECT_EQ(ReadBytes(folder.File("movie_Right.avs")), "# mine\r\n");
}

}  // namespace
}  // namespace tandemix
