// WriteFile, WriteFileIf, WriteFileStart and WriteFileEnd: a line of
// evaluated expressions written to a text file per frame, once when the
// script opens, or once when the clip is let go.
//
// Scripts are shared and downloaded, so these write only inside the
// script's own folder (or below it); any other path is refused.
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <memory>
#include <mutex>

#include "engine/filters/FilterFamilies.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

// A value as written: numbers as AviSynth prints them, bools as true or
// false, clips and the undefined value as nothing.
std::string Written(const Value& v) {
  char text[64];
  switch (v.GetType()) {
    case Value::Type::Int:
      return std::to_string(v.AsInt());
    case Value::Type::Float:
      std::snprintf(text, sizeof text, "%f", v.AsFloat());
      return text;
    case Value::Type::Bool:
      return v.AsBool() ? "true" : "false";
    case Value::Type::String:
      return v.AsString();
    default:
      return "";
  }
}

// The file a script may write: inside its folder, else FilterError.
std::string AllowedPath(const CallArgs& a, const std::string& name) {
  const std::string& folder = a.Environment() ? a.Environment()->ScriptFolder() : std::string();
  const QString root = QDir(QString::fromStdString(folder.empty() ? "." : folder)).canonicalPath();
  const QFileInfo file(QString::fromStdString(a.ResolvePath(name)));
  // The folder the file goes in must exist; its real path (links followed)
  // must lie inside the script's.
  const QString parent = file.absoluteDir().canonicalPath();
  const QString full = parent + "/" + file.fileName();
  const QFileInfo target(full);
  const QString real = target.exists() ? target.canonicalFilePath() : full;
  // Only regular files: opening a pipe would wait for a reader.
  if (root.isEmpty() || parent.isEmpty() || file.fileName().isEmpty() || file.fileName() == ".." ||
      !real.startsWith(root + "/") || (target.exists() && !target.isFile()))
    throw FilterError(a.Function() + ": scripts may write files only inside their own folder (" +
                      (root.isEmpty() ? QString::fromStdString(folder) : root).toStdString() + "), not \"" + name +
                      "\"");
  return real.toStdString();
}

// An open file that several frames (threads) append lines to.
class LineFile {
 public:
  LineFile(const std::string& filter, const std::string& path, bool append)
      : file_(std::fopen(path.c_str(), append ? "ab" : "wb")) {
    if (!file_) throw FilterError(filter + ": could not open file \"" + path + "\" for writing");
  }
  ~LineFile() { std::fclose(file_); }
  LineFile(const LineFile&) = delete;
  LineFile& operator=(const LineFile&) = delete;

  void Write(const std::string& line, bool flush) {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fputc('\n', file_);
    if (flush) std::fflush(file_);
  }

 private:
  std::FILE* file_;
  std::mutex mutex_;
};

struct Expressions {
  std::vector<std::shared_ptr<const RuntimeScript>> scripts;

  // The line for a frame: each value in turn, an error as its message.
  std::string Line(const ClipPtr& clip, int n) const {
    std::string line;
    for (const auto& s : scripts) {
      try {
        line += Written(s->Run({{"last", Value::Clip(clip)}}, {{"current_frame", Value::Int(n)}}).value);
      } catch (const TandemixError& error) {
        const std::string message = error.what();
        line += message.substr(0, message.find('\n'));
      }
    }
    return line;
  }
};

Expressions Compile(const CallArgs& a, const std::vector<Value>& texts) {
  if (!a.Environment()) throw FilterError(a.Function() + ": needs a running script");
  Expressions e;
  for (const Value& t : texts) e.scripts.push_back(a.Environment()->Compile(t.AsString(), "[" + a.Function() + "]"));
  return e;
}

// WriteFile and WriteFileIf: a line per frame asked for (WriteFileIf's
// first expression decides: a false bool writes nothing).
class WriteNode : public Clip {
 public:
  WriteNode(ClipPtr child, std::shared_ptr<LineFile> file, Expressions e, bool conditional, bool flush)
      : Clip(child->Info()),
        child_(std::move(child)),
        file_(std::move(file)),
        expressions_(std::move(e)),
        conditional_(conditional),
        flush_(flush) {
    PassAudioFrom(child_);
  }

  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    FramePtr frame = child_->GetFrame(n);
    Expressions values = expressions_;
    if (conditional_) {
      bool write = true;
      try {
        const Value c =
            values.scripts.front()->Run({{"last", Value::Clip(child_)}}, {{"current_frame", Value::Int(n)}}).value;
        write = !c.IsBool() || c.AsBool();
      } catch (const TandemixError&) {
        write = true;
      }
      if (!write) return frame;
      values.scripts.erase(values.scripts.begin());
    }
    file_->Write(values.Line(child_, n), flush_);
    return frame;
  }

 private:
  ClipPtr child_;
  std::shared_ptr<LineFile> file_;
  Expressions expressions_;
  bool conditional_;
  bool flush_;
};

// WriteFileEnd: the line is written when the clip is let go.
class WriteAtEndNode : public Clip {
 public:
  WriteAtEndNode(ClipPtr child, std::string path, bool append, Expressions e)
      : Clip(child->Info()),
        child_(std::move(child)),
        path_(std::move(path)),
        append_(append),
        expressions_(std::move(e)) {
    PassAudioFrom(child_);
  }
  ~WriteAtEndNode() override {
    try {
      LineFile file("WriteFileEnd", path_, append_);
      file.Write(expressions_.Line(child_, -2), true);
    } catch (...) {
      // Nothing can be reported from here.
    }
  }
  FramePtr GetFrame(int n) override { return child_->GetFrame(n); }

 private:
  ClipPtr child_;
  std::string path_;
  bool append_;
  Expressions expressions_;
};

std::vector<Param> WriteParams() {
  return {Req("clip", ParamType::Clip), Req("filename", ParamType::String), Many("expression", ParamType::String),
          Opt("append", ParamType::Bool), Opt("flush", ParamType::Bool)};
}

}  // namespace

void RegisterWriteFileFunctions(FunctionTable& t) {
  for (const bool conditional : {false, true}) {
    t.Add(conditional ? "WriteFileIf" : "WriteFile", WriteParams(), [conditional](const CallArgs& a) {
      const std::string path = AllowedPath(a, a.String(1));
      Expressions e = Compile(a, a.Rest());
      auto file = std::make_shared<LineFile>(a.Function(), path, a.Bool(3, true));
      return Value::Clip(
          std::make_shared<WriteNode>(a.Clip(0), std::move(file), std::move(e), conditional, a.Bool(4, true)));
    });
  }
  t.Add("WriteFileStart", WriteParams(), [](const CallArgs& a) {
    const std::string path = AllowedPath(a, a.String(1));
    const Expressions e = Compile(a, a.Rest());
    LineFile file("WriteFileStart", path, a.Bool(3, false));
    file.Write(e.Line(a.Clip(0), -1), true);
    return Value::Clip(a.Clip(0));
  });
  t.Add("WriteFileEnd", WriteParams(), [](const CallArgs& a) {
    const std::string path = AllowedPath(a, a.String(1));
    // Opened now, so a file that cannot be written is known at once.
    { LineFile check("WriteFileEnd", path, true); }
    return Value::Clip(std::make_shared<WriteAtEndNode>(a.Clip(0), path, a.Bool(3, false), Compile(a, a.Rest())));
  });
}

}  // namespace tandemix::engine
