// The main window's dialogs and message boxes as real Qt dialogs.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <vector>

#include "app/MainPrompts.h"

namespace tandemix {

// "AVI Video Files (*.avi)|*.avi" as a Qt file dialog filter.
QString QtFileFilter(const std::string& filter);

class QtPrompts : public MainPrompts {
 public:
  // The main window; messages and dialogs belong to it unless the user is
  // working in another of `windows`.
  void SetParent(QWidget* parent) { parent_ = parent; }
  void SetWindows(const std::vector<QWidget*>& windows);
  // The window the next message or dialog belongs to.
  QWidget* Owner() const;

  std::optional<std::string> AskFileName(const FileDialogRequest& request) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  void ShowMessage(const std::string& caption, const std::string& text) override;
  void ShowError(const std::string& text) override;
  std::optional<std::string> AskOutputName(const std::string& current) override;

 private:
  QPointer<QWidget> parent_;
  std::vector<QPointer<QWidget>> windows_;
};

}  // namespace tandemix
