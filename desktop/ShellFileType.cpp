#include "desktop/ShellFileType.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "base/TextFile.h"

namespace tandemix {

namespace {

bool GlobsFileMapsAvt(const std::string& path) {
  LineList lines;
  try {
    lines = ReadTextLines(path);
  } catch (...) {
    return false;
  }
  // globs2 lines: weight:mime-type:glob[:flags]
  for (const auto& line : lines) {
    if (line.empty() || line[0] == '#') continue;
    const QStringList fields = QString::fromStdString(line).split(':');
    if (fields.size() >= 3 && fields[2] == "*.avt") return true;
  }
  return false;
}

// Creates `path` with `text` only when it does not exist yet. True when the
// file is there afterwards (written now or before).
bool WriteNewFile(const std::string& path, const LineList& lines) {
  const QString qpath = QString::fromStdString(path);
  if (QFileInfo::exists(qpath)) return true;
  if (!QDir().mkpath(QFileInfo(qpath).absolutePath())) return false;
  QFile file(qpath);
  if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return QFileInfo::exists(qpath);
  // freedesktop files are LF-terminated UTF-8.
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  const bool written = file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
  file.close();
  if (!written) file.remove();
  return written;
}

std::string QuoteExecArgument(const std::string& arg) {
  static const std::string kReserved = " \t\n\"'\\><~|&;$*?#()`";
  std::string quoted = arg;
  if (arg.empty() || arg.find_first_of(kReserved) != std::string::npos) {
    quoted = "\"";
    for (char c : arg) {
      if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
      quoted += c;
    }
    quoted += '"';
  }
  // The desktop file's string escapes apply on top of the Exec quoting.
  std::string escaped;
  for (char c : quoted) {
    if (c == '\\') escaped += '\\';
    if (c == '%') escaped += '%';
    escaped += c;
  }
  return escaped;
}

}  // namespace

bool TemplateGlobKnown(const ShellEnvironment& env) {
  if (GlobsFileMapsAvt(env.DataHome() + "/mime/globs2")) return true;
  for (const auto& dir : env.DataDirs()) {
    if (GlobsFileMapsAvt(dir + "/mime/globs2")) return true;
  }
  return false;
}

std::string TemplateMimePackagePath(const ShellEnvironment& env) {
  return env.DataHome() + "/mime/packages/tandemix-avisynth-template.xml";
}

std::string TemplateDesktopEntryPath(const ShellEnvironment& env) {
  return env.DataHome() + "/applications/tandemix-avisynth-template.desktop";
}

std::string DesktopExecLine(const CommandLine& command) {
  std::string line = QuoteExecArgument(command.program);
  for (const auto& arg : command.arguments) line += " " + QuoteExecArgument(arg);
  return line + " %f";
}

FileTypeRegistration RegisterTemplateFileType(const ShellEnvironment& env, const CommandLine& editor) {
  const std::string package = TemplateMimePackagePath(env);
  if (TemplateGlobKnown(env) || QFileInfo::exists(QString::fromStdString(package))) {
    return FileTypeRegistration::AlreadyKnown;
  }
  if (!editor.Empty()) {
    const bool entry =
        WriteNewFile(TemplateDesktopEntryPath(env),
                     {"[Desktop Entry]", "Type=Application", "Name=AviSynth Template",
                      "Comment=Edit an AviSynth filter template", "Exec=" + DesktopExecLine(editor),
                      std::string("MimeType=") + kTemplateMimeType + ";", "NoDisplay=true", "Terminal=false"});
    if (!entry) return FileTypeRegistration::Failed;
  }
  // The package goes last: its presence means the registration is complete.
  const bool written =
      WriteNewFile(package, {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                             "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">",
                             std::string("  <mime-type type=\"") + kTemplateMimeType + "\">",
                             "    <comment>AviSynth Template</comment>", "    <sub-class-of type=\"text/plain\"/>",
                             "    <generic-icon name=\"text-x-generic\"/>", "    <glob pattern=\"*.avt\"/>",
                             "  </mime-type>", "</mime-info>"});
  return written ? FileTypeRegistration::Registered : FileTypeRegistration::Failed;
}

}  // namespace tandemix
