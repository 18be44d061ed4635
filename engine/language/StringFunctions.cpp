// The string functions of the language. Strings are bytes: letter case
// changes only ASCII letters, lengths and positions count bytes, and
// positions start at 1, as in AviSynth.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "engine/frames/ScriptError.h"
#include "engine/language/Functions.h"

namespace tandemix::engine {
namespace {

// As the evaluator's bound on strings.
constexpr std::int64_t kMaxStringLength = std::int64_t{16} << 20;

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::int64_t Count(const CallArgs& a, std::size_t i) {
  const std::int64_t n = a.At(i).AsInt();
  if (n < 0) throw FilterError(a.Function() + ": Negative character count not allowed");
  return n;
}

// A value as Format and String show it: numbers as AviSynth prints them.
std::string Text(const Value& v) {
  switch (v.GetType()) {
    case Value::Type::String:
      return v.AsString();
    case Value::Type::Int:
      return std::to_string(v.AsInt());
    case Value::Type::Bool:
      return v.AsBool() ? "true" : "false";
    case Value::Type::Float: {
      char buffer[400];
      std::snprintf(buffer, sizeof buffer, "%f", v.AsFloat());
      return buffer;
    }
    default:
      return "";
  }
}

// "{}" takes the next value, "{N}" the Nth (from 0); "{{" and "}}" are braces.
Value Format(const CallArgs& a) {
  const std::string& format = a.At(0).AsString();
  const std::vector<Value>& values = a.Rest();
  std::string out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if ((c == '{' || c == '}') && i + 1 < format.size() && format[i + 1] == c) {
      out += c;
      ++i;
      continue;
    }
    if (c != '{') {
      out += c;
      continue;
    }
    const std::size_t close = format.find('}', i);
    if (close == std::string::npos) throw FilterError("Format: missing closing brace.");
    const std::string spec = format.substr(i + 1, close - i - 1);
    std::size_t index = next++;
    if (!spec.empty()) {
      if (!std::all_of(spec.begin(), spec.end(), [](char d) { return d >= '0' && d <= '9'; }) || spec.size() > 6)
        throw FilterError("Format: invalid parameter specifier: \"" + spec + "\".");
      index = static_cast<std::size_t>(std::stoi(spec));
    }
    if (index >= values.size()) throw FilterError("Format: parameter index out of range: " + std::to_string(index));
    out += Text(values[index]);
    if (static_cast<std::int64_t>(out.size()) > kMaxStringLength) throw FilterError("Format: the text is too long");
    i = close;
  }
  return Value::String(std::move(out));
}

}  // namespace

