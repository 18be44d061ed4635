// The template library: the `.avt` files of the program folder, listed by
// name (the file name less ".avt"), sorted without regard to letter case.
// The selected name is the one Add, Edit, Clear and the block editing use.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/Check.h"
#include "project/ProjectState.h"

namespace tandemix {

// Every entry of `folder` whose name ends in ".avt" (files, folders, hidden
// entries and dangling links alike), less the extension, sorted without
// regard to case. A missing folder lists nothing.
std::vector<std::string> ListTemplateNames(const std::string& folder);

// Refuses a name that cannot be a template's, saying why ("may not hold
// '/' ..."). Templates are read only from the template folder: a name with a
// path separator, or "." or "..", would reach outside it.
Check CheckTemplateName(const std::string& name);

// Path of template `name` in the template folder.
std::string TemplatePath(const std::string& templateFolder, const std::string& name);

// The question Clear asks before deleting.
std::string ClearConfirmationText(const std::string& name);
inline constexpr const char* kConfirmationCaption = "Confirmation";

class TemplateLibrary {
 public:
  explicit TemplateLibrary(std::string folder) : folder_(std::move(folder)) {}

  const std::string& Folder() const { return folder_; }
  const std::vector<std::string>& Names() const { return names_; }

  // Rebuilds the list from the folder and selects its first name.
  void Refresh();

  int Selected() const { return selected_; }
  void Select(int index);
  std::optional<std::string> SelectedName() const;
  std::optional<std::string> SelectedPath() const;

  // Clear after the user said yes: deletes the selected template's file (a
  // failure is not reported, as the next listing shows it anyway) and
  // refreshes the list.
  void DeleteSelected();

  // Save template: the lines of every named template, in order, unchanged,
  // written to `target` atomically. Every template is read before anything
  // is written, so an unreadable one ("Cannot open file ...") leaves
  // `target` untouched. The list is refreshed after a successful write.
  void SaveChain(const FilterBlock& names, const std::string& target);

 private:
  std::string folder_;
  std::vector<std::string> names_;
  int selected_ = -1;
};

}  // namespace tandemix
