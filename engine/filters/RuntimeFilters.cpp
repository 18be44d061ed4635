// Filters that run a script per frame (ScriptClip, FrameEvaluate,
// ConditionalFilter, ConditionalSelect) and the functions such scripts read
// frames with (AverageLuma, YPlaneMax, LumaDifference, ...).
//
// The script is parsed once; each frame runs it with variables of its own:
// the script's variables as they were left, `last` (the clip) and the global
// `current_frame`. The globals a run sets go down with the frames the filter
// then asks for (FrameVariables), so runtime filters further down see them.
// An error in a frame's run is written over that frame, as AviSynth shows it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/filters/FilterFamilies.h"
#include "engine/filters/FrameMessage.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

ScriptEnvironment& Env(const CallArgs& a) {
  if (!a.Environment()) throw FilterError(a.Function() + ": needs a running script");
  return *a.Environment();
}

// A script that does not parse: each run gives the parser's error, so it
// shows on the frames, as the runtime filters show any error of a run.
class BrokenScript : public RuntimeScript {
 public:
  explicit BrokenScript(std::string message) : message_(std::move(message)) {}
  RuntimeResult Run(const Variables&, const Variables&) const override { throw FilterError(message_); }

 private:
  std::string message_;
};

std::shared_ptr<const RuntimeScript> CompileFor(const CallArgs& a, const std::string& text, const std::string& name) {
  ScriptEnvironment& env = Env(a);
  try {
    return env.Compile(text, name);
  } catch (const ScriptError& error) {
    return std::make_shared<BrokenScript>(error.what());
  }
}

RuntimeResult RunAt(const RuntimeScript& script, const ClipPtr& last, int n) {
  return script.Run({{"last", Value::Clip(last)}}, {{"current_frame", Value::Int(n)}});
}

FramePtr FrameAt(Clip& clip, int n) { return clip.GetFrame(std::clamp(n, 0, std::max(0, clip.Info().frameCount - 1))); }

// "an int", "the undefined value", ... as ScriptClip's message names a value.
std::string ValueKind(const Value& v) {
  switch (v.GetType()) {
    case Value::Type::Void:
      return "the undefined value";
    case Value::Type::Int:
      return "an int";
    case Value::Type::Array:
      return "an array";
    default:
      return std::string("a ") + TypeName(v.GetType());
  }
}

// ScriptClip: the clip the script returns gives the frame. FrameEvaluate:
// the script runs for its effects, the frame is the child's.
class ScriptClipNode : public Clip {
 public:
  ScriptClipNode(ClipPtr child, std::shared_ptr<const RuntimeScript> script, std::string text, bool evaluateOnly,
                 bool afterFrame, bool show)
      : Clip(child->Info()),
        child_(std::move(child)),
        script_(std::move(script)),
        text_(std::move(text)),
        evaluateOnly_(evaluateOnly),
        afterFrame_(afterFrame),
        show_(show) {
    PassAudioFrom(child_);
  }

  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    FramePtr frame;
    try {
      frame = evaluateOnly_ ? Evaluate(n) : Script(n);
    } catch (const TandemixError& error) {
      return WithMessage(child_->GetFrame(n), error.what());
    }
    return show_ ? WithMessage(frame, text_) : frame;
  }

 private:
  FramePtr Evaluate(int n) {
    if (afterFrame_) {
      FramePtr frame = child_->GetFrame(n);
      RunAt(*script_, child_, n);
      return frame;
    }
    const RuntimeResult r = RunAt(*script_, child_, n);
    const FrameVariables passed(r.globals);
    return child_->GetFrame(n);
  }

  FramePtr Script(int n) {
    const RuntimeResult r = RunAt(*script_, child_, n);
    const Value& v = r.value;
    if (!v.IsClip()) throw FilterError("ScriptClip: Function did not return a video clip! (Was " + ValueKind(v) + ")");
    const ClipInfo& got = v.AsClip()->Info();
    if (got.pixelType != info_.pixelType || !got.hasVideo)
      throw FilterError("ScriptClip: Function did not return a video clip of the same colorspace as the source clip!");
    if (got.width != info_.width)
      throw FilterError("ScriptClip: Function did not return a video clip with the same width as the source clip!");
    if (got.height != info_.height)
      throw FilterError("ScriptClip: Function did not return a video clip with the same height as the source clip!");
    const FrameVariables passed(r.globals);
    return FrameAt(*v.AsClip(), n);
  }

  ClipPtr child_;
  std::shared_ptr<const RuntimeScript> script_;
  std::string text_;
  bool evaluateOnly_;
  bool afterFrame_;
  bool show_;
};

