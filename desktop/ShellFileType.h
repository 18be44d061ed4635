// The `.avt` file type in the freedesktop shared MIME database of the user:
// a MIME package declaring *.avt as AviSynth template text and a desktop
// entry that opens it in a text editor. Written once; nothing that exists is
// ever overwritten.
#pragma once

#include <string>

#include "desktop/ShellEnvironment.h"
#include "desktop/ShellTextEditor.h"

namespace tandemix {

inline constexpr const char* kTemplateMimeType = "text/x-avisynth-template";

enum class FileTypeRegistration {
  AlreadyKnown,  // some MIME database already maps *.avt, or our package is there
  Registered,    // files written: the caller should update the user's MIME cache
  Failed,        // a file could not be written; the type stays unknown
};

// True when a MIME cache under the data folders maps the glob "*.avt".
bool TemplateGlobKnown(const ShellEnvironment& env);

// Paths of the two files the registration writes.
std::string TemplateMimePackagePath(const ShellEnvironment& env);
std::string TemplateDesktopEntryPath(const ShellEnvironment& env);

// Registers the type when no MIME database knows it. The desktop entry is
// written only when there is an editor to put into it.
FileTypeRegistration RegisterTemplateFileType(const ShellEnvironment& env, const CommandLine& editor);

// The Exec value of a desktop entry running `command` on one file: every
// argument quoted where it must be, then "%f".
std::string DesktopExecLine(const CommandLine& command);

}  // namespace tandemix
