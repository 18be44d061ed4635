#include "platform/VectorKernels.h"

#include <strings.h>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace tandemix {
namespace {

bool SwitchedOnAtStart() {
  const char* value = std::getenv("TANDEMIX_VECTOR_KERNELS");
  return !value || (std::strcmp(value, "0") != 0 && strcasecmp(value, "off") != 0);
}

std::atomic<bool>& Switch() {
  static std::atomic<bool> on{SwitchedOnAtStart()};
  return on;
}

}  // namespace

bool VectorKernelsEnabled() { return Switch().load(std::memory_order_relaxed); }

void EnableVectorKernels(bool enabled) { Switch().store(enabled, std::memory_order_relaxed); }

bool UseSse41Kernels() {
#if defined(__x86_64__)
  static const bool processorHasIt = __builtin_cpu_supports("sse4.1");
  return processorHasIt && VectorKernelsEnabled();
#else
  return false;
#endif
}

bool UseAvx2Kernels() {
#if defined(__x86_64__)
  static const bool processorHasIt = __builtin_cpu_supports("avx2");
  return processorHasIt && VectorKernelsEnabled();
#else
  return false;
#endif
}

}  // namespace tandemix
