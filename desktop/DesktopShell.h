// The Shell of the running program on a Linux desktop.
#pragma once

#include "desktop/Shell.h"
#include "desktop/ShellEnvironment.h"

namespace tandemix {

class DesktopShell : public Shell {
 public:
  explicit DesktopShell(ShellEnvironment env) : env_(std::move(env)) {}

  std::string AviSynthDocsFolder() override;
  void RegisterTemplateFileType() override;
  bool StartTextEditor(const std::string& file) override;
  void OpenDocument(const std::string& path) override;
  void OpenUrl(const std::string& url) override;

 private:
  ShellEnvironment env_;
};

}  // namespace tandemix
