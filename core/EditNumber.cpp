#include "core/EditNumber.h"

#include <QLocale>
#include <QString>
#include <cmath>
#include <cstdint>

#include "core/ScriptNumber.h"
#include "platform/Errors.h"

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
