// Functions that work with the script itself: values and their types,
// Eval, Import, Apply, arrays, the version and the script's own name.
#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "engine/frames/ScriptError.h"
#include "engine/language/Functions.h"

namespace tandemix::engine {
namespace {

// The version scripts test to pick their code paths: AviSynth+ 3.7.5's.
constexpr int kVersionMajor = 3;
constexpr int kVersionMinor = 7;
constexpr int kVersionBugfix = 5;

ScriptEnvironment& Env(const CallArgs& a) {
  if (!a.Environment()) throw FilterError(a.Function() + ": needs a running script");
  return *a.Environment();
}

const char* ValueTypeName(const Value& v) {
  switch (v.GetType()) {
    case Value::Type::Void:
      return "undefined value";
    case Value::Type::Float:
      return "double";
    default:
      return TypeName(v.GetType());
  }
}

bool IsType(const Value& v, const std::string& type) {
  const std::string t = LowerCase(type);
  if (t == "int") return v.IsInt();
  if (t == "float") return v.IsNumber();
  if (t == "string") return v.IsString();
  if (t == "bool") return v.IsBool();
  if (t == "clip") return v.IsClip();
  if (t == "func" || t == "function") return v.IsFunction();
  if (t == "array") return v.IsArray();
  return t == "val" || t == "any";
}

// An index of an array: below 0 counts from the end.
std::size_t ArrayIndex(const CallArgs& a, std::int64_t i, std::size_t size, bool end_allowed) {
  const auto n = static_cast<std::int64_t>(size);
  if (i < 0) i += n + (end_allowed ? 1 : 0);
  if (i < 0 || i > n || (i == n && !end_allowed))
    throw FilterError(a.Function() + ": Array index out of range. Problematic index count: 1");
  return static_cast<std::size_t>(i);
}

// Orders numbers by value and strings without regard to letter case.
bool ArrayLess(const Value& x, const Value& y) {
  if (x.IsNumber() && y.IsNumber()) return x.AsFloat() < y.AsFloat();
  if (x.IsString() && y.IsString()) return LowerCase(x.AsString()) < LowerCase(y.AsString());
  if (x.IsBool() && y.IsBool()) return x.AsBool() < y.AsBool();
  return false;
}

std::string FileName(const std::string& path) {
  return QFileInfo(QString::fromStdString(path)).fileName().toStdString();
}

// The folder of the script with a trailing "/", as AviSynth gives it; "" for text without a file.
std::string FolderOf(const std::string& path) {
  const QString p = QString::fromStdString(path);
  if (!p.contains('/')) return "";
  return p.left(p.lastIndexOf('/') + 1).toStdString();
}

void AddArrayFunctions(FunctionTable& t) {
  t.Add("ArraySize", {Req("array", ParamType::Array)},
        [](const CallArgs& a) { return Value::Int(static_cast<std::int64_t>(a.At(0).AsArray().size())); });
  t.Add("ArrayGet", {Req("array", ParamType::Array), Many("index", ParamType::Int)}, [](const CallArgs& a) {
    Value v = a.At(0);
    for (std::size_t k = 0; k < a.Rest().size(); ++k) {
      if (!v.IsArray()) throw FilterError("ArrayGet: array type required.");
      const auto& items = v.AsArray();
      std::int64_t i = a.Rest()[k].AsInt();
      if (i < 0) i += static_cast<std::int64_t>(items.size());
      if (i < 0 || i >= static_cast<std::int64_t>(items.size()))
        throw FilterError("ArrayGet: Array index out of range. Problematic index count: " + std::to_string(k + 1));
      Value item = items[static_cast<std::size_t>(i)];
      v = std::move(item);
    }
    return v;
  });
  t.Add("ArrayAdd", {Req("array", ParamType::Array), Req("value", ParamType::Any)}, [](const CallArgs& a) {
    std::vector<Value> items = a.At(0).AsArray();
    items.push_back(a.At(1));
    return Value::Array(std::move(items));
  });
  t.Add("ArrayIns", {Req("array", ParamType::Array), Req("value", ParamType::Any), Req("index", ParamType::Int)},
        [](const CallArgs& a) {
          std::vector<Value> items = a.At(0).AsArray();
          const std::size_t i = ArrayIndex(a, a.At(2).AsInt(), items.size(), true);
          items.insert(items.begin() + static_cast<std::ptrdiff_t>(i), a.At(1));
          return Value::Array(std::move(items));
        });
  t.Add("ArrayDel", {Req("array", ParamType::Array), Req("index", ParamType::Int)}, [](const CallArgs& a) {
    std::vector<Value> items = a.At(0).AsArray();
    const std::size_t i = ArrayIndex(a, a.At(1).AsInt(), items.size(), false);
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(i));
    return Value::Array(std::move(items));
  });
  t.Add(
      "ArraySet", {Req("array", ParamType::Array), Req("value", ParamType::Any), Many("index", ParamType::Int)},
      [](const CallArgs& a) {
        // Sets array[i][j]...: rebuilt from the innermost array outwards.
        const std::vector<Value>& path = a.Rest();
        std::vector<Value> chain{a.At(0)};
        std::vector<std::size_t> at;
        for (std::size_t k = 0; k < path.size(); ++k) {
          if (!chain.back().IsArray()) throw FilterError("ArraySet: array type required.");
          const auto& items = chain.back().AsArray();
          std::int64_t i = path[k].AsInt();
          if (i < 0) i += static_cast<std::int64_t>(items.size());
          if (i < 0 || i >= static_cast<std::int64_t>(items.size()))
            throw FilterError("ArraySet: Array index out of range. Problematic index count: " + std::to_string(k + 1));
          at.push_back(static_cast<std::size_t>(i));
          Value item = items[at.back()];
          chain.push_back(std::move(item));
        }
        Value v = a.At(1);
        for (std::size_t k = at.size(); k-- > 0;) {
          std::vector<Value> items = chain[k].AsArray();
          items[at[k]] = std::move(v);
          v = Value::Array(std::move(items));
        }
        return v;
      });
  t.Add("ArraySort", {Req("array", ParamType::Array)}, [](const CallArgs& a) {
    std::vector<Value> items = a.At(0).AsArray();
    const bool numbers = std::all_of(items.begin(), items.end(), [](const Value& v) { return v.IsNumber(); });
    const bool strings = std::all_of(items.begin(), items.end(), [](const Value& v) { return v.IsString(); });
    if (!numbers && !strings) throw FilterError("ArraySort: the array must hold only numbers or only strings");
    std::stable_sort(items.begin(), items.end(), ArrayLess);
    return Value::Array(std::move(items));
  });
  t.Add("IsArrayOf", {Req("array", ParamType::Maybe), Req("type", ParamType::String)}, [](const CallArgs& a) {
    if (!a.At(0).IsArray()) return Value::Bool(false);
    const auto& items = a.At(0).AsArray();
    return Value::Bool(
        std::all_of(items.begin(), items.end(), [&](const Value& v) { return IsType(v, a.At(1).AsString()); }));
  });
}

void AddTypeFunctions(FunctionTable& t) {
  t.Add("Undefined", {}, [](const CallArgs&) { return Value(); });
  t.Add("Defined", {Req("value", ParamType::Maybe)}, [](const CallArgs& a) { return Value::Bool(!a.At(0).IsVoid()); });
  t.Add("Default", {Req("value", ParamType::Maybe), Req("default", ParamType::Maybe)},
        [](const CallArgs& a) { return a.At(0).IsVoid() ? a.At(1) : a.At(0); });
  t.Add("TypeName", {Req("value", ParamType::Maybe)},
        [](const CallArgs& a) { return Value::String(ValueTypeName(a.At(0))); });
  const auto is = [&t](const char* name, bool (Value::*test)() const) {
    t.Add(name, {Req("value", ParamType::Maybe)}, [test](const CallArgs& a) { return Value::Bool((a.At(0).*test)()); });
  };
  is("IsBool", &Value::IsBool);
  is("IsInt", &Value::IsInt);
  is("IsFloat", &Value::IsNumber);  // an integer is a float too, as in AviSynth
  is("IsString", &Value::IsString);
  is("IsClip", &Value::IsClip);
  is("IsArray", &Value::IsArray);
  is("IsFunction", &Value::IsFunction);
  t.Add("Select", {Req("index", ParamType::Int), Many("items", ParamType::Maybe)}, [](const CallArgs& a) {
    const std::int64_t i = a.At(0).AsInt();
    if (i < 0 || i >= static_cast<std::int64_t>(a.Rest().size())) throw FilterError("Select: Index value out of range");
    return a.Rest()[static_cast<std::size_t>(i)];
  });
}

void AddScriptFunctions(FunctionTable& t) {
  t.Add("Assert", {Req("condition", ParamType::Bool), Opt("message", ParamType::String)}, [](const CallArgs& a) {
    if (!a.At(0).AsBool()) throw FilterError(a.String(1, "Assert: assertion failed"));
    return Value();
  });
  t.Add("Assert", {Req("message", ParamType::String)},
        [](const CallArgs& a) -> Value { throw FilterError(a.At(0).AsString()); });
  t.Add("Eval", {Req("expression", ParamType::String), Opt("name", ParamType::String)},
        [](const CallArgs& a) { return Env(a).EvaluateText(a.At(0).AsString(), a.String(1)); });
  // clip.Eval("...") runs the text with the clip as `last`.
  t.Add("Eval", {Req("clip", ParamType::Clip), Req("expression", ParamType::String), Opt("name", ParamType::String)},
        [](const CallArgs& a) {
          Env(a).SetVariable("last", a.At(0), false);
          return Env(a).EvaluateText(a.At(1).AsString(), a.String(2));
        });
  t.Add("Import", {Many("path", ParamType::String)}, [](const CallArgs& a) {
    Value result;
    for (const Value& path : a.Rest()) result = Env(a).ImportFile(path.AsString());
    return result;
  });
  t.Add("Apply", {Req("function", ParamType::Any), Opt("args", ParamType::Any)}, [](const CallArgs& a) {
    return Env(a).Call(a.At(0), a.Has(1) ? std::vector<Value>{a.At(1)} : std::vector<Value>{}, {});
  });
  t.Add("Apply", {Req("function", ParamType::Any), Many("args", ParamType::Any)},
        [](const CallArgs& a) { return Env(a).Call(a.At(0), a.Rest(), {}); });
  t.Add("VarExist", {Req("name", ParamType::String)}, [](const CallArgs& a) {
    const Value* v = Env(a).FindVariable(a.At(0).AsString());
    return Value::Bool(v && !v->IsVoid());
  });
  t.Add("Exist", {Req("path", ParamType::String)}, [](const CallArgs& a) {
    return Value::Bool(QFileInfo::exists(QString::fromStdString(a.ResolvePath(a.At(0).AsString()))));
  });
  t.Add("ScriptName", {}, [](const CallArgs& a) { return Value::String(Env(a).ScriptPath()); });
  t.Add("ScriptNameUtf8", {}, [](const CallArgs& a) { return Value::String(Env(a).ScriptPath()); });
  t.Add("ScriptFile", {}, [](const CallArgs& a) { return Value::String(FileName(Env(a).ScriptPath())); });
  t.Add("ScriptFileUtf8", {}, [](const CallArgs& a) { return Value::String(FileName(Env(a).ScriptPath())); });
  t.Add("ScriptDir", {}, [](const CallArgs& a) { return Value::String(FolderOf(Env(a).ScriptPath())); });
  t.Add("ScriptDirUtf8", {}, [](const CallArgs& a) { return Value::String(FolderOf(Env(a).ScriptPath())); });
  // Memory is budgeted per opened script; the call is accepted and reports the budget.
  t.Add("SetMemoryMax", {Opt("amount", ParamType::Int)},
        [](const CallArgs& a) { return Value::Int(a.Has(0) && a.At(0).AsInt() > 0 ? a.At(0).AsInt() : 4096); });
  t.Add("SetWorkingDir", {Req("path", ParamType::String)}, [](const CallArgs&) -> Value {
    throw FilterError(
        "SetWorkingDir: not supported: paths in a script are taken from its own folder, and changing the "
        "working folder would change where the files of other scripts are found");
  });
  t.Add("VersionNumber", {},
        [](const CallArgs&) { return Value::Float(kVersionMajor + kVersionMinor / 10.0 + kVersionBugfix / 100.0); });
  t.Add("VersionString", {}, [](const CallArgs&) {
    return Value::String("Tandemix script engine " TANDEMIX_ENGINE_VERSION " (AviSynth+ 3.7.5 language)");
  });
  t.Add("IsVersionOrGreater",
        {Req("major", ParamType::Int), Req("minor", ParamType::Int), Opt("bugfix", ParamType::Int)},
        [](const CallArgs& a) {
          const std::int64_t want[3] = {a.At(0).AsInt(), a.At(1).AsInt(), a.Has(2) ? a.At(2).AsInt() : 0};
          const std::int64_t have[3] = {kVersionMajor, kVersionMinor, kVersionBugfix};
          return Value::Bool(!std::lexicographical_compare(have, have + 3, want, want + 3));
        });
}

}  // namespace

void RegisterScriptFunctions(FunctionTable& t) {
  AddArrayFunctions(t);
  AddTypeFunctions(t);
  AddScriptFunctions(t);
  t.Add("FunctionExists", {Req("name", ParamType::String)}, [](const CallArgs& a) {
    return Value::Bool(Env(a).ScriptFunctionExists(a.At(0).AsString()) ||
                       Env(a).BuiltInFunctionExists(a.At(0).AsString()));
  });
  t.Add("InternalFunctionExists", {Req("name", ParamType::String)},
        [](const CallArgs& a) { return Value::Bool(Env(a).BuiltInFunctionExists(a.At(0).AsString())); });
}

}  // namespace tandemix::engine
