// Frame geometry shared by the alignment lines of the scripts and the
// still-frame preview, so that both size the views identically.
#pragma once

#include <cstdint>
#include <string>

namespace tandemix {

struct FrameSize {
  int width = 0;
  int height = 0;
  bool operator==(const FrameSize&) const = default;
};

// Margins from splitting a size difference: left/top get the truncated half,
// right/bottom the rest (-7 splits into -3 and -4, +7 into 3 and 4).
struct Margins {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const Margins&) const = default;
};

// The same in 64 bits, for the script arithmetic: sizes and shifts are
// 32-bit values whose differences need more.
struct WideMargins {
  std::int64_t left = 0;
  std::int64_t top = 0;
  std::int64_t right = 0;
  std::int64_t bottom = 0;
  bool operator==(const WideMargins&) const = default;
};

// The largest frame a script can make: the script engine's limits
constexpr std::int64_t kMaxScriptFrameSide = 16384;
constexpr std::int64_t kMaxScriptFramePixels = std::int64_t{1} << 26;

// Throws TandemixError "<what> would be W x H pixels; it needs at least
// 1 x 1." (or "; no side may exceed 16384.", "; the limit is 67108864
// pixels.") when no script frame can have that size.
void CheckScriptFrameSize(const std::string& what, std::int64_t width, std::int64_t height);

// Degrees to radians with the constant the scripts have always used; it is
// not pi/180 to full precision, and changing it would move sizes.
constexpr double kDegreesToRadians = 0.01745329252;

// Rounds to the nearest integer, halves to even, whatever the current
// rounding mode: as a double, saturated to 32 bits (NaN gives 0), and
// saturated to 64 bits.
double RoundHalfEvenReal(double value);
int RoundHalfEven(double value);
long long RoundHalfEven64(double value);

// Bounding box of a width x height frame turned by `angle` radians about its
// centre; with `crop` and a non-zero angle, the largest centred rectangle of
// the frame's aspect ratio inside the turned frame. Needs width > 0.
FrameSize RotatedFrameSize(int width, int height, double angle, bool crop);

// Computed in 64 bits: any two 32-bit sizes split without overflow.
WideMargins SplitDifference(std::int64_t currentWidth, std::int64_t currentHeight, std::int64_t newWidth,
                            std::int64_t newHeight);

constexpr int NonNegative(int x) { return x < 0 ? 0 : x; }
constexpr std::int64_t NonNegative(std::int64_t x) { return x < 0 ? 0 : x; }

// Rows, columns and coordinates of the pixel operations are counted in 16
// signed bits.
constexpr int kMaxPixDimension = 32767;
// Bound on one matrix or picture, so that a typed scale of 10000 % stops with
// a message instead of exhausting memory (8192 × 8192 pixels, 192 MB).
constexpr std::int64_t kMaxPixCount = std::int64_t{1} << 26;

// Throws TandemixError when rows × columns is not a picture the preview can
// hold: a side under 1 or over kMaxPixDimension, or more than kMaxPixCount
// pixels. `what` names the picture in the message.
void CheckPictureSize(const char* what, std::int64_t columns, std::int64_t rows);

}  // namespace tandemix
