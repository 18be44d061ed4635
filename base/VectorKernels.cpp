#include "base/VectorKernels.h"

#include <strings.h>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace tandemix {
namespace {

VectorLevel LevelAtStart() {
  const char* value = std::getenv("TANDEMIX_VECTOR_KERNELS");
  if (!value) return VectorLevel::Avx512;
  if (std::strcmp(value, "0") == 0 || strcasecmp(value, "off") == 0) return VectorLevel::Plain;
  if (strcasecmp(value, "sse4.1") == 0 || strcasecmp(value, "sse41") == 0) return VectorLevel::Sse41;
  if (strcasecmp(value, "avx2") == 0) return VectorLevel::Avx2;
  return VectorLevel::Avx512;
}

std::atomic<VectorLevel>& Level() {
  static std::atomic<VectorLevel> level{LevelAtStart()};
  return level;
}

bool Allows(VectorLevel wanted) {
  return static_cast<int>(Level().load(std::memory_order_relaxed)) >= static_cast<int>(wanted);
}

}  // namespace

bool VectorKernelsEnabled() { return Allows(VectorLevel::Sse41); }

void EnableVectorKernels(bool enabled) { LimitVectorKernels(enabled ? VectorLevel::Avx512 : VectorLevel::Plain); }

void LimitVectorKernels(VectorLevel most) { Level().store(most, std::memory_order_relaxed); }

bool UseSse41Kernels() {
#if defined(__x86_64__)
  static const bool processorHasIt = __builtin_cpu_supports("sse4.1");
  return processorHasIt && Allows(VectorLevel::Sse41);
#else
  return false;
#endif
}

bool UseAvx2Kernels() {
#if defined(__x86_64__)
  static const bool processorHasIt = __builtin_cpu_supports("avx2");
  return processorHasIt && Allows(VectorLevel::Avx2);
#else
  return false;
#endif
}

bool UseAvx512VbmiKernels() {
#if defined(__x86_64__)
  static const bool processorHasIt = __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi");
  return processorHasIt && Allows(VectorLevel::Avx512);
#else
  return false;
#endif
}

}  // namespace tandemix
