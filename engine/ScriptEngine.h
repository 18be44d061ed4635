// The embedded script engine: evaluates AviSynth scripts of the subset
// Tandemix writes and templates use, and serves their frames.
//
// Each open builds a graph of its own; graphs share no mutable state, so
// separate threads may each use their own graph. One graph serves one
// thread at a time. Measuring (Info()) decodes nothing.
#pragma once

#include <string>
#include <string_view>

#include "engine/frames/Clip.h"

namespace tandemix::engine {

// Evaluates script text. `scriptName` is shown in error messages; relative
// paths in the script are taken from `folder` (empty: the current folder).
// Throws ScriptError with AviSynth's wording and the script's line, e.g.
// "Script error: There is no function named 'zoom2'.\n(movie.avs, line 2)",
// and "The script's return value was not a video clip, (Is the undefined
// value).\n(movie.avs)" for a script that ends in an assignment.
ClipPtr EvaluateScript(std::string_view text, const std::string& scriptName, const std::string& folder = {});

// Reads and evaluates a script file; relative paths in it are taken from
// the script's own folder. Throws "Cannot open file <path>" when it cannot
// be read, and ScriptError as above.
ClipPtr OpenScript(const std::string& path);

// A script (".avs", any letter case) through the engine, any other file as
// media through FFmpeg. Throws TandemixError with the reason.
ClipPtr OpenVideo(const std::string& path);

// Frame n of an opened clip, checked against its length. Throws
// TandemixError "Frame n is out of range: <path> has N frames" for a
// frame it does not have, and the source's reason when decoding fails.
// The frame is in the clip's own pixel type.
FramePtr FrameOf(Clip& clip, int n, const std::string& path);

// Frame n as 24-bit RGB (any other type through the Rec601 matrix, as
// AviSynth shows it): what the player, frame capture and the still-frame
// preview show.
FramePtr FrameBGROf(Clip& clip, int n, const std::string& path);

}  // namespace tandemix::engine
