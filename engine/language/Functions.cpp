#include "engine/language/Functions.h"

#include <QDir>
#include <QFileInfo>
#include <cctype>
#include <climits>
#include <stdexcept>

#include "engine/frames/Clip.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

bool Fits(const Value& v, ParamType type) {
  switch (type) {
    case ParamType::Clip:
      return v.IsClip();
    case ParamType::Int:
      return v.IsInt();
    case ParamType::Float:
      return v.IsNumber();
    case ParamType::String:
      return v.IsString();
    case ParamType::Bool:
      return v.IsBool();
    case ParamType::Any:
      return !v.IsVoid();
    case ParamType::Array:
      return v.IsArray();
    case ParamType::Function:
      return v.IsFunction();
    case ParamType::Maybe:
      return true;
  }
  return false;
}

// Integers given for a float parameter become floats.
Value Coerce(const Value& v, ParamType type) {
  if (type == ParamType::Float && v.IsInt()) return Value::Float(v.AsFloat());
  return v;
}

}  // namespace

namespace {
thread_local std::vector<const Variables*> frameVariables;
}  // namespace

FrameVariables::FrameVariables(const Variables& variables) { frameVariables.push_back(&variables); }

FrameVariables::~FrameVariables() { frameVariables.pop_back(); }

const Value* FrameVariables::Find(const std::string& lowerName) {
  for (auto it = frameVariables.rbegin(); it != frameVariables.rend(); ++it)
    for (const auto& [name, value] : **it)
      if (LowerCase(name) == lowerName) return &value;
  return nullptr;
}

std::string LowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

int CallArgs::Int(std::size_t i, int fallback) const {
  if (!Has(i)) return fallback;
  const std::int64_t v = values_[i].AsInt();
  if (v < INT_MIN || v > INT_MAX)
    throw FilterError(function_ + ": the value " + std::to_string(v) + " is out of range");
  return static_cast<int>(v);
}

std::size_t CallArgs::Index(std::string_view name) const {
  if (params_)
    for (std::size_t i = 0; i < params_->size(); ++i)
      if ((*params_)[i].name == name) return i;
  throw std::logic_error(function_ + " has no parameter named " + std::string(name));
}

std::string CallArgs::ResolvePath(const std::string& path) const {
  const QString p = QString::fromStdString(path);
  if (folder_.empty() || QFileInfo(p).isAbsolute()) return path;
  return QDir(QString::fromStdString(folder_)).filePath(p).toStdString();
}

void FunctionTable::Add(std::string name, std::vector<Param> params, FunctionBody body) {
  const std::string key = LowerCase(name);
  functions_[key].push_back(FunctionDef{std::move(name), std::move(params), std::move(body), planarRgbDefault_});
}

void FunctionTable::TakePlanarRgb(std::initializer_list<std::string_view> names) {
  for (std::string_view name : names) {
    auto it = functions_.find(LowerCase(std::string(name)));
    if (it == functions_.end()) throw std::logic_error("TakePlanarRgb: no function " + std::string(name));
    for (FunctionDef& def : it->second) def.planarRgb = true;
  }
}

void FunctionTable::TakePlanarRgb(std::string_view name, const std::function<FunctionBody(FunctionBody)>& wrap) {
  auto it = functions_.find(LowerCase(std::string(name)));
  if (it == functions_.end()) throw std::logic_error("TakePlanarRgb: no function " + std::string(name));
  for (FunctionDef& def : it->second) {
    def.planarRgb = true;
    def.body = wrap(std::move(def.body));
  }
}

void CheckPlanarRgb(const FunctionDef& def, const std::vector<Value>& values, const std::vector<Value>& rest) {
  if (def.planarRgb) return;
  auto planar = [](const Value& v) {
    return v.IsClip() && v.AsClip() && IsPlanarRGBType(v.AsClip()->Info().pixelType);
  };
  for (const Value& v : values)
    if (planar(v)) throw FilterError(def.name + ": planar RGB clips are not supported");
  for (const Value& v : rest)
    if (planar(v)) throw FilterError(def.name + ": planar RGB clips are not supported");
}

const std::vector<FunctionDef>* FunctionTable::Find(const std::string& name) const {
  auto it = functions_.find(LowerCase(name));
  return it == functions_.end() ? nullptr : &it->second;
}

std::vector<std::string> FunctionTable::Names() const {
  std::vector<std::string> names;
  for (const auto& [key, defs] : functions_) names.push_back(defs.front().name);
  return names;
}

ParamType ParamTypeOf(const std::string& type) {
  if (type.ends_with("array")) return ParamType::Array;
  if (type == "clip") return ParamType::Clip;
  if (type == "int") return ParamType::Int;
  if (type == "float") return ParamType::Float;
  if (type == "string") return ParamType::String;
  if (type == "bool") return ParamType::Bool;
  if (type == "func") return ParamType::Function;
  return ParamType::Any;
}

bool BindArguments(const FunctionDef& def, const std::vector<Value>& positional,
                   const std::vector<std::pair<std::string, Value>>& named, std::vector<Value>& values,
                   std::vector<Value>& rest) {
  const auto& params = def.params;
  values.assign(params.size(), Value());
  std::vector<bool> given(params.size(), false);
  rest.clear();
  std::size_t p = 0;
  for (const Value& v : positional) {
    // An optional leading clip (BlankClip's template) may be left out.
    if (p < params.size() && params[p].optional && params[p].type == ParamType::Clip && !v.IsClip()) ++p;
    if (p >= params.size()) return false;
    // A repeated parameter takes values while they fit its type; the next
    // value that does not goes to the parameter after it (Dissolve's
    // clips, then its overlap).
    if (params[p].repeated && !Fits(v, params[p].type) && !rest.empty()) ++p;
    if (p >= params.size()) return false;
    if (!Fits(v, params[p].type)) return false;
    if (params[p].repeated) {
      rest.push_back(Coerce(v, params[p].type));
      continue;
    }
    values[p] = Coerce(v, params[p].type);
    given[p] = true;
    ++p;
  }
  for (const auto& [name, v] : named) {
    std::size_t found = params.size();
    for (std::size_t i = 0; i < params.size(); ++i)
      if (!params[i].repeated && LowerCase(params[i].name) == LowerCase(name)) found = i;
    // As in AviSynth, only optional parameters have names a call may use.
    if (found == params.size() || !params[found].optional || given[found] || !Fits(v, params[found].type)) return false;
    values[found] = Coerce(v, params[found].type);
    given[found] = true;
  }
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (params[i].repeated) {
      if (rest.empty()) return false;
    } else if (!params[i].optional && !given[i]) {
      return false;
    }
  }
  return true;
}

}  // namespace tandemix::engine
