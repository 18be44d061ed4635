// Small helpers for reading command-line arguments. Numbers on the command
// line always use a point, whatever the locale.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Errors.h"

namespace tandemix::cli {

// A usage error: the command prints it with the usage and exits 2.
class UsageError : public std::runtime_error {
 public:
  explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

// Runs a command's work and turns its failures into the exit status: a
// usage error prints "<command>: <message>" and where the usage is (2); an
// error of the program's own prints its message (1), any other failure the
// message after the command's name (1).
int RunCommand(const char* command, const std::function<int()>& work);

class ArgReader {
 public:
  explicit ArgReader(const std::vector<std::string>& args) : args_(args) {}
  bool AtEnd() const { return index_ >= args_.size(); }
  const std::string& Next() { return args_[index_++]; }
  // The value of option `name`, which must follow it.
  const std::string& Value(const std::string& name);

 private:
  const std::vector<std::string>& args_;
  std::size_t index_ = 0;
};

// SCRIPT and OUT of a command that writes a file from a script: Take()
// gives each argument that is not an option to the first still empty;
// Check() refuses either missing. Both throw UsageError.
struct ScriptAndOutput {
  std::string script;
  std::string output;
  void Take(const std::string& arg);
  void Check() const;
};

// Parses a whole argument as a number with a point; throws UsageError
// naming the option otherwise.
double ParseRealArg(const std::string& option, const std::string& text);
int ParseIntArg(const std::string& option, const std::string& text);

// The folder of the running executable.
std::string ExecutableFolder();

// An absolute, '/'-separated form of a path given on the command line.
std::string AbsolutePath(const std::string& path);

}  // namespace tandemix::cli
