#include "desktop/ShellEnvironment.h"

#include <QFileInfo>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace tandemix {

namespace {

std::vector<std::string> SplitPathList(const std::string& value) {
  std::vector<std::string> parts;
  for (const QString& part : QString::fromStdString(value).split(':', Qt::SkipEmptyParts)) {
    parts.push_back(part.toStdString());
  }
  return parts;
}

bool IsExecutableFile(const std::string& path) {
  const QFileInfo info(QString::fromStdString(path));
  return info.isFile() && info.isExecutable();
}

}  // namespace

ShellEnvironment ShellEnvironment::FromProcess() {
  std::map<std::string, std::string> vars;
  const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const QString& key : env.keys()) vars[key.toStdString()] = env.value(key).toStdString();
  return ShellEnvironment(std::move(vars));
}

std::string ShellEnvironment::Get(const std::string& name) const {
  const auto it = vars_.find(name);
  return it == vars_.end() ? std::string() : it->second;
}

std::string ShellEnvironment::DataHome() const {
  const std::string value = Get("XDG_DATA_HOME");
  return value.empty() ? Get("HOME") + "/.local/share" : value;
}

std::vector<std::string> ShellEnvironment::DataDirs() const {
  const auto dirs = SplitPathList(Get("XDG_DATA_DIRS"));
  return dirs.empty() ? std::vector<std::string>{"/usr/local/share", "/usr/share"} : dirs;
}

std::string ShellEnvironment::ConfigHome() const {
  const std::string value = Get("XDG_CONFIG_HOME");
  return value.empty() ? Get("HOME") + "/.config" : value;
}

std::vector<std::string> ShellEnvironment::ConfigDirs() const {
  const auto dirs = SplitPathList(Get("XDG_CONFIG_DIRS"));
  return dirs.empty() ? std::vector<std::string>{"/etc/xdg"} : dirs;
}

std::vector<std::string> ShellEnvironment::CurrentDesktops() const {
  std::vector<std::string> names;
  for (const auto& name : SplitPathList(Get("XDG_CURRENT_DESKTOP"))) {
    names.push_back(QString::fromStdString(name).toLower().toStdString());
  }
  return names;
}

std::string ShellEnvironment::FindExecutable(const std::string& name) const {
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) return IsExecutableFile(name) ? name : std::string();
  for (const auto& dir : SplitPathList(Get("PATH"))) {
    const std::string candidate = dir + "/" + name;
    if (IsExecutableFile(candidate)) return candidate;
  }
  return {};
}

}  // namespace tandemix
