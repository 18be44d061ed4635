// Filters that run a script per frame (ScriptClip, FrameEvaluate,
// ConditionalFilter) and the functions such scripts read frames with
// (AverageLuma, YPlaneMax, LumaDifference, ...). The script is parsed
// once; each frame runs it with variables of its own: the script's
// variables as they were left, `last` (the clip) and `current_frame`. An
// error in a frame's run is that frame's error.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/filters/FilterFamilies.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

ScriptEnvironment& Env(const CallArgs& a) {
  if (!a.Environment()) throw FilterError(a.Function() + ": needs a running script");
  return *a.Environment();
}

std::shared_ptr<const RuntimeScript> CompileFor(const CallArgs& a, const std::string& text) {
  ScriptEnvironment& env = Env(a);
  return env.Compile(text, env.ScriptPath());
}

Value RunFor(const RuntimeScript& script, const ClipPtr& clip, int n) {
  return script.Run({{"last", Value::Clip(clip)}, {"current_frame", Value::Int(n)}});
}

class ScriptClipNode : public Clip {
 public:
  ScriptClipNode(ClipPtr child, std::shared_ptr<const RuntimeScript> script, bool evaluateOnly, bool afterFrame)
      : Clip(child->Info()),
        child_(std::move(child)),
        script_(std::move(script)),
        evaluateOnly_(evaluateOnly),
        afterFrame_(afterFrame) {
    PassAudioFrom(child_);
  }

  FramePtr GetFrame(int n) override {
    const char* name = evaluateOnly_ ? "FrameEvaluate" : "ScriptClip";
    if (evaluateOnly_) {
      FramePtr frame;
      if (afterFrame_) frame = child_->GetFrame(n);
      RunFor(*script_, child_, n);
      return afterFrame_ ? frame : child_->GetFrame(n);
    }
    const Value v = RunFor(*script_, child_, n);
    if (!v.IsClip()) throw FilterError(std::string(name) + ": Function did not return a video clip!");
    const ClipInfo& got = v.AsClip()->Info();
    if (got.width != info_.width || got.height != info_.height || got.pixelType != info_.pixelType)
      throw FilterError(std::string(name) +
                        ": Function did not return a video clip of the same colorspace and size as the source clip!");
    return v.AsClip()->GetFrame(n);
  }

 private:
  ClipPtr child_;
  std::shared_ptr<const RuntimeScript> script_;
  bool evaluateOnly_;
  bool afterFrame_;
};

// Frame n of source1 when `first op second` holds for the test clip's
// frame n, else of source2.
class ConditionalNode : public Clip {
 public:
  ConditionalNode(ClipPtr test, ClipPtr source1, ClipPtr source2, std::shared_ptr<const RuntimeScript> first,
                  std::string op, std::shared_ptr<const RuntimeScript> second)
      : Clip(source1->Info()),
        test_(std::move(test)),
        source1_(std::move(source1)),
        source2_(std::move(source2)),
        first_(std::move(first)),
        op_(std::move(op)),
        second_(std::move(second)) {
    info_.frameCount = std::max(source1_->Info().frameCount, source2_->Info().frameCount);
    PassAudioFrom(source1_);
  }

  FramePtr GetFrame(int n) override { return (Holds(n) ? source1_ : source2_)->GetFrame(n); }

 private:
  bool Holds(int n) const {
    const Value a = RunFor(*first_, test_, n);
    const Value b = RunFor(*second_, test_, n);
    if (a.IsBool() && b.IsBool()) {
      if (op_ == "=" || op_ == "==") return a.AsBool() == b.AsBool();
      if (op_ == "!=" || op_ == "<>") return a.AsBool() != b.AsBool();
      throw FilterError("ConditionalFilter: bools can only be compared with = and !=");
    }
    if (!a.IsNumber() || !b.IsNumber())
      throw FilterError("ConditionalFilter: The two expressions must return the same type (int, float or bool)");
    const double x = a.AsFloat();
    const double y = b.AsFloat();
    if (op_ == "=" || op_ == "==") return x == y;
    if (op_ == "!=" || op_ == "<>") return x != y;
    if (op_ == "<") return x < y;
    if (op_ == ">") return x > y;
    if (op_ == "<=") return x <= y;
    return x >= y;
  }

  ClipPtr test_, source1_, source2_;
  std::shared_ptr<const RuntimeScript> first_;
  std::string op_;
  std::shared_ptr<const RuntimeScript> second_;
};

