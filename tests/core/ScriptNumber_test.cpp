#include "core/ScriptNumber.h"

#include <gtest/gtest.h>
#include <QLocale>

#include "base/Errors.h"
#include "core/EditNumber.h"

namespace tandemix {
namespace {

TEST(ScriptNumber, ListedExamples) {
  EXPECT_EQ(FormatScriptNumber(0.5), "0.5");
  EXPECT_EQ(FormatScriptNumber(-2.5), "-2.5");
  EXPECT_EQ(FormatScriptNumber(100), "100");
  EXPECT_EQ(FormatScriptNumber(1.0 / 3.0), "0.33333333");
  EXPECT_EQ(FormatScriptNumber(0.0001), "0.0001");
  EXPECT_EQ(FormatScriptNumber(0.00001), "1E-5");
  EXPECT_EQ(FormatScriptNumber(123456789), "1.2345679E8");
  EXPECT_EQ(FormatScriptNumber(0), "0");
  EXPECT_EQ(FormatScriptNumber(-0.0), "0");
  EXPECT_EQ(FormatScriptNumber(0.25), "0.25");
  EXPECT_EQ(FormatScriptNumber(1.5), "1.5");
  EXPECT_EQ(FormatScriptNumber(-0.5), "-0.5");
}

TEST(ScriptNumber, RoundingCarriesIntoANewDigit) {
  EXPECT_EQ(FormatScriptNumber(99999999.5), "1E8");
  EXPECT_EQ(FormatScriptNumber(12345678), "12345678");
  EXPECT_EQ(FormatScriptNumber(999999999), "1E9");
  EXPECT_EQ(FormatScriptNumber(2.0 / 3.0), "0.66666667");
  EXPECT_EQ(FormatScriptNumber(1e-4 * 1.5), "0.00015");
}

TEST(ScriptNumber, PointWhateverTheLocale) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(FormatScriptNumber(-0.5), "-0.5");
  EXPECT_EQ(FormatEditReal(-0.5), "-0,5");
  EXPECT_DOUBLE_EQ(ParseEditReal("102,5"), 102.5);
  EXPECT_THROW(ParseEditReal("102.5"), TandemixError);
  QLocale::setDefault(QLocale::c());
}

TEST(EditNumber, ShortestTextWithEightDigits) {
  QLocale::setDefault(QLocale::c());
  EXPECT_EQ(FormatEditReal(105.5), "105.5");
  EXPECT_EQ(FormatEditReal(100.0), "100");
  EXPECT_EQ(FormatEditReal(-0.3), "-0.3");
  EXPECT_EQ(FormatEditReal(0.00001), "0.00001");
  EXPECT_EQ(FormatEditReal(0.000001), "1E-6");
  EXPECT_EQ(FormatEditReal(123456789), "1.2345679E8");
  EXPECT_EQ(FormatEditReal(12345678), "12345678");
}

TEST(EditNumber, ParsingAndErrors) {
  QLocale::setDefault(QLocale::c());
  EXPECT_DOUBLE_EQ(ParseEditReal(" 1.5 "), 1.5);
  EXPECT_DOUBLE_EQ(ParseEditReal("-3"), -3.0);
  EXPECT_DOUBLE_EQ(ParseEditReal("1E2"), 100.0);
  try {
    ParseEditReal("abc");
    FAIL();
  } catch (const TandemixError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid floating point value");
  }
  EXPECT_THROW(ParseEditReal(""), TandemixError);
  EXPECT_EQ(ParseEditInteger("720"), 720);
  EXPECT_EQ(ParseEditInteger(" -5"), -5);
  EXPECT_EQ(ParseEditInteger("-2147483648"), -2147483648);
  try {
    ParseEditInteger("7x");
    FAIL();
  } catch (const TandemixError& e) {
    EXPECT_STREQ(e.what(), "'7x' is not a valid integer value");
  }
  EXPECT_THROW(ParseEditInteger("2147483648"), TandemixError);
  EXPECT_THROW(ParseEditInteger(""), TandemixError);
  EXPECT_THROW(ParseEditInteger("1.5"), TandemixError);
}

}  // namespace
}  // namespace tandemix
