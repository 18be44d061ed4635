// Format declarations: the ConvertTo... family (frames stay 24-bit RGB
// inside the engine, so these pass frames through), AssumeFPS and
// KillAudio.
#include <cmath>

extern "C" {
#include <libavutil/rational.h>
}

#include "platform/engine/FilterSupport.h"
#include "platform/engine/Functions.h"

namespace tandemix::engine {
namespace {

Value WithRate(ClipPtr clip, long long numerator, long long denominator) {
  ClipInfo info = clip->Info();
  SetRate("AssumeFPS", info, numerator, denominator);
  return Value::Clip(std::make_shared<SameFrames>(std::move(clip), info));
}

}  // namespace

void RegisterFormatFunctions(FunctionTable& t) {
  for (const char* name : {"ConvertToRGB24", "ConvertToRGB32", "ConvertToRGB", "ConvertToYV12", "ConvertToYUY2",
                           "ConvertToYV24", "ConvertToYV16"})
    t.Add(name,
          {Req("clip", ParamType::Clip), Opt("interlaced", ParamType::Bool), Opt("matrix", ParamType::String),
           Opt("ChromaInPlacement", ParamType::String), Opt("chromaresample", ParamType::String),
           Opt("ChromaOutPlacement", ParamType::String)},
          [](const CallArgs& a) { return Value::Clip(a.Clip(0)); });
  t.Add("KillAudio", {Req("clip", ParamType::Clip)}, [](const CallArgs& a) { return Value::Clip(a.Clip(0)); });
  // AssumeFPS(clip, numerator[, denominator]), AssumeFPS(clip, fps) and
  // AssumeFPS(clip, clip whose rate is taken).
  t.Add("AssumeFPS",
        {Req("clip", ParamType::Clip), Req("numerator", ParamType::Int), Opt("denominator", ParamType::Int),
         Opt("sync_audio", ParamType::Bool)},
        [](const CallArgs& a) { return WithRate(a.Clip(0), a.Int(1), a.Has(2) ? a.Int(2) : 1); });
  t.Add("AssumeFPS", {Req("clip", ParamType::Clip), Req("fps", ParamType::Float), Opt("sync_audio", ParamType::Bool)},
        [](const CallArgs& a) {
          const double fps = a.Float(1);
          if (!(fps > 0.0) || fps > 1e9) throw FilterError("AssumeFPS: the frame rate must be more than 0.");
          const AVRational q = av_d2q(fps, 1000000);
          return WithRate(a.Clip(0), q.num, q.den);
        });
  t.Add("AssumeFPS", {Req("clip", ParamType::Clip), Req("like", ParamType::Clip), Opt("sync_audio", ParamType::Bool)},
        [](const CallArgs& a) {
          const ClipInfo& like = a.Clip(1)->Info();
          return WithRate(a.Clip(0), like.rateNumerator, like.rateDenominator);
        });
}

}  // namespace tandemix::engine
