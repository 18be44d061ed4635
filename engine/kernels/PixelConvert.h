// Conversions between the pixel types with AviSynth's integer formulas:
// RGB to YUV with 15-bit matrix coefficients, YUV to RGB with 13-bit ones,
// full-range RGB spanning 255.5 steps and studio-range RGB 219.5 (the
// coefficients AviSynth derives, exact against its output),
// for the matrices "Rec601" (the default), "Rec709", "PC.601" and "PC.709";
// chroma resampled with AviSynth's default bicubic (b = c = 1/3) at MPEG-2
// placement (4:2:0 and 4:2:2 chroma co-sited with the left luma sample,
// 4:2:0 chroma midway between two rows, or between rows of a field when
// `interlaced`). YUY2 is 4:2:2 packed.
#pragma once

#include <memory>
#include <string>

#include "base/Frame.h"

namespace tandemix::engine {

struct ResampleKernel;

// The last two take RGB in studio range (16 to 235, as colour bars are
// drawn) to the Rec601 and Rec709 YUV; as targets they give full-range RGB.
enum class Matrix { Rec601, Rec709, PC601, PC709, Rec601StudioRgb, Rec709StudioRgb };

// Reads a matrix argument (letter case ignored); false when unknown.
bool ParseMatrix(const std::string& name, Matrix& matrix);

// One pixel through the Rec601 matrix, as the frame conversions do it.
void RgbToYuv601(int r, int g, int b, int& y, int& u, int& v);
void YuvToRgb601(int y, int u, int v, int& r, int& g, int& b);
// The same for any matrix.
void RgbToYuv(Matrix m, int r, int g, int b, int& y, int& u, int& v);
void YuvToRgb(Matrix m, int y, int u, int v, int& r, int& g, int& b);

// `src` in pixel type `to`; `out` (of that type and size) receives it.
// `chroma`, when given, is the kernel that resamples chroma instead of the
// default bicubic (YUY2 then goes through YV16 and that kernel).
void ConvertFrame(const FrameBGR& src, FrameBGR& out, Matrix matrix, bool interlaced,
                  const ResampleKernel* chroma = nullptr);
// A planar YUV frame in `out`'s planar YUV type, written with its top-left
// corner at (x, y) of `out` (which fit both subsamplings): the bytes
// ConvertFrame gives, in place.
void ConvertPlanarInto(const FrameBGR& src, FrameBGR& out, int x, int y, bool interlaced,
                       const ResampleKernel* chroma = nullptr);

// A frame of any type as RGB24 through Rec601, for what the user sees
// (the player, frame capture, the still-frame preview). RGB24 frames pass
// as they are.
FramePtr ToRGB24(const FramePtr& frame);

}  // namespace tandemix::engine
