#include "preview/FormPreview.h"

#include <QCloseEvent>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <algorithm>

#include "base/Errors.h"
#include "core/WindowRules.h"
#include "widgets/WidgetMaking.h"

namespace tandemix {
namespace {

constexpr int kWidth = 439;
constexpr int kHeight = 534;
// Where the depth begins when it is shown: the limit boxes, the line of
// numbers, the histogram, the warnings.
constexpr int kDepthTop = 528;
constexpr int kDepthNumbersTop = kDepthTop + 28;
constexpr int kHistogramTop = kDepthNumbersTop + 20;
constexpr int kWarningsTop = kHistogramTop + 64;

}  // namespace

TForm_Preview::TForm_Preview(AlignmentSettings& settings, PreviewWindowHooks hooks, QWidget* parent)
    : QWidget(parent, Qt::Dialog), settings_(settings), hooks_(std::move(hooks)), model_(settings, *this) {
  setObjectName("Form_Preview");
  setWindowTitle("Preview");
  setFixedSize(kWidth, kHeight);
  AutoAlignRunner::Listener listener;
  listener.progress = [this](const std::string& what, int done, int total) {
    model_.autoAlignStatus = "Auto align: " + what +
                             (done < total ? ", " + std::to_string(done + 1) + " of " + std::to_string(total) : "") +
                             "…";
    Label_AutoAlign->setText(QString::fromStdString(model_.autoAlignStatus));
  };
  listener.done = [this](const AlignmentProposal& proposal) { AutoAlignDone(proposal); };
  listener.failed = [this](const std::string& reason) {
    model_.autoAlignStatus = "Auto align: " + reason;
    RefreshControls();
  };
  listener.ended = [this] { RefreshAutoAlignButton(); };
  aligner_ = std::make_unique<AutoAlignRunner>(
      [this](std::function<void()> f) { QMetaObject::invokeMethod(this, std::move(f), Qt::QueuedConnection); },
      std::move(listener));
  BuildControls();
  RefreshControls();
  Timer2 = new QTimer(this);
  Timer2->setObjectName("Timer2");
  Timer2->setInterval(10);
  connect(Timer2, &QTimer::timeout, this, &TForm_Preview::Timer2Timer);
  Timer2->start();
}

void TForm_Preview::BuildControls() {
  auto* shift = MakeGroup(this, "Horizontal and Vertical displacement", {8, 4, 423, 84});
  MakeLabel(shift, "H", {10, 24, 12, 17});
  ScrollBar_Horizontal = MakeBar(shift, "ScrollBar_Horizontal", {26, 24, 320, 17}, -718, 718, 10,
                                 "Horizontal displacement of the Left clip.");
  Edit_Horizontal = MakeEdit(shift, "Edit_Horizontal", {354, 21, 59, 22}, "0");
  MakeLabel(shift, "V", {10, 54, 12, 17});
  ScrollBar_Vertical =
      MakeBar(shift, "ScrollBar_Vertical", {26, 54, 320, 17}, -574, 574, 10, "Vertical displacement of the Left clip.");
  Edit_Vertical = MakeEdit(shift, "Edit_Vertical", {354, 51, 59, 22}, "0");

  auto* scale = MakeGroup(this, "Scale adjustments [%]", {8, 94, 209, 104});
  MakeLabel(scale, "L", {10, 24, 12, 17});
  ScrollBar_Resize = MakeBar(scale, "ScrollBar_Resize", {24, 24, 116, 17}, -900, 1100, 20, "Resize Left clip in %");
  Edit_Scale = MakeEdit(scale, "Edit_Scale", {146, 21, 55, 22}, "100");
  MakeLabel(scale, "R", {10, 52, 12, 17});
  ScrollBar_ResizeR = MakeBar(scale, "ScrollBar_ResizeR", {24, 52, 116, 17}, -900, 1100, 20, "Resize Right clip in %");
  Edit_ScaleR = MakeEdit(scale, "Edit_ScaleR", {146, 49, 55, 22}, "100");
  CheckBox_Scale = MakeCheck(scale, "CheckBox_Scale", "Lock Scale", {24, 76, 170, 20});

  auto* angle = MakeGroup(this, "Angle adjustments [deg]", {222, 94, 209, 104});
  MakeLabel(angle, "L", {10, 24, 12, 17});
  ScrollBar_Rotation = MakeBar(angle, "ScrollBar_Rotation", {24, 24, 116, 17}, -1000, 1000, 20, "Tilt left clip");
  Edit_Angle = MakeEdit(angle, "Edit_Angle", {146, 21, 55, 22}, "0");
  MakeLabel(angle, "R", {10, 52, 12, 17});
  ScrollBar_RotationR = MakeBar(angle, "ScrollBar_RotationR", {24, 52, 116, 17}, -900, 900, 20, "Tilt right clip");
  Edit_AngleR = MakeEdit(angle, "Edit_AngleR", {146, 49, 55, 22}, "0");
  CheckBox_Angle = MakeCheck(angle, "CheckBox_Angle", "Lock angle ", {24, 76, 170, 20});

  auto* sliders = MakeGroup(this, "User-defined sliders", {8, 204, 209, 104});
  Label_SliderA = MakeLabel(sliders, "SliderA", {10, 18, 190, 17}, "Label_SliderA");
  ScrollBarA = MakeBar(sliders, "ScrollBarA", {10, 37, 130, 17}, -100, 100, 10,
                       "User-defined slider. Active if word SliderA is used in Avisynth template. Define margins "
                       "with right mouse button.");
  Edit_SliderA = MakeEdit(sliders, "Edit_SliderA", {146, 34, 55, 22}, "0");
  Label_SliderB = MakeLabel(sliders, "SliderB", {10, 58, 190, 17}, "Label_SliderB");
  ScrollBarB = MakeBar(sliders, "ScrollBarB", {10, 77, 130, 17}, -100, 100, 10,
                       "User-defined slider. Active if word SliderB is used in Avisynth template. Define margins "
                       "with right mouse button.");
  Edit_SliderB = MakeEdit(sliders, "Edit_SliderB", {146, 74, 55, 22}, "0");

  auto* size = MakeGroup(this, "Video size (active on clip)", {222, 204, 209, 104});
  CheckBox_Crop = MakeCheck(size, "CheckBox_Crop", "Auto crop", {10, 20, 190, 20},
                            "Automatic \"crop\" of video when H,V displacements, resizing and angle-adjustments are "
                            "used.");
  CheckBox_FinalSize = MakeCheck(size, "CheckBox_FinalSize", "Use Final Size:", {10, 44, 190, 20},
                                 "If checked, final video size is defined by numbers given below.");
  MakeLabel(size, "W:", {10, 75, 22, 17});
  Edit_FinalWidth = MakeEdit(size, "Edit_FinalWidth", {34, 72, 60, 22}, "720");
  MakeLabel(size, "H:", {106, 75, 22, 17});
  Edit_FinalHeight = MakeEdit(size, "Edit_FinalHeight", {130, 72, 60, 22}, "576");

  RadioGroup_ShowClip = MakeGroup(this, "Show clip", {8, 314, 423, 50}, "RadioGroup_ShowClip");
  ShowClipButtons = MakeRadios(RadioGroup_ShowClip, {"Left Clip", "Right Clip", "Output"});
  RadioGroup_PreviewOptions = MakeGroup(this, "Preview options", {8, 370, 423, 72}, "RadioGroup_PreviewOptions");
  PreviewOptionButtons = MakeRadios(RadioGroup_PreviewOptions, {"Anaglyph R/Cy", "Anaglyph Optim.", "Blend"});
  // A second row: the least-squares colour anaglyphs for three kinds of glasses.
  const char* const dubois[] = {"Dubois R/Cy", "Dubois G/M", "Dubois Amb/B"};
  const char* const duboisTips[] = {"Least-squares colour anaglyph for red-cyan glasses.",
                                    "Least-squares colour anaglyph for green-magenta glasses.",
                                    "Least-squares colour anaglyph for amber-blue glasses."};
  const int column = (RadioGroup_PreviewOptions->width() - 16) / 3;
  for (int i = 0; i < 3; ++i) {
    auto* radio = new QRadioButton(dubois[i], RadioGroup_PreviewOptions);
    radio->setGeometry(8 + i * column, 44, column - 4, 20);
    radio->setToolTip(duboisTips[i]);
    PreviewOptionButtons->addButton(radio, static_cast<int>(PreviewMode::DuboisRedCyan) + i);
  }

  Button1 = new QPushButton("Reset All", this);
  Button1->setObjectName("Button1");
  Button1->setGeometry(8, 462, 81, 25);
  CheckBox_Swap = MakeCheck(this, "CheckBox_Swap", "Swap L-R", {100, 464, 110, 20});
  Button5 = new QPushButton("Save Frame", this);
  Button5->setObjectName("Button5");
  Button5->setGeometry(240, 462, 91, 25);
  Button4 = new QPushButton("Apply to Clip", this);
  Button4->setObjectName("Button4");
  Button4->setGeometry(340, 462, 91, 25);
  Button_AutoAlign = new QPushButton("Auto align", this);
  Button_AutoAlign->setObjectName("Button_AutoAlign");
  Button_AutoAlign->setGeometry(8, 494, 81, 25);
  Button_AutoAlign->setToolTip("Propose tilt, scale and shifts from matching points of the two views.");
  Label_AutoAlign = MakeLabel(this, "", QRect(100, 498, 331, 17), "Label_AutoAlign");
  Label_ScreenWidth = MakeLabel(this, "Screen width [m]:", QRect(8, kDepthTop + 3, 110, 17), "Label_ScreenWidth");
  Edit_ScreenWidth = MakeEdit(this, "Edit_ScreenWidth", {120, kDepthTop, 55, 22});
  Edit_ScreenWidth->setToolTip(
      "Width of the screen the picture is seen on: the far points must stay within 65 mm on it.");
  Label_NearBudget = MakeLabel(this, "Near budget [%]:", QRect(200, kDepthTop + 3, 110, 17), "Label_NearBudget");
  Edit_NearBudget = MakeEdit(this, "Edit_NearBudget", {312, kDepthTop, 55, 22});
  Edit_NearBudget->setToolTip("How far in front of the screen is still comfortable, in percent of the width.");
  Label_Depth = MakeLabel(this, "", QRect(8, kDepthNumbersTop, 423, 17), "Label_Depth");
  Histogram_Depth = new TDepthHistogram(this);
  Histogram_Depth->setGeometry(8, kHistogramTop, 423, 60);
  Label_DepthWarnings = MakeLabel(this, "", QRect(8, kWarningsTop, 423, 17), "Label_DepthWarnings");
  Label_DepthWarnings->setWordWrap(true);
  Label_DepthWarnings->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  ConnectScroll(ScrollBar_Horizontal, &AdjustmentModel::HorizontalScroll);
  ConnectScroll(ScrollBar_Vertical, &AdjustmentModel::VerticalScroll);
  ConnectScroll(ScrollBar_Resize, &AdjustmentModel::ResizeScroll);
  ConnectScroll(ScrollBar_ResizeR, &AdjustmentModel::ResizeRScroll);
  ConnectScroll(ScrollBar_Rotation, &AdjustmentModel::RotationScroll);
  ConnectScroll(ScrollBar_RotationR, &AdjustmentModel::RotationRScroll);
  ConnectScroll(ScrollBarA, &AdjustmentModel::SliderAScroll);
  ConnectScroll(ScrollBarB, &AdjustmentModel::SliderBScroll);
  ConnectEnter(Edit_Horizontal, NumberBox::Horizontal, &AdjustmentModel::HorizontalEnter, false);
  ConnectEnter(Edit_Vertical, NumberBox::Vertical, &AdjustmentModel::VerticalEnter, false);
  ConnectEnter(Edit_Scale, NumberBox::Scale, &AdjustmentModel::ScaleEnter, true);
  ConnectEnter(Edit_ScaleR, NumberBox::ScaleR, &AdjustmentModel::ScaleREnter, true);
  ConnectEnter(Edit_Angle, NumberBox::Angle, &AdjustmentModel::AngleEnter, true);
  ConnectEnter(Edit_AngleR, NumberBox::AngleR, &AdjustmentModel::AngleREnter, true);
  ConnectEnter(Edit_FinalWidth, NumberBox::FinalWidth, &AdjustmentModel::FinalSizeEnter, false);
  ConnectEnter(Edit_FinalHeight, NumberBox::FinalHeight, &AdjustmentModel::FinalSizeEnter, false);
  ConnectCheck(CheckBox_Scale, &AdjustmentModel::SetLockScale);
  ConnectCheck(CheckBox_Angle, &AdjustmentModel::SetLockAngle);
  ConnectCheck(CheckBox_Crop, &AdjustmentModel::SetAutoCrop);
  ConnectCheck(CheckBox_FinalSize, &AdjustmentModel::SetUseFinalSize);
  ConnectCheck(CheckBox_Swap, &AdjustmentModel::SetSwap);
  for (QLineEdit* edit : {Edit_ScreenWidth, Edit_NearBudget}) {
    std::string* text = edit == Edit_ScreenWidth ? &model_.screenWidthText : &model_.nearBudgetText;
    connect(edit, &QLineEdit::textEdited, this, [text](const QString& typed) { *text = typed.toStdString(); });
    // Enter ends the editing too: the second call finds nothing changed.
    connect(edit, &QLineEdit::returnPressed, this, [this] { Handle([&] { model_.DepthLimitsEnter(); }); });
    connect(edit, &QLineEdit::editingFinished, this, [this] { Handle([&] { model_.DepthLimitsEnter(); }); });
  }
  // Typing in the user-slider boxes changes nothing.
  for (QLineEdit* edit : {Edit_SliderA, Edit_SliderB}) {
    connect(edit, &QLineEdit::editingFinished, this, [this] { RefreshControls(); });
  }
  connect(ShowClipButtons, &QButtonGroup::idClicked, this,
          [this](int id) { Handle([&] { model_.SetShowClip(static_cast<ShowClip>(id)); }); });
  connect(PreviewOptionButtons, &QButtonGroup::idClicked, this,
          [this](int id) { Handle([&] { model_.SetPreviewMode(static_cast<PreviewMode>(id)); }); });
  for (int which : {0, 1}) {
    QScrollBar* bar = which == 0 ? ScrollBarA : ScrollBarB;
    bar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(bar, &QWidget::customContextMenuRequested, this, [this, which] {
      if (hooks_.showSliderDialog) hooks_.showSliderDialog();
      settings_.editedSlider = which;
    });
  }
  connect(Button1, &QPushButton::clicked, this, &TForm_Preview::Button1Click);
  connect(Button4, &QPushButton::clicked, this, &TForm_Preview::Button4Click);
  connect(Button5, &QPushButton::clicked, this, &TForm_Preview::Button5Click);
  connect(Button_AutoAlign, &QPushButton::clicked, this, &TForm_Preview::Button_AutoAlignClick);
}

// A bar reports every step; a drag reports its moves and ends when the
// thumb is released, any other action ends at once.
void TForm_Preview::ConnectScroll(QScrollBar* bar, void (AdjustmentModel::*handler)(int, bool)) {
  connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar, handler](int action) {
    if (action == QAbstractSlider::SliderNoAction) return;
    const int position = bar->sliderPosition();
    const bool end = action != QAbstractSlider::SliderMove;
    Handle([&] { (model_.*handler)(position, end); });
  });
  connect(bar, &QAbstractSlider::sliderReleased, this,
          [this, bar, handler] { Handle([&] { (model_.*handler)(bar->sliderPosition(), true); }); });
}

