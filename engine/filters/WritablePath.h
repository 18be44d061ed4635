// The files a script may write (logs, WriteFile, ImageWriter): only inside
// its own folder or below it.
#pragma once

#include <string>

#include "engine/language/Functions.h"

namespace tandemix::engine {

// The real path of `name` (relative to the script's folder) when it lies
// inside the script's folder and is a regular file or none yet; otherwise
// FilterError "<function>: scripts may write files only inside their own
// folder ...".
std::string WritablePath(const CallArgs& a, const std::string& name);

}  // namespace tandemix::engine
