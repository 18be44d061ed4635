// tandemix-cli compose: the preview compositor on bitmap files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/BmpFile.h"
#include "tests/preview/PixelReference.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

namespace ref = reference;

class ComposeCli : public ::testing::Test {
 protected:
  void SetUp() override {
    ref::ToBitmap(left).SaveToFile(dir.File("left view.bmp"));
    ref::ToBitmap(right).SaveToFile(dir.File("right 'R'.bmp"));
  }
  std::vector<std::string> Args(std::vector<std::string> options) const {
    std::vector<std::string> args{"compose", dir.File("left view.bmp"), dir.File("right 'R'.bmp"), out()};
    args.insert(args.end(), options.begin(), options.end());
    return args;
  }
  std::string out() const { return dir.File("out put.bmp"); }
  ref::Image Output() const { return ref::FromBitmap(Bitmap(LoadPicture24(out()))); }

  test::TempFolder dir;
  ref::Image left = ref::Pattern(33, 21, 1);
  ref::Image right = ref::Pattern(30, 24, 2);
};

TEST_F(ComposeCli, DefaultIsTheRedCyanAnaglyph) {
  const test::CommandResult r = test::RunCli(Args({}));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Output(), ref::Compose(left, right, ref::ComposeInput{}));
}

TEST_F(ComposeCli, EveryOptionReachesTheCompositor) {
  const test::CommandResult r = test::RunCli(
      Args({"--shift-h", "-3", "--shift-v", "2", "--scale-left", "104.5", "--scale-right", "97", "--angle-left", "2.5",
            "--angle-right", "-1", "--auto-crop", "--swap", "--preview", "optimised"}));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  ref::ComposeInput in;
  in.shiftH = -3;
  in.shiftV = 2;
  in.scaleLeft = 104.5 / 100;
  in.scaleRight = 97.0 / 100;
  in.angleLeft = 2.5;
  in.angleRight = -1;
  in.autoCrop = true;
  in.swap = true;
  in.mode = 1;
  EXPECT_EQ(Output(), ref::Compose(left, right, in));

  ASSERT_EQ(test::RunCli(Args({"--show", "right"})).exitCode, 0);
  in = ref::ComposeInput{};
  in.show = 1;
  EXPECT_EQ(Output(), ref::Compose(left, right, in));
  ASSERT_EQ(test::RunCli(Args({"--show", "left", "--preview", "blend"})).exitCode, 0);
  in.show = 0;
  EXPECT_EQ(Output(), ref::Compose(left, right, in));
  ASSERT_EQ(test::RunCli(Args({"--preview", "blend"})).exitCode, 0);
  in.show = 2;
  in.mode = 2;
  EXPECT_EQ(Output(), ref::Compose(left, right, in));
}

TEST_F(ComposeCli, FailuresPrintAMessageAndWriteNothing) {
  struct Case {
    std::vector<std::string> options;
    std::string message;
  };
  const Case cases[] = {
      {{"--scale-left", "0"}, "The scale of the left view must be above 0 %; it is 0 %."},
      {{"--scale-right", "1,5"}, "'1,5' is not a valid floating point value"},
      {{"--angle-left", "abc"}, "'abc' is not a valid floating point value"},
      {{"--angle-left", "nan"}, "'nan' is not a valid floating point value"},
      {{"--shift-h", "1.5"}, "'1.5' is not a valid integer value"},
      {{"--shift-v", "99999999999"}, "'99999999999' is not a valid integer value"},
      {{"--shift-h", "40000"}, "The preview canvas would be 40032 x 24 pixels; no side may exceed 32767."},
  };
  for (const Case& c : cases) {
    const test::CommandResult r = test::RunCli(Args(c.options));
    EXPECT_EQ(r.exitCode, 1) << c.options[0];
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(test::FileExists(out())) << c.options[0];
  }
  const test::CommandResult missing = test::RunCli({"compose", dir.File("left view.bmp"), dir.File("none.bmp"), out()});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("Cannot open file " + dir.File("none.bmp")), std::string::npos) << missing.err;
  const test::CommandResult unwritable =
      test::RunCli({"compose", dir.File("left view.bmp"), dir.File("right 'R'.bmp"), dir.File("no folder/out.bmp")});
  EXPECT_EQ(unwritable.exitCode, 1);
  EXPECT_NE(unwritable.err.find("Cannot create file"), std::string::npos) << unwritable.err;
}

TEST_F(ComposeCli, UsageErrors) {
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{"--show", "middle"}, {"--preview", "grey"}, {"--bogus"}, {"--scale-left"}}) {
    const test::CommandResult r = test::RunCli(Args(options));
    EXPECT_EQ(r.exitCode, 2) << options[0];
    EXPECT_NE(r.err.find("usage:"), std::string::npos) << r.err;
  }
  EXPECT_EQ(test::RunCli({"compose", dir.File("left view.bmp")}).exitCode, 2);
  EXPECT_FALSE(test::FileExists(out()));
}

}  // namespace
}  // namespace tandemix
