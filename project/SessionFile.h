// The session file kept beside a project: what the .avp leaves out (the
// clips, the offset, the alignment, the user sliders, the final size and
// the output script's name) and a fingerprint of every script the program
// last wrote, so that a script edited since is recognised. The .avp itself
// is never changed by it; other tools read the .avp alone.
//
// The file is plain text, one "key=value" a line after a first line naming
// the format. Unknown keys are skipped, so a later version's file reads.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/TextFile.h"
#include "core/AlignmentSettings.h"
#include "core/ViewerState.h"
#include "project/ProjectState.h"

namespace tandemix {

// "movie.avp" -> "movie.avp.session".
std::string SessionPathOf(const std::string& projectPath);

// A fingerprint of a script's text as written (64-bit FNV-1a of its bytes,
// 16 hex digits).
std::string TextFingerprint(const std::string& text);

// Script path -> fingerprint of the text the program last wrote there.
using ScriptRecord = std::map<std::string, std::string>;

struct SessionContents {
  std::string clipA;
  std::string clipB;
  std::string outputScriptName;
  int offset = 0;
  int horizontal = 0;
  int vertical = 0;
  std::string scaleText = "100";
  std::string scaleRText = "100";
  std::string angleText = "0";
  std::string angleRText = "0";
  std::string finalWidthText = "720";
  std::string finalHeightText = "576";
  bool useFinalSize = false;
  bool autoCrop = false;
  bool swapViews = false;
  double sliderAValue = 0.0;
  double sliderBValue = 0.0;
  double sliderAStep = 1.0;
  double sliderBStep = 1.0;
  // The answers for two cameras that do not match (ProjectState's
  // conformRate and scaleRightToLeft).
  bool conformRate = false;
  bool scaleRight = false;
  ScriptRecord scripts;
  // Lines that could not be read (a number that is not one); the rest of
  // the file still counts.
  std::vector<std::string> problems;
};

// What the state holds now, as the session file keeps it.
SessionContents SessionOf(const ProjectState& project, const AlignmentSettings& alignment, const ViewerState& viewer,
                          const ScriptRecord& scripts);

LineList SessionFileLines(const SessionContents& contents);
SessionContents ParseSessionLines(const LineList& lines);

// Writes atomically; throws "Cannot create file <path>".
void SaveSession(const std::string& path, const SessionContents& contents);
// nullopt when there is no such file; throws "Cannot open file <path>"
// when it is there but cannot be read.
std::optional<SessionContents> ReadSession(const std::string& path);

// Puts the alignment, sliders and final size of the session into the
// settings. A shift outside the bar's present range widens the range so the
// value is kept; the generator's next run sets the range from the views.
void ApplySessionAlignment(const SessionContents& contents, AlignmentSettings& alignment);

// The alignment values as they are at start (what ResetAlignment leaves):
// no shift, 100 % scale, no tilt on either view.
bool AlignmentAtStart(const AlignmentSettings& alignment);
// Back to the start values: shifts, scales, tilts and their locks. The
// final size, swap, auto crop, sliders and the preview's way of showing
// belong to the movie, not to the pair, and stay.
void ResetAlignment(AlignmentSettings& alignment);

}  // namespace tandemix
