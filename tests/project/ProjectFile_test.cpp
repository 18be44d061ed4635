#include "project/ProjectFile.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "base/Errors.h"
#include "base/TextFile.h"
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
  // A marker with a trailing blank is not a marker: the file misses one.
  lines[0] += " ";
  EXPECT_THROW(ParseProjectLines(lines), TandemixError);
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

std::string ParseError(const LineList& lines) {
  try {
    ParseProjectLines(lines, "p.avp");
  } catch (const TandemixError& e) {
    return e.what();
  }
  return "";
}

// A project whose markers are missing, repeated or out
// of order is unreadable, instead of turning marker lines into template
// names and saving back as another project.
TEST(ProjectFile, MarkersMissingRepeatedOrOutOfOrderAreRefused) {
  LineList lines = ProjectFileLines(Sample());
  LineList missing = lines;
  missing.erase(missing.begin() + 2);  // "! ImportRightTemplate"
  EXPECT_EQ(ParseError(missing), "The project p.avp cannot be read: the line \"! ImportRightTemplate\" is missing.");
  LineList noOption = lines;
  noOption.erase(noOption.end() - 2);  // "! ConvertBefore"
  EXPECT_EQ(ParseError(noOption), "The project p.avp cannot be read: the line \"! ConvertBefore\" is missing.");
  LineList swapped = lines;
  std::swap(swapped[0], swapped[2]);
  EXPECT_EQ(ParseError(swapped),
            "The project p.avp cannot be read: the line \"! ImportRightTemplate\" comes before \"! "
            "ImportLeftTemplate\".");
  LineList repeated = lines;
  repeated.insert(repeated.begin() + 1, "! convertTemplate");
  EXPECT_EQ(ParseError(repeated),
            "The project p.avp cannot be read: the line \"! ConvertTemplate\" appears more than once.");
  // Lines before the first marker and after the last value are ignored.
  LineList padded = ProjectFileLines(Sample());
  padded.insert(padded.begin(), "junk");
  padded.push_back("trailing");
  EXPECT_EQ(ParseProjectLines(padded).blocks, Sample().blocks);
  // A value line that is missing reads as empty, not as the next marker.
  LineList noValue = ProjectFileLines(Sample());
  noValue.erase(noValue.begin() + 15);  // the ImportStereo value
  EXPECT_FALSE(ParseProjectLines(noValue).importStereo);
  EXPECT_EQ(ParseProjectLines(noValue).fileType, FileType::Custom);
}

// Template names that would reach outside the template
// folder are refused when the project is read; nothing is applied.
TEST(ProjectFile, TemplateNamesOutsideTheFolderAreRefused) {
  for (const char* name : {"../../elsewhere/evil", "/etc/evil", "sub/dir", "..\\evil", "..", "."}) {
    ProjectState p = Sample();
    p.BlockAt(Block::FilterRight) = {"fine", name};
    EXPECT_EQ(ParseError(ProjectFileLines(p)),
              "The project p.avp cannot be read: the FilterRight block names the template \"" + std::string(name) +
                  "\", but a template name may not hold '/' or '\\' nor be '.' or '..': templates are read only from "
                  "the template folder.");
  }
  // Dots inside a name are a name.
  ProjectState p = Sample();
  p.BlockAt(Block::Output) = {"side..by..side", "...", ".hidden"};
  EXPECT_EQ(ParseProjectLines(ProjectFileLines(p)).blocks, p.blocks);
  test::TempFolder dir;
  test::WriteBytes(dir.File("evil.avp"), JoinLinesCrLf([] {
                     ProjectState e;
                     e.BlockAt(Block::Output) = {"../../elsewhere/evil"};
                     return ProjectFileLines(e);
                   }()));
  ProjectState state = Sample();
  try {
    ApplyProject(state, ReadProject(dir.File("evil.avp")));
    FAIL();
  } catch (const TandemixError& e) {
    EXPECT_EQ(
        std::string(e.what()).rfind("The project " + dir.File("evil.avp") + " cannot be read: the Output block", 0), 0u)
        << e.what();
  }
  EXPECT_EQ(state.blocks, Sample().blocks);
}

// For projects and templates alike: a file saved with
// a UTF-8 byte order mark reads as without one.
TEST(ProjectFile, ByteOrderMarkIsSkipped) {
  test::TempFolder dir;
  test::WriteBytes(dir.File("bom.avp"), "\xEF\xBB\xBF" + JoinLinesCrLf(ProjectFileLines(Sample())));
  EXPECT_EQ(ReadProject(dir.File("bom.avp")).blocks, Sample().blocks);
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
