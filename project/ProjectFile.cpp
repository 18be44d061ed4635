#include "project/ProjectFile.h"

#include <algorithm>
#include <cctype>

#include "core/EditNumber.h"
#include "platform/Errors.h"

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

// Index of the first line equal to the marker, or -1.
long FindMarker(const LineList& lines, const char* marker) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (SameTextIgnoringCase(lines[i], marker)) return static_cast<long>(i);
  return -1;
}

// The line after the marker. A missing marker makes the file's first line
// the value, as the lookup gives -1 + 1; a file that ends at the marker has
// no value line, which reads as empty.
std::string ValueAfter(const LineList& lines, const char* marker) {
  const long at = FindMarker(lines, marker) + 1;
  return at < static_cast<long>(lines.size()) ? lines[static_cast<std::size_t>(at)] : std::string();
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

ProjectFileContents ParseProjectLines(const LineList& lines) {
  ProjectFileContents contents;
  for (int b = 0; b < kBlockCount; ++b) {
    const char* next = b + 1 < kBlockCount ? kBlockMarkers[b + 1] : kImportStereoMarker;
    const long from = FindMarker(lines, kBlockMarkers[b]);
    const long to = FindMarker(lines, next);
    for (long i = from + 1; i < to; ++i) contents.blocks[b].push_back(lines[static_cast<std::size_t>(i)]);
  }
  contents.importStereo = ValueAfter(lines, kImportStereoMarker) == "1";
  const int fileType = ParseEditInteger(ValueAfter(lines, kFileTypeMarker));
  contents.fileType = static_cast<FileType>(std::clamp(fileType, -1, 3));
  contents.convertBefore = ValueAfter(lines, kConvertBeforeMarker) == "1";
  return contents;
}

ProjectFileContents ReadProject(const std::string& path) { return ParseProjectLines(ReadTextLines(path)); }

void ApplyProject(ProjectState& state, const ProjectFileContents& contents) {
  state.blocks = contents.blocks;
  state.importStereo = contents.importStereo;
  state.convertBeforeEnabled = contents.importStereo;
  state.fileType = contents.fileType;
  state.convertBefore = contents.convertBefore;
}

}  // namespace tandemix
