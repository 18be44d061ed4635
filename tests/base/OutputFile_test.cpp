// The output check on its own: files this process holds open count as
// inputs whatever name they are given by, and an output written in place
// keeps its node.
#include "base/OutputFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/Errors.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

TEST(OutputFile, PlacesAndRefusals) {
  test::TempFolder dir;
  const std::string held = dir.File("held.mkv");
  test::WriteBytes(held, "movie");
  EXPECT_EQ(CheckOutput(dir.File("new.mkv")), OutputPlace::Replace);
  EXPECT_EQ(CheckOutput(held), OutputPlace::Replace);
  EXPECT_EQ(CheckOutput("-"), OutputPlace::Stdout);
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
  EXPECT_EQ(CheckOutput(dir.File("fifo")), OutputPlace::InPlace);
  EXPECT_FALSE(OutputCanSeek(dir.File("fifo")));
  EXPECT_TRUE(OutputCanSeek(dir.File("new.mkv")));
  try {
    CheckOutput(dir.Path());
    ADD_FAILURE() << "a folder was taken as an output";
  } catch (const TandemixError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + dir.Path() + ": it is a folder");
  }

  // Held open by this process, reached through a second name.
  const int fd = open(held.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(link(held.c_str(), dir.File("alias.mkv").c_str()), 0);
  try {
    CheckOutput(dir.File("alias.mkv"), {}, true);
    ADD_FAILURE() << "an open input was taken as an output";
  } catch (const TandemixError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot write " + dir.File("alias.mkv") + ": it is the input " + held);
  }
  EXPECT_EQ(CheckOutput(dir.File("alias.mkv")), OutputPlace::Replace);  // open files not asked about
  close(fd);
  EXPECT_EQ(CheckOutput(dir.File("alias.mkv"), {}, true), OutputPlace::Replace);
  EXPECT_THROW(CheckOutput(dir.File("alias.mkv"), {held}), TandemixError);

  // A regular file is replaced only on Commit: an output dropped before
  // keeps the old bytes.
  {
    OutputFile file(held);
    file.Write("new", 3);
  }
  EXPECT_EQ(test::ReadBytes(held), "movie");
  {
    OutputFile file(held);
    file.Write("new", 3);
    file.Commit();
  }
  EXPECT_EQ(test::ReadBytes(held), "new");
}

}  // namespace
}  // namespace tandemix
