#include "engine/language/Evaluator.h"

#include <strings.h>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/frames/NodeCache.h"
#include "engine/frames/ScriptError.h"
#include "engine/language/Parser.h"

namespace tandemix::engine {
namespace {

// A frame request runs down the graph recursively; a bound on the filters
// of one script bounds its depth.
constexpr int kMaxClipsPerScript = 3000;

// AviSynth scripts never need strings of more than a few megabytes; a
// script that doubles a string in a loop stops here instead of taking the
// machine's memory.
constexpr std::size_t kMaxStringLength = std::size_t{16} << 20;

// The stack that nested calls, Eval and Import may take (threads have 8 MiB).
constexpr std::ptrdiff_t kMaxStackBytes = std::ptrdiff_t{3} << 20;

// A script and the context it runs in, kept by a runtime filter.
class CompiledScript : public RuntimeScript {
 public:
  CompiledScript(const FunctionTable& functions, std::string name, std::string folder,
                 std::shared_ptr<const ScriptContext> context, Script script)
      : functions_(functions),
        name_(std::move(name)),
        folder_(std::move(folder)),
        context_(std::move(context)),
        script_(std::move(script)) {}

  RuntimeResult Run(const Variables& locals, const Variables& globals) const override {
    Evaluator evaluator(functions_, name_, folder_, context_);
    for (const auto& [name, value] : locals) evaluator.SetVariable(name, value, false);
    for (const auto& [name, value] : globals) evaluator.SetVariable(name, value, true);
    RuntimeResult result;
    result.value = evaluator.Run(script_);
    result.globals = evaluator.Globals();
    // What the run assigned at its top level goes down with the frame too:
    // in AviSynth a runtime script's variables are the script's own, so a
    // FrameEvaluate's `x = ...` is seen by the ScriptClip below it.
    for (auto& variable : evaluator.TopLevel()) {
      const std::string& name = variable.first;
      const bool given =
          std::any_of(locals.begin(), locals.end(), [&name](const auto& l) { return LowerCase(l.first) == name; });
      if (!given) result.globals.emplace_back(name, std::move(variable.second));
    }
    return result;
  }

