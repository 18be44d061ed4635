// The main window's prompts with a memory: every file dialog starts in the
// folder last used for its kind of file, and the output-name question
// proposes the last output name chosen for the loaded clips. Everything
// else goes to the prompts it wraps. Without a settings store it only
// passes the questions on.
#pragma once

#include "app/MainPrompts.h"
#include "desktop/SettingsStore.h"
#include "project/ProjectState.h"

namespace tandemix {

class RememberingPrompts : public MainPrompts {
 public:
  RememberingPrompts(MainPrompts& inner, const ProjectState& project, SettingsStore* store)
      : inner_(inner), project_(project), store_(store) {}

  std::optional<std::string> AskFileName(const FileDialogRequest& request) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override { return inner_.AskYesNo(caption, text); }
  void ShowMessage(const std::string& caption, const std::string& text) override { inner_.ShowMessage(caption, text); }
  void ShowError(const std::string& text) override { inner_.ShowError(text); }
  std::optional<std::string> AskOutputName(const std::string& current) override;

 private:
  MainPrompts& inner_;
  const ProjectState& project_;
  SettingsStore* store_;
};

}  // namespace tandemix
