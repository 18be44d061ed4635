// "Auto align" in the adjustment window, on a real pair made at run time.
#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QLocale>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "base/Errors.h"
#include "preview/FormPreview.h"
#include "tests/support/SyntheticStereo.h"

namespace tandemix {
namespace {

class AutoAlignButton : public ::testing::Test {
 protected:
  void Open(FrameBGR left, FrameBGR right) {
    QLocale::setDefault(QLocale::c());
    PreviewWindowHooks hooks;
    hooks.composePreview = [this] {
      settings.AngleRight();
      ++composed;
    };
    hooks.showError = [this](const std::string& e) { errors.push_back(e); };
    hooks.autoAlign = [this, l = std::move(left), r = std::move(right)]() -> AutoAlignWork {
      ++started;
      if (work) return work;
      return [l, r](const AlignProgress&) { return AutoAligner().Align(l, r); };
    };
    window = std::make_unique<TForm_Preview>(settings, hooks);
    window->Timer2->stop();
    window->RefreshControls();
  }
  // Processes the window's events until `done` holds; false after `ms`.
  static bool WaitUntil(const std::function<bool()>& done, int ms = 30000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
      if (clock.elapsed() > ms) return false;
      QTest::qWait(2);
    }
    return true;
  }
  // Clicks "Auto align" and lets the window run until the work has ended.
  void AutoAlign() {
    QTest::mouseClick(window->Button_AutoAlign, Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([this] { return !window->AutoAligning(); }));
  }

