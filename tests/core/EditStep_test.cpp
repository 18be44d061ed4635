#include <gtest/gtest.h>
#include <QLocale>

#include "base/Errors.h"
#include "core/EditNumber.h"

namespace tandemix {
namespace {

class EditStep : public ::testing::Test {
 protected:
  void SetUp() override { QLocale::setDefault(QLocale::c()); }
};

TEST_F(EditStep, RealBoxesStepByOneTenOrATenth) {
  EXPECT_EQ(StepEditText("100", 1, StepSize::Normal, true), "101");
  EXPECT_EQ(StepEditText("100", -1, StepSize::Coarse, true), "90");
  EXPECT_EQ(StepEditText("100", 1, StepSize::Fine, true), "100.1");
  // Tenths stay tenths however often they are added.
  EXPECT_EQ(StepEditText("100.3", 1, StepSize::Fine, true), "100.4");
  EXPECT_EQ(StepEditText("0.1", -2, StepSize::Fine, true), "-0.1");
  EXPECT_EQ(StepEditText("-0.05", 1, StepSize::Fine, true), "0.05");
  EXPECT_EQ(StepEditText(" 2.5 ", 3, StepSize::Normal, true), "5.5");
}

TEST_F(EditStep, IntegerBoxesStepByWholeNumbers) {
  EXPECT_EQ(StepEditText("0", -1, StepSize::Normal, false), "-1");
  EXPECT_EQ(StepEditText("-7", 2, StepSize::Coarse, false), "13");
  EXPECT_EQ(StepEditText("720", 1, StepSize::Fine, false), "721");
  EXPECT_EQ(StepEditText("2147483647", 1, StepSize::Normal, false), "2147483647");
  // A displacement box takes "12.5" as 12 (halves to even).
  EXPECT_EQ(StepEditText("12.5", 1, StepSize::Normal, false), "13");
  EXPECT_EQ(StepEditText("13.5", -1, StepSize::Normal, false), "13");
}

TEST_F(EditStep, ANonNumberFailsAsEnterWould) {
  try {
    StepEditText("abc", 1, StepSize::Normal, false);
    FAIL() << "no error";
  } catch (const TandemixError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid floating point value");
  }
  try {
    StepEditText("1,5", 1, StepSize::Fine, true);
    FAIL() << "no error";
  } catch (const TandemixError& e) {
    EXPECT_STREQ(e.what(), "'1,5' is not a valid floating point value");
  }
}

}  // namespace
}  // namespace tandemix
