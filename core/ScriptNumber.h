// Text forms of real numbers: the script number format (always a point,
// written into scripts) and the shared 8-significant-digit rounding that the
// edit-box format uses with the locale's separator.
#pragma once

#include <string>
#include <string_view>

namespace tandemix {

// Formats `value` rounded to 8 significant digits (a ninth digit of 5 or
// more rounds up), without trailing zeros. With the magnitude written as
// 0.d1..dk x 10^e, fixed notation is used for minFixedExponent <= e <= 8,
// otherwise "d1.d2..dkE<e-1>".
std::string FormatEightDigits(double value, int minFixedExponent, std::string_view decimalPoint);

// The script number format: 0.5, -2.5, 100, 0.33333333, 0.0001, 1E-5,
// 1.2345679E8; always a point whatever the locale.
std::string FormatScriptNumber(double value);

}  // namespace tandemix
