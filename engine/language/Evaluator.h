// Runs a parsed script: variables (the implicit `last` among them),
// operators, function calls, blocks and loops, building the clip graph as
// it goes.
//
// Scopes: the script's top level has its variables, each call of a script
// function has its own (its parameters, its `last`), and `global` ones are
// seen from everywhere. Functions the script defines are known before its
// first line runs, so they may be used above their definition.
//
// Bounds: a script runs at most kMaxSteps statements and loop rounds, and
// calls nest only as deep as a fixed stack budget allows; past either it
// stops with an error that `try' does not catch.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/frames/ScriptError.h"
#include "engine/language/Ast.h"
#include "engine/language/Functions.h"

namespace tandemix::engine {

// What the functions and variables of one opened script are: shared by its
// evaluator and the runtime scripts its filters keep.
struct ScriptContext {
  std::map<std::string, Value> topLevel;  // the script's own variables, by lower-case name
  std::map<std::string, Value> globals;
  std::map<std::string, std::shared_ptr<const FunctionDecl>> functions;  // defined by the script
};

class Evaluator : public ScriptEnvironment {
 public:
  static constexpr long long kMaxSteps = 10'000'000;

  // `scriptName` is shown in error messages; relative paths in the script
  // are taken from `folder` (empty: the current folder).
  Evaluator(const FunctionTable& functions, std::string scriptName, std::string folder);
  // For a runtime script: variables and functions are read from `base`,
  // what this evaluator assigns stays its own.
  Evaluator(const FunctionTable& functions, std::string scriptName, std::string folder,
            std::shared_ptr<const ScriptContext> base);

  // The script's value: that of `return`, else that of the last statement,
  // which for an assignment (or no statement) is the undefined value (void).
  // Throws ScriptError.
  Value Run(const Script& script);

  Value Call(const Value& function, std::vector<Value> positional,
             std::vector<std::pair<std::string, Value>> named) override;
  Value EvaluateText(const std::string& text, const std::string& name) override;
  Value ImportFile(const std::string& path) override;
  const Value* FindVariable(const std::string& name) const override;
  void SetVariable(const std::string& name, Value value, bool global) override;
  bool ScriptFunctionExists(const std::string& name) const override;
  bool BuiltInFunctionExists(const std::string& name) const override { return functions_.Find(name) != nullptr; }
  const std::string& ScriptPath() const override { return scriptName_; }
  const std::string& ScriptFolder() const override { return folder_; }
  // The built-in functions the script has called, by the names they are
  // shown under (in messages).
  const std::set<std::string>& BuiltInsCalled() const { return builtInsCalled_; }
  std::shared_ptr<const RuntimeScript> Compile(const std::string& text, const std::string& name) override;
  // The global variables this evaluator set (by lower-case name).
  Variables Globals() const;
  // The variables of its top level (those a run assigned, with those given).
  Variables TopLevel() const;

 private:
  enum class Flow { Normal, Return };
  using Scope = std::map<std::string, Value>;
  using Named = std::vector<std::pair<std::string, Value>>;

  void Define(const std::vector<Statement>& statements);
  Flow RunBlock(const std::vector<Statement>& statements, Value& result);
  Flow RunStatement(const Statement& s, Value& result);
  Value Eval(const Expr& e);
  Value EvalCallExpr(const Expr& e);
  Value EvalIndex(const Expr& e);
  Value CallByName(const std::string& name, std::vector<Value> positional, Named named, int line);
  Value CallBuiltIn(const std::vector<FunctionDef>& defs, std::vector<Value> positional, Named named, int line);
  void FailOnUnknownName(const std::vector<FunctionDef>& defs, const Named& named, int line);
  Value CallScriptFunction(const FunctionDecl& decl, const std::vector<std::pair<std::string, Value>>& captures,
                           std::vector<Value> positional, Named named, int line);
  Value CallFunctionValue(const FunctionValue& f, std::vector<Value> positional, Named named, int line);
  Value EvalUnary(const Expr& e);
  Value EvalBinary(const Expr& e);
  std::shared_ptr<const FunctionDecl> FindScriptFunction(const std::string& name) const;
  void Step(int line);
  void CheckStack(int line) const;
  Value RunText(const std::string& text, const std::string& name, const std::string& folder);
  [[noreturn]] void Fail(const std::string& message, int line) const;

  const FunctionTable& functions_;
  std::set<std::string> builtInsCalled_;
  std::string scriptName_;
  std::string folder_;
  std::shared_ptr<ScriptContext> context_;
  std::shared_ptr<const ScriptContext> base_;  // of a runtime script
  Scope* locals_;                              // the scope now running
  bool atTopLevel_ = true;
  std::vector<std::string> imports_;  // the chain of scripts being imported, by full path
  long long steps_ = 0;
  const char* stackTop_ = nullptr;
  int clipsMade_ = 0;
  int line_ = 0;  // of the built-in function called last, for the calls it makes back
};

// Thrown when a script passes a bound of the engine (steps, depth): an
// error `try' does not catch.
class ScriptLimitError : public ScriptError {
 public:
  using ScriptError::ScriptError;
};

}  // namespace tandemix::engine