  AlignmentSettings settings;
  std::unique_ptr<TForm_Preview> window;
  int composed = 0;
  int started = 0;
  std::vector<std::string> errors;
  AutoAlignWork work;  // in place of the real alignment when set
};

TEST_F(AutoAlignButton, FillsTheBoxesRendersAndSaysWhatItFound) {
  const cv::Mat left = test::TexturedPicture(720, 400, 8);
  Open(test::ToFrame(left), test::ToFrame(test::Misaligned(test::WithDepth(left, 3, {9, 16}), {1.5, 1.0, -6})));
  AutoAlign();
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(composed, 1);
  // The right view turned 1.5 degrees counter-clockwise: it is turned back.
  EXPECT_EQ(window->Edit_Angle->text(), "0");
  EXPECT_NEAR(window->Edit_AngleR->text().toDouble(), 1.5, 0.05);
  EXPECT_EQ(window->ScrollBar_RotationR->value(), 15);
  EXPECT_EQ(window->Edit_Scale->text(), "100");
  EXPECT_EQ(window->Edit_Vertical->text(), "-6");
  EXPECT_EQ(window->ScrollBar_Vertical->value(), -6);
  EXPECT_EQ(settings.vertical.position, -6);
  EXPECT_EQ(window->Edit_Horizontal->text().toInt(), settings.horizontal.position);
  EXPECT_LT(settings.horizontal.position, -3);
  EXPECT_TRUE(window->Label_AutoAlign->text().contains(" matches, ")) << window->Label_AutoAlign->text().toStdString();
  EXPECT_TRUE(window->Label_AutoAlign->text().endsWith(" px vertical disparity left"));
}

TEST_F(AutoAlignButton, AFailureKeepsTheBoxesAndGivesTheReason) {
  const FrameBGR flat = test::ToFrame(cv::Mat(200, 300, CV_8UC3, cv::Scalar(70, 70, 70)));
  Open(flat, flat);
  window->Edit_AngleR->setText("0.7");
  settings.angleRText = "0.7";
  AutoAlign();
  EXPECT_EQ(window->Label_AutoAlign->text(), "Auto align: too few matching points: 0");
  EXPECT_EQ(window->Edit_AngleR->text(), "0.7");
  EXPECT_EQ(settings.angleRText, "0.7");
  EXPECT_EQ(composed, 0);
  EXPECT_TRUE(errors.empty());
}

TEST_F(AutoAlignButton, TheStatusGoesWithResetAllAndWithANewAlignment) {
  const FrameBGR flat = test::ToFrame(cv::Mat(200, 300, CV_8UC3, cv::Scalar(70, 70, 70)));
  Open(flat, flat);
  AutoAlign();
  ASSERT_FALSE(window->Label_AutoAlign->text().isEmpty());
  QTest::mouseClick(window->Button1, Qt::LeftButton);  // Reset All
  EXPECT_EQ(window->Label_AutoAlign->text(), "");

  // New clips or an opened project set the values from outside: the bars,
  // the mirror boxes and the locks follow, and the old status goes.
  AutoAlign();
  window->Model().lockScale = true;
  settings.scaleText = "132";
  settings.angleRText = "-1.5";
  settings.horizontal.SetPosition(-20);
  settings.sliderAStep = 0.5;
  settings.sliderAValue = 3;
  window->Model().FollowSettings();
  window->RefreshControls();
  EXPECT_EQ(window->Label_AutoAlign->text(), "");
  EXPECT_EQ(window->ScrollBar_Resize->value(), 320);
  EXPECT_EQ(window->ScrollBar_RotationR->value(), -15);
  EXPECT_EQ(window->Edit_Horizontal->text(), "-20");
  EXPECT_EQ(window->ScrollBarA->value(), 6);
  EXPECT_EQ(window->Edit_SliderA->text(), "3");
  EXPECT_FALSE(window->CheckBox_Scale->isChecked());
}

// A textured scene whose right view sees everything 4 px to the left and a
// band along the left edge 24 px to the left: 20 px nearer.
std::pair<FrameBGR, FrameBGR> EdgeBandPair() {
  const cv::Mat left = test::TexturedPicture(720, 400, 12);
  cv::Mat right(left.size(), left.type());
  for (int y = 0; y < left.rows; ++y)
    for (int x = 0; x < left.cols; ++x) {
      const int d = x < 150 && y > 60 && y < 340 ? 24 : 4;
      right.at<cv::Vec3b>(y, x) = left.at<cv::Vec3b>(y, std::min(left.cols - 1, x + d));
    }
  return {test::ToFrame(left), test::ToFrame(right)};
}

TEST_F(AutoAlignButton, ShowsTheDepthAndFollowsTheDisplacement) {
  auto [left, right] = EdgeBandPair();
  Open(std::move(left), std::move(right));
  EXPECT_FALSE(window->Histogram_Depth->isVisibleTo(window.get()));
  AutoAlign();
  ASSERT_TRUE(window->Model().depth.has_value());
  // The nearest points come to the screen: the band at 0, the rest 20 px
  // behind it. 65 mm of a 2 m screen is 23.4 px of 720: within.
  const int shift = settings.horizontal.position;
  EXPECT_EQ(shift, -24);
  const DepthView& d = *window->Model().depth;
  EXPECT_NEAR(d.report.nearPx, 0.0, 0.5);
  EXPECT_NEAR(d.report.farPx, 20.0, 0.5);
  EXPECT_DOUBLE_EQ(d.report.farLimitPx, 23.4);
  EXPECT_LE(d.low, -d.report.nearLimitPx);
  EXPECT_GE(d.high, d.report.farLimitPx);
  EXPECT_EQ(static_cast<int>(d.bins.size()), kDepthBins);
  EXPECT_TRUE(window->Histogram_Depth->isVisibleTo(window.get()));
  EXPECT_TRUE(window->Label_Depth->text().startsWith("Parallax: near 0.00 % (0 px), far 2.7"))
      << window->Label_Depth->text().toStdString();
  EXPECT_TRUE(window->Label_DepthWarnings->text().startsWith("Within the depth budget: far limit 3.25 % (23 px)"))
      << window->Label_DepthWarnings->text().toStdString();
  EXPECT_GT(window->height(), 534 + 100);
  // The screen plane line stands where parallax 0 is.
  EXPECT_NEAR(window->Histogram_Depth->ColumnOf(0.0), (0.0 - d.low) / (d.high - d.low) * 423, 1e-9);

  // The left view moved 20 px to the right: the band stands 20 px in front,
  // cut by the left edge, and too near for 2 % of 720 (14 px).
  window->Edit_Horizontal->selectAll();
  QTest::keyClicks(window->Edit_Horizontal, QString::number(shift + 20));
  QTest::keyClick(window->Edit_Horizontal, Qt::Key_Return);
  ASSERT_TRUE(window->Model().depth.has_value());
  EXPECT_NEAR(window->Model().depth->report.nearPx, -20.0, 0.5);
  const QString warnings = window->Label_DepthWarnings->text();
  EXPECT_TRUE(warnings.contains("in front of the screen, beyond the 2 % comfort budget (14 px)."))
      << warnings.toStdString();
  EXPECT_TRUE(warnings.contains("is cut by the left frame edge: the stereo window is broken. Moving the left view 2"))
      << warnings.toStdString();

  // Reset All takes the depth away and the window back to its size.
  QTest::mouseClick(window->Button1, Qt::LeftButton);
  EXPECT_FALSE(window->Model().depth.has_value());
  EXPECT_FALSE(window->Histogram_Depth->isVisibleTo(window.get()));
  EXPECT_EQ(window->size(), QSize(439, 534));
}

// Swap L-R shows each eye the other view: the depth follows with the sign
// the eyes see, and back again.
TEST_F(AutoAlignButton, TheDepthFollowsSwapLR) {
  auto [left, right] = EdgeBandPair();
  Open(std::move(left), std::move(right));
  AutoAlign();
  ASSERT_TRUE(window->Model().depth.has_value());
  const DepthReport before = window->Model().depth->report;
  EXPECT_NEAR(before.nearPx, 0.0, 0.5);
  EXPECT_NEAR(before.farPx, 20.0, 0.5);

  QTest::mouseClick(window->CheckBox_Swap, Qt::LeftButton, {}, QPoint(4, 10));
  ASSERT_TRUE(settings.swapViews);
  ASSERT_TRUE(window->Model().depth.has_value());
  const DepthReport swapped = window->Model().depth->report;
  EXPECT_NEAR(swapped.nearPx, -before.farPx, 1e-9);
  EXPECT_NEAR(swapped.farPx, -before.nearPx, 1e-9);
  EXPECT_NEAR(swapped.medianPx, -before.medianPx, 1e-9);
  // Everything but the band now stands 20 px in front of the screen: too
  // near for 2 % of 720 (14 px), and cut by both frame edges.
  EXPECT_TRUE(window->Label_Depth->text().startsWith("Parallax: near -2.7"))
      << window->Label_Depth->text().toStdString();
  EXPECT_TRUE(window->Label_Depth->text().endsWith("far 0.00 % (0 px)")) << window->Label_Depth->text().toStdString();
  const QString warnings = window->Label_DepthWarnings->text();
  EXPECT_TRUE(warnings.contains("in front of the screen, beyond the 2 % comfort budget (14 px)."))
      << warnings.toStdString();
  EXPECT_TRUE(warnings.contains("px to the right puts it behind the screen within the far limit."))
      << warnings.toStdString();

  QTest::mouseClick(window->CheckBox_Swap, Qt::LeftButton, {}, QPoint(4, 10));
  ASSERT_FALSE(settings.swapViews);
  EXPECT_DOUBLE_EQ(window->Model().depth->report.nearPx, before.nearPx);
  EXPECT_DOUBLE_EQ(window->Model().depth->report.farPx, before.farPx);
}

// The limits are edited in the depth area; the depth is measured against
// the new ones at once and the program is told, to keep them.
TEST_F(AutoAlignButton, TheDepthLimitBoxesSetTheLimits) {
  auto [left, right] = EdgeBandPair();
  Open(std::move(left), std::move(right));
  EXPECT_FALSE(window->Edit_ScreenWidth->isVisibleTo(window.get()));
  AutoAlign();
  ASSERT_TRUE(window->Model().depth.has_value());
  EXPECT_TRUE(window->Edit_ScreenWidth->isVisibleTo(window.get()));
  EXPECT_TRUE(window->Edit_NearBudget->isVisibleTo(window.get()));
  EXPECT_EQ(window->Edit_ScreenWidth->text(), "2");
  EXPECT_EQ(window->Edit_NearBudget->text(), "2");
  std::vector<DepthLimits> kept;
  // The hooks are the window's own copy: a new window with a keeping hook.
  PreviewWindowHooks hooks;
  hooks.composePreview = [this] { ++composed; };
  hooks.showError = [this](const std::string& e) { errors.push_back(e); };
  hooks.depthLimitsChanged = [&](const DepthLimits& l) { kept.push_back(l); };
  auto [l2, r2] = EdgeBandPair();
  hooks.autoAlign = [l = l2, r = r2]() -> AutoAlignWork {
    return [l, r](const AlignProgress&) { return AutoAligner().Align(l, r); };
  };
  window = std::make_unique<TForm_Preview>(settings, hooks);
  window->Timer2->stop();
  AutoAlign();
  ASSERT_TRUE(window->Model().depth.has_value());

  // A 4 m screen: 65 mm is 11.7 px of 720, and the far points (20 px)
  // pass it.
  window->Edit_ScreenWidth->selectAll();
  QTest::keyClicks(window->Edit_ScreenWidth, "4");
  QTest::keyClick(window->Edit_ScreenWidth, Qt::Key_Return);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].screenWidthMetres, 4.0);
  EXPECT_EQ(kept[0].nearComfortPercent, 2.0);
  EXPECT_DOUBLE_EQ(window->Model().depth->report.farLimitPx, 11.7);
  EXPECT_TRUE(window->Label_DepthWarnings->text().startsWith("The farthest points are 2.7"))
      << window->Label_DepthWarnings->text().toStdString();
  EXPECT_TRUE(window->Label_DepthWarnings->text().contains("on a 4 m wide screen"))
      << window->Label_DepthWarnings->text().toStdString();
  EXPECT_TRUE(errors.empty());

  // A number out of reason is refused with the reason; the box shows the
  // limit again and nothing is kept.
  window->Edit_NearBudget->selectAll();
  QTest::keyClicks(window->Edit_NearBudget, "80");
  QTest::keyClick(window->Edit_NearBudget, Qt::Key_Return);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "The near comfort budget must be above 0 and at most 50 % of the width.");
  EXPECT_EQ(window->Edit_NearBudget->text(), "2");
  EXPECT_EQ(kept.size(), 1u);
  EXPECT_DOUBLE_EQ(window->Model().depth->report.nearLimitPx, 14.4);

  // Leaving the box takes the number as Enter does.
  window->Edit_NearBudget->selectAll();
  QTest::keyClicks(window->Edit_NearBudget, "0.5");
  emit window->Edit_NearBudget->editingFinished();
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept[1].nearComfortPercent, 0.5);
  EXPECT_DOUBLE_EQ(window->Model().depth->report.nearLimitPx, 3.6);
  EXPECT_EQ(errors.size(), 1u);
}

