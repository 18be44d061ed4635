#include "core/ScriptNumber.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tandemix {

std::string FormatEightDigits(double value, int minFixedExponent, std::string_view decimalPoint) {
  if (value == 0.0 || !std::isfinite(value)) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    return "0";
  }
  const bool negative = value < 0;
  // 17 significant digits hold the double's decimal expansion closely
  // enough to round it at the eighth digit by the ninth.
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.16e", std::fabs(value));
  std::string digits;
  const char* p = buffer;
  for (; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') digits += *p;
  int exponent = std::atoi(p + 1) + 1;  // value = 0.d1d2... x 10^exponent
  std::string kept = digits.substr(0, 8);
  if (digits[8] >= '5') {
    int i = 7;
    while (i >= 0 && kept[i] == '9') kept[i--] = '0';
    if (i >= 0) {
      ++kept[i];
    } else {
      kept.insert(kept.begin(), '1');
      kept.pop_back();
      ++exponent;
    }
  }
  while (!kept.empty() && kept.back() == '0') kept.pop_back();

  std::string text = negative ? "-" : "";
  const int count = static_cast<int>(kept.size());
  if (exponent >= minFixedExponent && exponent <= 8) {
    if (exponent <= 0) {
      text += "0";
      text += decimalPoint;
      text.append(static_cast<std::size_t>(-exponent), '0');
      text += kept;
    } else if (count <= exponent) {
      text += kept;
      text.append(static_cast<std::size_t>(exponent - count), '0');
    } else {
      text += kept.substr(0, static_cast<std::size_t>(exponent));
      text += decimalPoint;
      text += kept.substr(static_cast<std::size_t>(exponent));
    }
  } else {
    text += kept[0];
    if (count > 1) {
      text += decimalPoint;
      text += kept.substr(1);
    }
    text += "E" + std::to_string(exponent - 1);
  }
  return text;
}

std::string FormatScriptNumber(double value) { return FormatEightDigits(value, -3, "."); }

}  // namespace tandemix
