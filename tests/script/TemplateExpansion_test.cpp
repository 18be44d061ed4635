#include "script/TemplateExpansion.h"

#include <gtest/gtest.h>

#include "base/Errors.h"
#include "core/ScriptNumber.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

const TemplateKeywords kKeys{"/v/left.avi", "/v/right.avi", "0.25", "7"};

TEST(SubstituteKeywords, FirstOccurrenceOfEachInFixedOrder) {
  EXPECT_EQ(SubstituteKeywords("AVISource(\"FileL\") FileL", kKeys), "AVISource(\"/v/left.avi\") FileL");
  EXPECT_EQ(SubstituteKeywords("f(SliderB, SliderA)", kKeys), "f(7, 0.25)");
  EXPECT_EQ(SubstituteKeywords("SliderAB", kKeys), "0.25B");
  EXPECT_EQ(SubstituteKeywords("MyFileLater", kKeys), "My/v/left.aviater");
  EXPECT_EQ(SubstituteKeywords("slidera filel FILEL", kKeys), "slidera filel FILEL");
  EXPECT_EQ(SubstituteKeywords("", kKeys), "");
}

TEST(SubstituteKeywords, InsertedTextIsNeverSearchedAgain) {
  // Paths holding keywords keep their text.
  const TemplateKeywords keys{"/x/FileR/SliderA.avi", "/y/FileL/SliderB.avi", "1", "2"};
  EXPECT_EQ(SubstituteKeywords("FileL", keys), "/x/FileR/SliderA.avi");
  EXPECT_EQ(SubstituteKeywords("FileR", keys), "/y/FileL/SliderB.avi");
  EXPECT_EQ(SubstituteKeywords("StackHorizontal(FileL, FileR) SliderA SliderB", keys),
            "StackHorizontal(/x/FileR/SliderA.avi, /y/FileL/SliderB.avi) 1 2");
  const TemplateKeywords reel{"/clips/MyFileReel.avi", "/clips/FileR/right.avi", "0.5", "3"};
  EXPECT_EQ(SubstituteKeywords("AVISource(\"FileL\")", reel), "AVISource(\"/clips/MyFileReel.avi\")");
  // The template's own text keeps the first-occurrence rule and the order.
  EXPECT_EQ(SubstituteKeywords("FileR FileL FileR SliderB SliderA", reel),
            "/clips/FileR/right.avi /clips/MyFileReel.avi FileR 3 0.5");
}

class ExpandBlockTest : public ::testing::Test {
 protected:
  test::TempFolder dir;
  void Template(const std::string& name, const std::string& bytes) { test::WriteBytes(dir.File(name + ".avt"), bytes); }
};

TEST_F(ExpandBlockTest, LineSplittingOfTemplateFiles) {
  Template("a", "one\r\ntwo\rthree\n\nfive");
  Template("b", "last\r\n");
  Template("empty", "");
  LineList out{"before"};
  ExpandBlock(out, {"a", "empty", "b"}, dir.Path(), kKeys);
  EXPECT_EQ(out, (LineList{"before", "one", "two", "three", "", "five", "last"}));
}

TEST_F(ExpandBlockTest, RepeatedNamesAndSliderFormat) {
  Template("blur", "Blur(SliderA)");
  LineList out;
  TemplateKeywords keys = kKeys;
  ExpandBlock(out, {"blur", "blur"}, dir.Path(), keys);
  EXPECT_EQ(out, (LineList{"Blur(0.25)", "Blur(0.25)"}));
  out.clear();
  keys.sliderA = FormatScriptNumber(0.00001);
  ExpandBlock(out, {"blur"}, dir.Path(), keys);
  EXPECT_EQ(out, (LineList{"Blur(1E-5)"}));
}

TEST_F(ExpandBlockTest, MissingTemplateAppendsNothing) {
  Template("first", "Sharpen(1)\r\n");
  LineList out;
  try {
    ExpandBlock(out, {"first", "gone", "first"}, dir.Path(), kKeys);
    FAIL() << "no error";
  } catch (const TandemixError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + dir.File("gone.avt"));
  }
  EXPECT_EQ(out, LineList{});
  // A name that would reach outside the folder is refused the same way.
  EXPECT_THROW(ExpandBlock(out, {"first", "../first"}, dir.Path(), kKeys), TandemixError);
  EXPECT_EQ(out, LineList{});
}

TEST_F(ExpandBlockTest, NamesWithBlanksAndEmptyBlock) {
  Template("my filter", "Levels(0,1,255,0,255)");
  LineList out;
  ExpandBlock(out, {}, dir.Path(), kKeys);
  EXPECT_TRUE(out.empty());
  ExpandBlock(out, {"my filter"}, dir.Path() + "/", kKeys);
  EXPECT_EQ(out, (LineList{"Levels(0,1,255,0,255)"}));
}

}  // namespace
}  // namespace tandemix
