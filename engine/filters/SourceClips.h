// Media files as clips of the graph.
#pragma once

#include <string>

#include "engine/frames/Clip.h"

namespace tandemix::engine {

// A media file's first video stream with its first audio stream, or the
// sound alone of a file without video; throws TandemixError naming the
// file when it cannot be read.
ClipPtr OpenMediaClip(const std::string& path);

}  // namespace tandemix::engine
