// An error met while reading or evaluating a script. Its text is what the
// user sees: the problem in AviSynth's wording, then the script and line,
// for example "Script error: There is no function named 'zoom2'." and, on
// the next line, "(movie.avs, line 2)".
#pragma once

#include <string>

#include "base/Errors.h"

namespace tandemix::engine {

class ScriptError : public TandemixError {
 public:
  explicit ScriptError(const std::string& message) : TandemixError(message) {}
};

// An error raised by a function or filter while a script line runs; the
// evaluator adds the script's name and the line.
class FilterError : public TandemixError {
 public:
  explicit FilterError(const std::string& message) : TandemixError(message) {}
};

}  // namespace tandemix::engine
