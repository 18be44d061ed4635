#include "project/ProjectFile.h"

#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

ProjectState Sample() {
  ProjectState p;
  p.BlockAt(Block::ImportLeft) = {"import me"};
  p.BlockAt(Block::Convert) = {"split", "split"};
  p.BlockAt(Block::FilterLeft) = {"", "  padded  "};
  p.BlockAt(Block::Preview) = {"kept for later"};
  p.BlockAt(Block::Output) = {"stack"};
  p.importStereo = true;
  p.convertBefore = true;
  p.fileType = FileType::Custom;
  return p;
}

TEST(ProjectFile, WrittenLinesInOrder) {
  EXPECT_EQ(ProjectFileLines(Sample()), (LineList{"! ImportLeftTemplate",
                                                  "import me",
                                                  "! ImportRightTemplate",
                                                  "! ConvertTemplate",
                                                  "split",
                                                  "split",
                                                  "! FilterLeftTemplate",
                                                  "",
                                                  "  padded  ",
                                                  "! FilterRightTemplate",
                                                  "! PreviewTemplate",
                                                  "kept for later",
                                                  "! OutputTemplate",
                                                  "stack",
                                                  "! ImportStereo",
                                                  "1",
                                                  "! FileType",
                                                  "3",
                                                  "! ConvertBefore",
                                                  "1"}));
}

TEST(ProjectFile, RoundTripKeepsEveryBlockExactly) {
  test::TempFolder dir;
  const ProjectState saved = Sample();
  SaveProject(dir.File("p.avp"), saved);
  EXPECT_EQ(test::ReadBytes(dir.File("p.avp")).substr(0, 33), "! ImportLeftTemplate\r\nimport me\r\n");
  ProjectState loaded;
  ApplyProject(loaded, ReadProject(dir.File("p.avp")));
  EXPECT_EQ(loaded.blocks, saved.blocks);
  EXPECT_TRUE(loaded.importStereo);
  EXPECT_TRUE(loaded.convertBefore);
  EXPECT_TRUE(loaded.convertBeforeEnabled);
  EXPECT_EQ(loaded.fileType, FileType::Custom);
  EXPECT_EQ(static_cast<int>(StereoModeOf(loaded)), 1);
}

TEST(ProjectFile, MarkersIgnoreLetterCase) {
  LineList lines = ProjectFileLines(Sample());
  LineList lower = lines;
  for (auto& line : lower)
    if (!line.empty() && line[0] == '!')
      for (auto& ch : line) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  const ProjectFileContents a = ParseProjectLines(lines);
  const ProjectFileContents b = ParseProjectLines(lower);
  EXPECT_EQ(a.blocks, b.blocks);
  EXPECT_EQ(a.fileType, b.fileType);
  EXPECT_EQ(a.importStereo, b.importStereo);
  // A marker with a trailing blank is not a marker.
  lines[0] += " ";
  EXPECT_NE(ParseProjectLines(lines).blocks[0], a.blocks[0]);
}

TEST(ProjectFile, FileTypeIsClampedAndFlagsMustBeExactlyOne) {
  LineList lines = ProjectFileLines(ProjectState{});
  lines[8] = " 1";   // ImportStereo value
  lines[10] = "7";   // FileType value
  lines[12] = "1 ";  // ConvertBefore value
  ProjectFileContents c = ParseProjectLines(lines);
  EXPECT_FALSE(c.importStereo);
  EXPECT_EQ(static_cast<int>(c.fileType), 3);
  EXPECT_FALSE(c.convertBefore);
  lines[10] = "-5";
  EXPECT_EQ(static_cast<int>(ParseProjectLines(lines).fileType), -1);
}

TEST(ProjectFile, NotAnIntegerIsReported) {
  LineList lines = ProjectFileLines(ProjectState{});
  lines[10] = "AVI";
  try {
    ParseProjectLines(lines);
    FAIL();
  } catch (const TandemixError& e) {
    EXPECT_STREQ(e.what(), "'AVI' is not a valid integer value");
  }
  // A file that stops at the marker has no value to read.
  lines.resize(10);
  EXPECT_THROW(ParseProjectLines(lines), TandemixError);
}

TEST(ProjectFile, MissingMarkersFollowTheLookup) {
  // Without "! ImportRightTemplate" the block before it stays empty and
  // ImportRight takes everything from the first line up to the next marker.
  const LineList lines = {"! ImportLeftTemplate", "a",
                          "! ConvertTemplate",    "c",
                          "! FilterLeftTemplate", "! FilterRightTemplate",
                          "! PreviewTemplate",    "! OutputTemplate",
                          "! ImportStereo",       "0",
                          "! FileType",           "0",
                          "! ConvertBefore",      "0"};
  const ProjectFileContents c = ParseProjectLines(lines);
  EXPECT_TRUE(c.blocks[0].empty());
  EXPECT_EQ(c.blocks[1], (FilterBlock{"! ImportLeftTemplate", "a"}));
  EXPECT_EQ(c.blocks[2], (FilterBlock{"c"}));
  // Lines before the first marker and after the last value are ignored.
  LineList padded = ProjectFileLines(Sample());
  padded.insert(padded.begin(), "junk");
  padded.push_back("trailing");
  EXPECT_EQ(ParseProjectLines(padded).blocks, Sample().blocks);
}

TEST(ProjectFile, UnreadableFileChangesNothing) {
  test::TempFolder dir;
  ProjectState state = Sample();
  EXPECT_THROW(ReadProject(dir.File("missing.avp")), TandemixError);
  test::WriteBytes(dir.File("bad.avp"), "! ImportLeftTemplate\r\nx\r\n! FileType\r\nnone\r\n");
  try {
    ApplyProject(state, ReadProject(dir.File("bad.avp")));
    FAIL();
  } catch (const TandemixError&) {
  }
  EXPECT_EQ(state.blocks, Sample().blocks);
}

TEST(ProjectFile, FailedSaveKeepsTheOldFile) {
  test::TempFolder dir;
  SaveProject(dir.File("p.avp"), Sample());
  const std::string before = test::ReadBytes(dir.File("p.avp"));
  EXPECT_THROW(SaveProject(dir.File("missing/p.avp"), ProjectState{}), TandemixError);
  EXPECT_EQ(test::ReadBytes(dir.File("p.avp")), before);
}

}  // namespace
}  // namespace tandemix
