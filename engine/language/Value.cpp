#include "engine/language/Value.h"

#include <utility>

namespace tandemix::engine {

Value Value::Bool(bool b) {
  Value v;
  v.type_ = Type::Bool;
  v.bool_ = b;
  return v;
}
Value Value::Int(std::int64_t i) {
  Value v;
  v.type_ = Type::Int;
  v.int_ = i;
  return v;
}
Value Value::Float(double f) {
  Value v;
  v.type_ = Type::Float;
  v.float_ = f;
  return v;
}
Value Value::String(std::string s) {
  Value v;
  v.type_ = Type::String;
  v.string_ = std::move(s);
  return v;
}
Value Value::Clip(ClipPtr c) {
  Value v;
  v.type_ = Type::Clip;
  v.clip_ = std::move(c);
  return v;
}

Value Value::Array(std::vector<Value> items) {
  Value v;
  v.type_ = Type::Array;
  v.array_ = std::make_shared<const std::vector<Value>>(std::move(items));
  return v;
}
Value Value::Function(std::shared_ptr<const FunctionValue> f) {
  Value v;
  v.type_ = Type::Function;
  v.function_ = std::move(f);
  return v;
}

const std::vector<Value>& Value::AsArray() const {
  static const std::vector<Value> kNone;
  return array_ ? *array_ : kNone;
}

const char* TypeName(Value::Type type) {
  switch (type) {
    case Value::Type::Void:
      return "void";
    case Value::Type::Bool:
      return "bool";
    case Value::Type::Int:
      return "int";
    case Value::Type::Float:
      return "float";
    case Value::Type::String:
      return "string";
    case Value::Type::Clip:
      return "clip";
    case Value::Type::Array:
      return "array";
    case Value::Type::Function:
      return "function";
  }
  return "value";
}

}  // namespace tandemix::engine
