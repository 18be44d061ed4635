// The project as a document: the file it was last saved to or opened from,
// whether it changed since, the window title that says both, and the list
// of recent projects. The state itself stays in ProjectState and the
// alignment settings; the document compares a snapshot of them (the .avp
// lines and the session lines) with the one taken at the last save or open.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/TextFile.h"
#include "core/AlignmentSettings.h"
#include "core/ViewerState.h"
#include "project/ProjectState.h"

namespace tandemix {

// What the project would write now: the .avp lines, then the session
// lines without the script fingerprints (writing scripts changes nothing
// the user would save).
LineList ProjectSnapshot(const ProjectState& project, const AlignmentSettings& alignment, const ViewerState& viewer);

class ProjectDocument {
 public:
  const std::string& Path() const { return path_; }
  bool HasPath() const { return !path_.empty(); }

  // The snapshot becomes the unchanged one; `path` the current file ("" for
  // a new project).
  void MarkSaved(const std::string& path, LineList snapshot);
  bool Modified(const LineList& snapshot) const { return snapshot != saved_; }

  // "movie.avp* - Tandemix v1.0": the file's name ("Untitled" before the
  // first save) and "*" while there are unsaved changes.
  std::string Title(bool modified, const std::string& programName) const;

 private:
  std::string path_;
  LineList saved_;
};

// The recent-projects list after opening or saving `path`: it goes first,
// an earlier entry of it goes away, at most `limit` stay.
std::vector<std::string> PushRecent(std::vector<std::string> recent, const std::string& path, std::size_t limit = 8);

// The list as one settings value (names joined by line feeds) and back;
// empty entries are dropped.
std::string JoinRecent(const std::vector<std::string>& recent);
std::vector<std::string> SplitRecent(const std::string& text);

// What the program does at start with its arguments: a ".avp" opens as the
// project, a ".avt" opens in the text editor (the first such argument
// counts; letter case of the extension does not matter); without one, the
// last project opens when `reopenLast` is set and it still exists.
struct StartChoice {
  enum class Kind { None, OpenProject, EditTemplate };
  Kind kind = Kind::None;
  std::string path;
};
StartChoice ChooseStart(const std::vector<std::string>& arguments, bool reopenLast,
                        const std::vector<std::string>& recent, const std::function<bool(const std::string&)>& exists);

}  // namespace tandemix
