// Convolution and smoothing: Blur, Sharpen.
#include <cmath>
#include <string>
#include <vector>

#include "base/ParallelFor.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/filters/FrameOps.h"
#include "engine/frames/ScriptError.h"
#include "engine/kernels/Focus.h"

namespace tandemix::engine {
namespace {

// An amount this small changes no byte: that direction is left out.
constexpr double kLeastFocus = 0.00002201361136;

// Sharpen(h, v): down the columns first, then along the rows, each plane
// on its own; rows split over the pool.
struct FocusOp {
  bool horizontal, vertical;
  FocusWeights h, v;
  void operator()(const FrameBGR& s, FrameBGR& d) const {
    FrameBGR middle;
    const FrameBGR* across = &s;
    if (vertical && horizontal) {
      middle = FrameBGR(s.type, s.width, s.height);
      across = &middle;
    }
    FrameBGR& down = horizontal ? (vertical ? middle : d) : d;
    for (int p = 0; p < s.Planes(); ++p) {
      const int rows = s.PlaneHeight(p), bytes = s.PlaneWidth(p);
      const FocusSplit split = FocusSplitFor(s.type, p, bytes);
      if (vertical)
        ParallelFor(rows, bytes * 4LL, [&](int begin, int end) {
          for (int y = begin; y < end; ++y)
            FocusColumns(s.Row(p, y > 0 ? y - 1 : 0), s.Row(p, y), s.Row(p, y + 1 < rows ? y + 1 : y), down.Row(p, y),
                         bytes, split.verticalCoarse, v);
        });
      if (horizontal)
        ParallelFor(rows, bytes * 6LL, [&](int begin, int end) {
          for (int y = begin; y < end; ++y)
            FocusRow(across->Row(p, y), d.Row(p, y), s.type, p, bytes, split.coarseEnd, h);
        });
    }
  }
};

// Blur is Sharpen with the amounts negated; each checks its own range.
Value Focus(const CallArgs& a, bool blur) {
  ClipPtr clip = a.Clip("clip");
  const double h = a.Float("amountH");
  const double v = a.Has("amountV") ? a.Float("amountV") : h;
  const double least = blur ? -1.0 : -1.5849625, most = blur ? 1.5849625 : 1.0;
  for (double amount : {h, v})
    if (!(amount >= least && amount <= most))
      throw FilterError(blur ? "Blur: arguments must be in the range -1.0 to 1.58"
                             : "Sharpen: arguments must be in the range -1.58 to 1.0");
  const double sh = blur ? -h : h, sv = blur ? -v : v;
  FocusOp op{std::fabs(sh) >= kLeastFocus, std::fabs(sv) >= kLeastFocus, FocusWeightsFor(sh), FocusWeightsFor(sv)};
  if (!op.horizontal && !op.vertical) return Value::Clip(clip);
  const ClipInfo info = clip->Info();
  return Value::Clip(MakeFrameOp(std::move(clip), info, blur ? "Blur" : "Sharpen", op));
}

}  // namespace

void RegisterConvolutionFunctions(FunctionTable& t) {
  const std::vector<Param> focus = {Req("clip", ParamType::Clip), Req("amountH", ParamType::Float),
                                    Opt("amountV", ParamType::Float), Opt("MMX", ParamType::Bool)};
  t.Add("Blur", focus, [](const CallArgs& a) { return Focus(a, true); });
  t.Add("Sharpen", focus, [](const CallArgs& a) { return Focus(a, false); });
}

}  // namespace tandemix::engine
