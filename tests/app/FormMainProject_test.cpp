// Project files, clip loading and the commands of the main window, driven
// through its buttons with the dialogs answered by the test.
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/FormHelpAbout.h"
#include "tests/app/MainWindowFixture.h"

namespace tandemix::test {
namespace {

using Names = std::vector<std::string>;

const Names kProject = {"! ImportLeftTemplate",
                        "ImpL",
                        "! ImportRightTemplate",
                        "! ConvertTemplate",
                        "Split",
                        "Split",
                        "! FilterLeftTemplate",
                        "Crop",
                        "With Blanks ",
                        "",
                        "Crop",
                        "! FilterRightTemplate",
                        "Sharpen",
                        "! PreviewTemplate",
                        "Kept One",
                        "Kept One",
                        "! OutputTemplate",
                        "SideBySide",
                        "! ImportStereo",
                        "1",
                        "! FileType",
                        "3",
                        "! ConvertBefore",
                        "1"};

class ProjectWindowTest : public MainWindowTest {
 protected:
  void Load(const std::string& path) {
    prompts.files.push_back(path);
    Click("ButtonLoadProject");
  }
  void Save(const std::string& path) {
    prompts.files.push_back(path);
    Click("Button_SaveProject");
  }
  int CheckedFileType() const {
    for (int i = 0; i < 4; ++i) {
      if (Find<QRadioButton>(std::array{"AVI", "Video", "Picture", "Custom"}[static_cast<std::size_t>(i)])
              ->isChecked()) {
        return i;
      }
    }
    return -1;
  }
};

TEST_F(ProjectWindowTest, SaveAndLoadReproduceEveryBlockExactly) {
  WriteBytes(folder.File("in.avp"), CrLf(kProject));
  Open();
  Load(folder.File("in.avp"));
  ASSERT_TRUE(prompts.errors.empty()) << prompts.errors.front();
  const FileDialogRequest& open = prompts.fileRequests.back();
  EXPECT_FALSE(open.save);
  EXPECT_EQ(open.title, "Load AviSynth Project (*.avp)");
  EXPECT_EQ(open.filters, Names{"Avisynth Project (*.avp)|*.avp"});
  EXPECT_EQ(open.defaultSuffix, "avp");
  EXPECT_EQ(open.initialFolder, folder.Path());
  EXPECT_FALSE(open.mustExist);

  EXPECT_EQ(project.BlockAt(Block::FilterLeft), (Names{"Crop", "With Blanks ", "", "Crop"}));
  EXPECT_EQ(project.BlockAt(Block::Preview), (Names{"Kept One", "Kept One"}));
  EXPECT_TRUE(Button("CheckBox_ImportStereo")->isChecked());
  EXPECT_TRUE(Button("CheckBox_ConvertBefore")->isChecked());
  EXPECT_TRUE(Button("CheckBox_ConvertBefore")->isEnabled());
  EXPECT_EQ(CheckedFileType(), 3);
  EXPECT_EQ(LitPanel(), 4);
  EXPECT_EQ(Items(Filters()), (Names{"Crop", "With Blanks ", "", "Crop"}));

  Save(folder.File("out.avp"));
  const FileDialogRequest& save = prompts.fileRequests.back();
  EXPECT_TRUE(save.save);
  EXPECT_EQ(save.title, "Choose Filename for AviSynth Project (*.avp)");
  EXPECT_EQ(save.filters, Names{"Avisynth Project (*.avp)|*.avp"});
  EXPECT_EQ(save.initialFolder, folder.Path());
  EXPECT_TRUE(save.confirmOverwrite);
  EXPECT_EQ(ReadBytes(folder.File("out.avp")), CrLf(kProject));
}

TEST_F(ProjectWindowTest, LowerCaseMarkersLoadTheSame) {
  Names lower = kProject;
  for (auto& line : lower) {
    if (!line.empty() && line[0] == '!') line = QString::fromStdString(line).toLower().toStdString();
  }
  WriteBytes(folder.File("lower.avp"), CrLf(lower));
  Open();
  Load(folder.File("lower.avp"));
  Save(folder.File("out.avp"));
  EXPECT_EQ(ReadBytes(folder.File("out.avp")), CrLf(kProject));
}

TEST_F(ProjectWindowTest, FileTypeValuesAreClampedAndFlagsMustBeExactlyOne) {
  auto projectText = [](const std::string& fileType, const std::string& stereo) {
    return CrLf({"! ImportLeftTemplate", "! ImportRightTemplate", "! ConvertTemplate", "! FilterLeftTemplate",
                 "! FilterRightTemplate", "! PreviewTemplate", "! OutputTemplate", "! ImportStereo", stereo,
                 "! FileType", fileType, "! ConvertBefore", "0"});
  };
  WriteBytes(folder.File("seven.avp"), projectText("7", "1"));
  WriteBytes(folder.File("minus.avp"), projectText("-5", " 1"));
  Open();
  Load(folder.File("seven.avp"));
  EXPECT_EQ(CheckedFileType(), 3);
  EXPECT_EQ(project.fileType, FileType::Custom);
  EXPECT_TRUE(Panel(1)->isVisible());
  EXPECT_TRUE(Button("CheckBox_ImportStereo")->isChecked());
  Load(folder.File("minus.avp"));
  EXPECT_EQ(CheckedFileType(), -1);
  EXPECT_EQ(project.fileType, FileType::None);
  EXPECT_TRUE(Panel(1)->isHidden());
  EXPECT_FALSE(Button("CheckBox_ImportStereo")->isChecked()) << "\" 1\" is not \"1\"";
  // With no file type the next save writes -1.
  Save(folder.File("out.avp"));
  EXPECT_NE(ReadBytes(folder.File("out.avp")).find("! FileType\r\n-1\r\n"), std::string::npos);
}

TEST_F(ProjectWindowTest, AFailedLoadChangesNothing) {
  WriteTemplate("Crop");
  Names bad = kProject;
  bad[21] = "three";  // the file-type value
  WriteBytes(folder.File("bad.avp"), CrLf(bad));
  Open();
  SelectTemplate("Crop");
  Click("BitBtn1");
  PressPanel(5, Qt::RightButton);

  // The changes are not saved: each load asks before it gives them up.
  prompts.yesNo = {true, true, true};
  Load(folder.File("missing.avp"));
  Load(folder.File("bad.avp"));
  prompts.files.push_back(std::nullopt);
  Click("ButtonLoadProject");  // cancelled
  EXPECT_EQ(prompts.errors,
            (Names{"Cannot open file " + folder.File("missing.avp"), "'three' is not a valid integer value"}));
  EXPECT_EQ(prompts.questions.size(), 3u);
  EXPECT_TRUE(prompts.yesNo.empty());
  EXPECT_EQ(project.BlockAt(Block::FilterLeft), Names{"Crop"});
  EXPECT_EQ(project.BlockAt(Block::FilterRight), Names{"Crop"});
  EXPECT_TRUE(project.BlockAt(Block::Preview).empty());
  EXPECT_EQ(Items(Filters()), Names{"Crop"});
  EXPECT_EQ(LitPanel(), 5);
  EXPECT_FALSE(Button("CheckBox_ImportStereo")->isChecked());
  EXPECT_EQ(CheckedFileType(), 0);
}

TEST_F(ProjectWindowTest, AFailedSaveIsReported) {
  Open();
  Save(folder.Path());  // a folder cannot be written over
  EXPECT_EQ(prompts.errors, Names{"Cannot create file " + folder.Path()});
}

TEST_F(ProjectWindowTest, StereoProjectLoadedIntoTwoFileModeEndsInModeOne) {
  WriteBytes(folder.File("in.avp"), CrLf(kProject));
  Open();
  PressPanel(5);
  Load(folder.File("in.avp"));
  EXPECT_EQ(static_cast<int>(StereoModeOf(project)), 1);
  // The stereo option's handler ran before "Convert before filter" was
  // set, passing through stereo mode 2, which hides Panel5.
  EXPECT_EQ(LitPanel(), 4);
}

// ---- Clips ----------------------------------------------------------------

TEST_F(MainWindowTest, LoadClipsMeasuresBothAndSetsTheOffsetRange) {
  const std::string left = "/v/left.avi";
  const std::string right = "/v/right.avi";
  video.Set(left, 720, 576, 100);
  video.Set(right, 720, 576, 250);
  Open();
  prompts.files = {left, right};
  Click("Button_Load");
  ASSERT_EQ(prompts.fileRequests.size(), 2u);
  EXPECT_EQ(prompts.fileRequests[0].title, "Load Left Clip (ClipA)");
  EXPECT_EQ(prompts.fileRequests[1].title, "Load Right Clip (ClipB)");
  // Every media file first, then the five standard filters.
  const Names filters = {ClipDialogFilters(FileType::Avi)[0],
                         "AVI Video Files (*.avi)|*.avi",
                         "AVS Video Files (*.avs)|*.avs",
                         "Project Files (*.d2v)|*.d2v",
                         "All Files (*.*)|*.*",
                         "MPEG2 Files (*.m2v,*.mp2,*.mpv,*.mpg,*.vob)|*.m2v;*.mp2;*.mpv;*.mpg;*.vob"};
  EXPECT_EQ(filters[0].substr(0, 30), "AVI and all media files (*.avi");
  EXPECT_EQ(prompts.fileRequests[0].filters, filters);
  EXPECT_EQ(prompts.fileRequests[1].filters, filters);
  EXPECT_EQ(project.clipAFileName, left);
  EXPECT_EQ(project.clipBFileName, right);
  EXPECT_EQ(project.leftFrameCount, 100);
  EXPECT_EQ(project.rightFrameCount, 250);
  EXPECT_EQ(project.outputScriptName, "/v/left.avs");
  EXPECT_EQ(Label("Label_ClipAName")->text().toStdString(), left);
  EXPECT_EQ(Label("Label_ClipBName")->text().toStdString(), right);
  EXPECT_EQ(viewer.offset.minimum, -98);
  EXPECT_EQ(viewer.offset.maximum, 98);
  EXPECT_TRUE(viewer.offsetEnabled);

  // Clips of one frame give the range 0 to 0.
  video.Set(left, 720, 576, 1);
  video.Set(right, 720, 576, 1);
  prompts.files = {left, right};
  Click("Button_Load");
  EXPECT_EQ(viewer.offset.minimum, 0);
  EXPECT_EQ(viewer.offset.maximum, 0);
}

TEST_F(MainWindowTest, ShownClipNamesAreShortenedFromThirtyEightCharacters) {
  const std::string name37 = "/videos/folder/abcdefghijklmnopq.avi";  // 36 + 1
  const std::string a37 = name37 + "x";
  ASSERT_EQ(a37.size(), 37u);
  const std::string a38 = "/videos/folder/abcdefghijklmnopqrs.avi";
  ASSERT_EQ(a38.size(), 38u);
  video.Set(a37, 320, 240, 10);
  video.Set(a38, 320, 240, 10);
  Open();
  prompts.files = {a37, a38};
  Click("Button_Load");
  EXPECT_EQ(Label("Label_ClipAName")->text().toStdString(), a37);
  EXPECT_EQ(Label("Label_ClipBName")->text().toStdString(), "/vide...folder/abcdefghijklmnopqrs.avi");
  for (const char* name : {"Label_ClipAName", "Label_ClipBName"}) {
    const QLabel* label = Label(name);
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width()) << name;
  }
  // A scheme refresh shows both paths whole again.
  ClickBox("CheckBox_ImportStereo");
  ClickBox("CheckBox_ImportStereo");
  EXPECT_EQ(Label("Label_ClipBName")->text().toStdString(), a38);
}

TEST_F(MainWindowTest, StereoImportAsksOnceAndCopiesClipA) {
  video.Set("/v/pair.mkv", 1920, 1080, 50);
  Open();
  ClickBox("CheckBox_ImportStereo");
  prompts.files = {"/v/pair.mkv"};
  Click("Button_Load");
  EXPECT_EQ(prompts.fileRequests.size(), 1u);
  EXPECT_EQ(project.clipBFileName, "/v/pair.mkv");
  EXPECT_EQ(project.rightFrameCount, 50);
  EXPECT_EQ(viewer.offset.maximum, 48);
  EXPECT_EQ(project.outputScriptName, "/v/pair.avs");
}

TEST_F(MainWindowTest, RefusedOrCancelledClipsLeaveTheOthersInPlace) {
  video.Set("/v/a.avi", 720, 576, 100);
  video.Set("/v/b.avi", 720, 576, 100);
  Open();
  prompts.files = {"/v/a.avi", "/v/b.avi"};
  Click("Button_Load");
  // Cancelling the second dialog keeps ClipB.
  video.Set("/v/c.avi", 640, 480, 80);
  prompts.files = {"/v/c.avi", std::nullopt};
  Click("Button_Load");
  EXPECT_EQ(project.clipAFileName, "/v/c.avi");
  EXPECT_EQ(project.clipBFileName, "/v/b.avi");
  EXPECT_EQ(project.rightClipWidth, 720);
  // A ClipB that cannot be measured is refused; ClipA stays loaded and shown.
  prompts.files = {"/v/c.avi", "/v/broken.avi"};
  Click("Button_Load");
  ASSERT_EQ(prompts.messages.size(), 1u);
  EXPECT_EQ(prompts.messages[0].caption, "Video file error");
  // The message names the file and says why it could not be measured.
  EXPECT_EQ(prompts.messages[0].text,
            "The loaded file is not supported video file.\n\nFile: /v/broken.avi\ncannot open /v/broken.avi");
  EXPECT_EQ(project.clipBFileName, "");
  EXPECT_EQ(Label("Label_ClipBName")->text(), " ");
  EXPECT_EQ(project.clipAFileName, "/v/c.avi");
  EXPECT_EQ(Label("Label_ClipAName")->text(), "/v/c.avi");
  // A refused ClipA asks for no ClipB.
  prompts.files = {"/v/broken.avi"};
  Click("Button_Load");
  EXPECT_EQ(prompts.messages.size(), 2u);
  EXPECT_EQ(project.clipAFileName, "");
  EXPECT_EQ(Label("Label_ClipAName")->text(), " ");
  EXPECT_TRUE(prompts.files.empty());
}

TEST_F(MainWindowTest, PicturesAndCustomImportsAreNotRefused) {
  Open();
  Button("Picture")->click();
  prompts.files = {"/v/left.png", "/v/right.png"};
  Click("Button_Load");
  EXPECT_TRUE(prompts.messages.empty());
  EXPECT_EQ(project.clipBFileName, "/v/right.png");
  EXPECT_FALSE(viewer.offsetEnabled);
}

TEST_F(MainWindowTest, AClipPathThatCannotGoIntoAScriptIsRefused) {
  Open();
  const std::string quoted = "/v/say \"cheese\".avi";
  video.Set(quoted, 720, 576, 10);
  prompts.files = {quoted};
  Click("Button_Load");
  ASSERT_EQ(prompts.messages.size(), 1u);
  EXPECT_NE(prompts.messages[0].text.find("double quote"), std::string::npos);
  EXPECT_EQ(project.clipAFileName, "");
  EXPECT_EQ(project.leftClipWidth, 0);
  prompts.files = {"/v/two\nlines.avi"};
  Click("Button_Load");
  EXPECT_EQ(prompts.messages.size(), 2u);
  EXPECT_EQ(project.clipAFileName, "");
}

// ---- Commands -------------------------------------------------------------

TEST_F(MainWindowTest, OpenPreviewChecksTheClipsFirst) {
  video.Set("/v/a.avi", 720, 576, 100);
  Open();
  Click("Button1");
  ASSERT_EQ(prompts.messages.size(), 1u);
  EXPECT_EQ(prompts.messages[0].caption, "Video clip not loaded");
  EXPECT_EQ(prompts.messages[0].text, "Please, load video clip(s) before preview!");

  prompts.files = {"/v/a.avi", std::nullopt};
  Click("Button_Load");
  Click("Button1");
  ASSERT_EQ(prompts.messages.size(), 2u);
  EXPECT_EQ(prompts.messages[1].text, "Please, load right video clip before preview!");
  EXPECT_TRUE(prompts.outputNameOffers.empty());

  // With "Import Stereo Clip" the generator runs: it asks for the output
  // name, offering the default from the clip.
  ClickBox("CheckBox_ImportStereo");
  Click("Button1");
  EXPECT_EQ(prompts.messages.size(), 2u);
  EXPECT_EQ(prompts.outputNameOffers, Names{"/v/a.avs"});
  EXPECT_TRUE(scriptViewer.openedScripts.empty()) << "the test cancelled the name";
}

TEST_F(MainWindowTest, OpenPreviewWithCustomNeedsNoClip) {
  Open();
  Button("Custom")->click();
  Click("Button1");
  EXPECT_TRUE(prompts.messages.empty());
  EXPECT_EQ(prompts.outputNameOffers.size(), 1u);
}

TEST_F(MainWindowTest, HelpOpensTheDocumentationIndex) {
  TempFolder docs;
  shell.docs = docs.Path() + "/";
  Open();
  EXPECT_EQ(window->DocsFolder(), docs.Path() + "/");
  Click("Button3");
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(docs.File("english"))));
  WriteBytes(docs.File("english/index.htm"), "<html/>");
  Click("Button3");
  EXPECT_EQ(shell.opened, (Names{docs.File("index.html"), docs.File("english/index.htm")}));
}