void TForm_Preview::ConnectEnter(QLineEdit* edit, NumberBox box, void (AdjustmentModel::*handler)(), bool realValued) {
  std::string* text = &model_.Text(box);
  // The model holds what is typed at once: a reader sees it without Enter.
  connect(edit, &QLineEdit::textEdited, this, [text](const QString& typed) { *text = typed.toStdString(); });
  connect(edit, &QLineEdit::returnPressed, this, [this, handler] { Handle([&] { (model_.*handler)(); }); });
  // Enter has put a refused text back already, so leaving after it is quiet.
  connect(edit, &QLineEdit::editingFinished, this, [this, box] { Handle([&] { model_.LeaveBox(box); }); });
  // A step is a new number typed and entered.
  MakeStepping(edit, [this, text, handler, realValued](int steps, StepSize size) {
    Handle([&] {
      *text = StepEditText(*text, steps, size, realValued);
      (model_.*handler)();
    });
  });
}

void TForm_Preview::ConnectCheck(QCheckBox* box, void (AdjustmentModel::*handler)(bool)) {
  connect(box, &QCheckBox::clicked, this,
          [this, handler](bool checked) { Handle([&] { (model_.*handler)(checked); }); });
}

void TForm_Preview::Handle(const std::function<void()>& action) {
  // The controls show the model's values again before a message about a
  // failure appears, and after the work when it succeeded.
  const bool done = RunShowingFailure(action, [this](const std::string& message) {
    model_.RefuseNonNumbers();
    RefreshControls();
    if (hooks_.showError) hooks_.showError(message);
  });
  if (done) RefreshControls();
}