// A window placed low on the screen moves up when the depth makes it
// taller, so that the warnings stay in sight.
TEST_F(AutoAlignButton, AGrownWindowStaysOnTheScreen) {
  auto [left, right] = EdgeBandPair();
  Open(std::move(left), std::move(right));
  window->show();
  ASSERT_NE(window->screen(), nullptr);
  const QRect screen = window->screen()->availableGeometry();
  window->move(screen.left() + 10, screen.bottom() + 1 - window->frameGeometry().height());
  const int before = window->frameGeometry().height();
  AutoAlign();
  ASSERT_TRUE(window->Model().depth.has_value());
  const QRect frame = window->frameGeometry();
  EXPECT_GT(frame.height(), before + 100);
  EXPECT_EQ(frame.left(), screen.left() + 10);
  EXPECT_EQ(frame.top(), std::max(screen.top(), screen.bottom() + 1 - frame.height()));
}

// The work runs beside the window: while it waits on a gate the window
// goes on taking events, shows how far the work came and offers Cancel;
// once the gate opens, the proposal lands in the boxes.
TEST_F(AutoAlignButton, TheWindowAnswersWhileItRunsAndTheResultLands) {
  const cv::Mat picture = test::TexturedPicture(720, 400, 8);
  const FrameBGR left = test::ToFrame(picture);
  const FrameBGR right = test::ToFrame(test::Misaligned(test::WithDepth(picture, 3, {9, 16}), {1.5, 1.0, -6}));
  std::atomic<bool> open{false};
  work = [&](const AlignProgress& progress) {
    progress.Step("reading frames", 0, 3);
    while (!open.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return AutoAligner().Align(left, right);
  };
  Open(left, right);
  int ticks = 0;
  QTimer timer;
  timer.setInterval(1);
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start();

  QTest::mouseClick(window->Button_AutoAlign, Qt::LeftButton);
  EXPECT_TRUE(window->AutoAligning());
  EXPECT_EQ(window->Button_AutoAlign->text(), "Cancel");
  ASSERT_TRUE(WaitUntil([&] { return window->Label_AutoAlign->text() == "Auto align: reading frames, 1 of 3…"; }))
      << window->Label_AutoAlign->text().toStdString();
  ASSERT_TRUE(WaitUntil([&] { return ticks >= 20; }));
  // The boxes take typing meanwhile.
  QTest::keyClicks(window->Edit_FinalWidth, "8");
  EXPECT_EQ(window->Edit_FinalWidth->text(), "7208");
  EXPECT_EQ(composed, 0);
  EXPECT_EQ(window->Edit_AngleR->text(), "0");

  open = true;
  ASSERT_TRUE(WaitUntil([&] { return !window->AutoAligning(); }));
  EXPECT_EQ(composed, 1);
  EXPECT_NEAR(window->Edit_AngleR->text().toDouble(), 1.5, 0.05);
  EXPECT_EQ(window->Edit_Vertical->text(), "-6");
  EXPECT_EQ(settings.vertical.position, -6);
  EXPECT_TRUE(window->Label_AutoAlign->text().endsWith(" px vertical disparity left"))
      << window->Label_AutoAlign->text().toStdString();
  EXPECT_EQ(window->Button_AutoAlign->text(), "Auto align");
  EXPECT_TRUE(window->Button_AutoAlign->isEnabled());
  EXPECT_TRUE(errors.empty());
}

// Cancel: the work is told to stop, what it still returns is dropped, the
// boxes stay, and the button is free for the next run once the work ended.
TEST_F(AutoAlignButton, CancelDropsTheResultAndKeepsTheBoxes) {
  std::atomic<int> stepsAfterCancel{0};
  work = [&](const AlignProgress& progress) {
    while (progress.Step("matching frames", 0, 1)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!progress.Step("fitting", 1, 1)) ++stepsAfterCancel;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    AlignmentProposal p;
    p.angleRight = 3.0;
    p.shiftV = 9;
    return p;
  };
  const FrameBGR flat = test::ToFrame(cv::Mat(200, 300, CV_8UC3, cv::Scalar(70, 70, 70)));
  Open(flat, flat);
  QTest::mouseClick(window->Button_AutoAlign, Qt::LeftButton);
  ASSERT_TRUE(window->AutoAligning());
  QTest::qWait(20);
  QTest::mouseClick(window->Button_AutoAlign, Qt::LeftButton);  // Cancel
  EXPECT_EQ(window->Label_AutoAlign->text(), "Auto align: cancelled");
  EXPECT_EQ(window->Button_AutoAlign->text(), "Cancelling…");
  EXPECT_FALSE(window->Button_AutoAlign->isEnabled());
  ASSERT_TRUE(WaitUntil([&] { return !window->AutoAligning(); }));
  EXPECT_EQ(stepsAfterCancel.load(), 1);
  EXPECT_EQ(window->Label_AutoAlign->text(), "Auto align: cancelled");
  EXPECT_EQ(window->Edit_AngleR->text(), "0");
  EXPECT_EQ(settings.vertical.position, 0);
  EXPECT_EQ(composed, 0);
  EXPECT_EQ(window->Button_AutoAlign->text(), "Auto align");
  EXPECT_TRUE(window->Button_AutoAlign->isEnabled());

  // The next run goes through.
  work = [](const AlignProgress&) {
    AlignmentProposal p;
    p.angleRight = 0.5;
    p.shiftV = -4;
    return p;
  };
  AutoAlign();
  EXPECT_EQ(started, 2);
  EXPECT_EQ(window->Edit_AngleR->text(), "0.5");
  EXPECT_EQ(settings.vertical.position, -4);
  EXPECT_EQ(composed, 1);
}

// Reset All and closing the window while the work runs stop it too; a
// window destroyed meanwhile waits for its worker and nothing arrives late.
TEST_F(AutoAlignButton, ResetAllAndClosingStopTheWork) {
  std::atomic<int> stopped{0};
  work = [&](const AlignProgress& progress) {
    while (!progress.Cancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ++stopped;
    return AlignmentProposal{};
  };
  const FrameBGR flat = test::ToFrame(cv::Mat(200, 300, CV_8UC3, cv::Scalar(70, 70, 70)));
  Open(flat, flat);
  QTest::mouseClick(window->Button_AutoAlign, Qt::LeftButton);
  QTest::mouseClick(window->Button1, Qt::LeftButton);  // Reset All
  ASSERT_TRUE(WaitUntil([&] { return !window->AutoAligning(); }));
  EXPECT_EQ(stopped.load(), 1);
  EXPECT_EQ(window->Label_AutoAlign->text(), "");

  QTest::mouseClick(window->Button_AutoAlign, Qt::LeftButton);
  window->close();
  ASSERT_TRUE(WaitUntil([&] { return !window->AutoAligning(); }));
  EXPECT_EQ(stopped.load(), 2);

  QTest::mouseClick(window->Button_AutoAlign, Qt::LeftButton);
  ASSERT_TRUE(window->AutoAligning());
  window.reset();
  EXPECT_EQ(stopped.load(), 3);
  QTest::qWait(10);  // nothing posted by the worker reaches the gone window
}

// A hook that cannot start (no captured pair) says why at once.
TEST_F(AutoAlignButton, AHookThatCannotStartSaysWhy) {
  const FrameBGR flat = test::ToFrame(cv::Mat(200, 300, CV_8UC3, cv::Scalar(70, 70, 70)));
  Open(flat, flat);
  PreviewWindowHooks hooks;
  hooks.autoAlign = []() -> AutoAlignWork { throw TandemixError("there is no captured frame pair"); };
  window = std::make_unique<TForm_Preview>(settings, hooks);
  QTest::mouseClick(window->Button_AutoAlign, Qt::LeftButton);
  EXPECT_FALSE(window->AutoAligning());
  EXPECT_EQ(window->Label_AutoAlign->text(), "Auto align: there is no captured frame pair");
}

}  // namespace
}  // namespace tandemix
