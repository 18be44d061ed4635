// Two cameras that do not match: clips of different frame rates or picture
// sizes, and sound on the right clip only. What differs is said when the
// clips are loaded; the user may have the right clip conformed to the left
// one's rate (ChangeFPS, which keeps the time) and scaled to its height, and
// until the rates match the offset counts time, so each clip is trimmed by
// its own frames.
#pragma once

#include <string>

#include "base/TextFile.h"
#include "project/ProjectState.h"

namespace tandemix {

inline constexpr const char* kCamerasDifferCaption = "The cameras do not match";

// Only a pair of two files can differ; both clips must be measured.
bool RatesDiffer(const ProjectState& project);
bool SizesDiffer(const ProjectState& project);
// Sizes that differ in height: scaling the right clip is offered.
bool HeightsDiffer(const ProjectState& project);

// What is said when the clips are loaded: a question (Yes conforms, resp.
// scales; the size is a question only when the heights differ, else a
// message); "" when nothing differs.
std::string RateQuestion(const ProjectState& project);
std::string SizeQuestion(const ProjectState& project);

// The rate as people write it: "25", "29.97", "23.976".
std::string RateText(double rate);

// How many frames of the right clip, as the script has it (conformed or
// not), last as long as `leftFrames` frames of the left clip.
int RightFramesFor(const ProjectState& project, int leftFrames);
// The right clip's frame count as the script has it.
int RightFramesInScript(const ProjectState& project);
// The right clip's length counted in frames of the left clip.
int RightLengthInLeftFrames(const ProjectState& project);

// The lines written right after the right clip's source: ChangeFPS(ClipA)
// when conforming, a resize to the left clip's height when scaling.
LineList RightConformLines(const ProjectState& project);

// The left clip has no sound and the right one has: the output takes the
// right one's.
bool SoundFromRight(const ProjectState& project);

}  // namespace tandemix
