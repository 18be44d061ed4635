// WriteFile, WriteFileIf, WriteFileStart and WriteFileEnd: a line of
// evaluated expressions written to a text file per frame, once when the
// script opens, or once when the clip is let go; ImageWriter, frames kept
// as picture files.
//
// Scripts are shared and downloaded, so these write only inside the
// script's own folder (or below it); any other path is refused.
#include <QDir>
#include <QFileInfo>
#include <cctype>
#include <cstdio>
#include <memory>
#include <mutex>

#include "engine/filters/FilterFamilies.h"
#include "engine/filters/WritablePath.h"
#include "engine/frames/ScriptError.h"
#include "media/PictureWriter.h"

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

// ImageWriter: each frame from start to end, when it is asked for, kept as
// a picture file: "name" + the frame number in six digits + "." + type, or
// the name itself when it holds a %d conversion. BMP (also for "ebmp"), PNG
// and JPEG through FFmpeg's encoders, of RGB24, RGB32 or Y8 clips.
class ImageWriterNode : public Clip {
 public:
  ImageWriterNode(ClipPtr child, std::string folder, std::string pattern, std::string suffix, PictureFormat format,
                  int first, int last)
      : Clip(child->Info()),
        child_(std::move(child)),
        folder_(std::move(folder)),
        pattern_(std::move(pattern)),
        suffix_(std::move(suffix)),
        format_(format),
        first_(first),
        last_(last) {}

  FramePtr GetFrame(int n) override {
    FramePtr frame = child_->GetFrame(n);
    if (n < first_ || n > last_) return frame;
    const std::string path = folder_ + "/" + NameOf(pattern_, suffix_, n);
    // An existing link or other non-file is never written through.
    const QFileInfo target(QString::fromStdString(path));
    if (target.isSymLink() || (target.exists() && !target.isFile()))
      throw TandemixError("ImageWriter: " + path + " is not a regular file inside the script's folder");
    SavePicture(path, *frame, format_);
    return frame;
  }
  void GetAudio(void* buffer, int64_t start, int64_t count) override { child_->GetAudio(buffer, start, count); }

  // The file name of frame n: the pattern's one %d conversion (with its
  // flags and width) filled in, or the number in six digits and the suffix.
  static std::string NameOf(const std::string& pattern, const std::string& suffix, int n) {
    char number[64];
    const std::size_t percent = pattern.find('%');
    if (percent == std::string::npos) {
      std::snprintf(number, sizeof number, "%06d", n);
      return pattern + number + "." + suffix;
    }
    std::size_t end = percent + 1;
    while (end < pattern.size() && end - percent < 8 && std::isdigit(static_cast<unsigned char>(pattern[end]))) ++end;
    if (end >= pattern.size() || pattern[end] != 'd' || pattern.find('%', end) != std::string::npos)
      throw FilterError("ImageWriter: the file name may hold one %d conversion only: " + pattern);
    std::snprintf(number, sizeof number, pattern.substr(percent, end - percent + 1).c_str(), n);
    return pattern.substr(0, percent) + number + pattern.substr(end + 1);
  }

 private:
  ClipPtr child_;
  std::string folder_, pattern_, suffix_;
  PictureFormat format_;
  int first_, last_;
};

Value ImageWriter(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  const ClipInfo& info = clip->Info();
  std::string type = a.String("type", "ebmp");
  for (char& c : type) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  PictureFormat format = PictureFormat::Bmp;
  if (type == "png") {
    format = PictureFormat::Png;
  } else if (type == "jpg" || type == "jpeg") {
    format = PictureFormat::Jpeg;
  } else if (type != "bmp" && type != "ebmp") {
    throw FilterError("ImageWriter: the type must be bmp, ebmp, png, jpg or jpeg, not \"" + type + "\"");
  }
  if (!info.hasVideo) throw FilterError("ImageWriter: the clip has no video");
  if (info.pixelType != PixelType::RGB24 && info.pixelType != PixelType::RGB32 && info.pixelType != PixelType::Y8)
    throw FilterError("ImageWriter: DevIL requires 8 or 16 bits per channel RGB or greyscale input");
  if (a.Bool("info", false))
    throw FilterError("ImageWriter: info=true (the file name written on the frame) is not supported");
  // The numbers change the file name only: the folder is checked once.
  const std::string pattern = a.String("file", "");
  const std::size_t slash = pattern.rfind('/');
  const std::string base = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  if (slash != std::string::npos && pattern.find('%') < slash)
    throw FilterError("ImageWriter: the frame number may be in the file name only, not in its folder: " + pattern);
  const int start = a.Int("start", 0);
  const int end = a.Int("end", 0);
  const int last = end == 0 ? info.frameCount - 1 : end < 0 ? start - end - 1 : end;
  const std::string firstName = ImageWriterNode::NameOf(base, type, start);
  const std::string firstPath =
      AllowedPath(a, (slash == std::string::npos ? "" : pattern.substr(0, slash + 1)) + firstName);
  const std::string folder = QFileInfo(QString::fromStdString(firstPath)).absolutePath().toStdString();
  return Value::Clip(std::make_shared<ImageWriterNode>(std::move(clip), folder, base, type, format, start, last));
}

std::vector<Param> WriteParams() {
  return {Req("clip", ParamType::Clip), Req("filename", ParamType::String), Many("expression", ParamType::String),
          Opt("append", ParamType::Bool), Opt("flush", ParamType::Bool)};
}

}  // namespace

std::string WritablePath(const CallArgs& a, const std::string& name) { return AllowedPath(a, name); }

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
  t.Add("ImageWriter",
        {Req("clip", ParamType::Clip), Opt("file", ParamType::String), Opt("start", ParamType::Int),
         Opt("end", ParamType::Int), Opt("type", ParamType::String), Opt("info", ParamType::Bool)},
        ImageWriter);
  t.Add("WriteFileEnd", WriteParams(), [](const CallArgs& a) {
    const std::string path = AllowedPath(a, a.String(1));
    // Opened now, so a file that cannot be written is known at once.
    { LineFile check("WriteFileEnd", path, true); }
    return Value::Clip(std::make_shared<WriteAtEndNode>(a.Clip(0), path, a.Bool(3, false), Compile(a, a.Rest())));
  });
}

}  // namespace tandemix::engine
