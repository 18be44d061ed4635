// Clip properties (Width, Height, FrameCount, FrameRate, HasAudio,
// AudioRate, AudioLength, ...) and the
// number and string conversions scripts use with them.
#include <bit>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <numbers>
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

// The random numbers of the C library this engine's scripts were written
// against (the additive generator of glibc's rand()), so that a script
// with a fixed sequence gives the numbers it gave there.
class Random {
 public:
  Random() { Seed(1); }
  void Seed(std::uint32_t seed) {
    std::int32_t r[34];
    r[0] = static_cast<std::int32_t>(seed == 0 ? 1 : seed);
    for (int i = 1; i < 31; ++i) {
      const std::int64_t v = (16807 * static_cast<std::int64_t>(r[i - 1])) % 2147483647;
      r[i] = static_cast<std::int32_t>(v < 0 ? v + 2147483647 : v);
    }
    for (int i = 31; i < 34; ++i) r[i] = r[i - 31];
    for (int i = 0; i < 34; ++i) state_[i] = static_cast<std::uint32_t>(r[i]);
    index_ = 34;
    for (int i = 34; i < 344; ++i) Next();
  }
  std::int32_t Next() {
    const std::uint32_t v = state_[(index_ - 31) % 34] + state_[(index_ - 3) % 34];
    state_[index_ % 34] = v;
    ++index_;
    return static_cast<std::int32_t>(v >> 1);
  }

 private:
  std::uint32_t state_[34] = {};
  std::uint64_t index_ = 0;
};

std::int32_t NextRandom(bool seed) {
  static std::mutex mutex;
  static Random random;
  const std::lock_guard<std::mutex> lock(mutex);
  if (seed) random.Seed(static_cast<std::uint32_t>(std::time(nullptr)));
  return random.Next();
}

// The natural cubic spline (or the broken line, cubic=false) through the
// points (x1, y1), (x2, y2), ... at x; the xs must rise.
double Spline(double x, const std::vector<double>& px, const std::vector<double>& py, bool cubic) {
  const std::size_t n = px.size();
  for (std::size_t i = 1; i < n; ++i)
    if (px[i] <= px[i - 1]) throw FilterError("Spline: all x values have to be different and in ascending order!");
  std::size_t k = 0;
  while (k + 2 < n && x > px[k + 1]) ++k;
  const double h = px[k + 1] - px[k];
  if (!cubic || n < 3) return py[k] + (py[k + 1] - py[k]) * (x - px[k]) / h;
  // Second derivatives, zero at both ends: a tridiagonal system.
  std::vector<double> m(n, 0.0);
  std::vector<double> c(n, 0.0);
  std::vector<double> d(n, 0.0);
  for (std::size_t i = 1; i + 1 < n; ++i) {
    const double h0 = px[i] - px[i - 1];
    const double h1 = px[i + 1] - px[i];
    const double rhs = 6.0 * ((py[i + 1] - py[i]) / h1 - (py[i] - py[i - 1]) / h0);
    const double diag = 2.0 * (h0 + h1) - h0 * c[i - 1];
    c[i] = h1 / diag;
    d[i] = (rhs - h0 * d[i - 1]) / diag;
  }
  for (std::size_t i = n - 1; i-- > 1;) m[i] = d[i] - c[i] * m[i + 1];
  const double a = px[k + 1] - x;
  const double b = x - px[k];
  return m[k] * a * a * a / (6 * h) + m[k + 1] * b * b * b / (6 * h) + (py[k] / h - m[k] * h / 6) * a +
         (py[k + 1] / h - m[k + 1] * h / 6) * b;
}

// The last convergent of the continued fraction of num/den whose
// denominator stays within `limit` (0: no limit but 32 bits).
std::pair<std::int64_t, std::int64_t> Continued(double value, std::int64_t limit) {
  if (!std::isfinite(value)) throw FilterError("ContinuedNumerator: the value must be finite");
  if (limit <= 0 || limit > INT32_MAX) limit = INT32_MAX;
  std::int64_t p0 = 0, q0 = 1, p1 = 1, q1 = 0;
  double x = value;
  for (int i = 0; i < 64; ++i) {
    const double a = std::floor(x);
    if (std::fabs(a) > 9e15) break;
    const auto ai = static_cast<std::int64_t>(a);
    const std::int64_t p2 = ai * p1 + p0;
    const std::int64_t q2 = ai * q1 + q0;
    if (q2 > limit || std::llabs(p2) > INT32_MAX) break;
    p0 = p1, q0 = q1, p1 = p2, q1 = q2;
    const double frac = x - a;
    if (frac < 1e-12) break;
    x = 1.0 / frac;
  }
  if (q1 == 0) return {static_cast<std::int64_t>(std::trunc(value)), 1};
  return {p1, q1};
}

