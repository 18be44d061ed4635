// The stereo layout a generated script shows, read from its last statement.
#include "script/ScriptLayout.h"

#include <gtest/gtest.h>

#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

TEST(ScriptLayout, LayoutOfScriptReadsTheLastStatement) {
  EXPECT_EQ(LayoutOfScript("ClipA = x\r\nStackHorizontal(ClipA,ClipB)\r\n# done\r\n\r\n"), ViewLayout::SideBySide);
  EXPECT_EQ(LayoutOfScript("StackHorizontal( ClipB , ClipA )"), ViewLayout::SideBySideCross);
  EXPECT_EQ(LayoutOfScript("StackVertical(ClipA.BilinearResize(64,24),ClipB.BilinearResize(64,24))"),
            ViewLayout::OverUnderHalf);
  EXPECT_EQ(LayoutOfScript("StackVertical(ClipA,ClipB)\nCrop(0,0,-0,-2)"), ViewLayout::None);  // a filter after it
  EXPECT_EQ(LayoutOfScript("return(ClipB)"), ViewLayout::Mono);
  EXPECT_EQ(LayoutOfScript(""), ViewLayout::None);
  EXPECT_EQ(LayoutOfScript("# only a comment"), ViewLayout::None);
}

TEST(ScriptLayout, ScriptFilesAreReadAndMissingOnesShowNone) {
  test::TempFolder folder;
  const std::string script = folder.File("cross.avs");
  test::WriteBytes(script, "ClipA = BlankClip()\r\nStackHorizontal(ClipB, ClipA)\r\n");
  EXPECT_EQ(LayoutOfScriptFile(script), ViewLayout::SideBySideCross);
  EXPECT_EQ(LayoutOfScriptFile(folder.File("missing.avs")), ViewLayout::None);
}

}  // namespace
}  // namespace tandemix
