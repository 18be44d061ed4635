#include "app/QtPrompts.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>
#include <QTimer>

namespace tandemix {
namespace {

TEST(QtFileFilterTest, PatternsComeFromAfterTheBar) {
  EXPECT_EQ(QtFileFilter("AVI Video Files (*.avi)|*.avi"), "AVI Video Files (*.avi)");
  EXPECT_EQ(QtFileFilter("All Files (*.*)|*.*"), "All Files (*)");
  EXPECT_EQ(QtFileFilter("MPEG2 Files (*.m2v,*.mp2,*.mpv,*.mpg,*.vob)|*.m2v;*.mp2;*.mpv;*.mpg;*.vob"),
            "MPEG2 Files (*.m2v *.mp2 *.mpv *.mpg *.vob)");
  EXPECT_EQ(QtFileFilter("Avisynth Project (*.avp)|*.avp"), "Avisynth Project (*.avp)");
}

TEST(QtFileFilterTest, TheGeneratorsQuestionIsASaveDialogForScripts) {
  const FileDialogRequest r = OutputNameRequest("/v/clip.avs");
  EXPECT_TRUE(r.save);
  EXPECT_EQ(r.title, "Define Output AVS File");
  EXPECT_EQ(r.filters, std::vector<std::string>{"AviSynth Script (*.avs)|*.avs"});
  EXPECT_EQ(r.defaultSuffix, "avs");
  EXPECT_EQ(r.fileName, "/v/clip.avs");
  EXPECT_FALSE(r.confirmOverwrite);
}

}  // namespace
}  // namespace tandemix

namespace tandemix {
namespace {

TEST(QtPromptsOwner, AMessageBelongsToTheWindowTheUserWorksIn) {
  QWidget main;
  QWidget adjustment;
  main.show();
  adjustment.show();
  QtPrompts prompts;
  prompts.SetParent(&main);
  prompts.SetWindows({&adjustment});
  adjustment.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&adjustment));
  QWidget* owner = nullptr;
  QTimer::singleShot(0, [&] {
    if (QWidget* box = QApplication::activeModalWidget()) {
      owner = box->parentWidget();
      box->close();
    }
  });
  prompts.ShowError("'abc' is not a valid floating point value");
  EXPECT_EQ(owner, &adjustment);
  main.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
  EXPECT_EQ(prompts.Owner(), &main);
  // A hidden window owns nothing.
  adjustment.hide();
  EXPECT_EQ(prompts.Owner(), &main);
}

}  // namespace
}  // namespace tandemix
