// Loading the source clips: measuring, refusing what cannot be measured
// when the file type needs video, the shown names, the default output name
// and the viewer's offset range.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/Check.h"
#include "core/ViewerState.h"
#include "platform/VideoServices.h"
#include "project/ProjectState.h"

namespace tandemix {

// Caption and message of a refused clip.
inline constexpr const char* kVideoFileErrorCaption = "Video file error";
inline constexpr const char* kNotSupportedVideoMessage = "The loaded file is not supported video file.";

struct ClipLoadOutcome {
  bool accepted = false;
  // When refused: the caption and message to show.
  std::string caption;
  std::string message;
  // Why the clip could not be measured, when that is known.
  std::string detail;
  // The user cancelled the measuring: nothing changed, nothing to show.
  bool cancelled = false;
};

// The message shown for a refused clip: the outcome's message, the file
// and, when known, why it could not be measured.
std::string RefusalText(const ClipLoadOutcome& outcome, const std::string& path);

// A path shorter than 38 characters whole, else its first 5 characters,
// "..." and its last 30.
std::string ShownClipName(const std::string& path);

// Refuses a path that cannot be written into a script (a double quote or a
// line break in it), saying why.
Check CheckScriptPath(const std::string& path);

// The filters of the clip dialogs for a file type, the first one selected:
// every file the engine opens, the type's own patterns first; then for
// Video a filter of the containers people have, for Picture one of the
// picture formats, ahead of the five standard filters.
std::vector<std::string> ClipDialogFilters(FileType type);

// The next step while the project is empty, shown below the main window's
// controls: load clips, then add an output template; "" once both are done.
std::string StartHint(const ProjectState& project);

// ClipA (or the stereo clip): measures it, refuses it when it measures 0
// wide with file type AVI or Video, sets the default output name and, for a
// stereo clip, ClipB and the offset range.
// `progress`, when given, hears how a long measurement goes and may cancel
// it; a cancelled load changes nothing.
ClipLoadOutcome LoadLeftClip(ProjectState& project, ViewerState& viewer, VideoServices& video, const std::string& path,
                             const MeasureProgress& progress = {});

// ClipB of two files: measures and refuses like ClipA, then sets the offset
// range from both clips.
ClipLoadOutcome LoadRightClip(ProjectState& project, ViewerState& viewer, VideoServices& video, const std::string& path,
                              const MeasureProgress& progress = {});

}  // namespace tandemix