// The frame a runtime function reads: current_frame + offset.
FramePtr RuntimeFrame(const CallArgs& a, const ClipPtr& clip, int offset) {
  const Value* current = Env(a).FindVariable("current_frame");
  if (!current || !current->IsInt())
    throw FilterError(a.Function() + ": This filter can only be used within run-time filters");
  const std::int64_t n = current->AsInt() + offset;
  return clip->GetFrame(static_cast<int>(std::clamp<std::int64_t>(n, 0, clip->Info().frameCount - 1)));
}

// The plane a function reads: Y (0), U (1) or V (2) of a planar YUV clip.
void CheckPlanar(const CallArgs& a, const ClipPtr& clip, int plane) {
  const PixelType t = clip->Info().pixelType;
  if (!IsPlanarType(t) || IsRGBType(t) || (plane > 0 && t == PixelType::Y8))
    throw FilterError(a.Function() + ": Image must be planar YUV");
}

double PlaneAverage(const VideoFrame& f, int plane) {
  const int w = f.PlaneWidth(plane);
  const int h = f.PlaneHeight(plane);
  std::uint64_t sum = 0;
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* row = f.Row(plane, y);
    for (int x = 0; x < w; ++x) sum += row[x];
  }
  return w * h > 0 ? static_cast<double>(sum) / (static_cast<double>(w) * h) : 0.0;
}

double PlaneDifference(const VideoFrame& f, const VideoFrame& g, int plane) {
  const int w = f.PlaneWidth(plane);
  const int h = f.PlaneHeight(plane);
  std::uint64_t sum = 0;
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* r = f.Row(plane, y);
    const std::uint8_t* s = g.Row(plane, y);
    for (int x = 0; x < w; ++x) sum += static_cast<unsigned>(std::abs(r[x] - s[x]));
  }
  return w * h > 0 ? static_cast<double>(sum) / (static_cast<double>(w) * h) : 0.0;
}

enum class Stat { Min, Max, Median, MinMaxDifference };

// The lowest (highest) value once `threshold` percent of the pixels below
// (above) it are left out.
int PlaneStat(const VideoFrame& f, int plane, double threshold, Stat stat) {
  const int w = f.PlaneWidth(plane);
  const int h = f.PlaneHeight(plane);
  std::uint64_t histogram[256] = {};
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* row = f.Row(plane, y);
    for (int x = 0; x < w; ++x) ++histogram[row[x]];
  }
  const auto limit = static_cast<std::uint64_t>(static_cast<double>(w) * h * std::clamp(threshold, 0.0, 100.0) / 100.0);
  const auto low = [&](std::uint64_t skip) {
    std::uint64_t count = 0;
    for (int v = 0; v < 256; ++v)
      if ((count += histogram[v]) > skip) return v;
    return 255;
  };
  const auto high = [&](std::uint64_t skip) {
    std::uint64_t count = 0;
    for (int v = 255; v >= 0; --v)
      if ((count += histogram[v]) > skip) return v;
    return 0;
  };
  switch (stat) {
    case Stat::Min:
      return low(limit);
    case Stat::Max:
      return high(limit);
    case Stat::Median:
      return low(static_cast<std::uint64_t>(w) * h / 2);
    case Stat::MinMaxDifference:
      return high(limit) - low(limit);
  }
  return 0;
}

