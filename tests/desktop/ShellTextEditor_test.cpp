#include "desktop/ShellTextEditor.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

#include "tests/support/TestFiles.h"

namespace tandemix {

void PrintTo(const CommandLine& c, std::ostream* os) {
  *os << c.program;
  for (const auto& a : c.arguments) *os << " [" << a << "]";
}

namespace {

using test::TempFolder;
using test::WriteBytes;

// A temporary desktop: PATH, data and config folders all inside one
// temporary folder, so nothing of the real home folder is read.
class FakeDesktop {
 public:
  FakeDesktop() {
    for (const char* sub : {"bin", "data/applications", "config", "sys/applications", "etc"}) {
      QDir().mkpath(QString::fromStdString(folder_.File(sub)));
    }
    vars_ = {{"PATH", folder_.File("bin")},
             {"HOME", folder_.File("home")},
             {"XDG_DATA_HOME", folder_.File("data")},
             {"XDG_DATA_DIRS", folder_.File("sys")},
             {"XDG_CONFIG_HOME", folder_.File("config")},
             {"XDG_CONFIG_DIRS", folder_.File("etc")}};
  }
  std::string Program(const std::string& name) {
    const std::string path = folder_.File("bin/" + name);
    WriteBytes(path, "#!/bin/sh\n");
    QFile::setPermissions(QString::fromStdString(path), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
  }
  void Set(const std::string& name, const std::string& value) { vars_[name] = value; }
  std::string File(const std::string& name) const { return folder_.File(name); }
  ShellEnvironment Env() const { return ShellEnvironment(vars_); }

 private:
  TempFolder folder_;
  std::map<std::string, std::string> vars_;
};

TEST(ShellTextEditorTest, UsesVisualOrEditorOnlyWhenItIsAWindowProgram) {
  FakeDesktop desktop;
  desktop.Program("nano");
  const std::string mousepad = desktop.Program("mousepad");
  desktop.Set("VISUAL", "nano");
  desktop.Set("EDITOR", "mousepad --new-window");
  EXPECT_EQ(ChooseTextEditor(desktop.Env()), (CommandLine{mousepad, {"--new-window"}}));

  desktop.Set("VISUAL", "\"" + mousepad + "\" -q");
  EXPECT_EQ(ChooseTextEditor(desktop.Env()), (CommandLine{mousepad, {"-q"}}));

  EXPECT_TRUE(IsTerminalEditor("/usr/bin/vim", {}));
  EXPECT_TRUE(IsTerminalEditor("emacs", {"-nw"}));
  EXPECT_FALSE(IsTerminalEditor("emacs", {}));
  EXPECT_FALSE(IsTerminalEditor("/usr/bin/gedit", {}));
}

TEST(ShellTextEditorTest, FallsBackToTheDesktopDefaultForPlainText) {
  FakeDesktop desktop;
  const std::string gedit = desktop.Program("gedit");
  const std::string kate = desktop.Program("kate");
  desktop.Program("nano");
  desktop.Set("EDITOR", "nano");
  WriteBytes(desktop.File("data/applications/my-editor.desktop"),
             "[Desktop Entry]\nName=Editor\nExec=gedit --new-document %U\n[Desktop Action x]\nExec=other\n");
  WriteBytes(desktop.File("sys/applications/kate.desktop"), "[Desktop Entry]\nExec=kate -b %f\n");
  WriteBytes(desktop.File("config/mimeapps.list"),
             "[Added Associations]\ntext/plain=kate.desktop\n"
             "[Default Applications]\ntext/html=kate.desktop\ntext/plain=missing.desktop;my-editor.desktop;\n");
  EXPECT_EQ(DefaultApplicationFor("text/plain", desktop.Env()), "my-editor.desktop");
  EXPECT_EQ(ChooseTextEditor(desktop.Env()), (CommandLine{gedit, {"--new-document"}}));

  // The desktop's own list comes first.
  desktop.Set("XDG_CURRENT_DESKTOP", "KDE");
  WriteBytes(desktop.File("config/kde-mimeapps.list"), "[Default Applications]\ntext/plain=kate.desktop\n");
  EXPECT_EQ(ChooseTextEditor(desktop.Env()), (CommandLine{kate, {"-b"}}));
}

TEST(ShellTextEditorTest, SkipsTerminalEntriesAndEndsWithKnownEditorsOrNothing) {
  FakeDesktop desktop;
  desktop.Program("vim");
  WriteBytes(desktop.File("sys/applications/vim.desktop"), "[Desktop Entry]\nExec=vim %F\nTerminal=true\n");
  WriteBytes(desktop.File("sys/applications/mimeapps.list"), "[Default Applications]\ntext/plain=vim.desktop\n");
  EXPECT_EQ(DefaultApplicationFor("text/plain", desktop.Env()), "vim.desktop");
  EXPECT_FALSE(DesktopEntryCommand("vim.desktop", desktop.Env()));
  EXPECT_TRUE(ChooseTextEditor(desktop.Env()).Empty());

  const std::string xed = desktop.Program("xed");
  EXPECT_EQ(ChooseTextEditor(desktop.Env()), (CommandLine{xed, {}}));
}

TEST(ShellTextEditorTest, TheFileIsOneArgumentWhateverItHolds) {
  const CommandLine editor{"/usr/bin/gedit", {"-s"}};
  EXPECT_EQ(EditorCommandFor(editor, "/my templates/Crop \"v2\".avt"),
            (CommandLine{"/usr/bin/gedit", {"-s", "/my templates/Crop \"v2\".avt"}}));
  EXPECT_EQ(EditorCommandFor(editor, ""), editor);
}

}  // namespace
}  // namespace tandemix
