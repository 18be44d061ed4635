// The table of script functions: each name has one or more signatures, and
// a call binds its positional and named arguments to the first signature
// they fit. Names are matched without regard to letter case.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/language/Value.h"

namespace tandemix::engine {

// Any takes every value but the undefined one, Maybe the undefined one too
// (Default, Defined); Array takes an array of any values, Function a
// function value.
enum class ParamType { Clip, Int, Float, String, Bool, Any, Array, Function, Maybe };

class RuntimeScript;

// What the running script offers the functions that work with the language
// itself (Eval, Import, Apply, VarExist, ...) and the runtime filters,
// which keep a script and run it per frame.
class ScriptEnvironment {
 public:
  virtual ~ScriptEnvironment() = default;
  // Calls a function value, or the function of that name, as a script would.
  virtual Value Call(const Value& function, std::vector<Value> positional,
                     std::vector<std::pair<std::string, Value>> named) = 0;
  // Runs script text in the current scope (`name` is shown in its errors).
  virtual Value EvaluateText(const std::string& text, const std::string& name) = 0;
  // Runs a script file in the current scope; relative paths are taken from
  // the running script's folder.
  virtual Value ImportFile(const std::string& path) = 0;
  // A variable of the current scope or a global one; nullptr when there is none.
  virtual const Value* FindVariable(const std::string& name) const = 0;
  virtual void SetVariable(const std::string& name, Value value, bool global) = 0;
  virtual bool ScriptFunctionExists(const std::string& name) const = 0;
  virtual bool BuiltInFunctionExists(const std::string& name) const = 0;
  // The path of the running script as it was opened, and its folder.
  virtual const std::string& ScriptPath() const = 0;
  virtual const std::string& ScriptFolder() const = 0;
  // Parses script text to be run later, per frame, on any thread.
  virtual std::shared_ptr<const RuntimeScript> Compile(const std::string& text, const std::string& name) = 0;
};

using Variables = std::vector<std::pair<std::string, Value>>;

// What one run of a runtime script gave: its value and the globals it set
// (current_frame among them), which the filter hands on to the frames it
// then asks for (FrameVariables).
struct RuntimeResult {
  Value value;
  Variables globals;
};

// A script kept by a runtime filter. Each run has variables of its own:
// the script's variables as they are when it runs, `locals` at its top
// level and `globals` seen from its functions too; what a run assigns stays
// in that run. Safe to run on several threads at once.
class RuntimeScript {
 public:
  virtual ~RuntimeScript() = default;
  virtual RuntimeResult Run(const Variables& locals, const Variables& globals) const = 0;
};

// Variables a runtime filter gives the frames it asks of its child on this
// thread while the object lives: ConditionalReader's value, the globals a
// FrameEvaluate's script set. Runtime scripts that run meanwhile (further
// down the chain) see them as globals, the innermost given first, as
// AviSynth's runtime filters pass values down through global variables.
class FrameVariables {
 public:
  explicit FrameVariables(const Variables& variables);
  ~FrameVariables();
  FrameVariables(const FrameVariables&) = delete;
  FrameVariables& operator=(const FrameVariables&) = delete;
  // By lower-case name; nullptr when no filter up the chain set it.
  static const Value* Find(const std::string& lowerName);
};

struct Param {
  std::string name;
  ParamType type = ParamType::Any;
  bool optional = false;
  bool repeated = false;  // takes every remaining positional argument (at least one)
};

inline Param Req(std::string name, ParamType type) { return {std::move(name), type, false, false}; }
inline Param Opt(std::string name, ParamType type) { return {std::move(name), type, true, false}; }
inline Param Many(std::string name, ParamType type) { return {std::move(name), type, false, true}; }

// The arguments of one call, bound to a signature. Filters read them by
// the parameter's name (a.Int("left")); the index forms serve functions of
// one or two plain values.
class CallArgs {
 public:
  CallArgs(std::string function, std::vector<Value> values, std::vector<Value> rest, std::string folder,
           const std::vector<Param>* params = nullptr)
      : function_(std::move(function)),
        values_(std::move(values)),
        rest_(std::move(rest)),
        folder_(std::move(folder)),
        params_(params) {}