void TForm_Preview::RefreshControls() {
  SetBar(ScrollBar_Horizontal, settings_.horizontal);
  SetBar(ScrollBar_Vertical, settings_.vertical);
  SetBar(ScrollBar_Resize, model_.resize);
  SetBar(ScrollBar_ResizeR, model_.resizeR);
  SetBar(ScrollBar_Rotation, model_.rotation);
  SetBar(ScrollBar_RotationR, model_.rotationR);
  SetBar(ScrollBarA, model_.sliderA.bar);
  SetBar(ScrollBarB, model_.sliderB.bar);
  ScrollBarA->setPageStep(model_.sliderA.largeStep);
  ScrollBarB->setPageStep(model_.sliderB.largeStep);
  SetText(Edit_Horizontal, model_.horizontalText);
  SetText(Edit_Vertical, model_.verticalText);
  SetText(Edit_Scale, settings_.scaleText);
  SetText(Edit_ScaleR, settings_.scaleRText);
  SetText(Edit_Angle, settings_.angleText);
  SetText(Edit_AngleR, settings_.angleRText);
  SetText(Edit_SliderA, model_.sliderA.editText);
  SetText(Edit_SliderB, model_.sliderB.editText);
  SetText(Edit_FinalWidth, settings_.finalWidthText);
  SetText(Edit_FinalHeight, settings_.finalHeightText);
  Label_SliderA->setText(QString::fromStdString(model_.sliderA.caption));
  Label_SliderB->setText(QString::fromStdString(model_.sliderB.caption));
  SetChecked(CheckBox_Scale, model_.lockScale);
  SetChecked(CheckBox_Angle, model_.lockAngle);
  SetChecked(CheckBox_Crop, settings_.autoCrop);
  SetChecked(CheckBox_FinalSize, settings_.useFinalSize);
  SetChecked(CheckBox_Swap, settings_.swapViews);
  SetItem(ShowClipButtons, static_cast<int>(settings_.showClip));
  SetItem(PreviewOptionButtons, static_cast<int>(settings_.previewMode));
  Label_AutoAlign->setText(QString::fromStdString(model_.autoAlignStatus));
  RefreshAutoAlignButton();
  RefreshDepth();
}

