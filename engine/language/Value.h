// The values of the script language: nothing (void), booleans, integers,
// floats, strings, clips, arrays and functions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/frames/Clip.h"

namespace tandemix::engine {

// A function held as a value (func(Name), an anonymous function): defined
// with the syntax tree in Ast.h.
struct FunctionValue;

class Value {
 public:
  enum class Type { Void, Bool, Int, Float, String, Clip, Array, Function };

  Value() = default;
  static Value Bool(bool b);
  static Value Int(std::int64_t i);
  static Value Float(double f);
  static Value String(std::string s);
  static Value Clip(ClipPtr c);
  static Value Array(std::vector<Value> items);
  static Value Function(std::shared_ptr<const FunctionValue> f);

  Type GetType() const { return type_; }
  bool IsVoid() const { return type_ == Type::Void; }
  bool IsBool() const { return type_ == Type::Bool; }
  bool IsInt() const { return type_ == Type::Int; }
  bool IsFloat() const { return type_ == Type::Float; }
  bool IsNumber() const { return type_ == Type::Int || type_ == Type::Float; }
  bool IsString() const { return type_ == Type::String; }
  bool IsClip() const { return type_ == Type::Clip; }
  bool IsArray() const { return type_ == Type::Array; }
  bool IsFunction() const { return type_ == Type::Function; }

  bool AsBool() const { return bool_; }
  std::int64_t AsInt() const { return int_; }
  double AsFloat() const { return type_ == Type::Int ? static_cast<double>(int_) : float_; }
  const std::string& AsString() const { return string_; }
  const ClipPtr& AsClip() const { return clip_; }
  // The items of an array (none for any other value).
  const std::vector<Value>& AsArray() const;
  const std::shared_ptr<const FunctionValue>& AsFunction() const { return function_; }

 private:
  Type type_ = Type::Void;
  bool bool_ = false;
  std::int64_t int_ = 0;
  double float_ = 0.0;
  std::string string_;
  ClipPtr clip_;
  std::shared_ptr<const std::vector<Value>> array_;
  std::shared_ptr<const FunctionValue> function_;
};

// "int", "float", ... as the error messages name them.
const char* TypeName(Value::Type type);

}  // namespace tandemix::engine
