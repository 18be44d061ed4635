#include <gtest/gtest.h>
#include <QDir>

#include "desktop/ShellAviSynthDocs.h"
#include "desktop/ShellFileType.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

using test::FileExists;
using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

ShellEnvironment EnvIn(const TempFolder& folder) {
  return ShellEnvironment({{"HOME", folder.File("home")},
                           {"XDG_DATA_HOME", folder.File("data")},
                           {"XDG_DATA_DIRS", folder.File("sys1") + ":" + folder.File("sys2")}});
}

TEST(ShellFileTypeTest, RegistersOnceAndNeverOverwrites) {
  TempFolder folder;
  const ShellEnvironment env = EnvIn(folder);
  const CommandLine editor{"/opt/my editor/edit", {"--tab"}};
  EXPECT_FALSE(TemplateGlobKnown(env));
  EXPECT_EQ(RegisterTemplateFileType(env, editor), FileTypeRegistration::Registered);
  const std::string package = ReadBytes(TemplateMimePackagePath(env));
  EXPECT_NE(package.find("<mime-type type=\"text/x-avisynth-template\">"), std::string::npos);
  EXPECT_NE(package.find("<glob pattern=\"*.avt\"/>"), std::string::npos);
  EXPECT_NE(package.find("<sub-class-of type=\"text/plain\"/>"), std::string::npos);
  const std::string entry = ReadBytes(TemplateDesktopEntryPath(env));
  EXPECT_NE(entry.find("Exec=\"/opt/my editor/edit\" --tab %f\n"), std::string::npos);
  EXPECT_NE(entry.find("MimeType=text/x-avisynth-template;\n"), std::string::npos);

  // The next start finds the package and writes nothing.
  WriteBytes(TemplateDesktopEntryPath(env), "mine");
  EXPECT_EQ(RegisterTemplateFileType(env, editor), FileTypeRegistration::AlreadyKnown);
  EXPECT_EQ(ReadBytes(TemplateDesktopEntryPath(env)), "mine");

  // Deleting the package registers again, keeping the user's desktop entry.
  ASSERT_TRUE(QFile::remove(QString::fromStdString(TemplateMimePackagePath(env))));
  EXPECT_EQ(RegisterTemplateFileType(env, editor), FileTypeRegistration::Registered);
  EXPECT_EQ(ReadBytes(TemplateDesktopEntryPath(env)), "mine");
}

TEST(ShellFileTypeTest, LeavesAKnownGlobAloneAndReportsFailures) {
  TempFolder folder;
  const ShellEnvironment env = EnvIn(folder);
  QDir().mkpath(QString::fromStdString(folder.File("sys2/mime")));
  WriteBytes(folder.File("sys2/mime/globs2"), "# comment\n50:text/plain:*.txt\n50:text/x-other:*.avt\n");
  EXPECT_TRUE(TemplateGlobKnown(env));
  EXPECT_EQ(RegisterTemplateFileType(env, {"/usr/bin/gedit", {}}), FileTypeRegistration::AlreadyKnown);
  EXPECT_FALSE(FileExists(TemplateMimePackagePath(env)));
  EXPECT_FALSE(FileExists(TemplateDesktopEntryPath(env)));

  // Without an editor only the MIME package is written.
  TempFolder second;
  const ShellEnvironment env2 = EnvIn(second);
  EXPECT_EQ(RegisterTemplateFileType(env2, {}), FileTypeRegistration::Registered);
  EXPECT_TRUE(FileExists(TemplateMimePackagePath(env2)));
  EXPECT_FALSE(FileExists(TemplateDesktopEntryPath(env2)));

  // A data folder that is a file cannot take the registration.
  TempFolder third;
  WriteBytes(third.File("data"), "not a folder");
  EXPECT_EQ(RegisterTemplateFileType(EnvIn(third), {}), FileTypeRegistration::Failed);
}

TEST(ShellFileTypeTest, ExecLineQuotesWhatTheDesktopWouldSplit) {
  EXPECT_EQ(DesktopExecLine({"/usr/bin/gedit", {}}), "/usr/bin/gedit %f");
  EXPECT_EQ(DesktopExecLine({"/opt/a b/ed", {"x$y", "50%"}}), "\"/opt/a b/ed\" \"x\\\\$y\" 50%% %f");
}

TEST(ShellAviSynthDocsTest, NoInstallationIsNormal) {
  TempFolder folder;
  const ShellEnvironment env = EnvIn(folder);
  EXPECT_EQ(FindAviSynthDocsFolder(env), "");
  EXPECT_EQ(HelpDocumentPath(""), "index.html");
}

TEST(ShellAviSynthDocsTest, FindsTheDeclaredFolderAndItsIndex) {
  TempFolder folder;
  const ShellEnvironment env = EnvIn(folder);
  QDir().mkpath(QString::fromStdString(folder.File("sys2/doc/avisynth+")));
  QDir().mkpath(QString::fromStdString(folder.File("sys1/doc/avisynth")));
  // Data folders are searched in order: sys1 before sys2.
  const std::string docs = folder.File("sys1/doc/avisynth/");
  EXPECT_EQ(FindAviSynthDocsFolder(env), docs);
  EXPECT_EQ(HelpDocumentPath(docs), docs + "index.html");
  QDir().mkpath(QString::fromStdString(docs + "english"));
  WriteBytes(docs + "english/index.htm", "<html></html>");
  EXPECT_EQ(HelpDocumentPath(docs), docs + "english/index.htm");
}

}  // namespace
}  // namespace tandemix

namespace tandemix {
namespace {

// The installed files: the desktop entry opens the projects and templates
// it declares with the file named (%f), the MIME package names both types,
// and the manual that Help opens is built beside the executables with the
// parts a user looks for.
TEST(InstalledFiles, DesktopEntryMimeTypesAndTheManual) {
  const std::string entry = test::ReadBytes(TANDEMIX_SOURCE_DIR "/data/tandemix.desktop");
  EXPECT_NE(entry.find("\nExec=tandemix %f\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nMimeType=application/x-tandemix-project;text/x-avisynth-template;\n"), std::string::npos);
  const std::string package = test::ReadBytes(TANDEMIX_SOURCE_DIR "/data/tandemix-avt.xml");
  for (const char* needle : {"<mime-type type=\"application/x-tandemix-project\">", "<glob pattern=\"*.avp\"/>",
                             "<mime-type type=\"text/x-avisynth-template\">", "<glob pattern=\"*.avt\"/>"})
    EXPECT_NE(package.find(needle), std::string::npos) << needle;

  const std::string built = ManualPath(TANDEMIX_BIN_DIR);
  EXPECT_EQ(built, TANDEMIX_BIN_DIR "/tandemix-manual.html");
  ASSERT_TRUE(test::FileExists(built));
  const std::string manual = test::ReadBytes(built);
  EXPECT_EQ(manual, test::ReadBytes(TANDEMIX_SOURCE_DIR "/data/tandemix-manual.html"));
  for (const char* part :
       {"id=\"steps\"", "id=\"scheme\"", "id=\"windows\"", "id=\"keys\"", "Load Clips", "Open preview", "Adjust Clip",
        "Apply to Clip", "Render", "F1", "Ctrl+S", "href=\"http://avisynth.nl/index.php/Main_Page\""})
    EXPECT_NE(manual.find(part), std::string::npos) << part;
}

}  // namespace
}  // namespace tandemix
