#include "core/SettingsKeys.h"

#include <gtest/gtest.h>

namespace tandemix {
namespace {

TEST(SettingsKeys, OneKeyPerKindOfFileAndWindow) {
  EXPECT_EQ(FolderKey(FileKind::Clips), "folders/clips");
  EXPECT_EQ(FolderKey(FileKind::Projects), "folders/projects");
  EXPECT_EQ(FolderKey(FileKind::Templates), "folders/templates");
  EXPECT_EQ(FolderKey(FileKind::Pictures), "folders/pictures");
  EXPECT_EQ(FolderKey(FileKind::Scripts), "folders/scripts");
  EXPECT_EQ(FolderKey(FileKind::None), "");
  EXPECT_EQ(WindowGeometryKey("Form_Movie"), "windows/Form_Movie/geometry");
}

TEST(SettingsKeys, OutputNamesAreKeptPerPairOfClips) {
  EXPECT_EQ(OutputNameKey("/v/left.avi", "/v/right.avi"), "outputs/9c9739005157f8aa");
  EXPECT_EQ(OutputNameKey("/v/left.avi", ""), "outputs/7086a46ac4ece2ca");
  // The line feed between the names keeps "ab"+"c" apart from "a"+"bc".
  EXPECT_NE(OutputNameKey("ab", "c"), OutputNameKey("a", "bc"));
  EXPECT_EQ(OutputNameKey("", ""), "");
}

TEST(SettingsKeys, FoldersOfPathsAndWhereADialogStarts) {
  EXPECT_EQ(FolderOf("/home/ann/clips/left.avi"), "/home/ann/clips");
  EXPECT_EQ(FolderOf("/left.avi"), "/");
  EXPECT_EQ(FolderOf("left.avi"), "");
  EXPECT_EQ(StartFolder("/home/ann/clips", true, "/opt/tandemix"), "/home/ann/clips");
  EXPECT_EQ(StartFolder("/home/ann/gone", false, "/opt/tandemix"), "/opt/tandemix");
  EXPECT_EQ(StartFolder("", true, "/opt/tandemix"), "/opt/tandemix");
}

}  // namespace
}  // namespace tandemix