 private:
  const FunctionTable& functions_;
  std::string name_;
  std::string folder_;
  std::shared_ptr<const ScriptContext> context_;
  Script script_;
};

}  // namespace

Evaluator::Evaluator(const FunctionTable& functions, std::string scriptName, std::string folder)
    : functions_(functions),
      scriptName_(std::move(scriptName)),
      folder_(std::move(folder)),
      context_(std::make_shared<ScriptContext>()),
      locals_(&context_->topLevel) {}

Evaluator::Evaluator(const FunctionTable& functions, std::string scriptName, std::string folder,
                     std::shared_ptr<const ScriptContext> base)
    : Evaluator(functions, std::move(scriptName), std::move(folder)) {
  base_ = std::move(base);
}

void Evaluator::Fail(const std::string& message, int line) const {
  throw ScriptError(message + "\n(" + scriptName_ + ", line " + std::to_string(line) + ")");
}

const Value* Evaluator::FindVariable(const std::string& name) const {
  const std::string key = LowerCase(name);
  if (auto it = locals_->find(key); it != locals_->end()) return &it->second;
  if (base_) {
    // A runtime script: its own globals, then those the filters up the
    // chain set for this frame, then the script's variables.
    if (auto it = context_->globals.find(key); it != context_->globals.end()) return &it->second;
    if (const Value* v = FrameVariables::Find(key)) return v;
    if (atTopLevel_)
      if (auto it = base_->topLevel.find(key); it != base_->topLevel.end()) return &it->second;
    if (auto it = base_->globals.find(key); it != base_->globals.end()) return &it->second;
    return nullptr;
  }
  if (auto it = context_->globals.find(key); it != context_->globals.end()) return &it->second;
  return nullptr;
}

Variables Evaluator::Globals() const { return {context_->globals.begin(), context_->globals.end()}; }

Variables Evaluator::TopLevel() const { return {context_->topLevel.begin(), context_->topLevel.end()}; }

void Evaluator::SetVariable(const std::string& name, Value value, bool global) {
  (global ? context_->globals : *locals_)[LowerCase(name)] = std::move(value);
}

std::shared_ptr<const FunctionDecl> Evaluator::FindScriptFunction(const std::string& name) const {
  const std::string key = LowerCase(name);
  if (auto it = context_->functions.find(key); it != context_->functions.end()) return it->second;
  if (base_)
    if (auto it = base_->functions.find(key); it != base_->functions.end()) return it->second;
  return nullptr;
}

bool Evaluator::ScriptFunctionExists(const std::string& name) const { return FindScriptFunction(name) != nullptr; }

void Evaluator::Step(int line) {
  if (++steps_ > kMaxSteps)
    throw ScriptLimitError("Script error: the script ran more than " + std::to_string(kMaxSteps) +
                           " steps; does a loop never end?\n(" + scriptName_ + ", line " + std::to_string(line) + ")");
}

void Evaluator::CheckStack(int line) const {
  const char here = 0;
  if (stackTop_ && stackTop_ - &here > kMaxStackBytes)
    throw ScriptLimitError("Script error: the functions call each other too deeply.\n(" + scriptName_ + ", line " +
                           std::to_string(line) + ")");
}

// Functions written at a block's level are known before it runs.
void Evaluator::Define(const std::vector<Statement>& statements) {
  for (const Statement& s : statements)
    if (s.kind == Statement::Kind::Function) context_->functions[LowerCase(s.function->name)] = s.function;
}

Value Evaluator::Run(const Script& script) {
  const char top = 0;
  if (!stackTop_) stackTop_ = &top;
  // A script file counts in the chain of imports, so importing itself is seen.
  if (imports_.empty() && !base_) {
    const QFileInfo self(QString::fromStdString(scriptName_));
    if (self.isFile()) imports_.push_back(self.canonicalFilePath().toStdString());
  }
  Define(script.statements);
  // As in AviSynth, an assignment has no value: a script whose last
  // statement assigns returns the undefined value, not `last`.
  Value result;
  RunBlock(script.statements, result);
  return result;
}

Evaluator::Flow Evaluator::RunBlock(const std::vector<Statement>& statements, Value& result) {
  for (const Statement& s : statements)
    if (RunStatement(s, result) == Flow::Return) return Flow::Return;
  return Flow::Normal;
}

Evaluator::Flow Evaluator::RunStatement(const Statement& s, Value& result) {
  Step(s.line);
  switch (s.kind) {
    case Statement::Kind::Return:
      result = s.expr ? Eval(*s.expr) : Value();
      return Flow::Return;
    case Statement::Kind::Assignment:
      SetVariable(s.variable, Eval(*s.expr), s.global);
      result = Value();
      return Flow::Normal;
    case Statement::Kind::Expression:
      result = Eval(*s.expr);
      if (result.IsClip()) (*locals_)["last"] = result;
      return Flow::Normal;
    case Statement::Kind::Function:
      context_->functions[LowerCase(s.function->name)] = s.function;
      return Flow::Normal;
    case Statement::Kind::If: {
      const Value c = Eval(*s.expr);
      if (!c.IsBool()) Fail("if: condition must be boolean (true/false)", s.line);
      return RunBlock(c.AsBool() ? s.body : s.elseBody, result);
    }
    case Statement::Kind::While:
      for (;;) {
        const Value c = Eval(*s.expr);
        if (!c.IsBool()) Fail("while: condition must be boolean (true/false)", s.line);
        if (!c.AsBool()) return Flow::Normal;
        if (RunBlock(s.body, result) == Flow::Return) return Flow::Return;
        Step(s.line);
      }
    case Statement::Kind::For: {
      const Value start = Eval(*s.expr);
      const Value limit = Eval(*s.limit);
      const Value step = s.step ? Eval(*s.step) : Value::Int(1);
      if (!start.IsInt() || !limit.IsInt() || !step.IsInt())
        Fail("for: the start, end and step values must be integers", s.line);
      if (step.AsInt() == 0) Fail("for: step value must be non-zero", s.line);
      std::int64_t i = start.AsInt();
      for (;;) {
        if (step.AsInt() > 0 ? i > limit.AsInt() : i < limit.AsInt()) return Flow::Normal;
        SetVariable(s.variable, Value::Int(i), false);
        if (RunBlock(s.body, result) == Flow::Return) return Flow::Return;
        Step(s.line);
        // The body may change the variable, as in C.
        const Value* now = FindVariable(s.variable);
        if (!now || !now->IsInt()) Fail("for: the loop variable must stay an integer", s.line);
        if (__builtin_add_overflow(now->AsInt(), step.AsInt(), &i)) return Flow::Normal;
      }
    }
    case Statement::Kind::Try: {
      Scope* const scope = locals_;
      const bool top = atTopLevel_;
      try {
        return RunBlock(s.body, result);
      } catch (const ScriptLimitError&) {
        throw;
      } catch (const TandemixError& error) {
        locals_ = scope;
        atTopLevel_ = top;
        SetVariable(s.variable, Value::String(error.what()), false);
        return RunBlock(s.elseBody, result);
      }
    }
  }
  return Flow::Normal;
}

Value Evaluator::Eval(const Expr& e) {
  switch (e.kind) {
    case Expr::Kind::Literal:
      return e.literal;
    case Expr::Kind::Variable: {
      if (const Value* v = FindVariable(e.name)) return *v;
      if (LowerCase(e.name) == "last") return Value();  // no clip yet: the undefined value
      if (FindScriptFunction(e.name) || functions_.Find(e.name)) return CallByName(e.name, {}, {}, e.line);
      Fail("I don't know what '" + e.name + "' means.", e.line);
    }
    case Expr::Kind::Call:
      return EvalCallExpr(e);
    case Expr::Kind::Unary:
      return EvalUnary(e);
    case Expr::Kind::Binary:
      return EvalBinary(e);
    case Expr::Kind::Ternary: {
      const Value c = Eval(*e.args[0]);
      if (!c.IsBool()) Fail("Script error: the condition of `?:' must be a bool.", e.line);
      return Eval(*e.args[c.AsBool() ? 1 : 2]);
    }
    case Expr::Kind::Array: {
      std::vector<Value> items;
      items.reserve(e.args.size());
      for (const auto& a : e.args) items.push_back(Eval(*a));
      return Value::Array(std::move(items));
    }
    case Expr::Kind::Index:
      return EvalIndex(e);
    case Expr::Kind::Function: {
      auto f = std::make_shared<FunctionValue>();
      f->decl = e.function;
      for (const std::string& name : e.function->captures) {
        const Value* v = FindVariable(name);
        if (!v) Fail("No variable named '" + name + "'", e.line);
        f->captures.emplace_back(LowerCase(name), *v);
      }
      return Value::Function(std::move(f));
    }
  }
  return Value();
}

// a[i], a[i, j] (= a[i][j]); an index below 0 counts from the end.
Value Evaluator::EvalIndex(const Expr& e) {
  Value v = Eval(*e.args[0]);
  for (std::size_t k = 1; k < e.args.size(); ++k) {
    if (!v.IsArray()) Fail("ArrayGet: array type required.", e.line);
    const Value index = Eval(*e.args[k]);
    if (!index.IsInt()) Fail("ArrayGet: the index must be an integer.", e.line);
    const auto size = static_cast<std::int64_t>(v.AsArray().size());
    std::int64_t i = index.AsInt();
    if (i < 0) i += size;
    if (i < 0 || i >= size)
      Fail("ArrayGet: Array index out of range. Problematic index count: " + std::to_string(k), e.line);
    Value item = v.AsArray()[static_cast<std::size_t>(i)];
    v = std::move(item);
  }
  return v;
}

Value Evaluator::EvalCallExpr(const Expr& e) {
  CheckStack(e.line);
  // func(Name): the function of that name as a value, not its call.
  if (LowerCase(e.name) == "func" && e.args.size() == 1 && e.args[0]->kind == Expr::Kind::Variable &&
      !FindScriptFunction("func")) {
    const std::string& name = e.args[0]->name;
    if (const Value* v = FindVariable(name); v && v->IsFunction()) return *v;
    if (!FindScriptFunction(name) && !functions_.Find(name))
      Fail("Script error: There is no function named '" + name + "'.", e.line);
    auto f = std::make_shared<FunctionValue>();
    f->name = name;
    f->decl = FindScriptFunction(name);
    return Value::Function(std::move(f));
  }
  std::vector<Value> positional;
  Named named;
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
  // A variable holding a function is called as that function.
  if (const Value* v = FindVariable(e.name); v && v->IsFunction()) {
    const auto f = v->AsFunction();
    return CallFunctionValue(*f, std::move(positional), std::move(named), e.line);
  }
  return CallByName(e.name, std::move(positional), std::move(named), e.line);
}

Value Evaluator::CallByName(const std::string& name, std::vector<Value> positional, Named named, int line) {
  if (const auto decl = FindScriptFunction(name))
    return CallScriptFunction(*decl, {}, std::move(positional), std::move(named), line);
  const std::vector<FunctionDef>* defs = functions_.Find(name);
  if (!defs) Fail("Script error: There is no function named '" + name + "'.", line);
  return CallBuiltIn(*defs, std::move(positional), std::move(named), line);
}

Value Evaluator::CallFunctionValue(const FunctionValue& f, std::vector<Value> positional, Named named, int line) {
  if (f.decl) return CallScriptFunction(*f.decl, f.captures, std::move(positional), std::move(named), line);
  return CallByName(f.name, std::move(positional), std::move(named), line);
}

Value Evaluator::Call(const Value& function, std::vector<Value> positional, Named named) {
  const char top = 0;
  if (!stackTop_) stackTop_ = &top;
  if (function.IsFunction())
    return CallFunctionValue(*function.AsFunction(), std::move(positional), std::move(named), line_);
  if (!function.IsString()) throw FilterError("Apply: the function must be given by name or as a function value");
  return CallByName(function.AsString(), std::move(positional), std::move(named), line_);
}

// A call naming an argument that no form of the function has. The names
// are taken in order: one of a required parameter (which takes no name)
// leaves the arguments simply invalid.
void Evaluator::FailOnUnknownName(const std::vector<FunctionDef>& defs, const Named& named, int line) {
  for (const auto& [name, value] : named) {
    bool known = false, optional = false;
    for (const FunctionDef& def : defs)
      for (const Param& p : def.params)
        if (strcasecmp(p.name.c_str(), name.c_str()) == 0) {
          known = true;
          optional = optional || p.optional;
        }
    if (!known) Fail("Script error: " + defs.front().name + " does not have a named argument \"" + name + "\"", line);
    if (!optional) return;
  }
}

Value Evaluator::CallBuiltIn(const std::vector<FunctionDef>& defs, std::vector<Value> positional, Named named,
                             int line) {
  std::vector<Value> values;
  std::vector<Value> rest;
  const FunctionDef* chosen = nullptr;
  for (const FunctionDef& def : defs) {
    if (BindArguments(def, positional, named, values, rest)) {
      chosen = &def;
      break;
    }
  }
  // The implicit `last`: a clip function called without its clip.
  if (!chosen) {
    if (const Value* last = FindVariable("last"); last && last->IsClip()) {
      positional.insert(positional.begin(), *last);
      for (const FunctionDef& def : defs) {
        if (!def.params.empty() && def.params[0].type == ParamType::Clip &&
            BindArguments(def, positional, named, values, rest)) {
          chosen = &def;
          break;
        }
      }
    }
  }
  if (!chosen) {
    FailOnUnknownName(defs, named, line);
    Fail("Script error: Invalid arguments to function '" + defs.front().name + "'.", line);
  }
  builtInsCalled_.insert(chosen->name);
  try {
    CheckPlanarRgb(*chosen, values, rest);
    CallArgs args(chosen->name, std::move(values), std::move(rest), folder_, &chosen->params);
    args.SetEnvironment(this);
    line_ = line;
    Value result = chosen->body(args);
    if (result.IsClip() && ++clipsMade_ > kMaxClipsPerScript)
      Fail("Script error: the script uses more than " + std::to_string(kMaxClipsPerScript) + " filters.", line);
    // Every filter's frames pass through a cache of its recent ones.
    if (result.IsClip()) return Value::Clip(WithCache(result.AsClip()));
    return result;
  } catch (const ScriptError&) {
    throw;
  } catch (const TandemixError& error) {
    Fail(error.what(), line);
  } catch (const std::bad_alloc&) {
    Fail(chosen->name + ": out of memory", line);
  }
}

Value Evaluator::CallScriptFunction(const FunctionDecl& decl,
                                    const std::vector<std::pair<std::string, Value>>& captures,
                                    std::vector<Value> positional, Named named, int line) {
  CheckStack(line);
  Step(line);
  const std::string shownName = decl.name.empty() ? "function" : decl.name;
  FunctionDef def;
  def.name = shownName;
  for (const auto& p : decl.params) def.params.push_back(Param{p.name, ParamTypeOf(p.type), p.optional, false});
  std::vector<Value> values;
  std::vector<Value> rest;
  bool bound = BindArguments(def, positional, named, values, rest);
  if (!bound && !def.params.empty() && def.params[0].type == ParamType::Clip) {
    if (const Value* last = FindVariable("last"); last && last->IsClip()) {
      positional.insert(positional.begin(), *last);
      bound = BindArguments(def, positional, named, values, rest);
    }
  }
  // Typed arrays hold items of their type.
  for (std::size_t i = 0; bound && i < values.size(); ++i) {
    const std::string& type = decl.params[i].type;
    if (!values[i].IsArray() || type == "array" || type == "val_array") continue;
    const ParamType item = ParamTypeOf(type.substr(0, type.size() - 6));
    for (const Value& v : values[i].AsArray()) {
      const bool fits = item == ParamType::Float ? v.IsNumber() : ParamTypeOf(TypeName(v.GetType())) == item;
      if (!fits) bound = false;
    }
  }
  if (!bound) {
    FailOnUnknownName({def}, named, line);
    Fail("Script error: Invalid arguments to function '" + shownName + "'.", line);
  }
  Scope scope;
  for (const auto& [name, value] : captures) scope[name] = value;
  for (std::size_t i = 0; i < values.size(); ++i) scope[LowerCase(decl.params[i].name)] = std::move(values[i]);
  Scope* const outer = locals_;
  const bool outerTop = atTopLevel_;
  locals_ = &scope;
  atTopLevel_ = false;
  Value result;
  try {
    Define(decl.body);
    RunBlock(decl.body, result);
  } catch (const ScriptLimitError&) {
    locals_ = outer;
    atTopLevel_ = outerTop;
    throw;
  } catch (const ScriptError& error) {
    locals_ = outer;
    atTopLevel_ = outerTop;
    // Each call adds where it was made, as AviSynth's messages do.
    if (line > 0)
      throw ScriptError(std::string(error.what()) + "\n(" + scriptName_ + ", line " + std::to_string(line) + ")");
    throw;
  } catch (...) {
    locals_ = outer;
    atTopLevel_ = outerTop;
    throw;
  }
  locals_ = outer;
  atTopLevel_ = outerTop;
  return result;
}

Value Evaluator::RunText(const std::string& text, const std::string& name, const std::string& folder) {
  const Script script = ParseScript(text, name);
  const std::string outerName = std::exchange(scriptName_, name);
  const std::string outerFolder = std::exchange(folder_, folder);
  Value result;
  try {
    Define(script.statements);
    RunBlock(script.statements, result);
  } catch (...) {
    scriptName_ = outerName;
    folder_ = outerFolder;
    throw;
  }
  scriptName_ = outerName;
  folder_ = outerFolder;
  return result;
}

Value Evaluator::EvaluateText(const std::string& text, const std::string& name) {
  CheckStack(line_);
  if (name.empty()) return RunText(text, scriptName_, folder_);
  // Text with a name of its own says where it was evaluated too.
  const int line = line_;
  try {
    return RunText(text, name, folder_);
  } catch (const ScriptLimitError&) {
    throw;
  } catch (const ScriptError& error) {
    throw ScriptError(std::string(error.what()) + "\n(" + scriptName_ + ", line " + std::to_string(line) + ")");
  }
}

Value Evaluator::ImportFile(const std::string& path) {
  CheckStack(0);
  QString full = QString::fromStdString(path);
  if (!folder_.empty() && QFileInfo(full).isRelative()) full = QString::fromStdString(folder_) + "/" + full;
  const QFileInfo info(full);
  const std::string canonical = (info.exists() ? info.canonicalFilePath() : info.absoluteFilePath()).toStdString();
  if (std::find(imports_.begin(), imports_.end(), canonical) != imports_.end()) {
    std::string chain;
    for (const std::string& p : imports_)
      chain += QFileInfo(QString::fromStdString(p)).fileName().toStdString() + " -> ";
    chain += info.fileName().toStdString();
    throw FilterError("Import: the scripts import each other: " + chain);
  }
  QFile file(full);
  if (!file.open(QIODevice::ReadOnly)) throw FilterError("Import: couldn't open \"" + path + "\"");
  const QByteArray bytes = file.readAll();
  imports_.push_back(canonical);
  try {
    Value result = RunText(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())), path,
                           info.absolutePath().toStdString());
    imports_.pop_back();
    return result;
  } catch (...) {
    imports_.pop_back();
    throw;
  }
}

std::shared_ptr<const RuntimeScript> Evaluator::Compile(const std::string& text, const std::string& name) {
  Script script = ParseScript(text, name);
  // The variables as they are now: a copy, since the filter that keeps the
  // script is itself held by a variable set later (a shared context would
  // hold the filter, and the filter the context, forever).
  std::shared_ptr<const ScriptContext> context = std::make_shared<ScriptContext>(*context_);
  if (base_) {
    // A runtime script made inside another sees what both see.
    auto merged = std::make_shared<ScriptContext>(*base_);
    for (const auto& [k, v] : *locals_) merged->topLevel[k] = v;
    for (const auto& [k, v] : context_->globals) merged->globals[k] = v;
    for (const auto& [k, v] : context_->functions) merged->functions[k] = v;
    context = std::move(merged);
  }
  return std::make_shared<CompiledScript>(functions_, name, folder_, std::move(context), std::move(script));
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
        CheckPlanarRgb(def, {a}, {b});
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
