// AviSynth's documentation and the document Help opens. An installation
// declares its documentation by a folder under one of the data folders
// (doc/avisynth+, doc/avisynthplus, doc/avisynth or avisynth/docs); having
// none is normal, and Help then looks relative to the current folder.
#pragma once

#include <string>

#include "platform/ShellEnvironment.h"

namespace tandemix {

// The documentation folder with a trailing '/', or "".
std::string FindAviSynthDocsFolder(const ShellEnvironment& env);

// docs + "english/index.htm" when that file exists, else docs + "index.html"
// (not checked further). An empty docs folder means the current folder.
std::string HelpDocumentPath(const std::string& docsFolder);

}  // namespace tandemix
