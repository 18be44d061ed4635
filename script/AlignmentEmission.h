// The script lines that align the two views (ClipA left, ClipB right):
// scale, tilt, pairing to one size with the left view displaced, swap; and
// the lines that bring the finished output to a fixed frame size.
//
// Subsampled YUV (YV12, YV16, YUY2) takes only even numbers across, and YV12
// only even numbers down, in crops, borders and sizes. A view of such a type
// whose lines need a number that does not fit is converted to YV24 just
// before its first line; the other view is converted too when it is also
// subsampled, so that the two still stack. The final size likewise starts
// with ConvertToYV24() when the output's type cannot take its numbers.
// Views and outputs in other types get their lines unchanged.
#pragma once

#include <string>

#include "base/Frame.h"
#include "base/TextFile.h"
#include "core/Geometry.h"

namespace tandemix {

struct AlignmentValues {
  int horizontalShift = 0;  // positive moves the left view right
  int verticalShift = 0;    // positive moves the left view down
  double scaleLeft = 1.0;   // factors, 1.0 = unchanged
  double scaleRight = 1.0;
  double angleLeft = 0.0;  // degrees
  double angleRight = 0.0;
  bool autoCrop = false;
  bool swapViews = false;
};

// Line forms; the ClipB forms are the ClipA forms with the other name.
std::string ScaleLine(const std::string& clip, int width, int height);
std::string TiltLine(const std::string& clip, double degrees);
std::string PadLine(const std::string& clip, const WideMargins& m);
std::string CropLine(const std::string& clip, const WideMargins& m);
std::string ConvertLine(const std::string& clip);  // ClipA = ConvertToYV24(ClipA)

// The alignment lines for views that measured `left` and `right` in the
// pixel types `leftType` and `rightType`, computed in 64 bits. Throws a
// TandemixError naming the view when one that is to be scaled or tilted has
// no size, and when a step would make a frame that no script can have
// ("The left view after scaling would be W x H pixels; ...";
// CheckScriptFrameSize).
LineList AlignmentLinesFor(const AlignmentValues& values, FrameSize left, FrameSize right,
                           PixelType leftType = PixelType::RGB24, PixelType rightType = PixelType::RGB24);

// Zero, one or two lines that bring an output of current size to the final
// size: a crop where a dimension shrinks, borders where one grows; preceded
// by ConvertToYV24() when `outputType` cannot take their numbers. Throws
// "The final frame would be W x H pixels; ..." for a size no frame has.
LineList EmitFinalSize(int currentWidth, int currentHeight, int finalWidth, int finalHeight,
                       PixelType outputType = PixelType::RGB24);

}  // namespace tandemix
