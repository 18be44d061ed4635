#include "engine/filters/PlanarRgb.h"

#include <optional>
#include <utility>
#include <vector>

#include "engine/filters/Conversions.h"

namespace tandemix::engine {

FunctionBody ViaPackedRgb(FunctionBody body) {
  return [body = std::move(body)](const CallArgs& a) -> Value {
    // The result is planar when the first clip is.
    bool planar = false, firstPlanar = false, seenClip = false;
    auto pack = [&](const Value& v) {
      if (!v.IsClip() || !v.AsClip()) return v;
      const bool first = !seenClip;
      seenClip = true;
      if (!IsPlanarRGBType(v.AsClip()->Info().pixelType)) return v;
      planar = true;
      firstPlanar = firstPlanar || first;
      const PixelType t = v.AsClip()->Info().pixelType;
      return Value::Clip(MakeConvert(v.AsClip(), HasAlphaType(t) ? PixelType::RGB32 : PixelType::RGB24));
    };
    std::vector<Value> values, rest;
    for (const Value& v : a.Values()) values.push_back(pack(v));
    for (const Value& v : a.Rest()) rest.push_back(pack(v));
    if (!planar) return body(a);
    Value result = body(a.WithValues(std::move(values), std::move(rest)));
    if (!firstPlanar || !result.IsClip() || !result.AsClip() || !IsRGBType(result.AsClip()->Info().pixelType))
      return result;
    const PixelType back = HasAlphaType(result.AsClip()->Info().pixelType) ? PixelType::RGBAP8 : PixelType::RGBP8;
    return Value::Clip(MakeConvert(result.AsClip(), back));
  };
}

}  // namespace tandemix::engine
