// The main window's dialogs and message boxes as real Qt dialogs.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "app/MainPrompts.h"

namespace tandemix {

// "AVI Video Files (*.avi)|*.avi" as a Qt file dialog filter.
QString QtFileFilter(const std::string& filter);

class QtPrompts : public MainPrompts {
 public:
  void SetParent(QWidget* parent) { parent_ = parent; }

  std::optional<std::string> AskFileName(const FileDialogRequest& request) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  void ShowMessage(const std::string& caption, const std::string& text) override;
  void ShowError(const std::string& text) override;
  std::optional<std::string> AskOutputName(const std::string& current) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace tandemix
