#include "project/ProjectFile.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <vector>

#include "base/Errors.h"
#include "core/EditNumber.h"
#include "project/TemplateLibrary.h"

namespace tandemix {
namespace {

constexpr const char* kBlockMarkers[kBlockCount] = {
    "! ImportLeftTemplate",  "! ImportRightTemplate", "! ConvertTemplate", "! FilterLeftTemplate",
    "! FilterRightTemplate", "! PreviewTemplate",     "! OutputTemplate"};
constexpr const char* kImportStereoMarker = "! ImportStereo";
constexpr const char* kFileTypeMarker = "! FileType";
constexpr const char* kConvertBeforeMarker = "! ConvertBefore";

bool SameTextIgnoringCase(const std::string& a, const char* b) {
  const std::size_t n = std::char_traits<char>::length(b);
  if (a.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

constexpr const char* kBlockNames[kBlockCount] = {"ImportLeft",  "ImportRight", "Convert", "FilterLeft",
                                                  "FilterRight", "Preview",     "Output"};

// Every marker of the file, in the order it must have them.
std::vector<const char*> AllMarkers() {
  std::vector<const char*> markers(std::begin(kBlockMarkers), std::end(kBlockMarkers));
  markers.insert(markers.end(), {kImportStereoMarker, kFileTypeMarker, kConvertBeforeMarker});
  return markers;
}

[[noreturn]] void Unreadable(const std::string& name, const std::string& why) {
  throw TandemixError("The project " + name + " cannot be read: " + why);
}

// The line index of each marker, in AllMarkers() order. Each must be there
// once, in that order; otherwise the lines between them would be taken for
// template names and the file would not read back as it was saved.
std::vector<std::size_t> LocateMarkers(const LineList& lines, const std::string& name) {
  const std::vector<const char*> markers = AllMarkers();
  std::vector<long> at(markers.size(), -1);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    for (std::size_t m = 0; m < markers.size(); ++m) {
      if (!SameTextIgnoringCase(lines[i], markers[m])) continue;
      if (at[m] >= 0) Unreadable(name, "the line \"" + std::string(markers[m]) + "\" appears more than once.");
      at[m] = static_cast<long>(i);
    }
  }
  std::vector<std::size_t> found;
  for (std::size_t m = 0; m < markers.size(); ++m) {
    if (at[m] < 0) Unreadable(name, "the line \"" + std::string(markers[m]) + "\" is missing.");
    if (m > 0 && at[m] < at[m - 1])
      Unreadable(name, "the line \"" + std::string(markers[m]) + "\" comes before \"" + markers[m - 1] + "\".");
    found.push_back(static_cast<std::size_t>(at[m]));
  }
  return found;
}

// The line after a marker when it is not the next marker; a value line that
// is missing reads as empty.
std::string ValueAt(const LineList& lines, std::size_t marker, std::size_t nextMarker) {
  return marker + 1 < nextMarker ? lines[marker + 1] : std::string();
}

}  // namespace

LineList ProjectFileLines(const ProjectState& state) {
  LineList lines;
  for (int b = 0; b < kBlockCount; ++b) {
    lines.push_back(kBlockMarkers[b]);
    lines.insert(lines.end(), state.blocks[b].begin(), state.blocks[b].end());
  }
  lines.push_back(kImportStereoMarker);
  lines.push_back(state.importStereo ? "1" : "0");
  lines.push_back(kFileTypeMarker);
  lines.push_back(std::to_string(static_cast<int>(state.fileType)));
  lines.push_back(kConvertBeforeMarker);
  lines.push_back(state.convertBefore ? "1" : "0");
  return lines;
}

void SaveProject(const std::string& path, const ProjectState& state) { WriteTextLines(path, ProjectFileLines(state)); }

ProjectFileContents ParseProjectLines(const LineList& lines, const std::string& name) {
  const std::vector<std::size_t> at = LocateMarkers(lines, name);
  ProjectFileContents contents;
  for (int b = 0; b < kBlockCount; ++b) {
    for (std::size_t i = at[b] + 1; i < at[b + 1]; ++i) {
      if (const Check check = CheckTemplateName(lines[i]); !check.Passed())
        Unreadable(name, "the " + std::string(kBlockNames[b]) + " block names the template \"" + lines[i] + "\", " +
                             check.Why());
      contents.blocks[b].push_back(lines[i]);
    }
  }
  const std::size_t stereo = at[kBlockCount], fileType = at[kBlockCount + 1], convert = at[kBlockCount + 2];
  contents.importStereo = ValueAt(lines, stereo, fileType) == "1";
  const int type = ParseEditInteger(ValueAt(lines, fileType, convert));
  contents.fileType = static_cast<FileType>(std::clamp(type, -1, 3));
  contents.convertBefore = ValueAt(lines, convert, lines.size()) == "1";
  return contents;
}

ProjectFileContents ReadProject(const std::string& path) { return ParseProjectLines(ReadTextLines(path), path); }

void ApplyProject(ProjectState& state, const ProjectFileContents& contents) {
  state.blocks = contents.blocks;
  state.importStereo = contents.importStereo;
  state.convertBeforeEnabled = contents.importStereo;
  state.fileType = contents.fileType;
  state.convertBefore = contents.convertBefore;
}

}  // namespace tandemix
