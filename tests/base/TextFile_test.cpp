#include "base/TextFile.h"

#include <gtest/gtest.h>

#include "base/Errors.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

using test::TempFolder;

TEST(SplitLines, EveryKindOfLineBreak) {
  EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (LineList{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n"), (LineList{"a"}));
  EXPECT_EQ(SplitLines("a\n\nb\n"), (LineList{"a", "", "b"}));
  EXPECT_EQ(SplitLines("a\n\r\nb"), (LineList{"a", "", "b"}));
  EXPECT_EQ(SplitLines(""), LineList{});
  EXPECT_EQ(SplitLines("\r\n"), (LineList{""}));
}

TEST(SplitLines, NulEndsTheText) { EXPECT_EQ(SplitLines(std::string_view("ab\0cd\r\nef", 9)), (LineList{"ab"})); }

TEST(TextFile, WritesCrLfAfterEveryLine) {
  TempFolder dir;
  WriteTextLines(dir.File("x.avs"), {"one", "", "three"});
  EXPECT_EQ(test::ReadBytes(dir.File("x.avs")), "one\r\n\r\nthree\r\n");
  EXPECT_EQ(ReadTextLines(dir.File("x.avs")), (LineList{"one", "", "three"}));
}

TEST(TextFile, MissingFileAndUnwritableFolder) {
  TempFolder dir;
  try {
    ReadTextLines(dir.File("missing.avt"));
    FAIL();
  } catch (const TandemixError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + dir.File("missing.avt"));
  }
  EXPECT_THROW(ReadTextLines(dir.Path()), TandemixError);
  try {
    WriteTextLines(dir.File("no/such/folder.avs"), {"x"});
    FAIL();
  } catch (const TandemixError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + dir.File("no/such/folder.avs"));
  }
}

}  // namespace
}  // namespace tandemix
