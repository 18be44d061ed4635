// Runs a parsed script: variables (the implicit `last` among them),
// operators and function calls, building the clip graph as it goes.
#pragma once

#include <map>
#include <string>

#include "engine/language/Ast.h"
#include "engine/language/Functions.h"

namespace tandemix::engine {

class Evaluator {
 public:
  // `scriptName` is shown in error messages; relative paths in the script
  // are taken from `folder` (empty: the current folder).
  Evaluator(const FunctionTable& functions, std::string scriptName, std::string folder);

  // The script's value: that of `return`, else that of the last statement,
  // which for an assignment (or no statement) is the undefined value (void).
  // Throws ScriptError.
  Value Run(const Script& script);

 private:
  Value Eval(const Expr& e);
  Value EvalCall(const Expr& e, const std::string& name, std::vector<Value> positional,
                 std::vector<std::pair<std::string, Value>> named);
  Value EvalUnary(const Expr& e);
  Value EvalBinary(const Expr& e);
  [[noreturn]] void Fail(const std::string& message, int line) const;
  const Value* FindVariable(const std::string& name) const;

  const FunctionTable& functions_;
  std::string scriptName_;
  std::string folder_;
  std::map<std::string, Value> variables_;  // by lower-case name
  int clipsMade_ = 0;
};

}  // namespace tandemix::engine
