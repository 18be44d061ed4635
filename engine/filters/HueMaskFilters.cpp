// MaskHS: a mask of the pixels whose chroma lies in a hue range and a
// saturation range, at the chroma planes' size (a Y8 clip: 255 inside, 0
// outside).
//
// The hue is the angle of (U - 128, V - 128) from the U axis towards V, in
// degrees 0..360; a range whose start lies past its end wraps through 0.
// Saturations are given on the scale where 150 is the largest, 1.19 chroma
// steps each; both ends of each range belong to it.
#include <array>
#include <cmath>
#include <memory>
#include <numbers>

#include "base/ParallelFor.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/filters/FrameOps.h"
#include "engine/frames/FrameBudget.h"
#include "engine/frames/FrameCopy.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

// 256 * 256 bytes, indexed by U * 256 + V.
using ChromaTable = std::array<std::uint8_t, 256 * 256>;

bool InHueRange(double hue, double start, double end) {
  if (start < end) return hue >= start && hue <= end;
  if (start > end) return hue >= start || hue <= end;
  return true;
}

class HueMaskClip : public Clip {
 public:
  HueMaskClip(ClipPtr child, const ClipInfo& info, std::shared_ptr<const ChromaTable> table)
      : Clip(info), child_(std::move(child)), table_(std::move(table)), pool_("MaskHS") {
    PassAudioFrom(child_);
  }

  FramePtr GetFrame(int n) override {
    const FramePtr src = Owned(child_->GetFrame(ClampFrame(n)));
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    const ChromaTable& t = *table_;
    const bool packed = src->type == PixelType::YUY2;
    ParallelFor(info_.height, info_.width * 3LL, [&](int begin, int end) {
      for (int y = begin; y < end; ++y) {
        std::uint8_t* d = out->Row(0, y);
        if (packed) {
          const std::uint8_t* s = src->Row(0, y);
          for (int x = 0; x < info_.width; ++x) d[x] = t[static_cast<std::size_t>(s[4 * x + 1] << 8 | s[4 * x + 3])];
        } else {
          const std::uint8_t* u = src->Row(1, y);
          const std::uint8_t* v = src->Row(2, y);
          for (int x = 0; x < info_.width; ++x) d[x] = t[static_cast<std::size_t>(u[x] << 8 | v[x])];
        }
      }
    });
    return out;
  }

 private:
  ClipPtr child_;
  std::shared_ptr<const ChromaTable> table_;
  FramePool pool_;
};

// MaskHS(clip, startHue, endHue, maxSat, minSat, coring, realcalc).
Value MaskHS(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  const PixelType t = clip->Info().pixelType;
  const double startHue = a.Float("startHue", 0.0), endHue = a.Float("endHue", 360.0);
  const double maxSat = a.Float("maxSat", 150.0), minSat = a.Float("minSat", 0.0);
  if (IsRGBType(t)) throw FilterError("MaskHS: YUV data only (no RGB)");
  if (t == PixelType::Y8) throw FilterError("MaskHS: clip must contain chroma.");
  if (startHue < 0.0 || startHue >= 360.0)
    throw FilterError("MaskHS: startHue must be greater than or equal to 0.0 and less than 360.0");
  if (endHue <= 0.0 || endHue > 360.0)
    throw FilterError("MaskHS: endHue must be greater than 0.0 and less than or equal to 360.0");
  if (minSat >= maxSat) throw FilterError("MaskHS: MinSat must be less than MaxSat");
  if (maxSat <= 0.0 || maxSat > 150.0)
    throw FilterError("MaskHS: maxSat must be greater than 0 and less than or equal to 150.");
  if (minSat < 0.0 || minSat >= 150.0)
    throw FilterError("MaskHS: minSat must be greater than or equal to 0 and less than 150.");
  const double most = maxSat * 1.19, least = minSat * 1.19;
  auto table = std::make_shared<ChromaTable>();
  for (int u = 0; u < 256; ++u) {
    for (int v = 0; v < 256; ++v) {
      const double x = u - 128, y = v - 128;
      double hue = std::atan2(y, x) * 180.0 / std::numbers::pi;
      if (hue < 0.0) hue += 360.0;
      const double w = x * x + y * y;
      const bool in = InHueRange(hue, startHue, endHue) && w >= least * least && w <= most * most;
      (*table)[static_cast<std::size_t>(u << 8 | v)] = in ? 255 : 0;
    }
  }
  ClipInfo info = clip->Info();
  info.width >>= ChromaShiftX(t);
  info.height >>= ChromaShiftY(t);
  info.pixelType = PixelType::Y8;
  return Value::Clip(std::make_shared<HueMaskClip>(std::move(clip), info, std::move(table)));
}

}  // namespace

void RegisterHueMaskFunctions(FunctionTable& t) {
  t.Add("MaskHS",
        {Req("clip", ParamType::Clip), Opt("startHue", ParamType::Float), Opt("endHue", ParamType::Float),
         Opt("maxSat", ParamType::Float), Opt("minSat", ParamType::Float), Opt("coring", ParamType::Bool),
         Opt("realcalc", ParamType::Bool)},
        MaskHS);
}

}  // namespace tandemix::engine
