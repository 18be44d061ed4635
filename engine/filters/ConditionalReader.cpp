// ConditionalReader: a variable's value per frame, read from a text file,
// handed to the runtime filters below it while they make that frame.
//
// The file: a `Type int|float|bool|string` line first, then `Default V`,
// `Offset N` (added to the frame numbers of the lines after it), `N V`
// (frame N), `R A B V` (frames A to B) and `I A B V W` (A to B, from V to W;
// integers rounded half away from nothing as the value is cut), in any
// order, later lines winning. Lines starting with `#` are comments.
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "engine/filters/FilterFamilies.h"
#include "engine/filters/FrameMessage.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

enum class Kind { None, Int, Float, Bool, String };

[[noreturn]] void Fail(const std::string& message) { throw FilterError("ConditionalReader: " + message); }

std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

bool ReadInt(const std::string& token, std::int64_t& out) {
  if (token.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(token.c_str(), &end, 10);
  if (*end != '\0' || errno) return false;
  out = v;
  return true;
}

bool ReadFloat(const std::string& token, double& out) {
  if (token.empty()) return false;
  char* end = nullptr;
  const double v = std::strtod(token.c_str(), &end);
  if (*end != '\0' || !std::isfinite(v)) return false;
  out = v;
  return true;
}

class Table {
 public:
  Table(const std::string& text, int frames) : frames_(frames) { Parse(text); }
  const std::vector<Value>& Values() const { return values_; }

 private:
  // The words of a line after the first `skip` of them, and the rest of
  // the line past them (a string value).
  static std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
  }
  static std::string RestAfter(const std::string& line, int skip) {
    std::size_t i = 0;
    for (int k = 0; k < skip; ++k) {
      while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
      while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    }
    return Trim(line.substr(std::min(i, line.size())));
  }

  Value Read(const std::string& token, int line) const {
    switch (kind_) {
      case Kind::Int: {
        std::int64_t v = 0;
        if (!ReadInt(token, v)) Fail("Could not find an expected integer at line " + std::to_string(line) + "!");
        return Value::Int(v);
      }
      case Kind::Float: {
        double v = 0;
        if (!ReadFloat(token, v)) Fail("Could not find an expected float at line " + std::to_string(line) + "!");
        return Value::Float(v);
      }
      case Kind::Bool: {
        const std::string t = LowerCase(token);
        if (t == "true" || t == "t" || t == "yes" || t == "1") return Value::Bool(true);
        if (t == "false" || t == "f" || t == "no" || t == "0") return Value::Bool(false);
        Fail("Boolean value was not true or false in line " + std::to_string(line));
      }
      case Kind::String:
        return Value::String(token);
      case Kind::None:
        break;
    }
    Fail("Type was not defined!");
  }

  // The frames of a range that lie in the clip once offset (ranges may
  // name frames far outside it).
  std::int64_t First(std::int64_t a) const { return std::max(a, -offset_); }
  std::int64_t Last(std::int64_t b) const { return std::min(b, frames_ - 1 - offset_); }

  void Set(std::int64_t frame, const Value& v) {
    frame += offset_;
    if (frame >= 0 && frame < frames_) values_[static_cast<std::size_t>(frame)] = v;
  }

  void Parse(const std::string& text) {
    std::istringstream in(text);
    std::string raw;
    for (int number = 1; std::getline(in, raw); ++number) {
      const std::string line = Trim(raw);
      if (line.empty() || line[0] == '#') continue;
      const std::vector<std::string> w = Words(line);
      const std::string key = LowerCase(w[0]);
      const std::string at = std::to_string(number);
      if (key == "type") {
        const std::string type = w.size() > 1 ? LowerCase(w[1]) : "";
        kind_ = type == "int"      ? Kind::Int
                : type == "float"  ? Kind::Float
                : type == "bool"   ? Kind::Bool
                : type == "string" ? Kind::String
                                   : Kind::None;
        if (kind_ == Kind::None) Fail("Unknown 'Type' specified in line " + at);
        values_.assign(static_cast<std::size_t>(std::max(frames_, 0)), Default());
        continue;
      }
      if (kind_ == Kind::None) Fail("Type was not defined!");
      if (key == "default") {
        if (w.size() < 2) Fail("Do not understand line " + at);
        Value v;
        try {
          v = Read(kind_ == Kind::String ? RestAfter(line, 1) : w[1], number);
        } catch (const FilterError&) {
          Fail("Do not understand line " + at);
        }
        for (Value& each : values_) each = v;
        continue;
      }
      if (key == "offset") {
        std::int64_t v = 0;
        if (w.size() < 2 || !ReadInt(w[1], v)) Fail("Do not understand line " + at);
        offset_ = v;
        continue;
      }
      if (key == "r" || key == "i") {
        const bool interpolate = key == "i";
        std::int64_t a = 0, b = 0;
        if (w.size() < (interpolate ? 5u : 4u) || !ReadInt(w[1], a) || !ReadInt(w[2], b))
          Fail("Could not read Range in line " + at);
        if (a > b) Fail("The Range start frame is after the end frame in line " + at);
        if (!interpolate) {
          const Value v = Read(kind_ == Kind::String ? RestAfter(line, 3) : w[3], number);
          for (std::int64_t n = First(a); n <= Last(b); ++n) Set(n, v);
          continue;
        }
        if (kind_ == Kind::Bool) Fail("Cannot Interpolate booleans in line " + at);
        if (kind_ == Kind::String) Fail("Cannot Interpolate strings in line " + at);
        if (a == b) Fail("Could not find an expected integer at line " + at + "!");
        const Value from = Read(w[3], number), to = Read(w[4], number);
        for (std::int64_t n = First(a); n <= Last(b); ++n) {
          const double t = static_cast<double>(n - a) / static_cast<double>(b - a);
          const double v = from.AsFloat() + (to.AsFloat() - from.AsFloat()) * t;
          Set(n, kind_ == Kind::Int ? Value::Int(static_cast<std::int64_t>(v + 0.5)) : Value::Float(v));
        }
        continue;
      }
      std::int64_t frame = 0;
      if (!ReadInt(w[0], frame)) Fail("Do not understand line " + at);
      if (w.size() < 2) continue;
      Set(frame, Read(kind_ == Kind::String ? RestAfter(line, 1) : w[1], number));
    }
    if (kind_ == Kind::None) Fail("Type was not defined!");
  }

  Value Default() const {
    switch (kind_) {
      case Kind::Int:
        return Value::Int(0);
      case Kind::Float:
        return Value::Float(0.0);
      case Kind::Bool:
        return Value::Bool(false);
      default:
        return Value::String("");
    }
  }

  int frames_;
  Kind kind_ = Kind::None;
  std::int64_t offset_ = 0;
  std::vector<Value> values_;
};

