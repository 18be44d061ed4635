// The table of every built-in function: the language's own and each filter
// family's.
#pragma once

#include "engine/language/Functions.h"

namespace tandemix::engine {

const FunctionTable& BuiltInFunctions();

}  // namespace tandemix::engine
