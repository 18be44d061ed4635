// AviSynth's documentation and the document Help opens. An installation
// declares its documentation by a folder under one of the data folders
// (doc/avisynth+, doc/avisynthplus, doc/avisynth or avisynth/docs); having
// none is normal, and Help then looks relative to the current folder.
#pragma once

#include <string>

#include "desktop/ShellEnvironment.h"

namespace tandemix {

// The documentation folder with a trailing '/', or "".
std::string FindAviSynthDocsFolder(const ShellEnvironment& env);

// docs + "english/index.htm" when that file exists, else docs + "index.html"
// (not checked further). An empty docs folder means the current folder.
std::string HelpDocumentPath(const std::string& docsFolder);

// Whether Help has a document to open: a documentation folder was found,
// or the document exists relative to the current folder.
bool HelpDocumentInstalled(const std::string& docsFolder);

// The program's own manual, installed beside the executables and the
// starter templates: programFolder + "/tandemix-manual.html".
std::string ManualPath(const std::string& programFolder);

// AviSynth's documentation on the web, offered when none is installed.
inline constexpr const char* kOnlineAviSynthDocs = "http://avisynth.nl/index.php/Main_Page";

// The question Help asks when no documentation is installed: where it was
// looked for, and whether to open the online documentation instead.
std::string MissingHelpQuestion();

}  // namespace tandemix