void TForm_Preview::RefreshAutoAlignButton() {
  if (aligner_->Cancelling()) {
    Button_AutoAlign->setText("Cancelling…");
    Button_AutoAlign->setEnabled(false);
  } else if (aligner_->Busy()) {
    Button_AutoAlign->setText("Cancel");
    Button_AutoAlign->setEnabled(true);
    Button_AutoAlign->setToolTip("Stop Auto align; the boxes stay as they are.");
  } else {
    Button_AutoAlign->setText("Auto align");
    Button_AutoAlign->setEnabled(true);
    Button_AutoAlign->setToolTip("Propose tilt, scale and shifts from matching points of the two views.");
  }
}

void TForm_Preview::RefreshDepth() {
  const bool shown = model_.depth.has_value();
  SetText(Edit_ScreenWidth, model_.screenWidthText);
  SetText(Edit_NearBudget, model_.nearBudgetText);
  for (QWidget* w : {static_cast<QWidget*>(Label_ScreenWidth), static_cast<QWidget*>(Edit_ScreenWidth),
                     static_cast<QWidget*>(Label_NearBudget), static_cast<QWidget*>(Edit_NearBudget)})
    w->setVisible(shown);
  Label_Depth->setVisible(shown);
  Histogram_Depth->setVisible(shown);
  Label_DepthWarnings->setVisible(shown);
  Histogram_Depth->Show(model_.depth);
  if (!shown) {
    setFixedSize(kWidth, kHeight);
    return;
  }
  const DepthReport& r = model_.depth->report;
  // The median goes to the tooltip: the line must fit the window.
  Label_Depth->setText(QString::fromStdString(r.points == 0 ? "Parallax: " + r.Summary()
                                                            : "Parallax: near " + r.Describe(r.nearPx) + ", far " +
                                                                  r.Describe(r.farPx)));
  Label_Depth->setToolTip(QString::fromStdString(r.Summary()));
  QString warnings;
  for (const DepthWarning& w : r.warnings) {
    if (!warnings.isEmpty()) warnings += "\n";
    warnings += QString::fromStdString(w.text);
  }
  if (r.points == 0) {
    warnings = "Too few matches to measure the depth.";
  } else if (warnings.isEmpty()) {
    warnings = QString::fromStdString("Within the depth budget: far limit " + r.Describe(r.farLimitPx) +
                                      ", near limit " + r.Describe(-r.nearLimitPx) + ".");
  }
  Label_DepthWarnings->setStyleSheet(r.warnings.empty() ? "color: #206020;" : "color: #b01010;");
  Label_DepthWarnings->setText(warnings);
  const int height = std::max(17, Label_DepthWarnings->heightForWidth(423));
  Label_DepthWarnings->setGeometry(8, kWarningsTop, 423, height);
  setFixedSize(kWidth, kWarningsTop + height + 8);
  KeepOnScreen();
}

