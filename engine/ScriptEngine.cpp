#include "engine/ScriptEngine.h"

#include <QFile>
#include <QFileInfo>
#include <memory>
#include <new>
#include <set>
#include <string>

#include "base/TextFile.h"
#include "engine/BuiltIns.h"
#include "engine/filters/SourceClips.h"
#include "engine/frames/FrameBudget.h"
#include "engine/frames/ScriptError.h"
#include "engine/kernels/PixelConvert.h"
#include "engine/language/Evaluator.h"
#include "engine/language/Parser.h"

namespace tandemix::engine {
namespace {

// What a script returned instead of a clip, in AviSynth's words.
std::string NotAClipMessage(const Value& v) {
  switch (v.GetType()) {
    case Value::Type::Void:
      return "the undefined value";
    case Value::Type::Bool:
      return std::string("a bool, ") + (v.AsBool() ? "true" : "false");
    case Value::Type::Int:
      return "an int, " + std::to_string(v.AsInt());
    case Value::Type::Float:
      return "a float, " + std::to_string(v.AsFloat());
    case Value::Type::String: {
      const std::string& s = v.AsString();
      return "a string, \"" + (s.size() > 60 ? s.substr(0, 60) + "..." : s) + "\"";
    }
    case Value::Type::Array:
      return "an array";
    case Value::Type::Function:
      return "a function";
    case Value::Type::Clip:
      break;
  }
  return "a clip";
}

// The filters whose work follows the order frames are asked in: they
// write lines to files as frames are made, or run scripts per frame that
// may. A script calling any of them is served one frame at a time.
bool CallsFiltersInOrder(const std::set<std::string>& called) {
  static const char* const kInOrder[] = {"WriteFile",         "WriteFileIf",   "WriteFileStart",    "WriteFileEnd",
                                         "ScriptClip",        "FrameEvaluate", "ConditionalFilter", "ConditionalSelect",
                                         "ConditionalReader", "Compare"};
  for (const char* name : kInOrder)
    if (called.count(name) != 0) return true;
  return false;
}

// The script's clip, marked to have its frames asked for in order.
class InOrderClip : public Clip {
 public:
  explicit InOrderClip(ClipPtr child) : Clip(child->Info()), child_(std::move(child)) { PassAudioFrom(child_); }
  FramePtr GetFrame(int n) override { return child_->GetFrame(n); }
  void GetFrameInto(int n, VideoFrame& out, int x, int y) override { child_->GetFrameInto(n, out, x, y); }
  bool FramesInOrder() const override { return true; }

 private:
  ClipPtr child_;
};

bool IsScript(const std::string& path) {
  return QFileInfo(QString::fromStdString(path)).suffix().compare("avs", Qt::CaseInsensitive) == 0;
}

}  // namespace

ClipPtr EvaluateScript(std::string_view text, const std::string& scriptName, const std::string& folder) {
  const Script script = ParseScript(text, scriptName);
  // The script's nodes share one frame memory budget.
  BudgetScope budget(std::make_shared<FrameBudget>(FrameBudget::DefaultLimit()));
  Evaluator evaluator(BuiltInFunctions(), scriptName, folder);
  const Value result = evaluator.Run(script);
  if (!result.IsClip())
    throw ScriptError("The script's return value was not a video clip, (Is " + NotAClipMessage(result) + ").\n(" +
                      scriptName + ")");
  if (CallsFiltersInOrder(evaluator.BuiltInsCalled())) return std::make_shared<InOrderClip>(result.AsClip());
  return result.AsClip();
}

ClipPtr OpenScript(const std::string& path) {
  const std::string text = ReadTextFile(path);
  const std::string folder = QFileInfo(QString::fromStdString(path)).absolutePath().toStdString();
  return EvaluateScript(text, path, folder);
}

ClipPtr OpenVideo(const std::string& path) {
  if (IsScript(path)) return OpenScript(path);
  return OpenMediaClip(path);
}

FramePtr FrameOf(Clip& clip, int n, const std::string& path) {
  const int count = clip.Info().frameCount;
  if (n < 0 || n >= count)
    throw TandemixError("Frame " + std::to_string(n) + " is out of range: " + path + " has " + std::to_string(count) +
                        (count == 1 ? " frame" : " frames"));
  try {
    return clip.GetFrame(n);
  } catch (const std::bad_alloc&) {
    throw TandemixError("Out of memory decoding frame " + std::to_string(n) + " of " + path);
  }
}

FramePtr FrameBGROf(Clip& clip, int n, const std::string& path) {
  FramePtr frame = FrameOf(clip, n, path);
  try {
    return ToRGB24(frame);
  } catch (const std::bad_alloc&) {
    throw TandemixError("Out of memory decoding frame " + std::to_string(n) + " of " + path);
  }
}

}  // namespace tandemix::engine
