// Choosing the text editor that templates are written in: the user's
// $VISUAL or $EDITOR when it is a window program, else the desktop's default
// application for plain text, else a known window editor found on PATH.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "desktop/ShellEnvironment.h"

namespace tandemix {

struct CommandLine {
  std::string program;  // full path
  std::vector<std::string> arguments;

  bool Empty() const { return program.empty(); }
  bool operator==(const CommandLine&) const = default;
};

// True for editors that need a terminal (vi, nano, emacs -nw, ...): started
// from a window program they would show nothing.
bool IsTerminalEditor(const std::string& program, const std::vector<std::string>& arguments);

// The desktop's default application for a MIME type, as a desktop entry id
// ("org.gnome.gedit.desktop"), from the mimeapps.list files in their order
// of precedence; only entries whose desktop file exists count.
std::optional<std::string> DefaultApplicationFor(const std::string& mimeType, const ShellEnvironment& env);

// The command of a desktop entry: its Exec line split into arguments, with
// the field codes (%f, %U, ...) removed. nullopt when the entry is missing,
// has no Exec line, runs in a terminal or its program is not found.
std::optional<CommandLine> DesktopEntryCommand(const std::string& desktopId, const ShellEnvironment& env);

// The editor to start; Empty() when none was found.
CommandLine ChooseTextEditor(const ShellEnvironment& env);

// The editor's command line for one file (or for none when `file` is
// empty). The path is passed as one argument, blanks and all.
CommandLine EditorCommandFor(const CommandLine& editor, const std::string& file);

}  // namespace tandemix
