// The render dialog driven as a user would: it renders the viewer's script
// on a thread of its own, remembers the choices, refuses a second render
// while one runs, cancels without leaving a file, and is reached from the
// clip viewer's "Render…" button.
#include "viewer/FormRender.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QTest>

#include "base/TextFile.h"
#include "tests/support/TestFiles.h"
#include "viewer/FormMovie.h"

namespace tandemix {
namespace {

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const QString& name :
       QDir(QString::fromStdString(folder)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
    names.push_back(name.toStdString());
  return names;
}

class RenderDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteTextLines(folder.File("movie.avs"),
                   {"ClipA = BlankClip(width=32, height=24, length=6, fps=25)",
                    "ClipB = BlankClip(width=32, height=24, length=6, fps=25)", "StackVertical(ClipA,ClipB)"});
    WriteTextLines(folder.File("long.avs"), {"BlankClip(width=640, height=480, length=100000, fps=25)"});
    settings = std::make_unique<SettingsStore>(folder.File("settings.ini"));
    window = Make();
  }
  std::unique_ptr<TForm_Render> Make() {
    RenderWindowHooks hooks;
    hooks.showError = [this](const std::string& e) { errors.push_back(e); };
    hooks.askOpenFolder = [this](const std::string& text) {
      endings.push_back(text);
      return true;
    };
    hooks.openFolder = [this](const std::string& f) { opened.push_back(f); };
    return std::make_unique<TForm_Render>(settings.get(), hooks);
  }
  void WaitForEnd(TForm_Render& w) {
    for (int i = 0; i < 3000 && w.Model().Running(); ++i) QTest::qWait(10);
    ASSERT_FALSE(w.Model().Running());
  }

  test::TempFolder folder;
  std::unique_ptr<SettingsStore> settings;
  std::unique_ptr<TForm_Render> window;
  std::vector<std::string> errors, endings, opened;
};

TEST_F(RenderDialog, RendersTheScriptAndRemembersTheChoices) {
  window->Open(folder.File("movie.avs"));
  EXPECT_EQ(window->Edit_File->text().toStdString(), folder.File("movie.mp4"));  // beside the script
  EXPECT_EQ(window->Edit_Quality->text(), "18");
  window->Edit_File->setText(QString::fromStdString(folder.File("out.mkv")));
  window->Combo_Video->setCurrentIndex(1);  // H.265
  window->Edit_Quality->setText("26");
  window->Combo_Audio->setCurrentIndex(2);  // FLAC
  QTest::mouseClick(window->Button_Render, Qt::LeftButton);
  WaitForEnd(*window);
  EXPECT_EQ(errors, std::vector<std::string>{});
  ASSERT_EQ(endings.size(), 1u);
  EXPECT_EQ(endings[0], "The movie was written to " + folder.File("out.mkv") + " (6 frames).");
  EXPECT_EQ(opened, std::vector<std::string>{folder.Path()});
  EXPECT_EQ(window->ProgressBar1->value(), 1000);
  const auto probe = test::RunProgram("ffprobe", {"-v", "error", "-show_entries",
                                                  "stream=codec_name,width,height:"
                                                  "stream_tags=stereo_mode",
                                                  "-of", "default=nw=1", folder.File("out.mkv")});
  // BlankClip gives silence: the sound goes along in FLAC.
  EXPECT_EQ(probe.out, "codec_name=hevc\nwidth=32\nheight=48\nTAG:stereo_mode=top_bottom\ncodec_name=flac\n");

  // A new dialog (the next run) starts from the choices made.
  auto next = Make();
  next->Open(folder.File("movie.avs"));
  EXPECT_EQ(next->Edit_File->text().toStdString(), folder.File("movie.mkv"));
  EXPECT_EQ(next->Combo_Video->currentIndex(), 1);
  EXPECT_EQ(next->Edit_Quality->text(), "26");
  EXPECT_EQ(next->Combo_Audio->currentIndex(), 2);
}

