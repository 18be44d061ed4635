#include "project/TemplateLibrary.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

#include "base/Errors.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

using test::CrLf;
using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

TEST(TemplateLibraryTest, ListsEveryAvtEntrySortedWithoutRegardToCase) {
  TempFolder folder;
  WriteBytes(folder.File("B.avt"), "");
  WriteBytes(folder.File("a.avt"), "");
  WriteBytes(folder.File("c d.avt"), "");
  WriteBytes(folder.File(".hidden.avt"), "");
  WriteBytes(folder.File("notes.txt"), "");
  WriteBytes(folder.File("upper.AVT"), "");  // its name would not lead back to it
  WriteBytes(folder.File("x.avtx"), "");
  ASSERT_TRUE(QDir(QString::fromStdString(folder.Path())).mkdir("old.avt"));
  ASSERT_TRUE(QFile::link("missing-target", QString::fromStdString(folder.File("dangling.avt"))));
  EXPECT_EQ(ListTemplateNames(folder.Path()),
            (std::vector<std::string>{".hidden", "a", "B", "c d", "dangling", "old"}));
  EXPECT_TRUE(ListTemplateNames(folder.File("missing")).empty());
}

TEST(TemplateLibraryTest, RefreshSelectsTheFirstNameOrNothing) {
  TempFolder folder;
  TemplateLibrary library(folder.Path());
  library.Refresh();
  EXPECT_EQ(library.Selected(), -1);
  EXPECT_FALSE(library.SelectedName());
  WriteBytes(folder.File("Zoom.avt"), "");
  WriteBytes(folder.File("crop.avt"), "");
  library.Refresh();
  EXPECT_EQ(library.SelectedName(), "crop");
  library.Select(1);
  EXPECT_EQ(library.SelectedPath(), folder.File("Zoom.avt"));
  library.Select(2);
  EXPECT_EQ(library.Selected(), -1);
}

TEST(TemplateLibraryTest, DeleteRemovesTheSelectedFileAndRefreshes) {
  TempFolder folder;
  WriteBytes(folder.File("a.avt"), "");
  WriteBytes(folder.File("b.avt"), "");
  TemplateLibrary library(folder.Path());
  library.Refresh();
  library.Select(1);
  library.DeleteSelected();
  EXPECT_FALSE(test::FileExists(folder.File("b.avt")));
  EXPECT_EQ(library.Names(), std::vector<std::string>{"a"});
  EXPECT_EQ(library.SelectedName(), "a");
  // A folder cannot be deleted this way; that is not an error.
  ASSERT_TRUE(QDir(QString::fromStdString(folder.Path())).mkdir("old.avt"));
  library.Refresh();
  library.Select(1);
  EXPECT_NO_THROW(library.DeleteSelected());
  EXPECT_EQ(library.Names(), (std::vector<std::string>{"a", "old"}));
  EXPECT_EQ(ClearConfirmationText("a"), "Are you sure to delete 'a' ?");
}

TEST(TemplateLibraryTest, SaveChainJoinsTemplatesWithKeywordsUntouched) {
  TempFolder folder;
  WriteBytes(folder.File("Crop.avt"), "Crop(FileL, 8, 0, -8, 0)\nLast\r\n");
  WriteBytes(folder.File("Resize.avt"), "LanczosResize(SliderA, SliderB)\rFileR");
  TemplateLibrary library(folder.Path());
  library.SaveChain({"Crop", "Resize", "Crop"}, folder.File("Both.avt"));
  EXPECT_EQ(ReadBytes(folder.File("Both.avt")),
            CrLf({"Crop(FileL, 8, 0, -8, 0)", "Last", "LanczosResize(SliderA, SliderB)", "FileR",
                  "Crop(FileL, 8, 0, -8, 0)", "Last"}));
  EXPECT_EQ(library.Names(), (std::vector<std::string>{"Both", "Crop", "Resize"}));
}

TEST(TemplateLibraryTest, SaveChainWithAnUnreadableTemplateWritesNothing) {
  TempFolder folder;
  WriteBytes(folder.File("Crop.avt"), "Crop(0,0,0,0)\r\n");
  WriteBytes(folder.File("Target.avt"), "old text\r\n");
  TemplateLibrary library(folder.Path());
  try {
    library.SaveChain({"Crop", "Gone"}, folder.File("Target.avt"));
    FAIL() << "expected an error";
  } catch (const TandemixError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + folder.File("Gone.avt"));
  }
  EXPECT_EQ(ReadBytes(folder.File("Target.avt")), "old text\r\n");
  EXPECT_TRUE(library.Names().empty()) << "no refresh after a failure";
  // A target that cannot be created is reported as such.
  EXPECT_THROW(library.SaveChain({"Crop"}, folder.File("no/such/folder.avt")), TandemixError);
}

}  // namespace
}  // namespace tandemix