  const std::string& Function() const { return function_; }
  // The running script; null when a function is called outside one (tests).
  ScriptEnvironment* Environment() const { return environment_; }
  void SetEnvironment(ScriptEnvironment* environment) { environment_ = environment; }
  bool Has(std::size_t i) const { return i < values_.size() && !values_[i].IsVoid(); }
  const Value& At(std::size_t i) const { return values_[i]; }
  ClipPtr Clip(std::size_t i) const { return values_[i].AsClip(); }
  // Integers are checked to fit 32 bits; throws FilterError otherwise.
  int Int(std::size_t i, int fallback = 0) const;
  double Float(std::size_t i, double fallback = 0.0) const { return Has(i) ? values_[i].AsFloat() : fallback; }
  bool Bool(std::size_t i, bool fallback = false) const { return Has(i) ? values_[i].AsBool() : fallback; }
  std::string String(std::size_t i, const std::string& fallback = {}) const {
    return Has(i) ? values_[i].AsString() : fallback;
  }

  // The same by parameter name. A name the signature does not have is a
  // fault of the filter's code (std::logic_error), never of the script.
  bool Has(std::string_view name) const { return Has(Index(name)); }
  const Value& At(std::string_view name) const { return At(Index(name)); }
  ClipPtr Clip(std::string_view name) const { return Clip(Index(name)); }
  int Int(std::string_view name, int fallback = 0) const { return Int(Index(name), fallback); }
  double Float(std::string_view name, double fallback = 0.0) const { return Float(Index(name), fallback); }
  bool Bool(std::string_view name, bool fallback = false) const { return Bool(Index(name), fallback); }
  std::string String(std::string_view name, const std::string& fallback = {}) const {
    return String(Index(name), fallback);
  }

  // The values taken by a repeated parameter.
  const std::vector<Value>& Rest() const { return rest_; }
  // Every parameter's value in the signature's order (void where not given).
  const std::vector<Value>& Values() const { return values_; }
  // The same call with other values (a filter handing its arguments on changed).
  CallArgs WithValues(std::vector<Value> values, std::vector<Value> rest) const {
    CallArgs changed(function_, std::move(values), std::move(rest), folder_, params_);
    changed.environment_ = environment_;
    return changed;
  }
  // A file path of the script: relative paths are taken from the script's folder.
  std::string ResolvePath(const std::string& path) const;

 private:
  std::size_t Index(std::string_view name) const;

  std::string function_;
  std::vector<Value> values_;
  std::vector<Value> rest_;
  std::string folder_;
  const std::vector<Param>* params_;
  ScriptEnvironment* environment_ = nullptr;
};

using FunctionBody = std::function<Value(const CallArgs&)>;

struct FunctionDef {
  std::string name;  // as shown in messages
  std::vector<Param> params;
  FunctionBody body;
  // Whether the function takes planar RGB clips (RGBP8, RGBAP8). A filter
  // written before those types existed would read their planes as luma and
  // chroma, so a call that hands it one is refused instead.
  bool planarRgb = true;
};

class FunctionTable {
 public:
  void Add(std::string name, std::vector<Param> params, FunctionBody body);
  // Whether functions added from now on take planar RGB clips.
  void SetPlanarRgbDefault(bool taken) { planarRgbDefault_ = taken; }
  // Marks every signature of the named functions as taking planar RGB.
  void TakePlanarRgb(std::initializer_list<std::string_view> names);
  // The same, each body replaced by wrap(body).
  void TakePlanarRgb(std::string_view name, const std::function<FunctionBody(FunctionBody)>& wrap);
  // The signatures of a name; nullptr when there is no such function.
  const std::vector<FunctionDef>* Find(const std::string& name) const;
  // Every name, as first added (for the function lists scripts read).
  std::vector<std::string> Names() const;

 private:
  std::map<std::string, std::vector<FunctionDef>> functions_;  // by lower-case name
  bool planarRgbDefault_ = true;
};

// Throws FilterError when a function that does not take planar RGB is
// handed a planar RGB clip among `values`.
void CheckPlanarRgb(const FunctionDef& def, const std::vector<Value>& values, const std::vector<Value>& rest);

// Binds arguments to a signature; false when they do not fit. Only
// optional parameters may be given by name, as in AviSynth.
bool BindArguments(const FunctionDef& def, const std::vector<Value>& positional,
                   const std::vector<std::pair<std::string, Value>>& named, std::vector<Value>& values,
                   std::vector<Value>& rest);

std::string LowerCase(std::string text);

// The language's own functions: clip properties, numbers and conversions
// (ScalarFunctions.cpp), strings (StringFunctions.cpp), and those that work
// with the script itself: Eval, Import, Apply, arrays, types
// (ScriptFunctions.cpp).
void RegisterScalarFunctions(FunctionTable& table);
void RegisterStringFunctions(FunctionTable& table);
void RegisterScriptFunctions(FunctionTable& table);

// The type that a parameter written as `type' in a script function takes
// ("clip", "int", "val", "int_array", ...).
ParamType ParamTypeOf(const std::string& type);

}  // namespace tandemix::engine
