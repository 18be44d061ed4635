#include "app/RememberingPrompts.h"

#include <QFileInfo>
#include <QString>

namespace tandemix {

namespace {

bool IsFolder(const std::string& path) { return !path.empty() && QFileInfo(QString::fromStdString(path)).isDir(); }

}  // namespace

std::optional<std::string> RememberingPrompts::AskFileName(const FileDialogRequest& request) {
  const std::string key = FolderKey(request.kind);
  if (!store_ || key.empty()) return inner_.AskFileName(request);
  FileDialogRequest asked = request;
  const std::string remembered = store_->Text(key);
  asked.initialFolder = StartFolder(remembered, IsFolder(remembered), request.initialFolder);
  const auto answer = inner_.AskFileName(asked);
  if (answer) {
    store_->SetText(key, FolderOf(*answer));
    store_->Sync();
  }
  return answer;
}

std::optional<std::string> RememberingPrompts::AskOutputName(const std::string& current) {
  const std::string key = OutputNameKey(project_.clipAFileName, project_.clipBFileName);
  if (!store_ || key.empty()) return inner_.AskOutputName(current);
  const std::string last = store_->Text(key);
  const auto answer = inner_.AskOutputName(last.empty() ? current : last);
  if (answer) {
    store_->SetText(key, *answer);
    store_->SetText(FolderKey(FileKind::Scripts), FolderOf(*answer));
    store_->Sync();
  }
  return answer;
}

}  // namespace tandemix