// The window grows downward when the depth appears: one placed low on the
// screen moves up so that its lower part stays in sight.
void TForm_Preview::KeepOnScreen() {
  if (!isVisible() || !screen()) return;
  const QRect frame = frameGeometry();
  const QRect kept = KeptInside(frame, screen()->availableGeometry());
  if (kept.topLeft() != frame.topLeft()) move(pos() + (kept.topLeft() - frame.topLeft()));
}

void TForm_Preview::RefreshPreview() {
  if (hooks_.composePreview) hooks_.composePreview();
}

void TForm_Preview::PreviewWhileDragging() {
  if (hooks_.dragPreview) hooks_.dragPreview();
}

void TForm_Preview::DepthLimitsChanged(const DepthLimits& limits) {
  if (hooks_.depthLimitsChanged) hooks_.depthLimitsChanged(limits);
}

void TForm_Preview::RequestRegeneration() {
  if (hooks_.regenerate) hooks_.regenerate();
}

void TForm_Preview::Button1Click() {
  CancelAutoAlign();
  Handle([&] { model_.ResetAll(); });
}
void TForm_Preview::Button4Click() {
  Handle([&] { model_.ApplyToClip(); });
}

void TForm_Preview::Button5Click() {
  Handle([&] {
    if (!hooks_.askSavePicture) return;
    const auto path = hooks_.askSavePicture();
    if (path && hooks_.savePreviewImage) hooks_.savePreviewImage(*path);
  });
}

