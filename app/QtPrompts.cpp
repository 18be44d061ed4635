#include "app/QtPrompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

#include "core/WindowRules.h"

namespace tandemix {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }

// A dialog shows the normal arrow even while a command keeps the busy
// cursor up.
class NormalCursor {
 public:
  NormalCursor() : pushed_(QApplication::overrideCursor() != nullptr) {
    if (pushed_) QApplication::setOverrideCursor(Qt::ArrowCursor);
  }
  ~NormalCursor() {
    if (pushed_) QApplication::restoreOverrideCursor();
  }
  NormalCursor(const NormalCursor&) = delete;
  NormalCursor& operator=(const NormalCursor&) = delete;

 private:
  bool pushed_;
};
}  // namespace

void QtPrompts::SetWindows(const std::vector<QWidget*>& windows) {
  windows_.clear();
  for (QWidget* w : windows) windows_.emplace_back(w);
}

QWidget* QtPrompts::Owner() const {
  std::vector<WindowFacts> facts{{parent_ && parent_->isVisible(), parent_ && parent_->isActiveWindow()}};
  for (const auto& w : windows_) facts.push_back({w && w->isVisible(), w && w->isActiveWindow()});
  const std::size_t owner = ChooseMessageOwner(facts, 0);
  return owner == 0 ? parent_.data() : windows_[owner - 1].data();
}

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
  const NormalCursor normal;
  QFileDialog dialog(Owner(), Q(request.title), Q(request.initialFolder));
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
  const NormalCursor normal;
  QMessageBox box(QMessageBox::Warning, Q(caption), Q(text), QMessageBox::Yes | QMessageBox::No, Owner());
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void QtPrompts::ShowMessage(const std::string& caption, const std::string& text) {
  const NormalCursor normal;
  QMessageBox::warning(Owner(), Q(caption), Q(text));
}

void QtPrompts::ShowError(const std::string& text) {
  const NormalCursor normal;
  QMessageBox::critical(Owner(), "Tandemix", Q(text));
}

std::optional<std::string> QtPrompts::AskOutputName(const std::string& current) {
  return AskFileName(OutputNameRequest(current));
}

}  // namespace tandemix