template <typename T>
void AddBitFunctions(FunctionTable& t, const char* suffix) {
  using U = std::make_unsigned_t<T>;
  constexpr int kMask = sizeof(T) * 8 - 1;
  const auto two = [&t, suffix](std::initializer_list<const char*> names, T (*op)(T, T)) {
    for (const char* name : names)
      t.Add(std::string(name) + suffix, {Req("a", ParamType::Int), Req("b", ParamType::Int)}, [op](const CallArgs& a) {
        return Value::Int(op(static_cast<T>(a.At(0).AsInt()), static_cast<T>(a.At(1).AsInt())));
      });
  };
  two({"BitAnd"}, [](T x, T y) { return static_cast<T>(x & y); });
  two({"BitOr"}, [](T x, T y) { return static_cast<T>(x | y); });
  two({"BitXor"}, [](T x, T y) { return static_cast<T>(x ^ y); });
  two({"BitLShift", "BitShl", "BitSal", "BitLShiftL", "BitLShiftA", "BitLShiftS", "BitLShiftU"},
      [](T x, T y) { return static_cast<T>(static_cast<U>(x) << (y & kMask)); });
  two({"BitRShiftA", "BitRShiftS", "BitSar"}, [](T x, T y) { return static_cast<T>(x >> (y & kMask)); });
  two({"BitRShiftL", "BitRShiftU", "BitShr"},
      [](T x, T y) { return static_cast<T>(static_cast<U>(x) >> (y & kMask)); });
  two({"BitLRotate", "BitRol"}, [](T x, T y) { return static_cast<T>(std::rotl(static_cast<U>(x), y & kMask)); });
  two({"BitRRotate", "BitRor"}, [](T x, T y) { return static_cast<T>(std::rotr(static_cast<U>(x), y & kMask)); });
  two({"BitSet"}, [](T x, T y) { return static_cast<T>(x | static_cast<T>(U{1} << (y & kMask))); });
  two({"BitClear", "BitClr"}, [](T x, T y) { return static_cast<T>(x & ~static_cast<T>(U{1} << (y & kMask))); });
  two({"BitChange", "BitChg"}, [](T x, T y) { return static_cast<T>(x ^ static_cast<T>(U{1} << (y & kMask))); });
  for (const char* name : {"BitTest", "BitTst"})
    t.Add(std::string(name) + suffix, {Req("a", ParamType::Int), Req("b", ParamType::Int)}, [](const CallArgs& a) {
      const auto x = static_cast<U>(static_cast<T>(a.At(0).AsInt()));
      return Value::Bool(((x >> (static_cast<T>(a.At(1).AsInt()) & kMask)) & 1) != 0);
    });
  t.Add(std::string("BitNot") + suffix, {Req("a", ParamType::Int)},
        [](const CallArgs& a) { return Value::Int(static_cast<T>(~static_cast<T>(a.At(0).AsInt()))); });
  t.Add(std::string("BitSetCount") + suffix, {Req("a", ParamType::Int)},
        [](const CallArgs& a) { return Value::Int(std::popcount(static_cast<U>(static_cast<T>(a.At(0).AsInt())))); });
}

