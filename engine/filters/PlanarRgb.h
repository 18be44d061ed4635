// Planar RGB for filters written for packed RGB.
#pragma once

#include "engine/language/Functions.h"

namespace tandemix::engine {

// A filter's body that takes planar RGB clips as the packed RGB with the
// same bytes (RGBP8 as RGB24, RGBAP8 as RGB32) and gives a packed RGB
// result back as planar RGB (with alpha when the result has it). For the
// filters whose planar results are the packed ones' bytes, each channel in
// its plane; other arguments and results pass as they are.
FunctionBody ViaPackedRgb(FunctionBody body);

}  // namespace tandemix::engine
