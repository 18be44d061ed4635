// The environment variables that decide where desktop files live and which
// programs run, held as plain values so tests can point every folder at a
// temporary one instead of the real home folder.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace tandemix {

class ShellEnvironment {
 public:
  ShellEnvironment() = default;
  explicit ShellEnvironment(std::map<std::string, std::string> vars) : vars_(std::move(vars)) {}
  static ShellEnvironment FromProcess();

  // The variable's value; "" when unset.
  std::string Get(const std::string& name) const;

  // Base folders of the freedesktop base directory rules, with their
  // defaults when unset or empty.
  std::string DataHome() const;                 // XDG_DATA_HOME or $HOME/.local/share
  std::vector<std::string> DataDirs() const;    // XDG_DATA_DIRS or /usr/local/share:/usr/share
  std::string ConfigHome() const;               // XDG_CONFIG_HOME or $HOME/.config
  std::vector<std::string> ConfigDirs() const;  // XDG_CONFIG_DIRS or /etc/xdg
  // XDG_CURRENT_DESKTOP's names, lower case.
  std::vector<std::string> CurrentDesktops() const;

  // The full path of an executable found on PATH (or `name` itself when it
  // holds a '/' and is executable); "" when there is none.
  std::string FindExecutable(const std::string& name) const;

 private:
  std::map<std::string, std::string> vars_;
};

}  // namespace tandemix
