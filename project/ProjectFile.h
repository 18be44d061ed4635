// Project files (.avp): the template names of the seven blocks, the two
// stereo options and the file type. Clip names, measurements, the current
// block and the alignment are not stored.
#pragma once

#include <array>
#include <string>

#include "project/ProjectState.h"

namespace tandemix {

struct ProjectFileContents {
  std::array<FilterBlock, kBlockCount> blocks;
  bool importStereo = false;
  FileType fileType = FileType::Avi;  // stored as -1..3
  bool convertBefore = false;
};

// The file's lines: each marker, then its block's names, then the options.
LineList ProjectFileLines(const ProjectState& state);

// Writes the project atomically; throws "Cannot create file <path>".
void SaveProject(const std::string& path, const ProjectState& state);

// Reads and checks a whole project file without changing anything.
// Throws "Cannot open file <path>"; "The project <path> cannot be read:
// ..." when a marker line is missing, repeated or out of order, or when a
// block names a template that is not a plain name (a path separator, "."
// or ".."); or "'<text>' is not a valid integer value" (file-type line).
// A project that reads saves back to the same contents.
ProjectFileContents ReadProject(const std::string& path);
ProjectFileContents ParseProjectLines(const LineList& lines, const std::string& name = "file");

// Takes the contents into the state without running any window handler:
// blocks, options (Convert before filter enabled only with stereo import),
// file type. The window program sets the options through its controls
// instead, so that their handlers run.
void ApplyProject(ProjectState& state, const ProjectFileContents& contents);

}  // namespace tandemix
