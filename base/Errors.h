// The one error type for failures that a command does not check itself:
// it carries the text the user sees, and is caught at the handler boundary
// (a window shows it, tandemix-cli prints it and exits 1).
#pragma once

#include <stdexcept>
#include <string>

namespace tandemix {

class TandemixError : public std::runtime_error {
 public:
  explicit TandemixError(const std::string& message) : std::runtime_error(message) {}
};

inline TandemixError CannotOpenFile(const std::string& path) { return TandemixError("Cannot open file " + path); }
inline TandemixError CannotCreateFile(const std::string& path) { return TandemixError("Cannot create file " + path); }
inline TandemixError NotValidFloat(const std::string& text) {
  return TandemixError("'" + text + "' is not a valid floating point value");
}
inline TandemixError NotValidInteger(const std::string& text) {
  return TandemixError("'" + text + "' is not a valid integer value");
}

}  // namespace tandemix
