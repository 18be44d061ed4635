#include "engine/kernels/OverlayBlend.h"

#include "base/VectorKernels.h"

namespace tandemix::engine {

void OverlayBlendPlain(const std::uint8_t* base, const std::uint8_t* over, const std::uint8_t* mask, std::uint8_t* out,
                       int begin, int end, float factor) {
  for (int i = begin; i < end; ++i) {
    const float w = mask != nullptr ? static_cast<float>(mask[i]) * factor : factor;
    const float moved = static_cast<float>(base[i]) + static_cast<float>(over[i] - base[i]) * w;
    out[i] = static_cast<std::uint8_t>(static_cast<int>(moved + 0.5f));
  }
}

void OverlayBlendRow(const std::uint8_t* base, const std::uint8_t* over, const std::uint8_t* mask, std::uint8_t* out,
                     int count, float factor) {
  int done = 0;
  if (UseAvx2Kernels())
    done = OverlayBlendAvx2(base, over, mask, out, count, factor);
  else if (UseSse41Kernels())
    done = OverlayBlendSse41(base, over, mask, out, count, factor);
  OverlayBlendPlain(base, over, mask, out, done, count, factor);
}

}  // namespace tandemix::engine