void AddNumberFunctions(FunctionTable& t) {
  const auto unary = [&t](const char* name, double (*f)(double)) {
    t.Add(name, {Req("value", ParamType::Float)}, [f](const CallArgs& a) { return Value::Float(f(a.Float(0))); });
  };
  unary("Exp", [](double x) { return std::exp(x); });
  unary("Log", [](double x) { return std::log(x); });
  unary("Log10", [](double x) { return std::log10(x); });
  unary("Sqrt", [](double x) { return std::sqrt(x); });
  unary("Sin", [](double x) { return std::sin(x); });
  unary("Cos", [](double x) { return std::cos(x); });
  unary("Tan", [](double x) { return std::tan(x); });
  unary("Asin", [](double x) { return std::asin(x); });
  unary("Acos", [](double x) { return std::acos(x); });
  unary("Atan", [](double x) { return std::atan(x); });
  unary("Sinh", [](double x) { return std::sinh(x); });
  unary("Cosh", [](double x) { return std::cosh(x); });
  unary("Tanh", [](double x) { return std::tanh(x); });
  unary("Frac", [](double x) { return x - std::trunc(x); });
  unary("Double", [](double x) { return x; });
  t.Add("Atan2", {Req("y", ParamType::Float), Req("x", ParamType::Float)},
        [](const CallArgs& a) { return Value::Float(std::atan2(a.Float(0), a.Float(1))); });
  t.Add("Pow", {Req("base", ParamType::Float), Req("power", ParamType::Float)},
        [](const CallArgs& a) { return Value::Float(std::pow(a.Float(0), a.Float(1))); });
  t.Add("Fmod", {Req("a", ParamType::Float), Req("b", ParamType::Float)},
        [](const CallArgs& a) { return Value::Float(std::fmod(a.Float(0), a.Float(1))); });
  t.Add("Pi", {}, [](const CallArgs&) { return Value::Float(std::numbers::pi); });
  t.Add("Tau", {}, [](const CallArgs&) { return Value::Float(2 * std::numbers::pi); });
  t.Add("Sign", {Req("value", ParamType::Float)}, [](const CallArgs& a) {
    const double v = a.Float(0);
    return Value::Int(v > 0 ? 1 : v < 0 ? -1 : 0);
  });
  t.Add("Long", {Req("value", ParamType::Float)},
        [](const CallArgs& a) { return a.At(0).IsInt() ? a.At(0) : ToInt(std::trunc(a.Float(0)), "Long"); });
  // Integers when every value is one, floats otherwise.
  const auto extreme = [&t](const char* name, bool max) {
    t.Add(name, {Many("values", ParamType::Any)}, [name, max](const CallArgs& a) {
      const auto& v = a.Rest();
      if (!std::all_of(v.begin(), v.end(), [](const Value& x) { return x.IsNumber(); }))
        throw FilterError(std::string(name) + ": the values must be numbers");
      if (v.size() < 2) throw FilterError(std::string("Too few arguments for ") + name);
      const bool ints = std::all_of(v.begin(), v.end(), [](const Value& x) { return x.IsInt(); });
      std::size_t best = 0;
      for (std::size_t i = 1; i < v.size(); ++i)
        if (max ? v[i].AsFloat() > v[best].AsFloat() : v[i].AsFloat() < v[best].AsFloat()) best = i;
      return ints ? v[best] : Value::Float(v[best].AsFloat());
    });
  };
  extreme("Min", false);
  extreme("Max", true);
  // a * b / c rounded to the nearest integer, halves away from zero.
  t.Add("MulDiv", {Req("a", ParamType::Int), Req("b", ParamType::Int), Req("c", ParamType::Int)},
        [](const CallArgs& a) {
          const auto x = static_cast<std::int32_t>(a.At(0).AsInt());
          const auto y = static_cast<std::int32_t>(a.At(1).AsInt());
          const auto z = static_cast<std::int32_t>(a.At(2).AsInt());
          if (z == 0) throw FilterError("MulDiv: division by zero");
          // Rounded to the nearest integer, halves upwards: floor(p / z + 1/2).
          std::int64_t p = static_cast<std::int64_t>(x) * y;
          std::int64_t d = z;
          if (d < 0) p = -p, d = -d;
          const std::int64_t num = 2 * p + d;
          const std::int64_t den = 2 * d;
          const std::int64_t r = num / den - ((num % den != 0 && num < 0) ? 1 : 0);
          return Value::Int(r);
        });
  t.Add("Spline", {Req("x", ParamType::Float), Many("points", ParamType::Any)}, [](const CallArgs& a) {
    std::vector<Value> rest = a.Rest();
    bool cubic = true;
    if (!rest.empty() && rest.back().IsBool()) {
      cubic = rest.back().AsBool();
      rest.pop_back();
    }
    if (rest.size() < 4 || rest.size() % 2 != 0 ||
        !std::all_of(rest.begin(), rest.end(), [](const Value& v) { return v.IsNumber(); }))
      throw FilterError("Spline: the points must be pairs of numbers, at least two");
    std::vector<double> px, py;
    for (std::size_t i = 0; i < rest.size(); i += 2) {
      px.push_back(rest[i].AsFloat());
      py.push_back(rest[i + 1].AsFloat());
    }
    return Value::Float(Spline(a.Float(0), px, py, cubic));
  });
  for (const bool numerator : {true, false}) {
    const char* name = numerator ? "ContinuedNumerator" : "ContinuedDenominator";
    t.Add(name, {Req("value", ParamType::Float), Opt("limit", ParamType::Int)}, [numerator](const CallArgs& a) {
      const auto [p, q] = Continued(a.Float(0), a.Has(1) ? a.At(1).AsInt() : 0);
      return Value::Int(numerator ? p : q);
    });
    t.Add(name, {Req("numerator", ParamType::Int), Req("denominator", ParamType::Int), Opt("limit", ParamType::Int)},
          [numerator](const CallArgs& a) {
            if (a.At(1).AsInt() == 0) throw FilterError("ContinuedNumerator: the denominator must not be 0");
            const auto [p, q] = Continued(a.Float(0) / a.Float(1), a.Has(2) ? a.At(2).AsInt() : 0);
            return Value::Int(numerator ? p : q);
          });
  }
  // Without `max`, the generator's number itself; with it, the number
  // modulo max, with max's sign (`scale` changes nothing there).
  t.Add("Rand", {Opt("max", ParamType::Int), Opt("scale", ParamType::Bool), Opt("seed", ParamType::Bool)},
        [](const CallArgs& a) {
          const std::int32_t r = NextRandom(a.Bool(2, false));
          if (!a.Has(0)) return Value::Int(r);
          const std::int64_t max = a.At(0).AsInt();
          if (max == 0) return Value::Int(0);
          return Value::Int(max < 0 ? -(r % -max) : r % max);
        });
  AddBitFunctions<std::int32_t>(t, "");
  AddBitFunctions<std::int64_t>(t, "64");
}

}  // namespace