// The value as `show` writes it.
std::string Shown(const Value& v) {
  char text[64];
  if (v.IsFloat()) {
    std::snprintf(text, sizeof text, "%f", v.AsFloat());
    return text;
  }
  if (v.IsInt()) return std::to_string(v.AsInt());
  if (v.IsBool()) return v.AsBool() ? "true" : "false";
  return v.AsString();
}

class ReaderNode : public Clip {
 public:
  ReaderNode(ClipPtr child, std::string name, std::vector<Value> values, bool show)
      : Clip(child->Info()), child_(std::move(child)), name_(std::move(name)), values_(std::move(values)), show_(show) {
    PassAudioFrom(child_);
  }

  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    if (values_.empty()) return child_->GetFrame(n);
    const Value& v = values_[static_cast<std::size_t>(n)];
    const Variables passed = {{name_, v}};
    const FrameVariables scope(passed);
    FramePtr frame = child_->GetFrame(n);
    return show_ ? WithMessage(frame, Shown(v)) : frame;
  }

 private:
  ClipPtr child_;
  std::string name_;
  std::vector<Value> values_;
  bool show_;
};

}  // namespace

void RegisterConditionalReaderFunctions(FunctionTable& t) {
  t.Add("ConditionalReader",
        {Req("clip", ParamType::Clip), Req("filename", ParamType::String), Req("variablename", ParamType::String),
         Opt("show", ParamType::Bool), Opt("condvarsuffix", ParamType::String), Opt("local", ParamType::Bool)},
        [](const CallArgs& a) {
          const std::string name = a.String(1);
          const QString path = QString::fromStdString(a.ResolvePath(name));
          QFile file(path);
          // Bounded: a value table is text of a few lines a frame, in a
          // regular file (a device or a pipe could be endless).
          constexpr qint64 kMaxBytes = qint64{64} << 20;
          if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly) || file.size() > kMaxBytes)
            Fail("Could not open file '" + name + "'.");
          const QByteArray bytes = file.readAll();
          const Table table(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                            a.Clip(0)->Info().frameCount);
          return Value::Clip(
              std::make_shared<ReaderNode>(a.Clip(0), a.String(2) + a.String(4), table.Values(), a.Bool(3, false)));
        });
}

}  // namespace tandemix::engine
