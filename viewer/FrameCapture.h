// Frame capture: one frame of a media file or script into a 24-bit bitmap
// file of the frame's size ("Adjust Clip" and "Save Frame").
#pragma once

#include <string>

#include "platform/VideoServices.h"

namespace tandemix {

// Decodes frame n (counted from 0 in the file's own frames) and saves it
// to `bitmapPath`, replacing any file of that name.
//
// When the file cannot be opened, has no video or has no frame n, nothing
// is written and TandemixError is thrown with the reason (the engine's
// script error, "Frame n is out of range: ...", ...); a picture file that
// cannot be written throws "Cannot create file <path>".
void GrabFrame(VideoServices& video, const std::string& script, int n, const std::string& bitmapPath);

}  // namespace tandemix
