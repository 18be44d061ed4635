// One switch for the vector (SIMD) kernels of the engine and the preview.
// Every kernel that has a vector form also has a plain one giving the same
// bytes; the vector form runs when the processor has the instructions and
// the switch is on. The switch starts on unless the environment variable
// TANDEMIX_VECTOR_KERNELS is "0" or "off" (to compare speeds, or to rule
// the vector code out when a picture looks wrong); tests turn it off to
// check the plain forms against the vector ones.
#pragma once

namespace tandemix {

bool VectorKernelsEnabled();
void EnableVectorKernels(bool enabled);

// The processor has the instructions and the switch is on.
bool UseSse41Kernels();
bool UseAvx2Kernels();

}  // namespace tandemix
