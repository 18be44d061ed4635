// libFuzzer target: the still-frame alignment preview, as `compose` runs
// it, on two small frames with small shifts, any scale and tilt, and every
// switch. Refusals with a message are expected; a crash or a sanitizer
// report is a fault, and so is a picture whose size differs from the plan.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "base/Errors.h"
#include "preview/Compositor.h"

using namespace tandemix;

namespace {

Bitmap SmallPicture(FuzzedDataProvider& in) {
  const int width = in.ConsumeIntegralInRange(1, 48);
  const int height = in.ConsumeIntegralInRange(1, 48);
  Bitmap b(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < 3 * width; ++x) row[x] = in.ConsumeIntegral<std::uint8_t>();
  }
  return b;
}

double Factor(FuzzedDataProvider& in) {
  // Mostly sensible scales, sometimes anything at all.
  if (in.ConsumeBool()) return in.ConsumeFloatingPoint<double>();
  return in.ConsumeFloatingPointInRange(-0.5, 4.0);
}

double Degrees(FuzzedDataProvider& in) {
  if (in.ConsumeBool()) return in.ConsumeFloatingPoint<double>();
  return in.ConsumeFloatingPointInRange(-400.0, 400.0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const int shiftH = in.ConsumeIntegralInRange(-80, 80);
  const int shiftV = in.ConsumeIntegralInRange(-80, 80);
  const double scaleLeft = Factor(in), scaleRight = Factor(in);
  const double angleLeft = Degrees(in), angleRight = Degrees(in);
  PreviewSwitches switches;
  switches.autoCrop = in.ConsumeBool();
  switches.swapViews = in.ConsumeBool();
  switches.showClip = static_cast<ShowClip>(in.ConsumeIntegralInRange(0, 2));
  switches.previewMode = static_cast<PreviewMode>(in.ConsumeIntegralInRange(0, 5));
  Bitmap left = SmallPicture(in);
  Bitmap right = SmallPicture(in);
  try {
    const CompositionPlan plan =
        PlanComposition({left.Width(), left.Height()}, {right.Width(), right.Height()}, shiftH, shiftV, scaleLeft,
                        scaleRight, angleLeft, angleRight, switches.autoCrop);
    // Keep each run fast: the tilt and scale kernels are linear in pixels.
    if (static_cast<long long>(plan.canvasWidth) * plan.canvasHeight > 512 * 512) return 0;
    if (static_cast<long long>(plan.left.rotated.width) * plan.left.rotated.height > 512 * 512) return 0;
    if (static_cast<long long>(plan.right.rotated.width) * plan.right.rotated.height > 512 * 512) return 0;
    PreviewCompositor compositor;
    compositor.SetFrames(std::move(left), std::move(right));
    compositor.ComposePreview(shiftH, shiftV, scaleLeft, scaleRight, angleLeft, angleRight, switches);
    const Bitmap& picture = compositor.PreviewImage();
    if (switches.showClip == ShowClip::Output &&
        (picture.Width() != plan.canvasWidth || picture.Height() != plan.canvasHeight))
      std::abort();
  } catch (const TandemixError&) {
  }
  return 0;
}
