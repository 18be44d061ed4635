// The Shell of the running program on a Linux desktop.
#pragma once

#include "platform/Shell.h"
#include "platform/ShellEnvironment.h"

namespace tandemix {

class DesktopShell : public Shell {
 public:
  explicit DesktopShell(ShellEnvironment env) : env_(std::move(env)) {}

  std::string AviSynthDocsFolder() override;
  void RegisterTemplateFileType() override;
  void StartTextEditor(const std::string& file) override;
  void OpenDocument(const std::string& path) override;

 private:
  ShellEnvironment env_;
};

}  // namespace tandemix