TEST_F(RenderDialog, BadChoicesAreSaidAndNothingStarts) {
  window->Open(folder.File("movie.avs"));
  window->Edit_Quality->setText("good");
  QTest::mouseClick(window->Button_Render, Qt::LeftButton);
  window->Edit_Quality->setText("20");
  window->Combo_Video->setCurrentIndex(3);  // FFV1 into .mp4
  QTest::mouseClick(window->Button_Render, Qt::LeftButton);
  EXPECT_FALSE(window->Edit_Quality->isEnabled());  // lossless: no quality
  EXPECT_EQ(errors, (std::vector<std::string>{
                        "'good' is not a valid integer value",
                        "FFV1 (lossless) video cannot be stored in a .mp4 file; use .mkv, .mov or .avi"}));
  EXPECT_FALSE(window->Model().Running());
  EXPECT_EQ(settings->Text("render/video"), "");  // nothing remembered from refused choices
}

TEST_F(RenderDialog, OneRenderAtATimeAndCancelLeavesNothing) {
  window->Open(folder.File("long.avs"));
  window->Edit_File->setText(QString::fromStdString(folder.File("long.mkv")));
  QTest::mouseClick(window->Button_Render, Qt::LeftButton);
  ASSERT_TRUE(window->Model().Running());
  EXPECT_FALSE(window->Button_Render->isEnabled());
  EXPECT_EQ(window->Button_Cancel->text(), "Cancel");
  for (int i = 0; i < 500 && window->ProgressBar1->value() == 0 && window->Label_Progress->text() == "Rendering…"; ++i)
    QTest::qWait(10);
  EXPECT_TRUE(window->Label_Progress->text().startsWith("Rendering frame "))
      << window->Label_Progress->text().toStdString();
  // The viewer asks again while it runs: refused, the running one stays.
  window->Open(folder.File("movie.avs"));
  window->Button_RenderClick();
  EXPECT_EQ(errors, (std::vector<std::string>(
                        2, "A movie is being rendered; wait for it or cancel it before starting another.")));
  EXPECT_EQ(window->Edit_File->text().toStdString(), folder.File("long.mkv"));

  QTest::mouseClick(window->Button_Cancel, Qt::LeftButton);
  WaitForEnd(*window);
  EXPECT_EQ(window->Label_Progress->text(), "Rendering was cancelled; no file was written");
  EXPECT_EQ(errors.size(), 2u);  // a cancel is no error
  EXPECT_TRUE(endings.empty());
  EXPECT_TRUE(window->Button_Render->isEnabled());
  EXPECT_EQ(Entries(folder.Path()), (std::vector<std::string>{"long.avs", "movie.avs", "settings.ini"}));
}

TEST_F(RenderDialog, TheViewersRenderButtonOpensItForTheScriptOnShow) {
  ViewerState state;
  std::vector<std::string> asked;
  std::vector<std::string> viewerErrors;
  MovieWindowHooks hooks;
  hooks.render = [&](const std::string& script) { asked.push_back(script); };
  hooks.showError = [&](const std::string& e) { viewerErrors.push_back(e); };
  TForm_Movie viewer(state, hooks);
  EXPECT_EQ(viewer.Button_Render->text(), "Render…");
  QTest::mouseClick(viewer.Button_Render, Qt::LeftButton);
  EXPECT_EQ(viewerErrors, std::vector<std::string>{"Open a script in the viewer first: there is nothing to render."});
  viewer.ViewerOpen(folder.File("movie.avs"), 64, 48, 0);
  QTest::mouseClick(viewer.Button_Render, Qt::LeftButton);
  EXPECT_EQ(asked, std::vector<std::string>{folder.File("movie.avs")});
  // It stands under "Adjust Clip" and "Save Frame", inside the window.
  EXPECT_GT(viewer.Button_Render->geometry().top(), viewer.Button2->geometry().bottom());
  EXPECT_LE(viewer.Button_Render->geometry().bottom(), viewer.height());
  viewer.close();
}

}  // namespace
}  // namespace tandemix
