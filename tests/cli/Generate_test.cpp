#include <gtest/gtest.h>

#include <QDir>

#include "base/TextFile.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

using test::FileExists;
using test::ReadBytes;
using test::RunCli;

// Two real AVI clips made by ffmpeg (30 and 50 frames), a template folder
// with a side-by-side output template, in a folder whose name has a blank.
class GenerateCli : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new test::TempFolder();
    media_ = folder_->File("my clips");
    QDir().mkpath(QString::fromStdString(media_));
    ASSERT_TRUE(test::MakeTestVideo(Left(), 64, 48, 30));
    ASSERT_TRUE(test::MakeTestVideo(Right(), 64, 48, 50));
    test::WriteBytes(media_ + "/stack.avt", "StackHorizontal(ClipA,ClipB)\r\n");
    test::WriteBytes(media_ + "/notes.avi", "just some text, not video\n");
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static std::string Left() { return media_ + "/left.avi"; }
  static std::string Right() { return media_ + "/right.avi"; }
  static std::string Templates() { return media_; }

  test::TempFolder out;

  static test::TempFolder* folder_;
  static std::string media_;
};
test::TempFolder* GenerateCli::folder_ = nullptr;
std::string GenerateCli::media_;

TEST_F(GenerateCli, WritesTheScriptsOfOpenPreview) {
  const std::string output = out.File("movie.avs");
  test::WriteBytes(out.File("proj.avp"),
                   "! ImportLeftTemplate\r\n! ImportRightTemplate\r\n! ConvertTemplate\r\n! FilterLeftTemplate\r\n"
                   "! FilterRightTemplate\r\n! PreviewTemplate\r\n! OutputTemplate\r\nstack\r\n! ImportStereo\r\n0\r\n"
                   "! FileType\r\n0\r\n! ConvertBefore\r\n0\r\n");
  const auto r = RunCli({"generate", output, "--project", out.File("proj.avp"), "--left", Left(), "--right", Right(),
                         "--templates", Templates(), "--offset", "3"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string expectedFiles = out.File("movie_L.avs") + "\n" + out.File("movie_R.avs") + "\n" + output + "\n" +
                                    out.File("PreviewFile.avs") + "\n" + output + "\n";
  ASSERT_EQ(r.out.substr(0, expectedFiles.size()), expectedFiles);
  // Two 64 x 48 views side by side, measured through the script engine.
  EXPECT_EQ(r.out.substr(expectedFiles.size()), "size 128 48\n");
  // The frame counts measured from the clips shape the trims: 30 frames.
  EXPECT_EQ(ReadBytes(output), test::CrLf({"AVISource(\"" + Left() + "\")", "ClipA = last",
                                           "AVISource(\"" + Right() + "\")", "ClipB = last", "ClipB = Trim(ClipB,3,0)",
                                           "ClipA = Trim(ClipA,0,26)", "StackHorizontal(ClipA,ClipB)"}));
}

TEST_F(GenerateCli, OffsetBeyondTheShorterClipIsRefused) {
  const auto r = RunCli({"generate", out.File("m.avs"), "--left", Left(), "--right", Right(), "--offset", "29"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("-28 to 28"), std::string::npos) << r.err;
  EXPECT_FALSE(FileExists(out.File("m_L.avs")));
}

TEST_F(GenerateCli, FileThatIsNotVideoIsRefused) {
  const auto r = RunCli({"generate", out.File("m.avs"), "--left", media_ + "/notes.avi", "--right", Right()});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err.substr(0, 44), "The loaded file is not supported video file.");
  EXPECT_TRUE(r.out.empty());
  EXPECT_FALSE(FileExists(out.File("m_L.avs")));
  const auto missing = RunCli({"generate", out.File("m.avs"), "--left", out.File("nothing.avi"), "--right", Right()});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err.substr(0, 44), "The loaded file is not supported video file.");
}

TEST_F(GenerateCli, MissingRightClipIsRefusedAsOpenPreviewDoes) {
  const auto r = RunCli({"generate", out.File("m.avs"), "--left", Left()});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Please, load right video clip before preview!\n");
  const auto none = RunCli({"generate", out.File("m.avs")});
  EXPECT_EQ(none.err, "Please, load video clip(s) before preview!\n");
}

TEST_F(GenerateCli, BadNumbersAndUnsafeNamesWriteNothing) {
  auto r = RunCli({"generate", out.File("m.avs"), "--left", Left(), "--right", Right(), "--scale-left", "1,5"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("--scale-left: '1,5' is not a number"), std::string::npos) << r.err;
  r = RunCli({"generate", out.File("m.avs"), "--left", Left(), "--right", Right(), "--final-size", "720"});
  EXPECT_EQ(r.exitCode, 2);
  r = RunCli({"generate", out.File("say \"hi\".avs"), "--left", Left(), "--right", Right()});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("double quote"), std::string::npos);
  r = RunCli({"generate", out.File("m.avs"), "--file-type", "custom", "--templates", out.File("a\nb")});
  EXPECT_EQ(r.exitCode, 1);
  r = RunCli({"generate", out.File("m.avs"), "--bogus"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_FALSE(FileExists(out.File("m_L.avs")));
  EXPECT_FALSE(FileExists(out.File("m.avs")));
}

TEST_F(GenerateCli, MissingTemplateReportsWhatWasWritten) {
  const auto r = RunCli({"generate", out.File("m"), "--file-type", "custom", "--templates", out.Path(), "--project",
                         media_ + "/nothing.avp"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Cannot open file " + media_ + "/nothing.avp\n");
  test::WriteBytes(out.File("p.avp"),
                   "! ImportLeftTemplate\r\ngone\r\n! ImportRightTemplate\r\n! ConvertTemplate\r\n"
                   "! FilterLeftTemplate\r\n! FilterRightTemplate\r\n! PreviewTemplate\r\n"
                   "! OutputTemplate\r\n! ImportStereo\r\n0\r\n! FileType\r\n3\r\n"
                   "! ConvertBefore\r\n0\r\n");
  const auto g = RunCli({"generate", out.File("m"), "--templates", out.Path(), "--project", out.File("p.avp")});
  EXPECT_EQ(g.exitCode, 1);
  EXPECT_EQ(g.err, "Cannot open file " + out.File("gone.avt") + "\n");
  EXPECT_EQ(g.out, "");
  EXPECT_FALSE(FileExists(out.File("m.avs")));
}

TEST(Cli, HelpAndUnknownCommand) {
  const auto help = RunCli({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("generate OUTPUT.avs"), std::string::npos);
  EXPECT_EQ(RunCli({"frobnicate"}).exitCode, 2);
  EXPECT_EQ(RunCli({}).exitCode, 2);
}

}  // namespace
}  // namespace tandemix
