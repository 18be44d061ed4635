// What a desktop user expects of the main window and the program's windows
// together: help and editor failures that explain themselves, the keys,
// the About box's place, clip filters by file type, windows that come to
// the front when a command opens them, and places kept between runs.
#include <gtest/gtest.h>
#include <QApplication>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QScrollBar>
#include <QTest>
#include <cstdlib>

#include "app/Program.h"
#include "desktop/SettingsStore.h"
#include "desktop/ShellAviSynthDocs.h"
#include "tests/app/MainWindowFixture.h"

namespace tandemix {
namespace {

using test::FakePrompts;
using test::FakeShell;
using test::MainWindowTest;
using Names = std::vector<std::string>;

TEST_F(MainWindowTest, HelpWithoutDocumentationSaysWhereItLookedAndOffersTheWeb) {
  shell.docs = "";
  Open();
  prompts.yesNo = {false, true};
  Click("Button3");
  ASSERT_EQ(prompts.questions.size(), 1u);
  EXPECT_EQ(prompts.questions[0].caption, "Help");
  EXPECT_NE(prompts.questions[0].text.find("doc/avisynth"), std::string::npos);
  EXPECT_NE(prompts.questions[0].text.find("english/index.htm"), std::string::npos);
  EXPECT_TRUE(shell.urls.empty());
  EXPECT_TRUE(shell.opened.empty());
  Click("Button3");
  EXPECT_EQ(shell.urls, Names{kOnlineAviSynthDocs});
  EXPECT_TRUE(shell.opened.empty());
}

// With the manual installed beside the program, Help, F1 and the menu open
// it; AviSynth's documentation stays a menu item of its own.
TEST_F(MainWindowTest, HelpOpensTheProgramsManual) {
  test::TempFolder docs;
  shell.docs = docs.Path() + "/";
  test::WriteBytes(ManualPath(folder.Path()), "<html></html>");
  Open();
  Click("Button3");
  Trigger("HelpManual");
  EXPECT_EQ(shell.opened, (Names{ManualPath(folder.Path()), ManualPath(folder.Path())}));
  Trigger("HelpAviSynth");
  EXPECT_EQ(shell.opened.back(), docs.File("index.html"));
  EXPECT_TRUE(prompts.questions.empty());
}

TEST_F(MainWindowTest, NewAndEditSayWhenThereIsNoEditorAndNameTheVariable) {
  shell.hasEditor = false;
  WriteTemplate("Blur");
  Open();
  Trigger("New1");
  ASSERT_EQ(prompts.messages.size(), 1u);
  EXPECT_EQ(prompts.messages[0].caption, "No text editor");
  EXPECT_NE(prompts.messages[0].text.find("VISUAL"), std::string::npos);
  SelectTemplate("Blur");
  Trigger("Edit1");
  EXPECT_EQ(prompts.messages.size(), 2u);
  // With an editor nothing is said.
  shell.hasEditor = true;
  Trigger("Edit1");
  EXPECT_EQ(prompts.messages.size(), 2u);
  EXPECT_EQ(shell.editorStarts, Names{folder.File("Blur.avt")});
}

TEST_F(MainWindowTest, CtrlSSavesCtrlOLoadsAndF1OpensHelp) {
  test::TempFolder docs;
  shell.docs = docs.Path() + "/";
  Open();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  prompts.files = {std::nullopt, std::nullopt};
  QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
  QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
  ASSERT_EQ(prompts.fileRequests.size(), 2u);
  EXPECT_EQ(prompts.fileRequests[0].title, "Choose Filename for AviSynth Project (*.avp)");
  EXPECT_TRUE(prompts.fileRequests[0].save);
  EXPECT_EQ(prompts.fileRequests[1].title, "Load AviSynth Project (*.avp)");
  QTest::keyClick(window.get(), Qt::Key_F1);
  EXPECT_EQ(shell.opened, Names{docs.File("index.html")});
}

TEST_F(MainWindowTest, AboutOpensCentredOnTheMainWindowWithItsTextWrapped) {
  Open();
  window->move(150, 120);
  TForm_Help_About about;
  window->SetAboutWindow(&about);
  Trigger("About1");
  QApplication::processEvents();
  const QPoint mainCentre = window->frameGeometry().center();
  const QPoint aboutCentre = about.frameGeometry().center();
  // The frame a window gets when first shown may shift it by its width.
  const QSize frame = about.frameGeometry().size() - about.geometry().size();
  EXPECT_LE((mainCentre - aboutCentre).manhattanLength(), frame.width() + frame.height() + 2);
  EXPECT_GT((mainCentre - QPoint(162, 148)).manhattanLength(), 100) << "not at the screen's corner";
  // Every line wraps inside the memo: nothing to scroll sideways.
  auto* memo = about.findChild<QPlainTextEdit*>("Memo_About");
  EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_EQ(memo->horizontalScrollBar()->maximum(), 0);
}

TEST_F(MainWindowTest, ALargerDesktopFontGrowsTheLayoutAndEveryCaptionFits) {
  Open();
  const int drawn = window->font().pixelSize();  // what fits the drawing
  ASSERT_LE(drawn, 11);
  TForm_Main big(MainWindowContext{project, viewer, video, generator, prompts, shell, folder.Path(), 2 * drawn});
  // Twice the drawn places and sizes, inside groups too.
  EXPECT_EQ(big.centralWidget()->size(), QSize(1664, 724));
  EXPECT_EQ(big.findChild<QWidget*>("Button1")->geometry(), QRect(1488, 400, 162, 50));
  EXPECT_EQ(big.findChild<QWidget*>("Button_Load")->geometry(), QRect(28, 48, 150, 50));
  // The desktop's size, or at most a pixel below it where a caption needs it.
  EXPECT_GE(big.font().pixelSize(), 2 * drawn - 1);
  EXPECT_TRUE(big.UnfitCaptions().empty());
}

TEST_F(MainWindowTest, ClipDialogsOfferTheFilesOfTheFileType) {
  Open();
  Button("Video")->click();
  prompts.files = {std::nullopt};
  Click("Button_Load");
  Button("Picture")->click();
  prompts.files = {std::nullopt};
  Click("Button_Load");
  Button("AVI")->click();
  prompts.files = {std::nullopt};
  Click("Button_Load");
  ASSERT_EQ(prompts.fileRequests.size(), 3u);
  // The filter shown first lists every file the engine opens, the type's
  // own patterns first; the type's own filter follows.
  const std::string everything = "*.m2v;*.mpv;*.vob;*.flv;*.3gp;*.mxf;*.dv;*.jpg;*.jpeg;*.png;*.bmp;*.tif;*.tiff;*.avs";
  EXPECT_EQ(prompts.fileRequests[0].filters[0].substr(0, 26), "Video and all media files ");
  EXPECT_NE(prompts.fileRequests[0].filters[0].find("|*.mp4;*.mkv;*.mov;*.m2ts;*.mts;*.avi;*.webm;*.mpg;*.mpeg;*.ts;"
                                                    "*.wmv;" +
                                                    everything),
            std::string::npos)
      << prompts.fileRequests[0].filters[0];
  EXPECT_EQ(prompts.fileRequests[0].filters[1],
            "Video Files (*.mp4 *.mkv *.mov *.m2ts *.mts *.avi *.webm *.mpg *.mpeg *.ts *.wmv)|"
            "*.mp4;*.mkv;*.mov;*.m2ts;*.mts;*.avi;*.webm;*.mpg;*.mpeg;*.ts;*.wmv");
  EXPECT_EQ(prompts.fileRequests[0].filters.size(), 7u);
  EXPECT_EQ(prompts.fileRequests[0].kind, FileKind::Clips);
  EXPECT_NE(prompts.fileRequests[1].filters[0].find("|*.jpg;*.jpeg;*.png;*.bmp;*.tif;*.tiff;*.mp4;*.mkv"),
            std::string::npos)
      << prompts.fileRequests[1].filters[0];
  EXPECT_EQ(prompts.fileRequests[1].filters[1],
            "Pictures (*.jpg *.jpeg *.png *.bmp *.tif *.tiff)|*.jpg;*.jpeg;*.png;*.bmp;*.tif;*.tiff");
  // The default type, AVI, no longer hides MP4 and MKV files.
  EXPECT_NE(prompts.fileRequests[2].filters[0].find("AVI and all media files (*.avi *.mp4 *.mkv"), std::string::npos)
      << prompts.fileRequests[2].filters[0];
  EXPECT_EQ(prompts.fileRequests[2].filters[1], "AVI Video Files (*.avi)|*.avi");
}

// Measures slowly, as a file with no stored frame count: 40 steps of 20 ms,
// each told to the progress; the test's hand presses Cancel when the
// progress dialog has been up for a while.
class SlowVideo : public test::FakeVideoServices {
 public:
  QWidget* window = nullptr;
  bool dialogSeen = false;
  int steps = 0;
  VideoInfo MeasureVideo(const std::string& path, const MeasureProgress& progress) override {
    for (int i = 1; i <= 40; ++i) {
      QTest::qSleep(20);
      ++steps;
      auto* dialog = window->findChild<QProgressDialog*>("MeasuringProgress");
      if (dialog && dialog->isVisible()) {
        dialogSeen = true;
        if (i >= 35) dialog->cancel();
      }
      if (!progress(i / 40.0)) {
        VideoInfo cancelled;
        cancelled.cancelled = true;
        cancelled.error = "cancelled";
        return cancelled;
      }
    }
    return ReadVideoInfo(path);
  }
};

TEST(MeasuringProgress, ALongMeasurementShowsAProgressDialogWhoseCancelLeavesTheClipOut) {
  test::TempFolder folder;
  ProjectState project;
  AlignmentSettings alignment;
  ViewerState viewer;
  SlowVideo video;
  FakePrompts prompts;
  FakeShell shell;
  test::FakeScriptViewer scriptViewer;
  ScriptGenerator generator{project, alignment, viewer, video, prompts, scriptViewer};
  TForm_Main window(MainWindowContext{project, viewer, video, generator, prompts, shell, folder.Path()});
  window.show();
  video.window = &window;
  video.Set("/v/long.mkv", 720, 576, 3000);
  prompts.files = {"/v/long.mkv"};
  QTest::mouseClick(window.findChild<QAbstractButton*>("Button_Load"), Qt::LeftButton);
  EXPECT_TRUE(video.dialogSeen) << "no progress dialog after " << video.steps * 20 << " ms";
  EXPECT_LT(video.steps, 40) << "Cancel stops the measuring";
  EXPECT_TRUE(project.clipAFileName.empty());
  EXPECT_TRUE(prompts.messages.empty());
  EXPECT_EQ(prompts.fileRequests.size(), 1u) << "no second clip is asked for";
}

// A player that opens anything and plays nothing.
class SilentPlayer : public MediaPlayer {
 public:
  void Open(const std::string&) override {}
  void Close() override {}
  void Play() override {}
  void PauseToggle() override {}
  void Stop() override {}
  void Seek(std::int64_t) override {}
  void Step() override {}
  void Back() override {}
  std::int64_t PositionMs() const override { return 0; }
  PlayerMode Mode() const override { return PlayerMode::Stopped; }
};

class ProgramWindows : public ::testing::Test {
 protected:
  test::TempFolder folder;
  test::FakeVideoServices video;
  FakePrompts prompts;
  FakeShell shell;
  SilentPlayer player;
};

TEST_F(ProgramWindows, ASecondOpenPreviewBringsTheViewerToTheFront) {
  TandemixProgram program(video, prompts, shell, folder.Path(), &player);
  program.main->show();
  program.main->findChild<QAbstractButton*>("Custom")->click();
  prompts.outputName = folder.File("movie.avs");
  QAbstractButton* openPreview = program.main->findChild<QAbstractButton*>("Button1");
  openPreview->click();
  ASSERT_TRUE(program.movie->isVisible());
  program.main->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(program.main.get()));
  // A run holds further runs off for a few ticks.
  ASSERT_TRUE(QTest::qWaitFor([&] { return program.alignment.regenerateHoldoff == 0; }));
  openPreview->click();
  EXPECT_TRUE(prompts.errors.empty()) << prompts.errors.front();
  EXPECT_TRUE(prompts.messages.empty()) << prompts.messages.front().text;
  EXPECT_TRUE(QTest::qWaitForWindowActive(program.movie.get()));
  EXPECT_EQ(QApplication::activeWindow(), program.movie.get());
}

TEST_F(ProgramWindows, TheSliderDialogOpensNextToTheAdjustmentWindow) {
  TandemixProgram program(video, prompts, shell, folder.Path(), &player);
  program.preview->move(0, 0);
  program.preview->show();
  emit program.preview->ScrollBarA->customContextMenuRequested(QPoint(5, 5));
  ASSERT_TRUE(program.slider->isVisible());
  const QRect adjustment = program.preview->frameGeometry();
  const QRect dialog = program.slider->frameGeometry();
  EXPECT_FALSE(dialog.intersects(adjustment));
  EXPECT_EQ(dialog.left(), adjustment.right() + 1 + 8);
  EXPECT_EQ(dialog.top(), adjustment.top());
}

// The adjustment window first opens beside its picture, not over it, and
// closing it closes the picture too.
TEST_F(ProgramWindows, TheAdjustmentWindowStandsBesideItsPictureAndTakesItAlong) {
  TandemixProgram program(video, prompts, shell, folder.Path(), &player);
  program.picture->move(0, 0);
  program.picture->ShowPicture(Bitmap(100, 60));
  ASSERT_TRUE(program.picture->isVisible());
  program.OpenAdjustmentWindow();
  ASSERT_TRUE(program.preview->isVisible());
  EXPECT_FALSE(program.preview->frameGeometry().intersects(program.picture->frameGeometry()))
      << "adjustment at " << program.preview->frameGeometry().x() << "," << program.preview->frameGeometry().y();
  // Once placed it keeps its place.
  program.preview->move(500, 60);
  program.preview->hide();
  program.OpenAdjustmentWindow();
  EXPECT_EQ(program.preview->pos(), QPoint(500, 60));
  program.preview->close();
  EXPECT_FALSE(program.picture->isVisible());
}

TEST_F(ProgramWindows, PlacesOfShownWindowsAreKeptBetweenRuns) {
  test::TempFolder config;
  QRect place;
  SettingsStore store(SettingsStore::PathFor(config.Path(), "/nonexistent"));
  {
    TandemixProgram first(video, prompts, shell, folder.Path(), &player, &store);
    EXPECT_FALSE(first.MainPlaceRemembered());
    first.main->move(210, 140);
    first.main->show();
    place = first.main->geometry();
    first.main->close();
  }
  SettingsStore again(SettingsStore::PathFor(config.Path(), "/nonexistent"));
  EXPECT_FALSE(again.Bytes(WindowGeometryKey("Form_Main")).isEmpty());
  // A window never shown has no place of its own.
  EXPECT_TRUE(again.Bytes(WindowGeometryKey("Form_Preview")).isEmpty());
  TandemixProgram second(video, prompts, shell, folder.Path(), &player, &again);
  EXPECT_TRUE(second.MainPlaceRemembered());
  EXPECT_EQ(second.main->geometry(), place);
}

// The depth limits come from the settings into the adjustment window's
// boxes, and what is typed there goes back to the settings file.
TEST_F(ProgramWindows, DepthLimitsAreKeptInTheSettings) {
  test::TempFolder config;
  const std::string path = SettingsStore::PathFor(config.Path(), "/nonexistent");
  {
    SettingsStore store(path);
    store.SetText(kDepthScreenWidthKey, "3.5");
    store.SetText(kDepthNearBudgetKey, "1.25");
    store.Sync();
  }
  SettingsStore store(path);
  {
    TandemixProgram program(video, prompts, shell, folder.Path(), &player, &store);
    EXPECT_EQ(program.preview->Model().depthLimits.screenWidthMetres, 3.5);
    EXPECT_EQ(program.preview->Model().depthLimits.nearComfortPercent, 1.25);
    EXPECT_EQ(program.preview->Edit_ScreenWidth->text(), "3.5");
    EXPECT_EQ(program.preview->Edit_NearBudget->text(), "1.25");
    program.preview->Edit_ScreenWidth->selectAll();
    QTest::keyClicks(program.preview->Edit_ScreenWidth, "12");
    QTest::keyClick(program.preview->Edit_ScreenWidth, Qt::Key_Return);
    EXPECT_EQ(program.preview->Model().depthLimits.screenWidthMetres, 12.0);
    EXPECT_TRUE(prompts.errors.empty());
  }
  SettingsStore again(path);
  EXPECT_EQ(again.Text(kDepthScreenWidthKey), "12");
  EXPECT_EQ(again.Text(kDepthNearBudgetKey), "1.25");

  // A file holding nonsense gives the defaults.
  again.SetText(kDepthScreenWidthKey, "wide");
  again.SetText(kDepthNearBudgetKey, "90");
  TandemixProgram program(video, prompts, shell, folder.Path(), &player, &again);
  EXPECT_EQ(program.preview->Edit_ScreenWidth->text(), "2");
  EXPECT_EQ(program.preview->Edit_NearBudget->text(), "2");
}

}  // namespace
}  // namespace tandemix
