// Frame geometry shared by the alignment lines of the scripts and the
// still-frame preview, so that both size the views identically.
#pragma once

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

Margins SplitDifference(int currentWidth, int currentHeight, int newWidth, int newHeight);

constexpr int NonNegative(int x) { return x < 0 ? 0 : x; }

}  // namespace tandemix
