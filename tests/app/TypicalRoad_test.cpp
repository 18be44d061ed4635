// The typical road through the real windows on two generated clips: load
// the clips, add a template to a block, Open preview, move in the viewer,
// Adjust Clip, change scale and tilt, Apply to Clip; then the scripts on
// disk and the composed picture.
#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTest>
#include <cstdlib>

#include "app/Program.h"
#include "core/Geometry.h"
#include "platform/DefaultVideoServices.h"
#include "tests/app/MainWindowFixture.h"

namespace tandemix {
namespace {

using test::FakePrompts;
using test::FakeShell;

// Keeps the window system's events flowing until `done` or a time limit.
bool ProcessUntil(const std::function<bool()>& done, int ms = 20000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QTest::qWait(5);
  }
  return true;
}

void SaveShot(QWidget* window, const char* name) {
  if (const char* dir = std::getenv("TANDEMIX_SHOT_DIR"))
    window->grab().save(QDir(dir).filePath(QString(name) + ".png"));
}

TEST(TypicalRoad, FromClipsToAlignedScripts) {
  test::TempFolder folder;  // program folder and clips
  const std::string left = folder.File("left view.avi");
  const std::string right = folder.File("right view.avi");
  // One moving picture seen from two places: the right view is the same
  // scene cropped 8 pixels further right.
  ASSERT_TRUE(
      test::RunProgram("ffmpeg", {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                                  "testsrc=size=176x120:rate=25", "-frames:v", "30", "-vf", "crop=160:120:0:0", left})
          .exitCode == 0);
  ASSERT_TRUE(
      test::RunProgram("ffmpeg", {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                                  "testsrc=size=176x120:rate=25", "-frames:v", "30", "-vf", "crop=160:120:8:0", right})
          .exitCode == 0);
  test::WriteBytes(folder.File("Side by side.avt"), "StackHorizontal(ClipA,ClipB)\r\n");

  DefaultVideoServices video;
  FakePrompts prompts;
  FakeShell shell;
  TandemixProgram program(video, prompts, shell, folder.Path());
  TForm_Main& main = *program.main;
  main.show();

  // Load Clips: both dialogs answered.
  prompts.files = {left, right};
  QTest::mouseClick(main.findChild<QAbstractButton*>("Button_Load"), Qt::LeftButton);
  ASSERT_EQ(program.project.leftFrameCount, 30);
  ASSERT_EQ(program.project.rightClipWidth, 160);
  EXPECT_EQ(program.viewer.offset.maximum, 28);

  // The Output block gets the side-by-side template.
  QTest::mousePress(main.findChild<QWidget*>("Panel9"), Qt::LeftButton, {}, QPoint(20, 20));
  auto* templates = main.findChild<QListWidget*>("ListBox_Templates");
  const auto item = templates->findItems("Side by side", Qt::MatchExactly);
  ASSERT_EQ(item.size(), 1);
  templates->setCurrentItem(item.first());
  QTest::mouseClick(main.findChild<QAbstractButton*>("BitBtn1"), Qt::LeftButton);
  EXPECT_EQ(program.project.BlockAt(Block::Output), FilterBlock{"Side by side"});

  // Open preview: the generator asks for the output name.
  const std::string output = folder.File("movie.avs");
  prompts.outputName = output;
  QTest::mouseClick(main.findChild<QAbstractButton*>("Button1"), Qt::LeftButton);
  ASSERT_TRUE(prompts.errors.empty()) << prompts.errors.front();
  EXPECT_EQ(program.project.outputWidth, 320);
  EXPECT_EQ(program.project.outputHeight, 120);
  TForm_Movie& movie = *program.movie;
  ASSERT_TRUE(movie.isVisible());
  EXPECT_EQ(movie.windowTitle().toStdString(), output);
  EXPECT_EQ(movie.TrackBar_Movie->maximum(), 30);

  // Step through the viewer, then pick frame 12 on the track bar.
  movie.PlayerButtons[5]->click();  // Step
  ASSERT_TRUE(ProcessUntil([&] { return movie.Panel1->ShownFrame() == 1; }));
  movie.TrackBar_Movie->setValue(12);
  ASSERT_TRUE(ProcessUntil([&] { return movie.Panel1->ShownFrame() == 12; }));

  // Adjust Clip: both views captured at frame 12, the preview composed.
  movie.Button1->click();
  ASSERT_TRUE(prompts.errors.empty()) << prompts.errors.front();
  EXPECT_TRUE(test::FileExists(folder.File("PreviewFile_L.bmp")));
  EXPECT_TRUE(test::FileExists(folder.File("PreviewFile_R.bmp")));
  TForm_Preview& adjust = *program.preview;
  EXPECT_TRUE(adjust.isVisible());
  EXPECT_TRUE(program.picture->isVisible());
  EXPECT_EQ(program.compositor.PreviewImage().Width(), 160);

  // Scale the left view to 102 % and tilt the right one by 1.5 degrees.
  adjust.Edit_Scale->selectAll();
  QTest::keyClicks(adjust.Edit_Scale, "102");
  QTest::keyClick(adjust.Edit_Scale, Qt::Key_Return);
  adjust.Edit_AngleR->selectAll();
  QTest::keyClicks(adjust.Edit_AngleR, "1.5");
  QTest::keyClick(adjust.Edit_AngleR, Qt::Key_Return);
  ASSERT_TRUE(prompts.errors.empty()) << prompts.errors.front();

  // Apply to Clip, once the hold-off from the last run has run out.
  ASSERT_TRUE(ProcessUntil([&] { return program.alignment.regenerateHoldoff == 0; }));
  adjust.Button4->click();
  ASSERT_TRUE(prompts.errors.empty()) << prompts.errors.front();
  EXPECT_EQ(prompts.outputNameOffers.size(), 1u);  // the name is reused without asking

  const LineList script = ReadTextLines(output);
  const FrameSize tilted = RotatedFrameSize(160, 120, 1.5 * kDegreesToRadians, false);
  const WideMargins pad = SplitDifference(160, 120, tilted.width, tilted.height);
  // The clips decode as YV12: the left view's odd width and the right view's
  // odd border each bring a conversion to YV24 before the view's first line.
  ASSERT_EQ(pad.left % 2, 1);
  const std::vector<std::string> expectedAlignment = {
      "ClipA = ConvertToYV24(ClipA)", "ClipA=Lanczos4Resize(ClipA,163,122)", "ClipB = ConvertToYV24(ClipB)",
      "ClipB = AddBorders(ClipB," + std::to_string(pad.left) + "," + std::to_string(pad.top) + "," +
          std::to_string(pad.right) + "," + std::to_string(pad.bottom) + ")",
      "ClipB=zoom(ClipB,angle=\"1.5\")"};
  ASSERT_GE(script.size(), 9u);
  EXPECT_EQ(std::vector<std::string>(script.begin() + 4, script.begin() + 9), expectedAlignment);
  EXPECT_EQ(script.back(), "StackHorizontal(ClipA,ClipB)");

  // The composed picture has the size of one paired view of the output
  // script, and is a grey red/cyan anaglyph: green equals blue everywhere.
  const Bitmap& image = program.compositor.PreviewImage();
  EXPECT_EQ(image.Width() * 2, program.project.outputWidth);
  EXPECT_EQ(image.Height(), program.project.outputHeight);
  bool greenIsBlue = true;
  bool anyDepth = false;
  for (int y = 0; y < image.Height(); ++y) {
    const std::uint8_t* row = image.ScanLine(y);
    for (int x = 0; x < image.Width(); ++x) {
      greenIsBlue = greenIsBlue && row[3 * x] == row[3 * x + 1];
      anyDepth = anyDepth || row[3 * x + 2] != row[3 * x + 1];
    }
  }
  EXPECT_TRUE(greenIsBlue);
  EXPECT_TRUE(anyDepth);  // the two views differ: red and cyan part somewhere

  // The viewer reopened on the new output at the frame it showed.
  EXPECT_EQ(movie.TrackBar_Movie->value(), 12);
  ASSERT_TRUE(ProcessUntil([&] { return movie.Panel1->ShownFrame() == 12; }));
  SaveShot(&movie, "viewer");
  SaveShot(&adjust, "adjustment");
  SaveShot(program.picture.get(), "selected-frame");
}

TEST(TypicalRoad, AdjustClipBeforeOpenPreviewExplainsItself) {
  test::TempFolder folder;
  DefaultVideoServices video;
  FakePrompts prompts;
  FakeShell shell;
  TandemixProgram program(video, prompts, shell, folder.Path());
  program.movie->Button1->click();
  ASSERT_EQ(prompts.errors.size(), 1u);
  EXPECT_NE(prompts.errors[0].find("Open preview"), std::string::npos);
  EXPECT_FALSE(program.preview->isVisible());
  EXPECT_FALSE(test::FileExists(folder.File("PreviewFile_L.bmp")));
}

}  // namespace
}  // namespace tandemix