// The work runs on its own thread while the window goes on; the boxes
// change only when a proposal came, and a failure leaves them and says why
// on the line below the buttons. A second click while it runs cancels it.
void TForm_Preview::Button_AutoAlignClick() {
  if (aligner_->Busy()) {
    CancelAutoAlign();
    return;
  }
  if (!hooks_.autoAlign) return;
  AutoAlignWork work;
  try {
    work = hooks_.autoAlign();
  } catch (const TandemixError& e) {
    model_.autoAlignStatus = std::string("Auto align: ") + e.what();
    RefreshControls();
    return;
  }
  if (!work || !aligner_->Start(std::move(work))) return;
  model_.autoAlignStatus = "Auto align: working…";
  RefreshControls();
}

void TForm_Preview::AutoAlignDone(const AlignmentProposal& proposal) {
  model_.autoAlignStatus = proposal.Summary();
  Handle([&] { model_.ApplyProposal(proposal); });
}

void TForm_Preview::CancelAutoAlign() {
  if (!aligner_->Busy() || aligner_->Cancelling()) return;
  aligner_->Cancel();
  model_.autoAlignStatus = "Auto align: cancelled";
  RefreshControls();
}

void TForm_Preview::Timer2Timer() { settings_.TickHoldoff(); }

void TForm_Preview::closeEvent(QCloseEvent* event) {
  CancelAutoAlign();
  QWidget::closeEvent(event);
  if (hooks_.closed) hooks_.closed();
}

}  // namespace tandemix