void RegisterStringFunctions(FunctionTable& t) {
  const auto text = [](const CallArgs& a, std::size_t i) -> const std::string& { return a.At(i).AsString(); };
  t.Add("LCase", {Req("string", ParamType::String)},
        [text](const CallArgs& a) { return Value::String(LowerCase(text(a, 0))); });
  t.Add("UCase", {Req("string", ParamType::String)},
        [text](const CallArgs& a) { return Value::String(Upper(text(a, 0))); });
  t.Add("StrLen", {Req("string", ParamType::String)},
        [text](const CallArgs& a) { return Value::Int(static_cast<std::int64_t>(text(a, 0).size())); });
  t.Add("RevStr", {Req("string", ParamType::String)},
        [text](const CallArgs& a) { return Value::String(std::string(text(a, 0).rbegin(), text(a, 0).rend())); });
  t.Add("LeftStr", {Req("string", ParamType::String), Req("length", ParamType::Int)}, [text](const CallArgs& a) {
    return Value::String(
        text(a, 0).substr(0, static_cast<std::size_t>(std::min<std::int64_t>(Count(a, 1), kMaxStringLength))));
  });
  t.Add("RightStr", {Req("string", ParamType::String), Req("length", ParamType::Int)}, [text](const CallArgs& a) {
    const std::string& s = text(a, 0);
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(Count(a, 1), static_cast<std::int64_t>(s.size())));
    return Value::String(s.substr(s.size() - n));
  });
  t.Add("MidStr", {Req("string", ParamType::String), Req("start", ParamType::Int), Opt("length", ParamType::Int)},
        [text](const CallArgs& a) {
          const std::string& s = text(a, 0);
          const std::int64_t start = a.At(1).AsInt();
          if (start < 1) throw FilterError("MidStr: Illegal character location. Positions start with 1.");
          if (start > static_cast<std::int64_t>(s.size())) return Value::String("");
          const std::int64_t n = a.Has(2) ? Count(a, 2) : kMaxStringLength;
          return Value::String(
              s.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(std::min(n, kMaxStringLength))));
        });
  t.Add("FindStr", {Req("string", ParamType::String), Req("substring", ParamType::String)}, [text](const CallArgs& a) {
    const std::size_t at = text(a, 0).find(text(a, 1));
    return Value::Int(at == std::string::npos ? 0 : static_cast<std::int64_t>(at) + 1);
  });
  // sig=true matches the pattern without regard to letter case.
  t.Add("ReplaceStr",
        {Req("string", ParamType::String), Req("pattern", ParamType::String), Req("replacement", ParamType::String),
         Opt("sig", ParamType::Bool)},
        [text](const CallArgs& a) {
          const std::string& s = text(a, 0);
          const std::string& pattern = text(a, 1);
          if (pattern.empty()) return Value::String(s);
          const bool anyCase = a.Bool(3, false);
          const std::string haystack = anyCase ? LowerCase(s) : s;
          const std::string needle = anyCase ? LowerCase(pattern) : pattern;
          std::string out;
          std::size_t from = 0;
          for (std::size_t at; (at = haystack.find(needle, from)) != std::string::npos; from = at + needle.size()) {
            out.append(s, from, at - from);
            out += text(a, 2);
            if (static_cast<std::int64_t>(out.size()) > kMaxStringLength)
              throw FilterError("ReplaceStr: the text is too long");
          }
          out.append(s, from, std::string::npos);
          return Value::String(std::move(out));
        });
  t.Add("FillStr", {Req("count", ParamType::Int), Opt("chr", ParamType::String)}, [](const CallArgs& a) {
    const std::int64_t n = a.At(0).AsInt();
    const std::string unit = a.String(1, " ");
    if (n <= 0) throw FilterError("FillStr: Repeat count must be greater than zero!");
    if (n * static_cast<std::int64_t>(std::max<std::size_t>(unit.size(), 1)) > kMaxStringLength)
      throw FilterError("FillStr: the text is too long");
    std::string out;
    for (std::int64_t i = 0; i < n; ++i) out += unit;
    return Value::String(std::move(out));
  });
  // The difference of the first bytes that differ, as C's strcmp gives it.
  const auto compare = [](const std::string& x, const std::string& y) {
    std::size_t i = 0;
    while (i < x.size() && i < y.size() && x[i] == y[i]) ++i;
    const int cx = i < x.size() ? static_cast<unsigned char>(x[i]) : 0;
    const int cy = i < y.size() ? static_cast<unsigned char>(y[i]) : 0;
    return Value::Int(cx - cy);
  };
  t.Add("StrCmp", {Req("a", ParamType::String), Req("b", ParamType::String)},
        [compare, text](const CallArgs& a) { return compare(text(a, 0), text(a, 1)); });
  t.Add("StrCmpi", {Req("a", ParamType::String), Req("b", ParamType::String)},
        [compare, text](const CallArgs& a) { return compare(LowerCase(text(a, 0)), LowerCase(text(a, 1))); });
  t.Add("Chr", {Req("value", ParamType::Int)},
        [](const CallArgs& a) { return Value::String(std::string(1, static_cast<char>(a.At(0).AsInt() & 0xFF))); });
  t.Add("Ord", {Req("string", ParamType::String)}, [text](const CallArgs& a) {
    return Value::Int(text(a, 0).empty() ? 0 : static_cast<unsigned char>(text(a, 0)[0]));
  });
  t.Add("Format", {Req("format", ParamType::String)}, [](const CallArgs& a) { return Format(a); });
  t.Add("Format", {Req("format", ParamType::String), Many("values", ParamType::Any)},
        [](const CallArgs& a) { return Format(a); });
  t.Add("TrimAll", {Req("string", ParamType::String)}, [text](const CallArgs& a) {
    std::string s = text(a, 0);
    s.erase(s.begin(), std::find_if_not(s.begin(), s.end(), IsSpace));
    s.erase(std::find_if_not(s.rbegin(), s.rend(), IsSpace).base(), s.end());
    return Value::String(std::move(s));
  });
  t.Add("TrimLeft", {Req("string", ParamType::String)}, [text](const CallArgs& a) {
    std::string s = text(a, 0);
    s.erase(s.begin(), std::find_if_not(s.begin(), s.end(), IsSpace));
    return Value::String(std::move(s));
  });
  t.Add("TrimRight", {Req("string", ParamType::String)}, [text](const CallArgs& a) {
    std::string s = text(a, 0);
    s.erase(std::find_if_not(s.rbegin(), s.rend(), IsSpace).base(), s.end());
    return Value::String(std::move(s));
  });
  // Upper-case digits of the 32-bit value, zero-padded to `width`.
  t.Add("Hex", {Req("value", ParamType::Int), Opt("width", ParamType::Int)}, [](const CallArgs& a) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%X", static_cast<std::uint32_t>(a.At(0).AsInt()));
    std::string s = buffer;
    const std::int64_t width = std::clamp<std::int64_t>(a.Has(1) ? a.At(1).AsInt() : 0, 0, 8);
    if (static_cast<std::int64_t>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width) - s.size(), '0');
    return Value::String(s);
  });
  // Hexadecimal digits from position `pos` (from 1), "0x" allowed before them.
  t.Add("HexValue", {Req("string", ParamType::String), Opt("pos", ParamType::Int)}, [text](const CallArgs& a) {
    const std::string& s = text(a, 0);
    const std::int64_t pos = a.Has(1) ? a.At(1).AsInt() : 1;
    if (pos < 1 || pos > static_cast<std::int64_t>(s.size())) return Value::Int(0);
    const auto bits = static_cast<std::uint32_t>(std::strtoull(s.c_str() + pos - 1, nullptr, 16));
    return Value::Int(static_cast<std::int32_t>(bits));
  });
  t.Add("Value", {Req("string", ParamType::String)},
        [text](const CallArgs& a) { return Value::Float(std::strtod(text(a, 0).c_str(), nullptr)); });
  // Script text is UTF-8 already on this system.
  t.Add("StrToUtf8", {Req("string", ParamType::String)}, [](const CallArgs& a) { return a.At(0); });
  t.Add("StrFromUtf8", {Req("string", ParamType::String)}, [](const CallArgs& a) { return a.At(0); });
}

}  // namespace tandemix::engine
