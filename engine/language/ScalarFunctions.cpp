// Clip properties (Width, Height, FrameCount, FrameRate, HasAudio,
// AudioRate, AudioLength, ...) and the
// number and string conversions scripts use with them.
#include <cmath>
#include <cstdio>
#include <string_view>

#include "engine/frames/ScriptError.h"
#include "engine/language/Functions.h"

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

// Checks a format of String(value, format): text with exactly one
// conversion of a float (%f, %e, %g, %a and their capitals, with flags, a
// width and a precision of at most kMaxFormatField each, an optional "l")
// or none; "%%" is a percent sign. AviSynth hands the value to sprintf as
// a float whatever the format says; a format that would read anything else
// is refused instead.
constexpr int kMaxFormatField = 100;

void CheckFloatFormat(const std::string& format) {
  const auto refuse = [&format](const std::string& why) {
    throw FilterError("String: the format \"" + format + "\" " + why);
  };
  const auto number = [&](std::size_t& i) {
    int value = 0;
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
      value = value * 10 + (format[i++] - '0');
      if (value > kMaxFormatField) refuse("has a width or precision over " + std::to_string(kMaxFormatField) + ".");
    }
  };
  int conversions = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    ++i;
    if (i < format.size() && format[i] == '%') continue;
    while (i < format.size() && std::string_view("-+ #0").find(format[i]) != std::string_view::npos) ++i;
    number(i);
    if (i < format.size() && format[i] == '.') {
      ++i;
      number(i);
    }
    if (i < format.size() && format[i] == 'l') ++i;
    if (i >= format.size() || std::string_view("fFeEgGaA").find(format[i]) == std::string_view::npos)
      refuse("may only convert a float (%f, %e, %g or %a).");
    ++conversions;
  }
  if (conversions > 1) refuse("converts more than one value.");
}

Value FormattedString(const Value& v, const std::string& format) {
  if (v.IsBool()) return Value::String(v.AsBool() ? "true" : "false");
  if (v.IsString()) return v;
  if (!v.IsNumber()) throw FilterError("String: a clip has no text form");
  CheckFloatFormat(format);
  // Each conversion writes at most a few hundred characters: bounded fields.
  const int size = std::snprintf(nullptr, 0, format.c_str(), v.AsFloat());
  if (size < 0) throw FilterError("String: the format \"" + format + "\" cannot be used.");
  std::string text(static_cast<std::size_t>(size) + 1, '\0');
  std::snprintf(text.data(), text.size(), format.c_str(), v.AsFloat());
  text.resize(static_cast<std::size_t>(size));
  return Value::String(std::move(text));
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
  AddProperty(t, "HasVideo", [](const ClipInfo& i) { return Value::Bool(i.hasVideo); });
  AddProperty(t, "HasAudio", [](const ClipInfo& i) { return Value::Bool(i.audio.Present()); });
  AddProperty(t, "AudioRate", [](const ClipInfo& i) { return Value::Int(i.audio.sampleRate); });
  AddProperty(t, "AudioChannels", [](const ClipInfo& i) { return Value::Int(i.audio.channels); });
  AddProperty(t, "AudioBits", [](const ClipInfo& i) {
    return Value::Int(i.audio.Present() ? 8 * i.audio.BytesPerChannelSample() : 0);
  });
  AddProperty(t, "IsAudioFloat", [](const ClipInfo& i) {
    return Value::Bool(i.audio.Present() && i.audio.sampleType == SampleType::Float);
  });
  AddProperty(t, "IsAudioInt", [](const ClipInfo& i) {
    return Value::Bool(i.audio.Present() && i.audio.sampleType != SampleType::Float);
  });
  AddProperty(t, "AudioLength", [](const ClipInfo& i) { return Value::Int(i.audio.sampleCount); });
  AddProperty(t, "AudioLengthF",
              [](const ClipInfo& i) { return Value::Float(static_cast<double>(i.audio.sampleCount)); });
  // Seconds of sound; 0 without sound.
  AddProperty(t, "AudioDuration", [](const ClipInfo& i) {
    return Value::Float(i.audio.Present() ? static_cast<double>(i.audio.sampleCount) / i.audio.sampleRate : 0.0);
  });
  t.Add("Int", {Req("value", ParamType::Float)},
        [](const CallArgs& a) { return a.At(0).IsInt() ? a.At(0) : ToInt(std::trunc(a.Float(0)), "Int"); });
  // Halves round away from zero, as AviSynth's Round does.
  t.Add("Round", {Req("value", ParamType::Float)},
        [](const CallArgs& a) { return a.At(0).IsInt() ? a.At(0) : ToInt(std::round(a.Float(0)), "Round"); });
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
    if (a.Has(1)) return FormattedString(v, a.String(1));
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
