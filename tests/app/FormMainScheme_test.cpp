// Driving the block scheme, the applied-filter list and the template
// library through the real controls.
#include <QContextMenuEvent>
#include <QDir>

#include "base/Errors.h"
#include "tests/app/MainWindowFixture.h"

namespace tandemix::test {
namespace {

using Names = std::vector<std::string>;

TEST_F(MainWindowTest, OptionsAndFileTypeRebuildTheScheme) {
  Open();
  Button("Custom")->click();
  EXPECT_EQ(project.fileType, FileType::Custom);
  EXPECT_TRUE(Panel(1)->isVisible());
  EXPECT_TRUE(Panel(2)->isVisible());
  EXPECT_EQ(Panel(1)->Caption(), "Import Left");
  EXPECT_EQ(Label("Label_FileNameLeft")->text(), "Left:");

  ClickBox("CheckBox_ImportStereo");  // stereo mode 2
  EXPECT_TRUE(project.importStereo);
  EXPECT_TRUE(Button("CheckBox_ConvertBefore")->isEnabled());
  EXPECT_EQ(Panel(1)->Caption(), "Import Stereo");
  EXPECT_TRUE(Panel(2)->isHidden());
  EXPECT_TRUE(Panel(6)->isVisible());
  EXPECT_TRUE(Panel(5)->isHidden());
  EXPECT_EQ(Panel(4)->Caption(), "Filters Stereo");
  EXPECT_EQ(Button("Button_Load")->text(), "Load Clip");
  EXPECT_EQ(Label("Label_FileNameLeft")->text(), "Stereo:");
  EXPECT_EQ(Label("Label_FileNameRight")->text(), "");

  ClickBox("CheckBox_ConvertBefore");  // stereo mode 1
  EXPECT_TRUE(project.convertBefore);
  EXPECT_TRUE(Panel(3)->isVisible());
  EXPECT_TRUE(Panel(5)->isVisible());
  EXPECT_TRUE(Panel(6)->isHidden());
  EXPECT_EQ(Panel(4)->Caption(), "Filters Left");

  Button("Picture")->click();
  EXPECT_TRUE(Panel(1)->isHidden());
  ClickBox("CheckBox_ImportStereo");  // back to two files
  EXPECT_FALSE(Button("CheckBox_ConvertBefore")->isEnabled());
  EXPECT_TRUE(Button("CheckBox_ConvertBefore")->isChecked()) << "its check mark stays";
  EXPECT_TRUE(Panel(3)->isHidden());
  EXPECT_EQ(Button("Button_Load")->text(), "Load Clips");
}

TEST_F(MainWindowTest, CurrentBlockFollowsPanelsThatHide) {
  WriteTemplate("Deinterlace");
  WriteTemplate("Sharpen");
  Open();
  // FilterLeft holds two names; Panel2 (ImportRight) is lit.
  SelectTemplate("Deinterlace");
  Click("BitBtn1");
  SelectTemplate("Sharpen");
  Click("BitBtn1");
  Button("Custom")->click();
  PressPanel(2);
  EXPECT_EQ(LitPanel(), 2);
  EXPECT_EQ(Filters()->count(), 0);
  ClickBox("CheckBox_ImportStereo");
  EXPECT_EQ(LitPanel(), 4);
  EXPECT_EQ(Items(Filters()), (Names{"Deinterlace", "Sharpen"}));
  EXPECT_EQ(SelectedRow(Filters()), 1) << "the last name is selected after a refresh";

  // Leaving Custom while Panel1 is lit moves to FilterLeft too.
  PressPanel(1);
  EXPECT_EQ(LitPanel(), 1);
  Button("Video")->click();
  EXPECT_EQ(LitPanel(), 4);
  EXPECT_EQ(project.currentBlock, 4);
}

TEST_F(MainWindowTest, ConvertNamesFollowTheLitConvertPanel) {
  WriteTemplate("SeparateFields");
  Open();
  ClickBox("CheckBox_ImportStereo");  // mode 2: Panel6
  PressPanel(6);
  SelectTemplate("SeparateFields");
  Click("BitBtn1");
  EXPECT_EQ(project.BlockAt(Block::Convert), Names{"SeparateFields"});
  ClickBox("CheckBox_ConvertBefore");  // mode 1: Panel3
  EXPECT_EQ(LitPanel(), 3);
  EXPECT_EQ(Items(Filters()), Names{"SeparateFields"});
}

TEST_F(MainWindowTest, RightPressCopiesTheChainAndDisabledPanelsIgnorePresses) {
  WriteTemplate("Crop");
  WriteTemplate("Resize");
  Open();
  SelectTemplate("Crop");
  Click("BitBtn1");
  SelectTemplate("Resize");
  Click("BitBtn1");
  PressPanel(5, Qt::RightButton);
  EXPECT_EQ(LitPanel(), 5);
  EXPECT_EQ(project.BlockAt(Block::FilterRight), (Names{"Crop", "Resize"}));
  EXPECT_EQ(Items(Filters()), (Names{"Crop", "Resize"}));
  // Later edits of one block leave the other as it is.
  Click("BitBtn2");
  EXPECT_EQ(project.BlockAt(Block::FilterRight), Names{"Crop"});
  EXPECT_EQ(project.BlockAt(Block::FilterLeft), (Names{"Crop", "Resize"}));

  // A left press only selects.
  PressPanel(9);
  EXPECT_EQ(LitPanel(), 9);
  EXPECT_TRUE(project.BlockAt(Block::Output).empty());
  // Panel7 and hidden panels select nothing.
  QTest::mousePress(Panel(7), Qt::LeftButton, {}, QPoint(20, 20));
  QTest::mousePress(Panel(3), Qt::RightButton, {}, QPoint(20, 20));
  EXPECT_EQ(LitPanel(), 9);
  EXPECT_TRUE(project.BlockAt(Block::Convert).empty());
}

TEST_F(MainWindowTest, AddDeleteUpDownKeepListAndBlockInStep) {
  WriteTemplate("A");
  WriteTemplate("B");
  WriteTemplate("C");
  Open();
  // Right after start an Add fills FilterLeft.
  Click("BitBtn1");  // "A" is selected after the listing
  SelectTemplate("B");
  Click("BitBtn1");
  // A right click on the applied list adds like the button.
  QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), Filters()->viewport()->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(Filters()->viewport(), &menu);
  SelectTemplate("C");
  Click("BitBtn1");
  EXPECT_EQ(project.BlockAt(Block::FilterLeft), (Names{"A", "B", "B", "C"}));
  EXPECT_EQ(SelectedRow(Filters()), 3);

