#include "preview/PixelKernels.h"

#include <atomic>

namespace tandemix {
namespace {

std::atomic<bool> vectorKernels{true};

}  // namespace

bool VectorKernelsEnabled() { return vectorKernels.load(std::memory_order_relaxed); }

void EnableVectorKernels(bool enabled) { vectorKernels.store(enabled, std::memory_order_relaxed); }

bool UseSse41Kernels() {
#if defined(__x86_64__)
  static const bool processorHasIt = __builtin_cpu_supports("sse4.1");
  return processorHasIt && VectorKernelsEnabled();
#else
  return false;
#endif
}

}  // namespace tandemix
