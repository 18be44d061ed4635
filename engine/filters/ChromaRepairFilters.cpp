// Repairs for YUY2 clips from old capture paths: FixBrokenChromaUpsampling
// (the chroma of the two middle lines of every four change places, undoing
// a decoder that upsampled 4:2:0 chroma with the fields mixed up) and
// FixLuminance (which AviSynth+ keeps for old scripts and which leaves the
// frames as they are).
#include <cstring>
#include <utility>

#include "base/ParallelFor.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/filters/FrameOps.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

void RequireYuy2(const ClipPtr& clip, const char* name) {
  if (clip->Info().pixelType != PixelType::YUY2) throw FilterError(std::string(name) + ": requires YUY2 input");
}

Value FixBrokenChromaUpsampling(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  RequireYuy2(clip, "FixBrokenChromaUpsampling");
  const ClipInfo info = clip->Info();
  return Value::Clip(
      MakeFrameOp(std::move(clip), info, "FixBrokenChromaUpsampling", [](const FrameBGR& s, FrameBGR& d) {
        const std::size_t row = static_cast<std::size_t>(s.width) * 2;
        for (int y = 0; y < s.height; ++y) std::memcpy(d.Row(y), s.Row(y), row);
        // Lines 1 and 2, 5 and 6, ... swap their U and V bytes.
        for (int y = 1; y + 1 < s.height; y += 4) {
          std::uint8_t* p = d.Row(y);
          std::uint8_t* q = d.Row(y + 1);
          for (std::size_t x = 0; x + 3 < row; x += 4) {
            std::swap(p[x + 1], q[x + 1]);
            std::swap(p[x + 3], q[x + 3]);
          }
        }
      }));
}

Value FixLuminance(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  RequireYuy2(clip, "FixLuminance");
  return Value::Clip(clip);
}

}  // namespace

void RegisterChromaRepairFunctions(FunctionTable& t) {
  t.Add("FixBrokenChromaUpsampling", {Req("clip", ParamType::Clip)}, FixBrokenChromaUpsampling);
  t.Add("FixLuminance", {Req("clip", ParamType::Clip), Req("vertex", ParamType::Int), Req("slope", ParamType::Int)},
        FixLuminance);
}

}  // namespace tandemix::engine
