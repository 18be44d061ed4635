#include "project/ProjectDocument.h"

#include <algorithm>
#include <cctype>

#include "project/ProjectFile.h"
#include "project/SessionFile.h"

namespace tandemix {

LineList ProjectSnapshot(const ProjectState& project, const AlignmentSettings& alignment, const ViewerState& viewer) {
  LineList lines = ProjectFileLines(project);
  const LineList session = SessionFileLines(SessionOf(project, alignment, viewer, {}));
  lines.insert(lines.end(), session.begin(), session.end());
  return lines;
}

void ProjectDocument::MarkSaved(const std::string& path, LineList snapshot) {
  path_ = path;
  saved_ = std::move(snapshot);
}

std::string ProjectDocument::Title(bool modified, const std::string& programName) const {
  // A program that has done nothing yet shows its own name only.
  if (path_.empty() && !modified) return programName;
  std::string name = "Untitled";
  if (!path_.empty()) {
    const std::size_t slash = path_.find_last_of('/');
    name = slash == std::string::npos ? path_ : path_.substr(slash + 1);
  }
  return name + (modified ? "*" : "") + " - " + programName;
}

std::vector<std::string> PushRecent(std::vector<std::string> recent, const std::string& path, std::size_t limit) {
  recent.erase(std::remove(recent.begin(), recent.end(), path), recent.end());
  recent.insert(recent.begin(), path);
  if (recent.size() > limit) recent.resize(limit);
  return recent;
}

std::string JoinRecent(const std::vector<std::string>& recent) {
  std::string text;
  for (const auto& path : recent) {
    if (path.empty()) continue;
    if (!text.empty()) text += '\n';
    text += path;
  }
  return text;
}

std::vector<std::string> SplitRecent(const std::string& text) {
  std::vector<std::string> recent;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    if (end > start) recent.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return recent;
}

namespace {

bool EndsWithIgnoringCase(const std::string& text, const std::string& suffix) {
  if (text.size() < suffix.size()) return false;
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    const char c = text[text.size() - suffix.size() + i];
    if (static_cast<char>(std::tolower(static_cast<unsigned char>(c))) != suffix[i]) return false;
  }
  return true;
}

}  // namespace

StartChoice ChooseStart(const std::vector<std::string>& arguments, bool reopenLast,
                        const std::vector<std::string>& recent, const std::function<bool(const std::string&)>& exists) {
  for (const std::string& argument : arguments) {
    if (EndsWithIgnoringCase(argument, ".avp")) return {StartChoice::Kind::OpenProject, argument};
    if (EndsWithIgnoringCase(argument, ".avt")) return {StartChoice::Kind::EditTemplate, argument};
  }
  if (reopenLast && !recent.empty() && exists(recent.front())) return {StartChoice::Kind::OpenProject, recent.front()};
  return {};
}

}  // namespace tandemix
