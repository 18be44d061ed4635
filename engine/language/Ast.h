// The parsed form of a script: statements holding expression trees.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/language/Value.h"

namespace tandemix::engine {

struct Expr {
  enum class Kind {
    Literal,   // `literal`
    Variable,  // `name`, or a call of `name` without arguments when no such variable exists
    Call,      // `name(args)`; a method call `a.name(args)` has `a` as its first argument
    Unary,     // `name` is the operator, `args[0]` the operand
    Binary,    // `name` is the operator, `args[0]` and `args[1]` the operands
    Ternary,   // args: condition, then, else
  };
  Kind kind = Kind::Literal;
  int line = 0;
  int column = 0;
  int depth = 1;  // of the tree below and including this node
  Value literal;
  std::string name;
  std::vector<std::unique_ptr<Expr>> args;
  std::vector<std::string> argNames;  // per argument of a call: "" when positional
};

struct Statement {
  enum class Kind { Expression, Assignment, Return };
  Kind kind = Kind::Expression;
  int line = 0;
  std::string variable;  // of an assignment
  std::unique_ptr<Expr> expr;
};

struct Script {
  std::vector<Statement> statements;
};

}  // namespace tandemix::engine