// A value as ConditionalFilter's `show` prints it.
std::string Shown(const Value& v, bool asFloat) {
  char text[64];
  if (asFloat && v.IsNumber()) {
    std::snprintf(text, sizeof text, "%7.4f", v.AsFloat());
    return text;
  }
  if (v.IsInt()) return std::to_string(v.AsInt());
  if (v.IsBool()) return v.AsBool() ? "1" : "0";
  if (v.IsString()) return v.AsString();
  return "";
}

enum class Compare { Equal, Greater, Less };

// Frame n of source1 when `first op second` holds for the test clip's
// frame n, else of source2.
class ConditionalNode : public Clip {
 public:
  ConditionalNode(ClipPtr test, ClipPtr source1, ClipPtr source2, std::shared_ptr<const RuntimeScript> first,
                  Compare op, std::shared_ptr<const RuntimeScript> second, bool show)
      : Clip(source1->Info()),
        test_(std::move(test)),
        source1_(std::move(source1)),
        source2_(std::move(source2)),
        first_(std::move(first)),
        op_(op),
        second_(std::move(second)),
        show_(show) {
    info_.frameCount = std::max(source1_->Info().frameCount, source2_->Info().frameCount);
    PassAudioFrom(source1_);
  }

  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    bool holds = false;
    std::string shown;
    Variables passed;
    try {
      const RuntimeResult a = RunAt(*first_, test_, n);
      const RuntimeResult b = RunAt(*second_, test_, n);
      holds = Holds(a.value, b.value);
      passed = a.globals;
      passed.insert(passed.end(), b.globals.begin(), b.globals.end());
      if (show_) {
        // Numbers compared as floats show as floats.
        const bool asFloat = a.value.IsFloat() || b.value.IsFloat();
        shown = "Left side Conditional Result:" + Shown(a.value, asFloat) +
                "\nRight side Conditional Result:" + Shown(b.value, asFloat) +
                "\nEvaluate result: " + (holds ? "TRUE" : "FALSE");
      }
    } catch (const TandemixError& error) {
      return WithMessage(FrameAt(*source1_, n), error.what());
    }
    const FrameVariables scope(passed);
    FramePtr frame = FrameAt(holds ? *source1_ : *source2_, n);
    return show_ ? WithMessage(frame, shown) : frame;
  }

 private:
  bool Holds(const Value& a, const Value& b) const {
    const auto numeric = [](const Value& v) { return v.IsNumber() || v.IsBool(); };
    int order = 0;
    if (numeric(a)) {
      if (!numeric(b))
        throw FilterError(
            "Conditional filter: Second expression did not return a float, integer or bool, as in first expression.");
      const auto asInt = [](const Value& v) { return v.IsBool() ? (v.AsBool() ? 1 : 0) : v.AsInt(); };
      if (a.IsFloat() || b.IsFloat()) {
        const double x = a.IsBool() ? asInt(a) : a.AsFloat();
        const double y = b.IsBool() ? asInt(b) : b.AsFloat();
        order = x < y ? -1 : x > y ? 1 : 0;
      } else {
        order = asInt(a) < asInt(b) ? -1 : asInt(a) > asInt(b) ? 1 : 0;
      }
    } else if (a.IsString()) {
      if (!b.IsString())
        throw FilterError(
            "Conditional filter: Second expression did not return a string, as in first string expression.");
      const int c = a.AsString().compare(b.AsString());
      order = c < 0 ? -1 : c > 0 ? 1 : 0;
    } else {
      throw FilterError("ConditionalFilter: First expression did not return an integer, bool or float!");
    }
    switch (op_) {
      case Compare::Equal:
        return order == 0;
      case Compare::Greater:
        return order > 0;
      case Compare::Less:
        return order < 0;
    }
    return false;
  }

  ClipPtr test_, source1_, source2_;
  std::shared_ptr<const RuntimeScript> first_;
  Compare op_;
  std::shared_ptr<const RuntimeScript> second_;
  bool show_;
};

