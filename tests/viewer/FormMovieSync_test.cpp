// "Sync" beside the offset bar of the clip viewer.
#include <gtest/gtest.h>
#include <QTest>

#include "analysis/ClipSync.h"
#include "base/Errors.h"
#include "tests/support/SyncClips.h"
#include "viewer/FormMovie.h"

namespace tandemix {
namespace {

class SyncButton : public ::testing::Test {
 protected:
  void Open(std::function<int()> sync) {
    MovieWindowHooks hooks;
    hooks.regenerate = [this] { ++regenerations; };
    hooks.leftViewRate = [] { return 25.0; };
    hooks.showError = [this](const std::string& e) { errors.push_back(e); };
    hooks.syncOffset = std::move(sync);
    state.track = {0, 100, 0};
    state.offset = {-40, 40, 3};
    window = std::make_unique<TForm_Movie>(state, hooks);
    window->RefreshControls();
  }
  ViewerState state;
  std::unique_ptr<TForm_Movie> window;
  std::vector<std::string> errors;
  int regenerations = 0;
};

TEST_F(SyncButton, SetsTheOffsetFromTheClipsAndRegenerates) {
  test::TempFolder folder;
  ASSERT_TRUE(test::MakeSyncClip(folder.File("l.avi"), 60));
  ASSERT_TRUE(test::MakeSyncClip(folder.File("r.avi"), 79));
  Open([&] {
    MediaClipSignals source;
    return FindSync(folder.File("l.avi"), folder.File("r.avi"), source).frames;
  });
  QTest::mouseClick(window->Button_Sync, Qt::LeftButton);
  EXPECT_TRUE(errors.empty()) << errors.front();
  EXPECT_EQ(state.offset.position, -19);
  EXPECT_EQ(window->ScrollBar_Offset->value(), -19);
  EXPECT_EQ(window->Label_Offset->text(), "-19");
  EXPECT_EQ(regenerations, 1);
}

TEST_F(SyncButton, OutOfRangeOrFailedSaysSoAndKeepsTheBar) {
  Open([] { return 55; });
  QTest::mouseClick(window->Button_Sync, Qt::LeftButton);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "The clips are 55 frames apart, outside the offset bar's range of -40 to 40.");
  EXPECT_EQ(state.offset.position, 3);
  EXPECT_EQ(regenerations, 0);

  Open([]() -> int { throw TandemixError("no sound and no motion to sync by"); });
  QTest::mouseClick(window->Button_Sync, Qt::LeftButton);
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[1], "no sound and no motion to sync by");
  EXPECT_EQ(window->ScrollBar_Offset->value(), 3);

  state.offsetEnabled = false;
  Open([] { return 2; });
  QTest::mouseClick(window->Button_Sync, Qt::LeftButton);
  EXPECT_EQ(errors.back(), "The offset bar is off for these clips; there is nothing to sync.");
  EXPECT_EQ(regenerations, 0);
}

}  // namespace
}  // namespace tandemix
