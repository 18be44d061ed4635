// Every dialog and message box the main window shows, behind one interface
// so tests answer them without a person. The same object answers the
// generator's question for the output script's name.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/SettingsKeys.h"
#include "script/ScriptGenerator.h"

namespace tandemix {

struct FileDialogRequest {
  bool save = false;
  std::string title;
  // Filters as "Description|pattern;pattern", the first one selected.
  std::vector<std::string> filters;
  std::string defaultSuffix;
  std::string initialFolder;  // "" leaves the choice to the dialog
  std::string fileName;       // preselected file, "" for none
  bool confirmOverwrite = false;
  bool mustExist = true;           // open dialogs only
  FileKind kind = FileKind::None;  // whose last folder the dialog starts in
};

class MainPrompts : public OutputNamePrompt {
 public:
  // The chosen file, or nullopt when the user cancels.
  virtual std::optional<std::string> AskFileName(const FileDialogRequest& request) = 0;
  // A Yes/No question with the exclamation icon, No being the default.
  virtual bool AskYesNo(const std::string& caption, const std::string& text) = 0;
  // A message with the exclamation icon and an OK button.
  virtual void ShowMessage(const std::string& caption, const std::string& text) = 0;
  // A failure the command did not check itself (the error's own text).
  virtual void ShowError(const std::string& text) = 0;
  // The generator's question before it writes over a script the program
  // did not leave as it is: a Yes/No question, No the default.
  bool ConfirmOverwrite(const std::string& question) final { return AskYesNo(kOverwriteCaption, question); }

  static constexpr const char* kOverwriteCaption = "Write over scripts";
};

// The generator's output-name dialog as a file dialog request.
FileDialogRequest OutputNameRequest(const std::string& current);

}  // namespace tandemix
