// What the main window asks of the desktop: AviSynth's documentation folder,
// the `.avt` file type, a text editor for templates and opening a document
// with its default application. The window program passes DesktopShell;
// tests pass a fake that records the calls.
#pragma once

#include <string>

namespace tandemix {

class Shell {
 public:
  virtual ~Shell() = default;

  // AviSynth's documentation folder with a trailing '/', or "" when no
  // installation declares one (a normal state, not an error).
  virtual std::string AviSynthDocsFolder() = 0;

  // Registers the `.avt` file type for the user unless it is known already.
  // Never overwrites anything; a failure only leaves it unregistered.
  virtual void RegisterTemplateFileType() = 0;

  // Starts a text editor without waiting, on `file` or on nothing when
  // `file` is empty. Returns false when no editor was found.
  virtual bool StartTextEditor(const std::string& file) = 0;

  // Opens a document with the desktop's default application for its type.
  virtual void OpenDocument(const std::string& path) = 0;

  // Opens a web address in the desktop's browser.
  virtual void OpenUrl(const std::string& url) = 0;
};

}  // namespace tandemix