void RegisterScalarFunctions(FunctionTable& t) {
  AddNumberFunctions(t);
  AddProperty(t, "Width", [](const ClipInfo& i) { return Value::Int(i.width); });
  AddProperty(t, "Height", [](const ClipInfo& i) { return Value::Int(i.height); });
  AddProperty(t, "FrameCount", [](const ClipInfo& i) { return Value::Int(i.frameCount); });
  AddProperty(t, "FrameRate", [](const ClipInfo& i) { return Value::Float(i.Rate()); });
  AddProperty(t, "FrameRateNumerator", [](const ClipInfo& i) { return Value::Int(i.rateNumerator); });
  AddProperty(t, "FrameRateDenominator", [](const ClipInfo& i) { return Value::Int(i.rateDenominator); });
  AddProperty(t, "IsFieldBased", [](const ClipInfo& i) { return Value::Bool(i.fieldBased); });
  AddProperty(t, "IsFrameBased", [](const ClipInfo& i) { return Value::Bool(!i.fieldBased); });
  AddProperty(t, "IsRGB", [](const ClipInfo& i) { return Value::Bool(IsAnyRGBType(i.pixelType)); });
  AddProperty(t, "IsPackedRGB", [](const ClipInfo& i) { return Value::Bool(IsRGBType(i.pixelType)); });
  AddProperty(t, "IsPlanarRGB", [](const ClipInfo& i) { return Value::Bool(i.pixelType == PixelType::RGBP8); });
  AddProperty(t, "IsPlanarRGBA", [](const ClipInfo& i) { return Value::Bool(i.pixelType == PixelType::RGBAP8); });
  AddProperty(t, "HasAlpha", [](const ClipInfo& i) { return Value::Bool(HasAlphaType(i.pixelType)); });
  // Channels of a pixel: YUY2 counts three, as its luma and two chroma kinds.
  AddProperty(t, "NumComponents", [](const ClipInfo& i) {
    const PixelType p = i.pixelType;
    return Value::Int(p == PixelType::Y8 ? 1 : HasAlphaType(p) ? 4 : 3);
  });
  // The planar YUV kinds only: YUY2 and planar RGB are none of them.
  AddProperty(t, "Is444", [](const ClipInfo& i) { return Value::Bool(i.pixelType == PixelType::YV24); });
  AddProperty(t, "Is422", [](const ClipInfo& i) { return Value::Bool(i.pixelType == PixelType::YV16); });
  AddProperty(t, "Is420", [](const ClipInfo& i) { return Value::Bool(i.pixelType == PixelType::YV12); });
  AddProperty(t, "IsY", [](const ClipInfo& i) { return Value::Bool(i.pixelType == PixelType::Y8); });
  // The engine's pixels are all 8-bit integers without a YUV alpha plane.
  for (const char* never : {"IsYUVA", "IsRGB48", "IsRGB64", "IsVideoFloat", "IsYV411"})
    AddProperty(t, never, [](const ClipInfo&) { return Value::Bool(false); });
  AddProperty(t, "ComponentSize", [](const ClipInfo&) { return Value::Int(1); });
  AddProperty(t, "BitsPerComponent", [](const ClipInfo&) { return Value::Int(8); });
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
