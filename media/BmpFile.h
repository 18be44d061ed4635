// Bitmap files (.bmp) for captured frames and snapshots.
#pragma once

#include <string>

#include "base/Frame.h"

namespace tandemix {

// Writes a 24-bit uncompressed bitmap (rows stored bottom-up, each padded to
// four bytes), replacing the file atomically. Throws "Cannot create file
// <path>" when it cannot be written.
void SaveBmp24(const std::string& path, const FrameBGR& frame);

// Reads a picture file (bitmaps of any depth, 8-bit palette pictures
// included, and the other formats Qt reads) as 24-bit pixels. Throws
// "Cannot open file <path>" when it cannot be read.
FrameBGR LoadPicture24(const std::string& path);

}  // namespace tandemix