// Frame n of the source the expression's integer picks; of the test clip
// when it picks none.
class SelectNode : public Clip {
 public:
  SelectNode(ClipPtr test, std::vector<ClipPtr> sources, std::shared_ptr<const RuntimeScript> script, bool show)
      : Clip(test->Info()),
        test_(std::move(test)),
        sources_(std::move(sources)),
        script_(std::move(script)),
        show_(show) {
    for (const ClipPtr& s : sources_) info_.frameCount = std::max(info_.frameCount, s->Info().frameCount);
    PassAudioFrom(test_);
  }

  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    RuntimeResult r;
    try {
      r = RunAt(*script_, test_, n);
      if (!r.value.IsInt()) throw FilterError("Conditional Select: Expression must return an integer!");
    } catch (const TandemixError& error) {
      return WithMessage(test_->GetFrame(n), error.what());
    }
    const std::int64_t i = r.value.AsInt();
    const FrameVariables scope(r.globals);
    const bool picked = i >= 0 && i < static_cast<std::int64_t>(sources_.size());
    FramePtr frame = picked ? FrameAt(*sources_[static_cast<std::size_t>(i)], n) : test_->GetFrame(n);
    return show_ ? WithMessage(frame, "Expression Result:" + std::to_string(i)) : frame;
  }

 private:
  ClipPtr test_;
  std::vector<ClipPtr> sources_;
  std::shared_ptr<const RuntimeScript> script_;
  bool show_;
};

Compare ParseOperator(const std::string& op) {
  const std::string o = LowerCase(op);
  if (o == "=" || o == "==" || o == "equals") return Compare::Equal;
  if (o == ">" || o == "greaterthan") return Compare::Greater;
  if (o == "<" || o == "lessthan") return Compare::Less;
  throw FilterError("ConditionalFilter: Evaluator could not be recognized!");
}

void CheckSameFormat(const std::string& filter, const ClipPtr& a, const ClipPtr& b) {
  const ClipInfo& x = a->Info();
  const ClipInfo& y = b->Info();
  if (x.width != y.width) throw FilterError(filter + ": The two sources must have the same width!");
  if (x.height != y.height) throw FilterError(filter + ": The two sources must have the same height!");
  if (x.pixelType != y.pixelType) throw FilterError(filter + ": The two sources must be the same colorspace!");
}

// ---- The functions runtime scripts read frames with ----

// One channel of a frame: `width` samples a row, `step` bytes apart,
// starting `offset` bytes into each row of plane `plane`.
struct Channel {
  int plane = 0, offset = 0, step = 1, width = 0, height = 0;
};

enum class Ch { Y, U, V, R, G, B, A };

bool IsChroma(Ch c) { return c == Ch::U || c == Ch::V; }
bool IsRgbChannel(Ch c) { return c == Ch::R || c == Ch::G || c == Ch::B || c == Ch::A; }

// Where a channel lies in a frame of type t (packed RGB is B, G, R, A).
Channel ChannelOf(PixelType t, int width, int height, Ch c) {
  Channel ch;
  ch.width = width;
  ch.height = height;
  switch (t) {
    case PixelType::RGB24:
    case PixelType::RGB32:
      ch.step = BytesPerPixel(t);
      ch.offset = c == Ch::B ? 0 : c == Ch::G ? 1 : c == Ch::R ? 2 : 3;
      return ch;
    case PixelType::YUY2:
      ch.step = c == Ch::Y ? 2 : 4;
      ch.offset = c == Ch::Y ? 0 : c == Ch::U ? 1 : 3;
      if (c != Ch::Y) ch.width = width / 2;
      return ch;
    default:
      ch.plane = c == Ch::Y ? 0 : c == Ch::U ? 1 : 2;
      if (c != Ch::Y) {
        ch.width = width >> ChromaShiftX(t);
        ch.height = height >> ChromaShiftY(t);
      }
      return ch;
  }
}

