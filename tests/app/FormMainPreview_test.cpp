// "Open preview" from the main window on real clips: the generator writes
// the scripts through the real video services and opens the viewer.
#include "platform/DefaultVideoServices.h"
#include "tests/app/MainWindowFixture.h"

namespace tandemix::test {
namespace {

TEST(MainWindowPreviewTest, OpenPreviewWritesScriptsForTwoLoadedClips) {
  TempFolder program;
  TempFolder media;
  WriteBytes(program.File("SideBySide_Output.avt"), "StackHorizontal(ClipA,ClipB)\r\n");
  const std::string left = media.File("left clip.avi");
  const std::string right = media.File("right clip.avi");
  ASSERT_TRUE(MakeTestVideo(left, 64, 48, 5));
  ASSERT_TRUE(MakeTestVideo(right, 64, 48, 8));

  ProjectState project;
  AlignmentSettings alignment;
  ViewerState viewer;
  DefaultVideoServices video;
  FakePrompts prompts;
  FakeShell shell;
  FakeScriptViewer scriptViewer;
  ScriptGenerator generator(project, alignment, viewer, video, prompts, scriptViewer);
  TForm_Main window({project, viewer, video, generator, prompts, shell, program.Path()});

  prompts.files = {left, right};
  QTest::mouseClick(window.findChild<QAbstractButton*>("Button_Load"), Qt::LeftButton);
  ASSERT_TRUE(prompts.messages.empty()) << prompts.messages.front().text;
  EXPECT_EQ(project.leftClipWidth, 64);
  EXPECT_EQ(project.rightFrameCount, 8);
  EXPECT_EQ(viewer.offset.maximum, 3);

  QTest::mousePress(window.findChild<TBlockPanel*>("Panel9"), Qt::LeftButton, {}, QPoint(20, 20));
  QTest::mouseClick(window.findChild<QAbstractButton*>("BitBtn1"), Qt::LeftButton);
  EXPECT_EQ(project.BlockAt(Block::Output), std::vector<std::string>{"SideBySide_Output"});

  prompts.outputName = media.File("out.avs");
  QTest::mouseClick(window.findChild<QAbstractButton*>("Button1"), Qt::LeftButton);
  ASSERT_TRUE(prompts.errors.empty()) << prompts.errors.front();
  EXPECT_EQ(prompts.outputNameOffers, std::vector<std::string>{media.File("left clip.avs")});
  EXPECT_EQ(scriptViewer.openedScripts, std::vector<std::string>{media.File("out.avs")});
  EXPECT_NE(ReadBytes(media.File("out.avs")).find("StackHorizontal(ClipA,ClipB)\r\n"), std::string::npos);
  EXPECT_TRUE(FileExists(media.File("out_L.avs")));
  EXPECT_TRUE(FileExists(media.File("PreviewFile.avs")));
  EXPECT_EQ(project.outputWidth, 128);
  EXPECT_EQ(project.outputHeight, 48);
}

}  // namespace
}  // namespace tandemix::test
