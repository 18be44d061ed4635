// One switch for the vector (SIMD) kernels of the engine and the preview.
// Every kernel that has a vector form also has a plain one giving the same
// bytes; the vector form runs when the processor has the instructions and
// the switch is on. The switch starts on unless the environment variable
// TANDEMIX_VECTOR_KERNELS is "0" or "off" (to compare speeds, or to rule
// the vector code out when a picture looks wrong), "sse4.1" to use no
// instructions past SSE4.1 (as on a processor without AVX2), or "avx2" to
// use none past AVX2 (as on a processor without AVX-512); tests turn it
// off, or down, to check each form against the plain one.
#pragma once

namespace tandemix {

bool VectorKernelsEnabled();
void EnableVectorKernels(bool enabled);

// The most the kernels may use: nothing, SSE4.1, AVX2, or everything the
// processor has (AVX-512 with its byte permutes, VBMI, where it has them).
enum class VectorLevel { Plain, Sse41, Avx2, Avx512 };
void LimitVectorKernels(VectorLevel most);

// The processor has the instructions and the switch is on.
bool UseSse41Kernels();
bool UseAvx2Kernels();
bool UseAvx512VbmiKernels();

}  // namespace tandemix