template <typename F>
void ForEachSample(const VideoFrame& f, const Channel& ch, F&& f2) {
  for (int y = 0; y < ch.height; ++y) {
    const std::uint8_t* row = f.Row(ch.plane, y) + ch.offset;
    for (int x = 0; x < ch.width; ++x) f2(row[static_cast<std::size_t>(x) * ch.step]);
  }
}

// The frame a runtime function reads: current_frame + offset, kept inside
// the clip.
FramePtr RuntimeFrame(const CallArgs& a, const std::string& family, const ClipPtr& clip, int offset) {
  const Value* current = a.Environment() ? a.Environment()->FindVariable("current_frame") : nullptr;
  if (!current || !current->IsInt())
    throw FilterError(family + ": This filter can only be used within run-time filters");
  const std::int64_t n = current->AsInt() + offset;
  return clip->GetFrame(static_cast<int>(std::clamp<std::int64_t>(n, 0, clip->Info().frameCount - 1)));
}

// Average Plane: AverageLuma, AverageChromaU/V, AverageR/G/B/A.
void CheckAverage(PixelType t, Ch c) {
  if (IsRGBType(t)) {
    if (!IsRgbChannel(c)) throw FilterError("Average Plane: not a valid plane for an RGB clip!");
    if (c == Ch::A && t != PixelType::RGB32) throw FilterError("Average Plane: clip has no Alpha plane!");
    return;
  }
  if (IsRgbChannel(c)) throw FilterError("Average Plane: not a valid plane for a YUV clip!");
  if (IsChroma(c) && t == PixelType::Y8) throw FilterError("Average Plane: not a valid plane for an greyscale clip!");
}

double Average(const VideoFrame& f, Ch c) {
  const Channel ch = ChannelOf(f.type, f.width, f.height, c);
  std::uint64_t sum = 0;
  ForEachSample(f, ch, [&](std::uint8_t v) { sum += v; });
  const double count = static_cast<double>(ch.width) * ch.height;
  // AviSynth's runtime functions give single-precision floats.
  return count > 0 ? static_cast<float>(static_cast<double>(sum) / count) : 0.0;
}

// Plane Difference: the mean absolute difference of a channel (of all
// three for RGB) between two frames.
void CheckDifference(PixelType t, Ch c, bool sameClip) {
  if (c == Ch::A) throw FilterError("Plane Difference: plane does not exist!");
  if (!IsPlanarType(t))
    throw FilterError(sameClip ? "Plane Difference: Only planar YUV or planar RGB images images supported!"
                               : "Plane Difference: Only planar YUV or planar RGB images supported!");
  if (IsRgbChannel(c))
    throw FilterError(sameClip ? "Plane Difference: Only planar YUV or planar RGB images images supported!"
                               : "Plane Difference: Only planar YUV or planar RGB images supported!");
  if (IsChroma(c) && t == PixelType::Y8)
    throw FilterError(sameClip ? "Plane Difference: No chroma planes in greyscale clip!"
                               : "Plane Difference: plane does not exist!");
}

double Difference(const VideoFrame& f, const VideoFrame& g, Ch c) {
  const Channel cf = ChannelOf(f.type, f.width, f.height, c);
  const Channel cg = ChannelOf(g.type, g.width, g.height, c);
  if (cf.width * cf.step != cg.width * cg.step || cf.height != cg.height)
    throw FilterError("Plane Difference: Images are not the same size!");
  std::uint64_t sum = 0;
  for (int y = 0; y < cf.height; ++y) {
    const std::uint8_t* r = f.Row(cf.plane, y) + cf.offset;
    const std::uint8_t* s = g.Row(cg.plane, y) + cg.offset;
    for (int x = 0; x < cf.width; ++x) {
      const std::size_t i = static_cast<std::size_t>(x) * cf.step;
      sum += static_cast<unsigned>(std::abs(r[i] - s[i]));
    }
  }
  const double count = static_cast<double>(cf.width) * cf.height;
  return count > 0 ? static_cast<float>(static_cast<double>(sum) / count) : 0.0;
}

