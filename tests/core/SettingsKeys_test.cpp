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
TEST(SettingsKeys, DepthLimitsReadWithinReason) {
  EXPECT_STREQ(kDepthScreenWidthKey, "depth/screenWidth");
  EXPECT_STREQ(kDepthNearBudgetKey, "depth/nearBudget");
  const struct {
    const char* text;
    double expected;
  } cases[] = {{"3.5", 3.5}, {" 0.1 ", 0.1}, {"100", 100.0}, {"", 2.0},    {"abc", 2.0},
               {"3,5", 2.0}, {"0.05", 2.0},  {"101", 2.0},   {"nan", 2.0}, {"1e1", 10.0}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(SettingNumber(c.text, 2.0, 0.1, 100.0), c.expected) << c.text;
}

TEST(SettingsKeys, DepthLimitsWrittenAsTheyAreRead) {
  const struct {
    double value;
    const char* text;
  } cases[] = {{2.0, "2"}, {1.25, "1.25"}, {0.1, "0.1"}, {100.0, "100"}, {1.0 / 3.0, "0.33333333"}, {2.5e-2, "0.025"}};
  for (const auto& c : cases) {
    EXPECT_EQ(SettingNumberText(c.value), c.text) << c.value;
    EXPECT_NEAR(SettingNumber(SettingNumberText(c.value), -1.0, 0.0, 1000.0), c.value, 1e-8) << c.value;
  }
}

}  // namespace tandemix
