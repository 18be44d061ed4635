// Clip properties (Width, Height, FrameCount, FrameRate, ...) and the
// number and string conversions scripts use with them.
#include <cmath>
#include <cstdio>

#include "platform/engine/FilterSupport.h"
#include "platform/engine/Functions.h"

namespace tandemix::engine {
namespace {

template <typename Get>
void AddProperty(FunctionTable& t, const char* name, Get get) {
  t.Add(name, {Req("clip", ParamType::Clip)}, [get](const CallArgs& a) { return get(a.Clip(0)->Info()); });
}

Value ToInt(double v, const char* name) {
  if (!std::isfinite(v) || v < -9.2e18 || v > 9.2e18)
    throw FilterError(std::string(name) + ": the value is out of range");
  return Value::Int(static_cast<std::int64_t>(v));
}

}  // namespace

void RegisterScalarFunctions(FunctionTable& t) {
  AddProperty(t, "Width", [](const ClipInfo& i) { return Value::Int(i.width); });
  AddProperty(t, "Height", [](const ClipInfo& i) { return Value::Int(i.height); });
  AddProperty(t, "FrameCount", [](const ClipInfo& i) { return Value::Int(i.frameCount); });
  AddProperty(t, "FrameRate", [](const ClipInfo& i) { return Value::Float(i.Rate()); });
  AddProperty(t, "FrameRateNumerator", [](const ClipInfo& i) { return Value::Int(i.rateNumerator); });
  AddProperty(t, "FrameRateDenominator", [](const ClipInfo& i) { return Value::Int(i.rateDenominator); });
  AddProperty(t, "IsFieldBased", [](const ClipInfo& i) { return Value::Bool(i.fieldBased); });
  AddProperty(t, "IsFrameBased", [](const ClipInfo& i) { return Value::Bool(!i.fieldBased); });
  AddProperty(t, "IsRGB", [](const ClipInfo& i) { return Value::Bool(IsRGBType(i.pixelType)); });
  AddProperty(t, "IsRGB24", [](const ClipInfo& i) { return Value::Bool(i.pixelType == PixelType::RGB24); });
  AddProperty(t, "IsRGB32", [](const ClipInfo& i) { return Value::Bool(i.pixelType == PixelType::RGB32); });
  AddProperty(t, "IsYUV", [](const ClipInfo& i) { return Value::Bool(IsYUVType(i.pixelType)); });
  AddProperty(t, "IsYUY2", [](const ClipInfo& i) { return Value::Bool(i.pixelType == PixelType::YUY2); });
  AddProperty(t, "IsYV12", [](const ClipInfo& i) { return Value::Bool(i.pixelType == PixelType::YV12); });
  AddProperty(t, "IsYV16", [](const ClipInfo& i) { return Value::Bool(i.pixelType == PixelType::YV16); });
  AddProperty(t, "IsYV24", [](const ClipInfo& i) { return Value::Bool(i.pixelType == PixelType::YV24); });
  AddProperty(t, "IsY8", [](const ClipInfo& i) { return Value::Bool(i.pixelType == PixelType::Y8); });
  AddProperty(t, "IsPlanar", [](const ClipInfo& i) { return Value::Bool(IsPlanarType(i.pixelType)); });
  AddProperty(t, "IsInterleaved", [](const ClipInfo& i) { return Value::Bool(!IsPlanarType(i.pixelType)); });
  AddProperty(t, "PixelType", [](const ClipInfo& i) { return Value::String(PixelTypeName(i.pixelType)); });
  AddProperty(t, "HasVideo", [](const ClipInfo&) { return Value::Bool(true); });
  AddProperty(t, "HasAudio", [](const ClipInfo&) { return Value::Bool(false); });
  t.Add("Int", {Req("value", ParamType::Float)},
        [](const CallArgs& a) { return a.At(0).IsInt() ? a.At(0) : ToInt(std::trunc(a.Float(0)), "Int"); });
  t.Add("Round", {Req("value", ParamType::Float)},
        [](const CallArgs& a) { return a.At(0).IsInt() ? a.At(0) : ToInt(std::floor(a.Float(0) + 0.5), "Round"); });
  t.Add("Floor", {Req("value", ParamType::Float)},
        [](const CallArgs& a) { return ToInt(std::floor(a.Float(0)), "Floor"); });
  t.Add("Ceil", {Req("value", ParamType::Float)},
        [](const CallArgs& a) { return ToInt(std::ceil(a.Float(0)), "Ceil"); });
  t.Add("Float", {Req("value", ParamType::Float)}, [](const CallArgs& a) { return Value::Float(a.Float(0)); });
  t.Add("Abs", {Req("value", ParamType::Any)}, [](const CallArgs& a) {
    if (!a.At(0).IsNumber()) throw FilterError("Abs: the value must be a number");
    if (a.At(0).IsInt()) {
      const std::int64_t v = a.At(0).AsInt();
      if (v == INT64_MIN) throw FilterError("Abs: the value is out of range");
      return Value::Int(v < 0 ? -v : v);
    }
    return Value::Float(std::fabs(a.Float(0)));
  });
  t.Add("String", {Req("value", ParamType::Any), Opt("format", ParamType::String)}, [](const CallArgs& a) {
    const Value& v = a.At(0);
    switch (v.GetType()) {
      case Value::Type::String:
        return v;
      case Value::Type::Int:
        return Value::String(std::to_string(v.AsInt()));
      case Value::Type::Bool:
        return Value::String(v.AsBool() ? "true" : "false");
      case Value::Type::Float: {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%f", v.AsFloat());
        return Value::String(buffer);
      }
      default:
        throw FilterError("String: a clip has no text form");
    }
  });
}

}  // namespace tandemix::engine