// RGB Difference over B, G and R of packed RGB frames.
double RgbDifference(const VideoFrame& f, const VideoFrame& g) {
  if (f.width != g.width || f.height != g.height || f.type != g.type)
    throw FilterError("Plane Difference: Images are not the same size!");
  const int bpp = BytesPerPixel(f.type);
  std::uint64_t sum = 0;
  for (int y = 0; y < f.height; ++y) {
    const std::uint8_t* r = f.Row(y);
    const std::uint8_t* s = g.Row(y);
    for (int x = 0; x < f.width; ++x)
      for (int k = 0; k < 3; ++k) {
        const std::size_t i = static_cast<std::size_t>(x) * bpp + k;
        sum += static_cast<unsigned>(std::abs(r[i] - s[i]));
      }
  }
  const double count = 3.0 * f.width * f.height;
  return count > 0 ? static_cast<float>(static_cast<double>(sum) / count) : 0.0;
}

enum class Stat { Min, Max, Median, MinMaxDifference };

// MinMax: YPlaneMin and the like on one channel.
void CheckMinMax(PixelType t, Ch c) {
  if (IsRGBType(t)) {
    if (!IsRgbChannel(c) || c == Ch::A) throw FilterError("MinMax: no such plane in RGB format");
    return;
  }
  if (IsRgbChannel(c)) throw FilterError("MinMax: no such plane in YUV format");
  if (IsChroma(c) && t == PixelType::Y8) throw FilterError("MinMax: no such plane in Y (greyscale) format");
}

// The lowest (highest) value once `threshold` percent of the samples below
// (above) it are left out; the median leaves out half.
int ChannelStat(const VideoFrame& f, Ch c, double threshold, Stat stat) {
  const Channel ch = ChannelOf(f.type, f.width, f.height, c);
  std::uint64_t histogram[256] = {};
  ForEachSample(f, ch, [&](std::uint8_t v) { ++histogram[v]; });
  const double pixels = static_cast<double>(ch.width) * ch.height;
  if (!std::isfinite(threshold)) threshold = 0;
  const auto limit = static_cast<std::uint64_t>(pixels * std::clamp(threshold, 0.0, 100.0) / 100.0);
  // The first value past `skip` samples from below; `none` when there is none.
  const auto low = [&](std::uint64_t skip, int none) {
    std::uint64_t count = 0;
    for (int v = 0; v < 256; ++v)
      if ((count += histogram[v]) > skip) return v;
    return none;
  };
  const auto high = [&](std::uint64_t skip, int none) {
    std::uint64_t count = 0;
    for (int v = 255; v >= 0; --v)
      if ((count += histogram[v]) > skip) return v;
    return none;
  };
  switch (stat) {
    case Stat::Min:
      return low(limit, 255);
    case Stat::Max:
      return high(limit, 0);
    case Stat::Median:
      return low(static_cast<std::uint64_t>(pixels / 2), 255);
    case Stat::MinMaxDifference:
      return high(limit, 255) - low(limit, 0);
  }
  return 0;
}

