// The parsed form of a script: statements holding expression trees, and
// the functions a script defines.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/language/Value.h"

namespace tandemix::engine {

struct FunctionDecl;

struct Expr {
  enum class Kind {
    Literal,   // `literal`
    Variable,  // `name`, or a call of `name` without arguments when no such variable exists
    Call,      // `name(args)`; a method call `a.name(args)` has `a` as its first argument
    Unary,     // `name` is the operator, `args[0]` the operand
    Binary,    // `name` is the operator, `args[0]` and `args[1]` the operands
    Ternary,   // args: condition, then, else
    Array,     // `[args...]`
    Index,     // `args[0][args[1], args[2], ...]`
    Function,  // an anonymous function, `function [captures] (params) { ... }`
  };
  Kind kind = Kind::Literal;
  int line = 0;
  int column = 0;
  int depth = 1;  // of the tree below and including this node
  Value literal;
  std::string name;
  std::vector<std::unique_ptr<Expr>> args;
  std::vector<std::string> argNames;  // per argument of a call: "" when positional
  std::shared_ptr<const FunctionDecl> function;
};

struct Statement {
  enum class Kind {
    Expression,  // expr
    Assignment,  // [global] variable = expr
    Return,      // return expr (expr may be null: the undefined value)
    If,          // if (expr) body else elseBody
    While,       // while (expr) body
    For,         // for (variable = expr, limit [, step]) body
    Try,         // try body catch (variable) elseBody
    Function,    // function Name(...) { ... }: defined before the script runs
  };
  Kind kind = Kind::Expression;
  int line = 0;
  std::string variable;
  bool global = false;
  std::unique_ptr<Expr> expr;
  std::unique_ptr<Expr> limit;
  std::unique_ptr<Expr> step;
  std::vector<Statement> body;
  std::vector<Statement> elseBody;
  std::shared_ptr<const FunctionDecl> function;
};

struct FunctionDecl {
  struct Parameter {
    std::string name;
    std::string type;       // lower case: "clip", "int", "float", "string", "bool", "val", "func", "int_array", ...
    bool optional = false;  // written between quotes
  };
  std::string name;  // empty for an anonymous function
  int line = 0;
  std::string scriptName;  // where it was written, for messages
  std::vector<Parameter> params;
  std::vector<std::string> captures;  // of an anonymous function
  std::vector<Statement> body;
};

// A function held as a value: a named one (func(Name)), or a function with
// the values it captured when it was made.
struct FunctionValue {
  std::string name;
  std::shared_ptr<const FunctionDecl> decl;  // null for a built-in
  std::vector<std::pair<std::string, Value>> captures;
};

struct Script {
  std::vector<Statement> statements;
};

}  // namespace tandemix::engine
