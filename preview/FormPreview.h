// The adjustment window: displacement, scale and tilt of the views, the
// user sliders, the video-size switches, what the preview shows, Reset All,
// Save Frame and Apply to Clip. Its behaviour is AdjustmentModel's; the
// window reads its controls into the model and refreshes them from it.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "preview/AdjustmentModel.h"
#include "preview/AutoAlignRunner.h"
#include "preview/FormDepthHistogram.h"

namespace tandemix {

// What the window needs from the rest of the program.
struct PreviewWindowHooks {
  std::function<void()> composePreview;  // renders PreviewImage; may throw
  // A bar is being dragged: asks for a picture without waiting for it.
  std::function<void()> dragPreview;
  std::function<void()> regenerate;  // GenerateScripts(true); may throw
  std::function<void()> showSliderDialog;
  // "Enter name of the output bmp File": the chosen path or nullopt.
  std::function<std::optional<std::string>()> askSavePicture;
  std::function<void(const std::string&)> savePreviewImage;  // may throw
  std::function<void(const std::string&)> showError;
  // "Auto align": on the window's thread, takes what the work needs (or
  // throws the reason it cannot start) and returns the work, which runs on
  // a thread of its own and gives a proposal from the captured frames (or
  // throws the reason).
  std::function<AutoAlignWork()> autoAlign;
  // The depth limits were changed in the window's boxes: kept as the
  // program's settings.
  std::function<void(const DepthLimits&)> depthLimitsChanged;
  // The window was closed by the user (its picture window goes with it).
  std::function<void()> closed;
};

class TForm_Preview : public QWidget, private AdjustmentHost {
  Q_OBJECT

 public:
  TForm_Preview(AlignmentSettings& settings, PreviewWindowHooks hooks, QWidget* parent = nullptr);

  AdjustmentModel& Model() { return model_; }
  // Brings every control into line with the model, running no handler.
  void RefreshControls();
  // The compositor enables the preview options only for the "Output" view.
  void SetPreviewOptionsEnabled(bool enabled) { RadioGroup_PreviewOptions->setEnabled(enabled); }
  // A running "Auto align" stops; what it would have found is not applied.
  void CancelAutoAlign();
  // An "Auto align" started and has not ended (a cancelled one included).
  bool AutoAligning() const { return aligner_->Busy(); }

  QScrollBar* ScrollBar_Horizontal;
  QScrollBar* ScrollBar_Vertical;
  QLineEdit* Edit_Horizontal;
  QLineEdit* Edit_Vertical;
  QScrollBar* ScrollBar_Resize;
  QScrollBar* ScrollBar_ResizeR;
  QLineEdit* Edit_Scale;
  QLineEdit* Edit_ScaleR;
  QCheckBox* CheckBox_Scale;
  QScrollBar* ScrollBar_Rotation;
  QScrollBar* ScrollBar_RotationR;
  QLineEdit* Edit_Angle;
  QLineEdit* Edit_AngleR;
  QCheckBox* CheckBox_Angle;
  QLabel* Label_SliderA;
  QScrollBar* ScrollBarA;
  QLineEdit* Edit_SliderA;
  QLabel* Label_SliderB;
  QScrollBar* ScrollBarB;
  QLineEdit* Edit_SliderB;
  QCheckBox* CheckBox_Crop;
  QCheckBox* CheckBox_FinalSize;
  QLineEdit* Edit_FinalWidth;
  QLineEdit* Edit_FinalHeight;
  QGroupBox* RadioGroup_ShowClip;
  QButtonGroup* ShowClipButtons;
  QGroupBox* RadioGroup_PreviewOptions;
  QButtonGroup* PreviewOptionButtons;
  QPushButton* Button1;  // "Reset All"
  QCheckBox* CheckBox_Swap;
  QPushButton* Button5;  // "Save Frame"
  QPushButton* Button4;  // "Apply to Clip"
  // "Auto align"; "Cancel" while it runs, "Cancelling…" until a cancelled
  // run has stopped.
  QPushButton* Button_AutoAlign;
  QLabel* Label_AutoAlign;  // how far a running "Auto align" came, what the last one found, or why it failed
  // The depth after "Auto align": near, median and far parallax, their
  // histogram with the limits, and the warnings in words. The window grows
  // to show them.
  // The limits first: the screen width in metres and the near budget in
  // percent of the width (the program's settings depth/screenWidth and
  // depth/nearBudget).
  QLabel* Label_ScreenWidth;
  QLineEdit* Edit_ScreenWidth;
  QLabel* Label_NearBudget;
  QLineEdit* Edit_NearBudget;
  QLabel* Label_Depth;
  TDepthHistogram* Histogram_Depth;
  QLabel* Label_DepthWarnings;
  QTimer* Timer2;

  // Handlers, one per control event.
  void Button1Click();
  void Button4Click();
  void Button5Click();
  void Button_AutoAlignClick();
  void Timer2Timer();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void RefreshPreview() override;
  void RequestRegeneration() override;
  void PreviewWhileDragging() override;
  void DepthLimitsChanged(const DepthLimits& limits) override;
  // Runs a handler, shows what it raised, then refreshes the controls.
  void Handle(const std::function<void()>& action);
  void BuildControls();
  void RefreshDepth();
  void RefreshAutoAlignButton();
  void KeepOnScreen();
  void AutoAlignDone(const AlignmentProposal& proposal);
  void ConnectScroll(QScrollBar* bar, void (AdjustmentModel::*handler)(int, bool));
  // `realValued`: the arrow keys and the wheel step the box by tenths
  // with Ctrl.
  // Leaving the box refuses a non-number in it.
  void ConnectEnter(QLineEdit* edit, NumberBox box, void (AdjustmentModel::*handler)(), bool realValued);
  void ConnectCheck(QCheckBox* box, void (AdjustmentModel::*handler)(bool));

  AlignmentSettings& settings_;
  PreviewWindowHooks hooks_;
  AdjustmentModel model_;
  std::unique_ptr<AutoAlignRunner> aligner_;
};

}  // namespace tandemix
