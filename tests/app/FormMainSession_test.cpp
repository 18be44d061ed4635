// The user's work survives: a project saved with its clips, offset and
// alignment opens whole in a new run; unsaved changes are never lost without
// a question; new clips start from a clean alignment.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include "desktop/SettingsStore.h"
#include "project/ProjectFile.h"
#include "tests/app/MainWindowFixture.h"

namespace tandemix::test {
namespace {

using Names = std::vector<std::string>;

class SessionWindowTest : public MainWindowTest {
 protected:
  TempFolder media;
  std::string left, right;

  void SetUp() override {
    left = media.File("left cam.avi");
    right = media.File("right cam.avi");
    WriteBytes(left, "x");
    WriteBytes(right, "x");
    video.Set(left, 640, 480, 100);
    video.Set(right, 640, 480, 90);
  }
  void LoadClips() {
    prompts.files.push_back(left);
    prompts.files.push_back(right);
    Click("Button_Load");
  }
  void SaveAs(const std::string& path) {
    prompts.files.push_back(path);
    Click("Button_SaveProject");
  }
  std::string Title() {
    window->RefreshTitle();
    return window->windowTitle().toStdString();
  }
  // The work of one sitting: clips, offset, alignment, sliders, final size
  // and a block.
  void Work() {
    WriteTemplate("Sharpen");
    Open();
    LoadClips();
    viewer.offset.SetPosition(-7);
    alignment.horizontal.SetPosition(14);
    alignment.vertical.SetPosition(-6);
    alignment.scaleText = "101.5";
    alignment.angleRText = "1";
    alignment.useFinalSize = true;
    alignment.finalWidthText = "1280";
    alignment.finalHeightText = "720";
    alignment.swapViews = true;
    alignment.sliderAValue = 3;
    project.outputScriptName = media.File("holiday.avs");
    PressPanel(4);
    SelectTemplate("Sharpen");
    Click("BitBtn1");
  }
};

TEST_F(SessionWindowTest, ASavedProjectOpensWholeInTheNextRun) {
  Work();
  const std::string avp = media.File("holiday.avp");
  SaveAs(avp);
  ASSERT_TRUE(prompts.errors.empty()) << prompts.errors.front();
  // The .avp is exactly what it always was; the rest lies beside it.
  EXPECT_EQ(ReadBytes(avp), JoinLinesCrLf(ProjectFileLines(project)));
  ASSERT_TRUE(FileExists(avp + ".session"));

  // The next run: everything new.
  ProjectState project2;
  AlignmentSettings alignment2;
  ViewerState viewer2;
  FakePrompts prompts2;
  ScriptGenerator generator2{project2, alignment2, viewer2, video, prompts2, scriptViewer};
  int followed = 0;
  MainWindowContext context{project2, viewer2, video, generator2, prompts2, shell, folder.Path()};
  context.alignment = &alignment2;
  context.alignmentChanged = [&followed] { ++followed; };
  TForm_Main next(context);
  next.OpenProject(avp);
  EXPECT_TRUE(prompts2.messages.empty()) << prompts2.messages.front().text;
  EXPECT_TRUE(prompts2.errors.empty()) << prompts2.errors.front();
  EXPECT_EQ(project2.clipAFileName, left);
  EXPECT_EQ(project2.clipBFileName, right);
  EXPECT_EQ(project2.leftClipWidth, 640);
  EXPECT_EQ(project2.rightFrameCount, 90);
  EXPECT_EQ(viewer2.Offset(), -7);
  EXPECT_EQ(alignment2.horizontal.position, 14);
  EXPECT_EQ(alignment2.vertical.position, -6);
  EXPECT_EQ(alignment2.scaleText, "101.5");
  EXPECT_EQ(alignment2.angleRText, "1");
  EXPECT_TRUE(alignment2.useFinalSize);
  EXPECT_EQ(alignment2.finalWidthText, "1280");
  EXPECT_TRUE(alignment2.swapViews);
  EXPECT_EQ(alignment2.sliderAValue, 3);
  EXPECT_EQ(project2.outputScriptName, media.File("holiday.avs"));
  EXPECT_EQ(project2.BlockAt(Block::FilterLeft), Names{"Sharpen"});
  EXPECT_EQ(next.findChild<QLabel*>("Label_ClipBName")->text().toStdString(), ShownClipName(right));
  EXPECT_EQ(followed, 1) << "the adjustment window follows";
  next.RefreshTitle();
  EXPECT_EQ(next.windowTitle(), "holiday.avp - Tandemix v" TANDEMIX_VERSION) << "nothing unsaved";
}

TEST_F(SessionWindowTest, AClipThatVanishedIsReportedAndTheRestRestored) {
  Work();
  const std::string avp = media.File("holiday.avp");
  SaveAs(avp);
  ASSERT_TRUE(QFile::remove(QString::fromStdString(right)));

  ProjectState project2;
  AlignmentSettings alignment2;
  ViewerState viewer2;
  FakePrompts prompts2;
  ScriptGenerator generator2{project2, alignment2, viewer2, video, prompts2, scriptViewer};
  MainWindowContext context{project2, viewer2, video, generator2, prompts2, shell, folder.Path()};
  context.alignment = &alignment2;
  TForm_Main next(context);
  next.OpenProject(avp);
  ASSERT_EQ(prompts2.messages.size(), 1u);
  EXPECT_EQ(prompts2.messages[0].caption, "Project opened");
  EXPECT_EQ(prompts2.messages[0].text, "The project " + avp +
                                           " opened, but not everything could be restored:\nThe right clip " + right +
                                           " is no longer there; load the clips again with Load Clips.\n"
                                           "The offset of -7 frames does not fit the clips; it is 0 now.");
  EXPECT_EQ(project2.clipAFileName, left);
  EXPECT_EQ(project2.clipBFileName, "");
  EXPECT_EQ(alignment2.scaleText, "101.5");
  EXPECT_EQ(project2.outputScriptName, media.File("holiday.avs"));
}

TEST_F(SessionWindowTest, TitleMarksChangesAndSaveUsesTheCurrentName) {
  Open();
  EXPECT_EQ(Title(), "Tandemix v" TANDEMIX_VERSION);
  LoadClips();
  EXPECT_EQ(Title(), "Untitled* - Tandemix v" TANDEMIX_VERSION);
  const std::string avp = media.File("trip.avp");
  prompts.files.push_back(std::nullopt);
  Trigger("FileSave");                         // no name yet: asks for one (cancelled)
  ASSERT_EQ(prompts.fileRequests.size(), 3u);  // the two clips, the project
  EXPECT_EQ(Title(), "Untitled* - Tandemix v" TANDEMIX_VERSION);
  prompts.files.push_back(avp);
  Trigger("FileSave");
  ASSERT_EQ(prompts.fileRequests.size(), 4u);
  EXPECT_EQ(Title(), "trip.avp - Tandemix v" TANDEMIX_VERSION);

  alignment.vertical.SetPosition(4);
  EXPECT_EQ(Title(), "trip.avp* - Tandemix v" TANDEMIX_VERSION);
  Trigger("FileSave");  // once named: no dialog
  EXPECT_EQ(prompts.fileRequests.size(), 4u);
  EXPECT_EQ(Title(), "trip.avp - Tandemix v" TANDEMIX_VERSION);
  EXPECT_NE(ReadBytes(avp + ".session").find("vertical=4\r\n"), std::string::npos);
  // Save As starts in the project's folder, offering its name.
  prompts.files.push_back(std::nullopt);
  Trigger("FileSaveAs");
  EXPECT_EQ(prompts.fileRequests.back().initialFolder, media.Path());
  EXPECT_EQ(prompts.fileRequests.back().fileName, avp);
}

TEST_F(SessionWindowTest, QuittingWithUnsavedChangesAsks) {
  Open();
  LoadClips();
  prompts.yesNo = {false};
  Trigger("FileQuit");
  ASSERT_EQ(prompts.questions.size(), 1u);
  EXPECT_EQ(prompts.questions[0].caption, "Unsaved changes");
  EXPECT_EQ(prompts.questions[0].text, "The project has changes that are not saved. Quit without saving them?");
  EXPECT_TRUE(window->isVisible());
  prompts.yesNo = {true};
  Trigger("FileQuit");
  EXPECT_FALSE(window->isVisible());
}

TEST_F(SessionWindowTest, NewAndOpenAskBeforeGivingUpChanges) {
  Open();
  LoadClips();
  prompts.yesNo = {false, false};
  Trigger("FileNew");
  Trigger("FileOpen");
  EXPECT_EQ(prompts.questions.size(), 2u);
  EXPECT_EQ(project.clipAFileName, left) << "kept";
  EXPECT_EQ(prompts.fileRequests.size(), 2u) << "no dialog after No";
  prompts.yesNo = {true};
  Trigger("FileNew");
  EXPECT_EQ(project.clipAFileName, "");
  EXPECT_EQ(Title(), "Tandemix v" TANDEMIX_VERSION);
}

TEST_F(SessionWindowTest, ClosingDuringARenderAsksBeforeCancellingIt) {
  bool rendering = true;
  int cancelled = 0;
  renderRunning = [&rendering] { return rendering; };
  cancelRender = [&cancelled] { ++cancelled; };
  Open();
  prompts.yesNo = {false};
  window->close();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(cancelled, 0);
  ASSERT_EQ(prompts.questions.size(), 1u);
  EXPECT_EQ(prompts.questions[0].text, "A movie is being rendered. Cancel the render and quit?");
  prompts.yesNo = {true};
  window->close();
  EXPECT_EQ(cancelled, 1);
  EXPECT_FALSE(window->isVisible());
}

TEST_F(SessionWindowTest, NewClipsStartFromACleanAlignmentAfterAsking) {
  Open();
  LoadClips();
  alignment.scaleText = "132";
  alignment.horizontal.SetPosition(20);
  viewer.offset.SetPosition(5);
  alignment.finalWidthText = "1280";
  // No: nothing loads, nothing resets.
  prompts.files.push_back(right);
  prompts.yesNo = {false};
  Click("Button_Load");
  EXPECT_EQ(project.clipAFileName, left);
  EXPECT_EQ(alignment.scaleText, "132");
  ASSERT_EQ(prompts.questions.size(), 1u);
  EXPECT_EQ(prompts.questions[0].caption, "New clips");
  // Yes: the new pair starts at the start values; the final size stays.
  prompts.yesNo = {true};
  prompts.files.push_back(right);
  prompts.files.push_back(left);
  Click("Button_Load");
  EXPECT_EQ(project.clipAFileName, right);
  EXPECT_EQ(alignment.scaleText, "100");
  EXPECT_EQ(alignment.horizontal.position, 0);
  EXPECT_EQ(viewer.Offset(), 0);
  EXPECT_EQ(alignment.finalWidthText, "1280");
  // At the start values, loading again does not ask.
  prompts.files.push_back(left);
  prompts.files.push_back(right);
  Click("Button_Load");
  EXPECT_EQ(prompts.questions.size(), 2u);
}

// Cameras that do not match are said when the clips are loaded; the
// answers shape the scripts and come back with the project. A refused clip
// is named.
TEST_F(SessionWindowTest, CamerasThatDoNotMatchAreSaidAndTheAnswersKept) {
  video.Set(left, 1280, 720, 250, 25.0);
  video.Set(right, 1920, 1080, 300, 30.0);
  Open();
  prompts.yesNo = {true, false};  // conform the rate; do not scale
  LoadClips();
  ASSERT_EQ(prompts.questions.size(), 2u);
  EXPECT_EQ(prompts.questions[0].caption, "The cameras do not match");
  EXPECT_NE(prompts.questions[0].text.find("at 25 frames per second and the right clip at 30."), std::string::npos);
  EXPECT_NE(prompts.questions[1].text.find("1280 x 720 pixels and the right clip 1920 x 1080"), std::string::npos);
  EXPECT_TRUE(project.conformRate);
  EXPECT_FALSE(project.scaleRightToLeft);
  const std::string avp = media.File("cameras.avp");
  SaveAs(avp);
  ASSERT_TRUE(prompts.errors.empty()) << prompts.errors.front();

  ProjectState project2;
  AlignmentSettings alignment2;
  ViewerState viewer2;
  FakePrompts prompts2;
  ScriptGenerator generator2{project2, alignment2, viewer2, video, prompts2, scriptViewer};
  MainWindowContext context{project2, viewer2, video, generator2, prompts2, shell, folder.Path()};
  context.alignment = &alignment2;
  TForm_Main next(context);
  next.OpenProject(avp);
  EXPECT_TRUE(prompts2.questions.empty()) << "the answers are kept, not asked again";
  EXPECT_TRUE(project2.conformRate);
  EXPECT_FALSE(project2.scaleRightToLeft);
  EXPECT_EQ(project2.rightRate, 30.0);

  // Clips of the same rate and size ask nothing; a refused clip is named.
  video.Set(right, 1280, 720, 250, 25.0);
  prompts.questions.clear();
  prompts.yesNo = {};
  LoadClips();
  EXPECT_TRUE(prompts.questions.empty());
  EXPECT_FALSE(project.conformRate);
  prompts.files = {left, media.File("gone.mp4")};
  Click("Button_Load");
  ASSERT_FALSE(prompts.messages.empty());
  EXPECT_NE(prompts.messages.back().text.find("File: " + media.File("gone.mp4")), std::string::npos);
}

// The first start says where to begin; Save Project starts beside the
// clips before there is a project, not in the program's folder.
TEST_F(SessionWindowTest, AnEmptyProjectSaysWhereToBeginAndSavesBesideTheClips) {
  WriteTemplate("SideBySide_Output");
  Open();
  window->RefreshTitle();
  const QLabel* hint = Label("Label_Hint");
  EXPECT_EQ(hint->text().left(11), "Start here:");
  LoadClips();
  window->RefreshTitle();
  EXPECT_EQ(hint->text().left(5), "Next:");
  PressPanel(9);
  SelectTemplate("SideBySide_Output");
  Click("BitBtn1");
  window->RefreshTitle();
  EXPECT_EQ(hint->text(), "");
  prompts.files = {std::nullopt};
  Click("Button_SaveProject");
  EXPECT_EQ(prompts.fileRequests.back().initialFolder, media.Path());
}

TEST_F(SessionWindowTest, RecentProjectsAndTheLastOneAtStart) {
  TempFolder config;
  SettingsStore store(SettingsStore::PathFor(config.Path(), "/nonexistent"));
  settings = &store;
  Open();
  const std::string first = media.File("first.avp"), second = media.File("second.avp");
  SaveAs(first);
  PressPanel(5);
  SaveAs(second);
  QStringList recent;
  for (const QAction* a : Find<QMenu>("FileRecent")->actions()) recent << a->text();
  EXPECT_EQ(recent, (QStringList{QString::fromStdString(second), QString::fromStdString(first)}));
  Trigger("FileReopenLast");
  EXPECT_EQ(store.Text("projects/reopenLast"), "1");

  // A new run with the setting opens the last project.
  ProjectState project2;
  ViewerState viewer2;
  FakePrompts prompts2;
  ScriptGenerator generator2{project2, alignment, viewer2, video, prompts2, scriptViewer};
  MainWindowContext context{project2, viewer2, video, generator2, prompts2, shell, folder.Path()};
  context.settings = &store;
  TForm_Main next(context);
  EXPECT_TRUE(next.findChild<QAction*>("FileReopenLast")->isChecked());
  next.StartWith({});
  EXPECT_EQ(next.Document().Path(), second);
  // A file named on the command line wins; a template opens in the editor.
  next.StartWith({first});
  EXPECT_EQ(next.Document().Path(), first);
  next.StartWith({folder.File("Sharpen.avt")});
  EXPECT_EQ(shell.editorStarts, Names{folder.File("Sharpen.avt")});
}

}  // namespace
}  // namespace tandemix::test
