#include "core/WindowRules.h"

#include <gtest/gtest.h>

namespace tandemix {
namespace {

const QRect kScreen(0, 0, 1600, 1200);

TEST(ChooseMessageOwner, TheWindowTheUserWorksInElseTheMainWindow) {
  // main, adjustment window, viewer
  EXPECT_EQ(ChooseMessageOwner({{true, false}, {true, true}, {true, false}}, 0), 1u);
  EXPECT_EQ(ChooseMessageOwner({{true, true}, {true, false}, {true, false}}, 0), 0u);
  // Nothing active (the program is in the background): the main window.
  EXPECT_EQ(ChooseMessageOwner({{true, false}, {true, false}, {true, false}}, 0), 0u);
  // A hidden window cannot own a message even if it was the last active.
  EXPECT_EQ(ChooseMessageOwner({{true, false}, {false, true}, {true, false}}, 0), 0u);
  EXPECT_EQ(ChooseMessageOwner({{true, false}, {false, false}, {true, true}}, 0), 2u);
}

TEST(CentredOn, CentresOnTheOwnerAndStaysOnTheScreen) {
  EXPECT_EQ(CentredOn(QRect(384, 400, 832, 386), QSize(324, 297), kScreen), QPoint(638, 444));
  // An owner at the screen's corner: the dialog is moved back inside.
  EXPECT_EQ(CentredOn(QRect(0, 0, 200, 100), QSize(324, 297), kScreen), QPoint(0, 0));
  EXPECT_EQ(CentredOn(QRect(1500, 1150, 200, 100), QSize(324, 297), kScreen), QPoint(1276, 903));
}

TEST(BesideOf, RightThenLeftThenBelowThenAbove) {
  const QSize dialog(331, 186);
  // Room on the right: top edges aligned, 8 pixels apart.
  EXPECT_EQ(BesideOf(QRect(100, 100, 439, 512), dialog, kScreen), QPoint(547, 100));
  // No room on the right: on the left.
  EXPECT_EQ(BesideOf(QRect(1000, 100, 439, 512), dialog, kScreen), QPoint(661, 100));
  // Neither side: below, then above.
  EXPECT_EQ(BesideOf(QRect(100, 100, 1400, 512), dialog, kScreen), QPoint(100, 620));
  EXPECT_EQ(BesideOf(QRect(100, 700, 1400, 400), dialog, kScreen), QPoint(100, 506));
  // A window low on the screen: the dialog beside it moves up to fit.
  EXPECT_EQ(BesideOf(QRect(100, 1100, 439, 100), dialog, kScreen), QPoint(547, 1014));
  // No room anywhere: to the right, pushed back inside the screen.
  EXPECT_EQ(BesideOf(QRect(0, 0, 1600, 1200), dialog, kScreen), QPoint(1269, 0));
}

TEST(PictureWindowGeometry, FirstShowingStandsBesideTheViewer) {
  PictureWindowFacts f;
  f.current = QRect(0, 0, 400, 300);
  f.picture = QSize(720, 576);
  f.border = 2;
  f.viewer = QRect(10, 20, 780, 692);
  f.screen = kScreen;
  EXPECT_EQ(PictureWindowGeometry(f), QRect(798, 20, 722, 578));
  // A viewer wide enough to leave no room beside it: below it.
  f.viewer = QRect(10, 20, 1280, 500);
  EXPECT_EQ(PictureWindowGeometry(f), QRect(10, 528, 722, 578));
  // No viewer shown: the screen's top left.
  f.viewer = QRect();
  EXPECT_EQ(PictureWindowGeometry(f), QRect(0, 0, 722, 578));
  // A picture larger than the screen: the window takes the screen and scrolls.
  f.picture = QSize(3840, 2160);
  EXPECT_EQ(PictureWindowGeometry(f), QRect(0, 0, 1600, 1200));
}

TEST(PictureWindowGeometry, AfterwardsItKeepsItsPlaceAndChangesSizeOnlyForANewPictureSize) {
  PictureWindowFacts f;
  f.placed = true;
  f.current = QRect(317, 473, 500, 400);  // where and how large the user left it
  f.lastPicture = QSize(720, 576);
  f.picture = QSize(720, 576);
  f.border = 2;
  f.viewer = QRect(10, 20, 780, 692);
  f.screen = kScreen;
  EXPECT_EQ(PictureWindowGeometry(f), QRect(317, 473, 500, 400));
  f.picture = QSize(704, 560);
  EXPECT_EQ(PictureWindowGeometry(f), QRect(317, 473, 706, 562));
}

TEST(LayoutScale, GrowsWithALargerDesktopFontOnly) {
  EXPECT_DOUBLE_EQ(LayoutScale(11, 11), 1.0);
  EXPECT_DOUBLE_EQ(LayoutScale(9, 11), 1.0);
  EXPECT_DOUBLE_EQ(LayoutScale(0, 11), 1.0);
  EXPECT_DOUBLE_EQ(LayoutScale(22, 11), 2.0);
  EXPECT_DOUBLE_EQ(LayoutScale(15, 10), 1.5);
  EXPECT_DOUBLE_EQ(LayoutScale(15, 0), 1.0);
  // 13 pixels: the main window's 832 x 362 become 983 x 428.
  EXPECT_EQ(ScaledRect(QRect(0, 0, 832, 362), LayoutScale(13, 11)), QRect(0, 0, 983, 428));
  // Neighbours stay neighbours: Add ends where Delete's gap begins.
  const double s = LayoutScale(13, 11);
  EXPECT_EQ(ScaledRect(QRect(192, 24, 57, 25), s), QRect(227, 28, 67, 30));
  EXPECT_EQ(ScaledRect(QRect(192, 24, 57, 25), s).bottom() + 1, ScaledRect(QRect(192, 49, 57, 7), s).top());
}

}  // namespace
}  // namespace tandemix
