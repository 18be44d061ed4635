#include "engine/language/Evaluator.h"

#include <cmath>
#include <utility>

#include "engine/frames/NodeCache.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

// A frame request runs down the graph recursively; a bound on the filters
// of one script bounds its depth.
constexpr int kMaxClipsPerScript = 3000;

// AviSynth scripts never need strings of more than a few megabytes; a
// script that doubles a string in a loop stops here instead of taking the
// machine's memory.
constexpr std::size_t kMaxStringLength = std::size_t{16} << 20;

}  // namespace

Evaluator::Evaluator(const FunctionTable& functions, std::string scriptName, std::string folder)
    : functions_(functions), scriptName_(std::move(scriptName)), folder_(std::move(folder)) {}

void Evaluator::Fail(const std::string& message, int line) const {
  throw ScriptError(message + "\n(" + scriptName_ + ", line " + std::to_string(line) + ")");
}

const Value* Evaluator::FindVariable(const std::string& name) const {
  auto it = variables_.find(LowerCase(name));
  return it == variables_.end() ? nullptr : &it->second;
}

Value Evaluator::Run(const Script& script) {
  // As in AviSynth, an assignment has no value: a script whose last
  // statement assigns returns the undefined value, not `last`.
  Value result;
  for (const Statement& s : script.statements) {
    switch (s.kind) {
      case Statement::Kind::Return:
        return Eval(*s.expr);
      case Statement::Kind::Assignment:
        variables_[LowerCase(s.variable)] = Eval(*s.expr);
        result = Value();
        break;
      case Statement::Kind::Expression: {
        result = Eval(*s.expr);
        if (result.IsClip()) variables_["last"] = result;
        break;
      }
    }
  }
  return result;
}

Value Evaluator::Eval(const Expr& e) {
  switch (e.kind) {
    case Expr::Kind::Literal:
      return e.literal;
    case Expr::Kind::Variable: {
      if (const Value* v = FindVariable(e.name)) return *v;
      if (functions_.Find(e.name)) return EvalCall(e, e.name, {}, {});
      Fail("I don't know what '" + e.name + "' means.", e.line);
    }
    case Expr::Kind::Call: {
      std::vector<Value> positional;
      std::vector<std::pair<std::string, Value>> named;
      for (std::size_t i = 0; i < e.args.size(); ++i) {
        Value v = Eval(*e.args[i]);
        if (e.argNames[i].empty()) {
          if (!named.empty())
            Fail("Script error: a positional argument follows named ones in the call of '" + e.name + "'.", e.line);
          positional.push_back(std::move(v));
        } else {
          named.emplace_back(e.argNames[i], std::move(v));
        }
      }
      return EvalCall(e, e.name, std::move(positional), std::move(named));
    }
    case Expr::Kind::Unary:
      return EvalUnary(e);
    case Expr::Kind::Binary:
      return EvalBinary(e);
    case Expr::Kind::Ternary: {
      const Value c = Eval(*e.args[0]);
      if (!c.IsBool()) Fail("Script error: the condition of `?:' must be a bool.", e.line);
      return Eval(*e.args[c.AsBool() ? 1 : 2]);
    }
  }
  return Value();
}

Value Evaluator::EvalCall(const Expr& e, const std::string& name, std::vector<Value> positional,
                          std::vector<std::pair<std::string, Value>> named) {
  const std::vector<FunctionDef>* defs = functions_.Find(name);
  if (!defs) Fail("Script error: There is no function named '" + name + "'.", e.line);
  std::vector<Value> values;
  std::vector<Value> rest;
  const FunctionDef* chosen = nullptr;
  for (const FunctionDef& def : *defs) {
    if (BindArguments(def, positional, named, values, rest)) {
      chosen = &def;
      break;
    }
  }
  // The implicit `last`: a clip function called without its clip.
  if (!chosen) {
    if (const Value* last = FindVariable("last"); last && last->IsClip()) {
      positional.insert(positional.begin(), *last);
      for (const FunctionDef& def : *defs) {
        if (!def.params.empty() && def.params[0].type == ParamType::Clip &&
            BindArguments(def, positional, named, values, rest)) {
          chosen = &def;
          break;
        }
      }
    }
  }
  if (!chosen) Fail("Script error: Invalid arguments to function '" + defs->front().name + "'.", e.line);
  try {
    Value result = chosen->body(CallArgs(chosen->name, std::move(values), std::move(rest), folder_, &chosen->params));
    if (result.IsClip() && ++clipsMade_ > kMaxClipsPerScript)
      Fail("Script error: the script uses more than " + std::to_string(kMaxClipsPerScript) + " filters.", e.line);
    // Every filter's frames pass through a cache of its recent ones.
    if (result.IsClip()) return Value::Clip(WithCache(result.AsClip()));
    return result;
  } catch (const ScriptError&) {
    throw;
  } catch (const TandemixError& error) {
    Fail(error.what(), e.line);
  } catch (const std::bad_alloc&) {
    Fail(chosen->name + ": out of memory", e.line);
  }
}

Value Evaluator::EvalUnary(const Expr& e) {
  const Value v = Eval(*e.args[0]);
  if (e.name == "!") {
    if (!v.IsBool()) Fail("Script error: `!' needs a bool.", e.line);
    return Value::Bool(!v.AsBool());
  }
  if (!v.IsNumber()) Fail(std::string("Script error: unary `") + e.name + "' needs a number.", e.line);
  if (e.name == "+") return v;
  if (v.IsInt()) {
    if (v.AsInt() == INT64_MIN) Fail("Script error: integer overflow.", e.line);
    return Value::Int(-v.AsInt());
  }
  return Value::Float(-v.AsFloat());
}

