#include "app/QtPrompts.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

namespace tandemix {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

FileDialogRequest OutputNameRequest(const std::string& current) {
  FileDialogRequest request;
  request.save = true;
  request.title = "Define Output AVS File";
  request.filters = {"AviSynth Script (*.avs)|*.avs"};
  request.defaultSuffix = "avs";
  request.fileName = current;
  return request;
}

QString QtFileFilter(const std::string& filter) {
  const QString text = Q(filter);
  const int bar = text.indexOf('|');
  if (bar < 0) return text;
  // Qt reads the patterns from the last parentheses, separated by blanks.
  QString description = text.left(bar).trimmed();
  description.remove(QRegularExpression("\\s*\\([^()]*\\)$"));
  QStringList patterns = text.mid(bar + 1).split(';', Qt::SkipEmptyParts);
  // "*.*" means every file; on Linux it would miss names without a dot.
  for (QString& pattern : patterns) {
    if (pattern == "*.*") pattern = "*";
  }
  return description + " (" + patterns.join(' ') + ")";
}

std::optional<std::string> QtPrompts::AskFileName(const FileDialogRequest& request) {
  QFileDialog dialog(parent_, Q(request.title), Q(request.initialFolder));
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.save || !request.mustExist ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  QStringList filters;
  for (const auto& f : request.filters) filters << QtFileFilter(f);
  dialog.setNameFilters(filters);
  if (!filters.isEmpty()) dialog.selectNameFilter(filters.first());
  dialog.setDefaultSuffix(Q(request.defaultSuffix));
  if (!request.confirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  if (!request.fileName.empty()) {
    if (request.initialFolder.empty()) dialog.setDirectory(QFileInfo(Q(request.fileName)).absolutePath());
    dialog.selectFile(QFileInfo(Q(request.fileName)).fileName());
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

bool QtPrompts::AskYesNo(const std::string& caption, const std::string& text) {
  QMessageBox box(QMessageBox::Warning, Q(caption), Q(text), QMessageBox::Yes | QMessageBox::No, parent_);
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void QtPrompts::ShowMessage(const std::string& caption, const std::string& text) {
  QMessageBox::warning(parent_, Q(caption), Q(text));
}

void QtPrompts::ShowError(const std::string& text) { QMessageBox::critical(parent_, "Tandemix", Q(text)); }

std::optional<std::string> QtPrompts::AskOutputName(const std::string& current) {
  return AskFileName(OutputNameRequest(current));
}

}  // namespace tandemix
