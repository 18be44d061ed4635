// Dragging a bar of the adjustment window: the picture follows the bar
// while it moves, pictures overtaken by newer ones are dropped, and the
// release composes as before.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QLocale>
#include <QTest>

#include "base/Errors.h"
#include "preview/FormPicture.h"
#include "preview/FormPreview.h"
#include "preview/LivePreview.h"
#include "tests/support/SyntheticStereo.h"

namespace tandemix {
namespace {

class LiveDrag : public ::testing::Test {
 protected:
  void SetUp() override {
    QLocale::setDefault(QLocale::c());
    left = Bitmap(test::ToFrame(test::TexturedPicture(320, 180, 21)));
    right = Bitmap(test::ToFrame(test::TexturedPicture(320, 180, 22)));
    compositor.SetFrames(left, right);
    live = std::make_unique<LivePreview>(
        [this](std::function<void()> work) {
          QMetaObject::invokeMethod(&picture, std::move(work), Qt::QueuedConnection);
        },
        [this](const Bitmap& image) { picture.ShowPicture(image); });
    live->SetFrames(left, right);
    PreviewWindowHooks hooks;
    hooks.composePreview = [this] {
      live->Cancel();
      compositor.ComposeFromSettings(settings);
      picture.ShowPicture(compositor.PreviewImage());
      ++composed;
    };
    hooks.dragPreview = [this] {
      live->Request(PreviewRequestFrom(settings));
      ++dragRequests;
    };
    window = std::make_unique<TForm_Preview>(settings, hooks);
    window->Timer2->stop();
  }
  void TearDown() override {
    window.reset();
    live.reset();
  }

  // The picture the compositor makes for a horizontal displacement.
  QImage Expected(int horizontal) {
    PreviewCompositor c;
    c.SetFrames(left, right);
    c.ComposePreview(horizontal, 0, 1.0, 1.0, 0.0, 0.0, SwitchesFrom(settings));
    const FrameBGR& f = c.PreviewImage().Frame();
    return QImage(f.pixels.data(), f.width, f.height, static_cast<qsizetype>(f.Stride()), QImage::Format_BGR888).copy();
  }
  QImage Shown() const { return picture.Image1->pixmap().toImage().convertToFormat(QImage::Format_BGR888); }
  // Lets the worker finish, then the window take what it sent.
  void Settle() {
    ASSERT_TRUE(live->WaitIdle(5000));
    QCoreApplication::processEvents();
  }

  Bitmap left, right;
  AlignmentSettings settings;
  PreviewCompositor compositor;
  TForm_Picture picture;
  std::unique_ptr<LivePreview> live;
  std::unique_ptr<TForm_Preview> window;
  int composed = 0;
  int dragRequests = 0;
};

TEST_F(LiveDrag, ThePictureFollowsTheBarBeforeItIsReleased) {
  QScrollBar* bar = window->ScrollBar_Horizontal;
  window->Button1Click();  // Reset All composes the first picture
  ASSERT_EQ(composed, 1);
  EXPECT_EQ(Shown(), Expected(0));

  bar->setSliderDown(true);
  bar->setSliderPosition(12);
  EXPECT_EQ(dragRequests, 1);
  EXPECT_EQ(window->Edit_Horizontal->text(), "12");  // the box follows at once
  Settle();
  EXPECT_EQ(composed, 1);  // no release yet
  EXPECT_EQ(Shown(), Expected(12));
  EXPECT_EQ(live->Stats().shown, 1);

  bar->setSliderPosition(-7);
  Settle();
  EXPECT_EQ(Shown(), Expected(-7));

  // The release composes as before, and its picture stays.
  bar->setSliderDown(false);
  EXPECT_EQ(composed, 2);
  EXPECT_EQ(settings.horizontal.position, -7);
  QCoreApplication::processEvents();
  EXPECT_EQ(Shown(), Expected(-7));
}

TEST_F(LiveDrag, OvertakenPicturesAreDropped) {
  QScrollBar* bar = window->ScrollBar_Horizontal;
  window->Button1Click();
  bar->setSliderDown(true);
  // Thirty moves before the window gets to show anything: only the last
  // picture is shown; every other request was replaced while it waited or
  // its picture was overtaken by a newer one.
  for (int p = 1; p <= 30; ++p) bar->setSliderPosition(p);
  EXPECT_EQ(dragRequests, 30);
  Settle();
  const LivePreview::Counts counts = live->Stats();
  EXPECT_EQ(counts.requested, 30);
  EXPECT_EQ(counts.shown, 1);
  EXPECT_EQ(counts.replaced + counts.dropped, 29);
  EXPECT_EQ(counts.rendered, counts.requested - counts.replaced);
  EXPECT_EQ(Shown(), Expected(30));
  EXPECT_EQ(window->Edit_Horizontal->text(), "30");

  // A picture of the drag that arrives after the drag ended is not shown
  // over the final one: here Reset All composes 0 while the picture of 45
  // is still on its way.
  bar->setSliderPosition(45);
  ASSERT_TRUE(live->WaitIdle(5000));
  bar->blockSignals(true);
  bar->setSliderDown(false);
  bar->blockSignals(false);
  window->Button1Click();
  QCoreApplication::processEvents();
  EXPECT_EQ(Shown(), Expected(0));
  EXPECT_EQ(live->Stats().shown, 1);
  EXPECT_EQ(live->Stats().dropped, counts.dropped + 1);
}

TEST_F(LiveDrag, ScaleAndTiltBarsToo_UserSlidersNot) {
  window->Button1Click();
  for (QScrollBar* bar : {window->ScrollBar_Resize, window->ScrollBar_RotationR}) {
    const int before = dragRequests;
    bar->setSliderDown(true);
    bar->setSliderPosition(30);
    EXPECT_EQ(dragRequests, before + 1) << bar->objectName().toStdString();
    bar->setSliderDown(false);
  }
  const int before = dragRequests;
  window->ScrollBarA->setSliderDown(true);
  window->ScrollBarA->setSliderPosition(30);
  window->ScrollBarA->setSliderDown(false);
  EXPECT_EQ(dragRequests, before);
  // A box holding a non-number gives no request that could be shown: the
  // values are read as the compositor reads them.
  settings.scaleText = "abc";
  EXPECT_THROW(PreviewRequestFrom(settings), TandemixError);
}

TEST(LivePreviewAlone, NothingRendersWithoutFramesAndFailuresAreCounted) {
  std::vector<std::function<void()>> posted;
  int shown = 0;
  LivePreview live([&](std::function<void()> work) { posted.push_back(std::move(work)); },
                   [&](const Bitmap&) { ++shown; });
  live.Request(PreviewRequest{});
  ASSERT_TRUE(live.WaitIdle(5000));
  EXPECT_EQ(live.Stats().rendered, 0);
  live.SetFrames(Bitmap(test::ToFrame(test::TexturedPicture(64, 48, 1))),
                 Bitmap(test::ToFrame(test::TexturedPicture(64, 48, 2))));
  PreviewRequest bad;
  bad.scaleLeft = -1.0;  // the compositor refuses it
  live.Request(bad);
  ASSERT_TRUE(live.WaitIdle(5000));
  EXPECT_EQ(live.Stats().failed, 1);
  live.Request(PreviewRequest{});
  ASSERT_TRUE(live.WaitIdle(5000));
  ASSERT_EQ(posted.size(), 1u);
  posted[0]();
  EXPECT_EQ(shown, 1);
}

}  // namespace
}  // namespace tandemix