void AddRuntimeFunctions(FunctionTable& t) {
  struct Named {
    Ch ch;
    const char* letter;   // in YPlaneMax, YDifferenceToNext, ...
    const char* average;  // AverageLuma, ...
    const char* pair;     // LumaDifference, ...
  };
  const Named channels[] = {{Ch::Y, "Y", "AverageLuma", "LumaDifference"},
                            {Ch::U, "U", "AverageChromaU", "ChromaUDifference"},
                            {Ch::V, "V", "AverageChromaV", "ChromaVDifference"},
                            {Ch::R, "R", "AverageR", "RDifference"},
                            {Ch::G, "G", "AverageG", "GDifference"},
                            {Ch::B, "B", "AverageB", "BDifference"},
                            {Ch::A, nullptr, "AverageA", nullptr}};
  for (const Named& n : channels) {
    const Ch c = n.ch;
    t.Add(n.average, {Req("clip", ParamType::Clip), Opt("offset", ParamType::Int)}, [c](const CallArgs& a) {
      CheckAverage(a.Clip(0)->Info().pixelType, c);
      return Value::Float(Average(*RuntimeFrame(a, "Average Plane", a.Clip(0), a.Int(1, 0)), c));
    });
    if (!n.letter) continue;
    t.Add(n.pair, {Req("clip", ParamType::Clip), Req("clip2", ParamType::Clip)}, [c](const CallArgs& a) {
      CheckDifference(a.Clip(0)->Info().pixelType, c, false);
      CheckDifference(a.Clip(1)->Info().pixelType, c, false);
      const FramePtr f = RuntimeFrame(a, "Plane Difference", a.Clip(0), 0);
      const FramePtr g = RuntimeFrame(a, "Plane Difference", a.Clip(1), 0);
      return Value::Float(Difference(*f, *g, c));
    });
    t.Add(std::string(n.letter) + "DifferenceFromPrevious", {Req("clip", ParamType::Clip)}, [c](const CallArgs& a) {
      CheckDifference(a.Clip(0)->Info().pixelType, c, true);
      const FramePtr f = RuntimeFrame(a, "Plane Difference", a.Clip(0), 0);
      const FramePtr g = RuntimeFrame(a, "Plane Difference", a.Clip(0), -1);
      return Value::Float(Difference(*f, *g, c));
    });
    t.Add(std::string(n.letter) + "DifferenceToNext", {Req("clip", ParamType::Clip), Opt("offset", ParamType::Int)},
          [c](const CallArgs& a) {
            CheckDifference(a.Clip(0)->Info().pixelType, c, true);
            const FramePtr f = RuntimeFrame(a, "Plane Difference", a.Clip(0), 0);
            const FramePtr g = RuntimeFrame(a, "Plane Difference", a.Clip(0), a.Int(1, 1));
            return Value::Float(Difference(*f, *g, c));
          });
    const std::pair<const char*, Stat> stats[] = {
        {"PlaneMin", Stat::Min}, {"PlaneMax", Stat::Max}, {"PlaneMinMaxDifference", Stat::MinMaxDifference}};
    for (const auto& [suffix, stat] : stats) {
      t.Add(std::string(n.letter) + suffix,
            {Req("clip", ParamType::Clip), Opt("threshold", ParamType::Float), Opt("offset", ParamType::Int)},
            [c, stat = stat](const CallArgs& a) {
              CheckMinMax(a.Clip(0)->Info().pixelType, c);
              return Value::Int(
                  ChannelStat(*RuntimeFrame(a, "MinMax", a.Clip(0), a.Int(2, 0)), c, a.Float(1, 0.0), stat));
            });
    }
    t.Add(std::string(n.letter) + "PlaneMedian", {Req("clip", ParamType::Clip), Opt("offset", ParamType::Int)},
          [c](const CallArgs& a) {
            CheckMinMax(a.Clip(0)->Info().pixelType, c);
            return Value::Int(ChannelStat(*RuntimeFrame(a, "MinMax", a.Clip(0), a.Int(1, 0)), c, 0.0, Stat::Median));
          });
  }
  // RGBDifference and its one-clip forms work on packed RGB.
  const auto needRgb = [](const ClipPtr& clip, const char* which) {
    if (!IsRGBType(clip->Info().pixelType))
      throw FilterError(std::string("RGB Difference: RGB difference can only be tested on RGB images! (clip ") + which +
                        ")");
  };
  t.Add("RGBDifference", {Req("clip", ParamType::Clip), Req("clip2", ParamType::Clip)}, [needRgb](const CallArgs& a) {
    needRgb(a.Clip(0), "1");
    needRgb(a.Clip(1), "2");
    const FramePtr f = RuntimeFrame(a, "Plane Difference", a.Clip(0), 0);
    const FramePtr g = RuntimeFrame(a, "Plane Difference", a.Clip(1), 0);
    return Value::Float(RgbDifference(*f, *g));
  });
  const auto packedOnly = [](const ClipPtr& clip) {
    if (!IsRGBType(clip->Info().pixelType))
      throw FilterError("RGB Difference: RGB difference can only be calculated on packed RGB images");
  };
  t.Add("RGBDifferenceFromPrevious", {Req("clip", ParamType::Clip)}, [packedOnly](const CallArgs& a) {
    packedOnly(a.Clip(0));
    const FramePtr f = RuntimeFrame(a, "Plane Difference", a.Clip(0), 0);
    const FramePtr g = RuntimeFrame(a, "Plane Difference", a.Clip(0), -1);
    return Value::Float(RgbDifference(*f, *g));
  });
  t.Add("RGBDifferenceToNext", {Req("clip", ParamType::Clip), Opt("offset", ParamType::Int)},
        [packedOnly](const CallArgs& a) {
          packedOnly(a.Clip(0));
          const FramePtr f = RuntimeFrame(a, "Plane Difference", a.Clip(0), 0);
          const FramePtr g = RuntimeFrame(a, "Plane Difference", a.Clip(0), a.Int(1, 1));
          return Value::Float(RgbDifference(*f, *g));
        });
}