void AddRuntimeFunctions(FunctionTable& t) {
  const char* const planes[] = {"Y", "U", "V"};
  for (int p = 0; p < 3; ++p) {
    const std::string average = p == 0 ? "AverageLuma" : std::string("AverageChroma") + planes[p];
    t.Add(average, {Req("clip", ParamType::Clip), Opt("offset", ParamType::Int)}, [p](const CallArgs& a) {
      CheckPlanar(a, a.Clip(0), p);
      return Value::Float(PlaneAverage(*RuntimeFrame(a, a.Clip(0), a.Int(1, 0)), p));
    });
    const std::string difference = p == 0 ? "LumaDifference" : std::string("Chroma") + planes[p] + "Difference";
    t.Add(difference, {Req("clip", ParamType::Clip), Req("clip2", ParamType::Clip)}, [p](const CallArgs& a) {
      CheckPlanar(a, a.Clip(0), p);
      CheckPlanar(a, a.Clip(1), p);
      const FramePtr f = RuntimeFrame(a, a.Clip(0), 0);
      const FramePtr g = RuntimeFrame(a, a.Clip(1), 0);
      if (f->width != g->width || f->height != g->height || f->type != g->type)
        throw FilterError(a.Function() + ": the clips differ in size or format");
      return Value::Float(PlaneDifference(*f, *g, p));
    });
    for (const bool next : {false, true}) {
      const std::string name = std::string(planes[p]) + (next ? "DifferenceToNext" : "DifferenceFromPrevious");
      t.Add(name, {Req("clip", ParamType::Clip), Opt("offset", ParamType::Int)}, [p, next](const CallArgs& a) {
        CheckPlanar(a, a.Clip(0), p);
        const int offset = a.Int(1, 0);
        const FramePtr f = RuntimeFrame(a, a.Clip(0), offset);
        const FramePtr g = RuntimeFrame(a, a.Clip(0), offset + (next ? 1 : -1));
        return Value::Float(PlaneDifference(*f, *g, p));
      });
    }
    const std::pair<const char*, Stat> stats[] = {{"PlaneMin", Stat::Min},
                                                  {"PlaneMax", Stat::Max},
                                                  {"PlaneMedian", Stat::Median},
                                                  {"PlaneMinMaxDifference", Stat::MinMaxDifference}};
    for (const auto& [suffix, stat] : stats) {
      t.Add(std::string(planes[p]) + suffix,
            {Req("clip", ParamType::Clip), Opt("threshold", ParamType::Float), Opt("offset", ParamType::Int)},
            [p, stat = stat](const CallArgs& a) {
              CheckPlanar(a, a.Clip(0), p);
              return Value::Int(PlaneStat(*RuntimeFrame(a, a.Clip(0), a.Int(2, 0)), p, a.Float(1, 0.0), stat));
            });
    }
  }
}

}  // namespace

void RegisterRuntimeFunctions(FunctionTable& t) {
  t.Add("ScriptClip",
        {Req("clip", ParamType::Clip), Req("filter", ParamType::String), Opt("show", ParamType::Bool),
         Opt("after_frame", ParamType::Bool), Opt("local", ParamType::Bool)},
        [](const CallArgs& a) {
          return Value::Clip(std::make_shared<ScriptClipNode>(a.Clip(0), CompileFor(a, a.String(1)), false, false));
        });
  t.Add("FrameEvaluate",
        {Req("clip", ParamType::Clip), Req("filter", ParamType::String), Opt("show", ParamType::Bool),
         Opt("after_frame", ParamType::Bool), Opt("local", ParamType::Bool)},
        [](const CallArgs& a) {
          return Value::Clip(
              std::make_shared<ScriptClipNode>(a.Clip(0), CompileFor(a, a.String(1)), true, a.Bool(3, false)));
        });
  t.Add("ConditionalFilter",
        {Req("testclip", ParamType::Clip), Req("source1", ParamType::Clip), Req("source2", ParamType::Clip),
         Req("expression1", ParamType::String), Req("operator", ParamType::String),
         Req("expression2", ParamType::String), Opt("show", ParamType::Bool), Opt("local", ParamType::Bool)},
        [](const CallArgs& a) {
          static const char* const kOps[] = {"=", "==", "!=", "<>", "<", ">", "<=", ">="};
          const std::string op = a.String(4);
          if (std::none_of(std::begin(kOps), std::end(kOps), [&](const char* o) { return op == o; }))
            throw FilterError("ConditionalFilter: Invalid operator: " + op);
          return Value::Clip(std::make_shared<ConditionalNode>(
              a.Clip(0), a.Clip(1), a.Clip(2), CompileFor(a, a.String(3)), op, CompileFor(a, a.String(5))));
        });
  t.Add("ConditionalFilter",
        {Req("testclip", ParamType::Clip), Req("source1", ParamType::Clip), Req("source2", ParamType::Clip),
         Req("expression", ParamType::String), Opt("show", ParamType::Bool), Opt("local", ParamType::Bool)},
        [](const CallArgs& a) {
          return Value::Clip(std::make_shared<ConditionalNode>(a.Clip(0), a.Clip(1), a.Clip(2),
                                                               CompileFor(a, a.String(3)), "=", CompileFor(a, "true")));
        });
  AddRuntimeFunctions(t);
}

}  // namespace tandemix::engine
