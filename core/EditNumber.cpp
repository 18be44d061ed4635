#include "core/EditNumber.h"

#include <QLocale>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "base/Errors.h"
#include "core/ScriptNumber.h"

namespace tandemix {

double ParseEditReal(const std::string& text) {
  QLocale locale;  // the system locale unless the program set another default
  locale.setNumberOptions(QLocale::RejectGroupSeparator);
  bool ok = false;
  const double value = locale.toDouble(QString::fromStdString(text).trimmed(), &ok);
  if (!ok || !std::isfinite(value)) throw NotValidFloat(text);
  return value;
}

int ParseEditInteger(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size()) throw NotValidInteger(text);
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') throw NotValidInteger(text);
    value = value * 10 + (c - '0');
    if (value > 2147483648LL) throw NotValidInteger(text);
  }
  if (negative) value = -value;
  if (value > 2147483647LL) throw NotValidInteger(text);
  return static_cast<int>(value);
}

std::string FormatEditReal(double value) {
  const QString point = QLocale().decimalPoint();
  return FormatEightDigits(value, -4, point.toStdString());
}

}  // namespace tandemix

namespace tandemix {

std::string StepEditText(const std::string& text, int steps, StepSize size, bool realValued) {
  if (realValued) {
    const double step = size == StepSize::Coarse ? 10.0 : size == StepSize::Fine ? 0.1 : 1.0;
    // Whole tenths stay whole tenths: 100.3 + 0.1 is 100.4, not 100.39999.
    const double value = ParseEditReal(text) + steps * step;
    return FormatEditReal(std::round(value * 1e6) / 1e6);
  }
  // Whole-number boxes read what their Enter reads (a displacement box
  // takes "12.5" and rounds it): the nearest whole number, halves to even.
  const std::int64_t step = size == StepSize::Coarse ? 10 : 1;
  const double typed = std::clamp(ParseEditReal(text), double(INT32_MIN), double(INT32_MAX));
  const std::int64_t value = static_cast<std::int64_t>(std::nearbyint(typed)) + steps * step;
  return std::to_string(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace tandemix
