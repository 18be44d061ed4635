// Measures media files (AVI, MPEG, MP4, MKV, still pictures, ...) through
// libavformat without decoding a frame.
#pragma once

#include <string>

#include "platform/VideoServices.h"

namespace tandemix {

// Width, height, exact frame count and rate of the file's first video
// stream; 0, 0, 0, 1 with `error` set when it cannot be opened or has no
// video. Containers that store no frame count have their packets counted.
VideoInfo ProbeMediaFile(const std::string& path);

}  // namespace tandemix
