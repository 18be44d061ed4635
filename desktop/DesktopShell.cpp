#include "desktop/DesktopShell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QUrl>

#include "desktop/ShellAviSynthDocs.h"
#include "desktop/ShellFileType.h"
#include "desktop/ShellTextEditor.h"

namespace tandemix {

namespace {

void StartDetached(const CommandLine& command) {
  if (command.Empty()) return;
  QStringList arguments;
  for (const auto& arg : command.arguments) arguments << QString::fromStdString(arg);
  QProcess::startDetached(QString::fromStdString(command.program), arguments);
}

}  // namespace

std::string DesktopShell::AviSynthDocsFolder() { return FindAviSynthDocsFolder(env_); }

void DesktopShell::RegisterTemplateFileType() {
  if (tandemix::RegisterTemplateFileType(env_, ChooseTextEditor(env_)) != FileTypeRegistration::Registered) return;
  // The glob takes effect once the user's MIME cache is rebuilt.
  const std::string updater = env_.FindExecutable("update-mime-database");
  if (!updater.empty()) StartDetached({updater, {env_.DataHome() + "/mime"}});
}

bool DesktopShell::StartTextEditor(const std::string& file) {
  const CommandLine editor = ChooseTextEditor(env_);
  if (editor.Empty()) return false;
  StartDetached(EditorCommandFor(editor, file));
  return true;
}

void DesktopShell::OpenUrl(const std::string& url) { QDesktopServices::openUrl(QUrl(QString::fromStdString(url))); }

void DesktopShell::OpenDocument(const std::string& path) {
  const QFileInfo info(QString::fromStdString(path));
  QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
}

}  // namespace tandemix