  auto expectInStep = [&](const Names& names, int selected) {
    EXPECT_EQ(project.BlockAt(Block::FilterLeft), names);
    EXPECT_EQ(Items(Filters()), names);
    EXPECT_EQ(SelectedRow(Filters()), selected);
  };
  Click("BitBtn2");  // delete the last: the new last is selected
  expectInStep({"A", "B", "B"}, 2);
  Click("BitBtn2");  // deleting the second of two equal names leaves the first
  expectInStep({"A", "B"}, 1);
  Click("BitBtn4");  // Down on the last: nothing, not even the selection
  expectInStep({"A", "B"}, 1);
  Click("BitBtn3");
  expectInStep({"B", "A"}, 0);
  Click("BitBtn3");  // Up on the first: nothing
  expectInStep({"B", "A"}, 0);
  Click("BitBtn4");
  expectInStep({"A", "B"}, 1);
  Filters()->setCurrentRow(0);
  Click("BitBtn2");  // deleting the first selects the follower, now first
  expectInStep({"B"}, 0);
  Click("BitBtn2");
  expectInStep({}, -1);
  Click("BitBtn2");
  Click("BitBtn3");
  Click("BitBtn4");
  expectInStep({}, -1);
  EXPECT_TRUE(project.BlockAt(Block::FilterRight).empty()) << "no other block is touched";
}

TEST_F(MainWindowTest, TemplateListCoversFilesAndFoldersSortedWithoutCase) {
  WriteTemplate("B");
  WriteTemplate("a");
  WriteBytes(folder.File("readme.txt"), "");
  ASSERT_TRUE(QDir(QString::fromStdString(folder.Path())).mkdir("old.avt"));
  Open();
  EXPECT_EQ(shell.registrations, 1);
  EXPECT_EQ(Items(TemplatesList()), (Names{"a", "B", "old"}));
  EXPECT_EQ(SelectedRow(TemplatesList()), 0);

  // New starts the editor on nothing and refreshes at once.
  WriteTemplate("c");
  Trigger("New1");
  EXPECT_EQ(shell.editorStarts, Names{""});
  EXPECT_EQ(Items(TemplatesList()), (Names{"a", "B", "c", "old"}));
  // Edit starts it on the selected template's file, path whole.
  SelectTemplate("B");
  Trigger("Edit1");
  EXPECT_EQ(shell.editorStarts.back(), folder.File("B.avt"));
  // Clear asks first; No keeps the file, Yes deletes it.
  prompts.yesNo = {false, true};
  Trigger("Clear1");
  ASSERT_EQ(prompts.questions.size(), 1u);
  EXPECT_EQ(prompts.questions[0].caption, "Confirmation");
  EXPECT_EQ(prompts.questions[0].text, "Are you sure to delete 'B' ?");
  EXPECT_TRUE(FileExists(folder.File("B.avt")));
  Trigger("Clear1");
  EXPECT_FALSE(FileExists(folder.File("B.avt")));
  EXPECT_EQ(Items(TemplatesList()), (Names{"a", "c", "old"}));
  WriteTemplate("Z");
  Trigger("Refresh1");
  EXPECT_EQ(Items(TemplatesList()), (Names{"a", "c", "old", "Z"}));
}

TEST_F(MainWindowTest, AnEmptyLibraryLeavesAddEditAndClearIdle) {
  Open();
  EXPECT_EQ(TemplatesList()->count(), 0);
  Click("BitBtn1");
  Trigger("Edit1");
  Trigger("Clear1");
  EXPECT_TRUE(project.BlockAt(Block::FilterLeft).empty());
  EXPECT_TRUE(shell.editorStarts.empty());
  EXPECT_TRUE(prompts.questions.empty());
}

TEST_F(MainWindowTest, SaveTemplateJoinsTheShownChain) {
  WriteTemplate("Crop", "Crop(FileL, 8, 0, -8, 0)\r\n");
  WriteTemplate("Resize", "LanczosResize(SliderA, SliderB)\n");
  Open();
  Click("Button8");  // empty list: no dialog
  EXPECT_TRUE(prompts.fileRequests.empty());
  SelectTemplate("Crop");
  Click("BitBtn1");
  SelectTemplate("Resize");
  Click("BitBtn1");
  prompts.files = {std::nullopt, folder.File("Both.avt")};
  Click("Button8");  // cancelled
  EXPECT_FALSE(FileExists(folder.File("Both.avt")));
  Click("Button8");
  ASSERT_EQ(prompts.fileRequests.size(), 2u);
  const FileDialogRequest& r = prompts.fileRequests[1];
  EXPECT_TRUE(r.save);
  EXPECT_EQ(r.title, "Choose Filename for AviSynth Template (*.avt)");
  EXPECT_EQ(r.filters, Names{"AviSynth Template (*.avt)|*.avt"});
  EXPECT_EQ(r.defaultSuffix, "avt");
  EXPECT_EQ(r.initialFolder, folder.Path());
  EXPECT_TRUE(r.confirmOverwrite);
  EXPECT_EQ(ReadBytes(folder.File("Both.avt")), CrLf({"Crop(FileL, 8, 0, -8, 0)", "LanczosResize(SliderA, SliderB)"}));
  EXPECT_EQ(Items(TemplatesList()), (Names{"Both", "Crop", "Resize"}));
}

TEST_F(MainWindowTest, SaveTemplateWithAMissingTemplateWritesNothing) {
  WriteTemplate("Crop", "Crop(0, 0, 0, 0)\r\n");
  WriteTemplate("Gone");
  WriteTemplate("Target", "old\r\n");
  Open();
  SelectTemplate("Crop");
  Click("BitBtn1");
  SelectTemplate("Gone");
  Click("BitBtn1");
  ASSERT_TRUE(QFile::remove(QString::fromStdString(folder.File("Gone.avt"))));
  prompts.files = {folder.File("Target.avt")};
  Click("Button8");
  EXPECT_EQ(prompts.errors, Names{"Cannot open file " + folder.File("Gone.avt")});
  EXPECT_EQ(ReadBytes(folder.File("Target.avt")), "old\r\n");
  EXPECT_EQ(Items(TemplatesList()), (Names{"Crop", "Gone", "Target"})) << "not refreshed";
}

}  // namespace
}  // namespace tandemix::test