std::vector<Param> ScriptParams() {
  return {Req("clip", ParamType::Clip), Req("filter", ParamType::String), Opt("show", ParamType::Bool),
          Opt("after_frame", ParamType::Bool), Opt("local", ParamType::Bool)};
}

}  // namespace

void RegisterRuntimeFunctions(FunctionTable& t) {
  // `local` is taken and has no effect: every run's variables are its own.
  t.Add("ScriptClip", ScriptParams(), [](const CallArgs& a) {
    const std::string text = a.String(1);
    return Value::Clip(std::make_shared<ScriptClipNode>(a.Clip(0), CompileFor(a, text, "[ScriptClip]"), text, false,
                                                        false, a.Bool(2, false)));
  });
  t.Add("FrameEvaluate", ScriptParams(), [](const CallArgs& a) {
    const std::string text = a.String(1);
    return Value::Clip(std::make_shared<ScriptClipNode>(a.Clip(0), CompileFor(a, text, "[ScriptClip]"), text, true,
                                                        a.Bool(3, false), a.Bool(2, false)));
  });
  t.Add("ConditionalFilter",
        {Req("testclip", ParamType::Clip), Req("source1", ParamType::Clip), Req("source2", ParamType::Clip),
         Req("expression1", ParamType::String), Req("operator", ParamType::String),
         Req("expression2", ParamType::String), Opt("show", ParamType::Bool), Opt("local", ParamType::Bool)},
        [](const CallArgs& a) {
          const Compare op = ParseOperator(a.String(4));
          CheckSameFormat("ConditionalFilter", a.Clip(1), a.Clip(2));
          return Value::Clip(std::make_shared<ConditionalNode>(
              a.Clip(0), a.Clip(1), a.Clip(2), CompileFor(a, a.String(3), "[Conditional Filter, Expresion 1]"), op,
              CompileFor(a, a.String(5), "[Conditional Filter, Expression 2]"), a.Bool(6, false)));
        });
  t.Add("ConditionalFilter",
        {Req("testclip", ParamType::Clip), Req("source1", ParamType::Clip), Req("source2", ParamType::Clip),
         Req("expression", ParamType::String), Opt("show", ParamType::Bool), Opt("local", ParamType::Bool)},
        [](const CallArgs& a) {
          CheckSameFormat("ConditionalFilter", a.Clip(1), a.Clip(2));
          return Value::Clip(std::make_shared<ConditionalNode>(
              a.Clip(0), a.Clip(1), a.Clip(2), CompileFor(a, a.String(3), "[Conditional Filter, Expresion 1]"),
              Compare::Equal, CompileFor(a, "true", "[Conditional Filter, Expression 2]"), a.Bool(4, false)));
        });
  t.Add("ConditionalSelect",
        {Req("testclip", ParamType::Clip), Req("expression", ParamType::String), Many("source", ParamType::Clip),
         Opt("show", ParamType::Bool), Opt("local", ParamType::Bool)},
        [](const CallArgs& a) {
          std::vector<ClipPtr> sources;
          const ClipInfo& test = a.Clip(0)->Info();
          for (const Value& v : a.Rest()) {
            const ClipInfo& s = v.AsClip()->Info();
            if (s.width != test.width)
              throw FilterError("ConditionalSelect: The sources must all have the same width!");
            if (s.height != test.height)
              throw FilterError("ConditionalSelect: The sources must all have the same height!");
            if (s.pixelType != test.pixelType)
              throw FilterError("ConditionalSelect: The sources must all be the same colorspace!");
            sources.push_back(v.AsClip());
          }
          return Value::Clip(std::make_shared<SelectNode>(
              a.Clip(0), std::move(sources), CompileFor(a, a.String(1), "[Conditional Select, Expression]"),
              a.Bool(3, false)));
        });
  AddRuntimeFunctions(t);
}

}  // namespace tandemix::engine