Value Evaluator::EvalBinary(const Expr& e) {
  const std::string& op = e.name;
  if (op == "&&" || op == "||") {
    const Value a = Eval(*e.args[0]);
    if (!a.IsBool()) Fail("Script error: `" + op + "' needs bools.", e.line);
    if (op == "&&" && !a.AsBool()) return Value::Bool(false);
    if (op == "||" && a.AsBool()) return Value::Bool(true);
    const Value b = Eval(*e.args[1]);
    if (!b.IsBool()) Fail("Script error: `" + op + "' needs bools.", e.line);
    return b;
  }
  const Value a = Eval(*e.args[0]);
  const Value b = Eval(*e.args[1]);
  const bool compare = op == "==" || op == "!=" || op == "<>" || op == "<" || op == ">" || op == "<=" || op == ">=";
  if (compare) {
    int order = 0;
    bool ordered = true;
    if (a.IsNumber() && b.IsNumber()) {
      if (a.IsInt() && b.IsInt())
        order = a.AsInt() < b.AsInt() ? -1 : a.AsInt() > b.AsInt() ? 1 : 0;
      else
        order = a.AsFloat() < b.AsFloat() ? -1 : a.AsFloat() > b.AsFloat() ? 1 : 0;
    } else if (a.IsString() && b.IsString()) {
      // Strings compare without regard to letter case, as AviSynth does.
      const std::string x = LowerCase(a.AsString());
      const std::string y = LowerCase(b.AsString());
      order = x < y ? -1 : x > y ? 1 : 0;
    } else if (a.IsBool() && b.IsBool()) {
      order = a.AsBool() == b.AsBool() ? 0 : 1;
      ordered = false;
    } else if (a.IsClip() && b.IsClip()) {
      order = a.AsClip() == b.AsClip() ? 0 : 1;
      ordered = false;
    } else {
      Fail("Script error: `" + op + "' cannot compare a " + TypeName(a.GetType()) + " with a " + TypeName(b.GetType()) +
               ".",
           e.line);
    }
    if (op == "==") return Value::Bool(order == 0);
    if (op == "!=" || op == "<>") return Value::Bool(order != 0);
    if (!ordered) Fail("Script error: `" + op + "' cannot order these values.", e.line);
    if (op == "<") return Value::Bool(order < 0);
    if (op == ">") return Value::Bool(order > 0);
    if (op == "<=") return Value::Bool(order <= 0);
    return Value::Bool(order >= 0);
  }
  if (op == "+" || op == "++") {
    if (a.IsString() && b.IsString()) {
      if (a.AsString().size() + b.AsString().size() > kMaxStringLength)
        Fail("Script error: the string would be longer than " + std::to_string(kMaxStringLength) + " characters.",
             e.line);
      return Value::String(a.AsString() + b.AsString());
    }
    if (a.IsClip() && b.IsClip()) {
      if (++clipsMade_ > kMaxClipsPerScript)
        Fail("Script error: the script uses more than " + std::to_string(kMaxClipsPerScript) + " filters.", e.line);
      try {
        // `+` joins the sound as it is, `++` aligns it with the frames first:
        // the table's UnalignedSplice and AlignedSplice.
        const std::vector<FunctionDef>* splice = functions_.Find(op == "++" ? "AlignedSplice" : "UnalignedSplice");
        if (!splice || splice->empty()) Fail("Script error: there is no function named 'Splice'.", e.line);
        const FunctionDef& def = splice->front();
        return Value::Clip(WithCache(def.body(CallArgs(def.name, {a}, {b}, folder_, &def.params)).AsClip()));
      } catch (const TandemixError& error) {
        Fail(error.what(), e.line);
      }
    }
  }
  if (op == "++") Fail("Script error: `++' joins clips.", e.line);
  if (!a.IsNumber() || !b.IsNumber())
    Fail("Script error: `" + op + "' cannot be used with a " + std::string(TypeName(a.GetType())) + " and a " +
             TypeName(b.GetType()) + ".",
         e.line);
  if (a.IsInt() && b.IsInt()) {
    const std::int64_t x = a.AsInt();
    const std::int64_t y = b.AsInt();
    std::int64_t r = 0;
    bool overflow = false;
    if (op == "+") overflow = __builtin_add_overflow(x, y, &r);
    if (op == "-") overflow = __builtin_sub_overflow(x, y, &r);
    if (op == "*") overflow = __builtin_mul_overflow(x, y, &r);
    if (op == "/" || op == "%") {
      if (y == 0) Fail("Script error: division by zero.", e.line);
      if (x == INT64_MIN && y == -1)
        overflow = true;
      else
        r = op == "/" ? x / y : x % y;
    }
    if (overflow) Fail("Script error: integer overflow.", e.line);
    return Value::Int(r);
  }
  const double x = a.AsFloat();
  const double y = b.AsFloat();
  if (op == "+") return Value::Float(x + y);
  if (op == "-") return Value::Float(x - y);
  if (op == "*") return Value::Float(x * y);
  if (y == 0.0) Fail("Script error: division by zero.", e.line);
  if (op == "/") return Value::Float(x / y);
  return Value::Float(std::fmod(x, y));
}

}  // namespace tandemix::engine
