#include "desktop/ShellTextEditor.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <array>

#include "base/TextFile.h"

namespace tandemix {

namespace {

constexpr std::array<const char*, 26> kTerminalEditors{
    "vi",    "vim", "nvim", "view", "ex",    "ed",     "nano", "pico", "rnano", "joe",   "jed", "jove", "mg",
    "micro", "ne",  "kak",  "hx",   "helix", "mcedit", "le",   "zile", "vis",   "tilde", "dte", "amp",  "emacs-nox"};

// Window editors tried last, most common first.
constexpr std::array<const char*, 14> kKnownWindowEditors{
    "gnome-text-editor", "gedit",   "kate",    "kwrite", "mousepad", "xed",  "pluma",
    "featherpad",        "leafpad", "l3afpad", "geany",  "gvim",     "code", "xedit"};

std::string BaseName(const std::string& program) {
  const auto slash = program.rfind('/');
  return slash == std::string::npos ? program : program.substr(slash + 1);
}

std::vector<std::string> SplitCommand(const std::string& text) {
  std::vector<std::string> parts;
  for (const QString& part : QProcess::splitCommand(QString::fromStdString(text))) parts.push_back(part.toStdString());
  return parts;
}

// Reads "key=value" lines of one [group] of a desktop-style ini file.
std::vector<std::pair<std::string, std::string>> ReadGroup(const std::string& path, const std::string& group) {
  std::vector<std::pair<std::string, std::string>> entries;
  LineList lines;
  try {
    lines = ReadTextLines(path);
  } catch (...) {
    return entries;
  }
  bool inGroup = false;
  for (const auto& line : lines) {
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      inGroup = line == "[" + group + "]";
      continue;
    }
    const auto eq = line.find('=');
    if (!inGroup || eq == std::string::npos) continue;
    auto trim = [](std::string s) {
      const auto b = s.find_first_not_of(" \t");
      const auto e = s.find_last_not_of(" \t");
      return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
    };
    entries.emplace_back(trim(line.substr(0, eq)), trim(line.substr(eq + 1)));
  }
  return entries;
}

std::optional<std::string> DesktopFilePath(const std::string& desktopId, const ShellEnvironment& env) {
  std::vector<std::string> dirs{env.DataHome()};
  for (const auto& dir : env.DataDirs()) dirs.push_back(dir);
  for (const auto& dir : dirs) {
    const std::string path = dir + "/applications/" + desktopId;
    if (QFileInfo(QString::fromStdString(path)).isFile()) return path;
  }
  return std::nullopt;
}

// mimeapps.list files, most important first.
std::vector<std::string> MimeAppsLists(const ShellEnvironment& env) {
  std::vector<std::string> files;
  auto addFolder = [&](const std::string& folder) {
    for (const auto& desktop : env.CurrentDesktops()) files.push_back(folder + "/" + desktop + "-mimeapps.list");
    files.push_back(folder + "/mimeapps.list");
  };
  addFolder(env.ConfigHome());
  for (const auto& dir : env.ConfigDirs()) addFolder(dir);
  addFolder(env.DataHome() + "/applications");
  for (const auto& dir : env.DataDirs()) addFolder(dir + "/applications");
  return files;
}

std::optional<CommandLine> Resolve(std::vector<std::string> parts, const ShellEnvironment& env) {
  if (parts.empty()) return std::nullopt;
  const std::string program = env.FindExecutable(parts.front());
  if (program.empty()) return std::nullopt;
  parts.erase(parts.begin());
  return CommandLine{program, std::move(parts)};
}

}  // namespace

bool IsTerminalEditor(const std::string& program, const std::vector<std::string>& arguments) {
  const std::string name = BaseName(program);
  if (std::find(kTerminalEditors.begin(), kTerminalEditors.end(), name) != kTerminalEditors.end()) return true;
  if (name == "emacs" || name == "emacsclient") {
    for (const auto& arg : arguments) {
      if (arg == "-nw" || arg == "-t" || arg == "--no-window-system" || arg == "--tty") return true;
    }
  }
  return false;
}

std::optional<std::string> DefaultApplicationFor(const std::string& mimeType, const ShellEnvironment& env) {
  for (const auto& list : MimeAppsLists(env)) {
    for (const auto& [key, value] : ReadGroup(list, "Default Applications")) {
      if (key != mimeType) continue;
      for (const QString& id : QString::fromStdString(value).split(';', Qt::SkipEmptyParts)) {
        if (DesktopFilePath(id.toStdString(), env)) return id.toStdString();
      }
    }
  }
  return std::nullopt;
}

std::optional<CommandLine> DesktopEntryCommand(const std::string& desktopId, const ShellEnvironment& env) {
  const auto path = DesktopFilePath(desktopId, env);
  if (!path) return std::nullopt;
  std::string exec;
  for (const auto& [key, value] : ReadGroup(*path, "Desktop Entry")) {
    if (key == "Exec") exec = value;
    if (key == "Terminal" && value == "true") return std::nullopt;
  }
  std::vector<std::string> parts;
  for (const auto& part : SplitCommand(exec)) {
    // Field codes stand alone as arguments; the file is added by the caller.
    if (part.size() == 2 && part[0] == '%') continue;
    QString arg = QString::fromStdString(part);
    arg.replace("%%", "%");
    parts.push_back(arg.toStdString());
  }
  return Resolve(std::move(parts), env);
}

CommandLine ChooseTextEditor(const ShellEnvironment& env) {
  for (const char* variable : {"VISUAL", "EDITOR"}) {
    auto editor = Resolve(SplitCommand(env.Get(variable)), env);
    if (editor && !IsTerminalEditor(editor->program, editor->arguments)) return *editor;
  }
  if (const auto id = DefaultApplicationFor("text/plain", env)) {
    if (auto editor = DesktopEntryCommand(*id, env)) return *editor;
  }
  for (const char* name : kKnownWindowEditors) {
    const std::string program = env.FindExecutable(name);
    if (!program.empty()) return CommandLine{program, {}};
  }
  return {};
}

CommandLine EditorCommandFor(const CommandLine& editor, const std::string& file) {
  CommandLine command = editor;
  if (!file.empty()) command.arguments.push_back(file);
  return command;
}

}  // namespace tandemix
