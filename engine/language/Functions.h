// The table of script functions: each name has one or more signatures, and
// a call binds its positional and named arguments to the first signature
// they fit. Names are matched without regard to letter case.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/language/Value.h"

namespace tandemix::engine {

enum class ParamType { Clip, Int, Float, String, Bool, Any };

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
  // A file path of the script: relative paths are taken from the script's folder.
  std::string ResolvePath(const std::string& path) const;

 private:
  std::size_t Index(std::string_view name) const;

  std::string function_;
  std::vector<Value> values_;
  std::vector<Value> rest_;
  std::string folder_;
  const std::vector<Param>* params_;
};

using FunctionBody = std::function<Value(const CallArgs&)>;

struct FunctionDef {
  std::string name;  // as shown in messages
  std::vector<Param> params;
  FunctionBody body;
};

class FunctionTable {
 public:
  void Add(std::string name, std::vector<Param> params, FunctionBody body);
  // The signatures of a name; nullptr when there is no such function.
  const std::vector<FunctionDef>* Find(const std::string& name) const;

 private:
  std::map<std::string, std::vector<FunctionDef>> functions_;  // by lower-case name
};

// Binds arguments to a signature; false when they do not fit. Only
// optional parameters may be given by name, as in AviSynth.
bool BindArguments(const FunctionDef& def, const std::vector<Value>& positional,
                   const std::vector<std::pair<std::string, Value>>& named, std::vector<Value>& values,
                   std::vector<Value>& rest);

std::string LowerCase(std::string text);

// The language's own functions (numbers, strings, conversions).
void RegisterScalarFunctions(FunctionTable& table);

}  // namespace tandemix::engine
