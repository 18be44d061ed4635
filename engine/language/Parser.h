// Builds the statement list of a script from its text.
#pragma once

#include <string>
#include <string_view>

#include "engine/language/Ast.h"

namespace tandemix::engine {

// Throws ScriptError with the script name, line and column of the first
// syntax error.
Script ParseScript(std::string_view text, const std::string& scriptName);

}  // namespace tandemix::engine
