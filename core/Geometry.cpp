#include "core/Geometry.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdint>

#include "base/Errors.h"

namespace tandemix {

double RoundHalfEvenReal(double value) {
  const double floor = std::floor(value);
  const double diff = value - floor;
  if (diff > 0.5) return floor + 1.0;
  if (diff < 0.5) return floor;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

int RoundHalfEven(double value) {
  // Saturate instead of overflowing: callers check sizes against limits.
  const double result = RoundHalfEvenReal(value);
  if (std::isnan(result)) return 0;
  if (result <= -2147483648.0) return INT32_MIN;
  if (result >= 2147483647.0) return INT32_MAX;
  return static_cast<int>(result);
}

long long RoundHalfEven64(double value) {
  const double result = RoundHalfEvenReal(value);
  if (std::isnan(result)) return 0;
  if (result <= -9.2e18) return INT64_MIN;
  if (result >= 9.2e18) return INT64_MAX;
  return static_cast<long long>(result);
}

namespace {

int FloorToInt(double value) {
  if (std::isnan(value)) return 0;
  const double f = std::floor(value);
  if (f >= 2147483647.0) return INT32_MAX;
  if (f <= -2147483648.0) return INT32_MIN;
  return static_cast<int>(f);
}

}  // namespace

FrameSize RotatedFrameSize(int width, int height, double angle, bool crop) {
  const double w = width;
  const double h = height;
  const double theta = std::atan(h / w);
  const std::int64_t squares = static_cast<std::int64_t>(width) * width + static_cast<std::int64_t>(height) * height;
  const double rho = std::sqrt(static_cast<double>(squares)) / 2.0;
  FrameSize result;
  result.width =
      RoundHalfEven(2.0 * std::max(rho * std::fabs(std::cos(theta + angle)), rho * std::fabs(std::cos(angle - theta))));
  result.height =
      RoundHalfEven(2.0 * std::max(rho * std::fabs(std::sin(theta + angle)), rho * std::fabs(std::sin(angle - theta))));
  if (crop && angle != 0.0) {
    const double g = std::fabs(h / (w * std::tan(angle)));
    // An angle so small that its tangent vanishes leaves the frame as it is.
    const double k = std::isinf(g) ? 1.0 : g / (1.0 + g);
    // Floored, not rounded. A degenerate angle (a subnormal tangent) gives
    // no finite size: FloorToInt saturates instead of casting NaN.
    result.width = FloorToInt(std::sqrt(k * k * w * w + (1 - k) * (1 - k) * h * h));
    result.height = FloorToInt(std::sqrt(k * k * h * h + (1 - k) * (1 - k) * w * w));
  }
  return result;
}

WideMargins SplitDifference(std::int64_t currentWidth, std::int64_t currentHeight, std::int64_t newWidth,
                            std::int64_t newHeight) {
  WideMargins m;
  const std::int64_t dw = newWidth - currentWidth;
  const std::int64_t dh = newHeight - currentHeight;
  m.left = dw / 2;
  m.right = dw - m.left;
  m.top = dh / 2;
  m.bottom = dh - m.top;
  return m;
}

void CheckScriptFrameSize(const std::string& what, std::int64_t width, std::int64_t height) {
  const std::string size = what + " would be " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
  if (width < 1 || height < 1) throw TandemixError(size + "; it needs at least 1 x 1.");
  if (width > kMaxScriptFrameSide || height > kMaxScriptFrameSide)
    throw TandemixError(size + "; no side may exceed " + std::to_string(kMaxScriptFrameSide) + ".");
  if (width * height > kMaxScriptFramePixels)
    throw TandemixError(size + "; the limit is " + std::to_string(kMaxScriptFramePixels) + " pixels.");
}

void CheckPictureSize(const char* what, std::int64_t columns, std::int64_t rows) {
  const std::string size =
      std::string(what) + " would be " + std::to_string(columns) + " x " + std::to_string(rows) + " pixels";
  if (columns < 1 || rows < 1) throw TandemixError(size + "; it needs at least 1 x 1.");
  if (columns > kMaxPixDimension || rows > kMaxPixDimension)
    throw TandemixError(size + "; no side may exceed " + std::to_string(kMaxPixDimension) + ".");
  if (columns * rows > kMaxPixCount)
    throw TandemixError(size + "; the limit is " + std::to_string(kMaxPixCount) + " pixels.");
}

}  // namespace tandemix
