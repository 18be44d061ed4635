#pragma once

#include <string>

#include "engine/frames/Clip.h"

namespace tandemix::engine {

// The clip in another pixel type (ConvertTo...): `matrix` is one of
// AviSynth's names, empty for Rec601. Throws FilterError with AviSynth's
// size messages ("Convert: Cannot convert if width isn't mod2!").
ClipPtr MakeConvert(ClipPtr clip, PixelType to, const std::string& matrix = {}, bool interlaced = false,
                    const std::string& chromaResample = {});

}  // namespace tandemix::engine