TEST_F(MainWindowTest, AboutShowsOneWindowThatOkHides) {
  Open();
  TForm_Help_About about;
  window->SetAboutWindow(&about);
  Trigger("About1");
  Trigger("About1");
  EXPECT_TRUE(about.isVisible());
  EXPECT_EQ(about.windowTitle(), "Tandemix");
  EXPECT_EQ(about.size(), QSize(324, 297));
  const QString memo = about.findChild<QPlainTextEdit*>("Memo_About")->toPlainText();
  const QStringList lines = memo.split('\n');
  ASSERT_GE(lines.size(), 13);
  EXPECT_EQ(lines[0].trimmed(), "Tandemix");
  EXPECT_TRUE(lines[0].startsWith("  "));
  EXPECT_EQ(lines[2].trimmed(), "V 0.114");
  EXPECT_EQ(lines[8], "Authors would like to thank the following experts for their ");
  EXPECT_EQ(lines[9], "invaluable help:");
  EXPECT_TRUE(lines[11].contains("optimised colour anaglyph"));
  EXPECT_TRUE(lines[12].contains("shade-corrected & no-ghosting colour anaglyphs"));
  QTest::mouseClick(about.findChild<QPushButton*>("Button1"), Qt::LeftButton);
  EXPECT_FALSE(about.isVisible());
  EXPECT_TRUE(window->isVisible()) << "the main window stays usable";
}

TEST_F(MainWindowTest, ClosingTheMainWindowEndsTheProgram) {
  Open();
  bool closed = false;
  QObject::connect(window.get(), &TForm_Main::FormClosed, [&] { closed = true; });
  window->close();
  EXPECT_TRUE(closed);
}

}  // namespace
}  // namespace tandemix::test
