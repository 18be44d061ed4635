// "Render…": asks for the movie's file name, video codec and quality and
// sound codec, then encodes the viewer's script on a thread of its own
// with a progress bar, the time left and Cancel, while the viewer stays in
// use. At the end it says where the movie is and offers to open its folder.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "viewer/RenderDialogModel.h"

namespace tandemix {

struct RenderWindowHooks {
  std::function<void(const std::string&)> showError;
  // The end: says where the file is; true opens its folder.
  std::function<bool(const std::string& text)> askOpenFolder;
  std::function<void(const std::string& folder)> openFolder;
  // A save dialog for the file name; empty: cancelled.
  std::function<std::string(const std::string& current)> askFileName;
};

class TForm_Render : public QDialog {
  Q_OBJECT

 public:
  // Without hooks the window asks with message boxes and file dialogs.
  explicit TForm_Render(SettingsStore* settings, RenderWindowHooks hooks = {}, QWidget* parent = nullptr);
  ~TForm_Render() override;

  // Shows the dialog for `script`; while a render runs, shows that one
  // and says a second cannot start.
  void Open(const std::string& script);

  RenderDialogModel& Model() { return model_; }

  QLineEdit* Edit_File;
  QPushButton* Button_Browse;
  QComboBox* Combo_Video;
  QLineEdit* Edit_Quality;
  QComboBox* Combo_Audio;
  QProgressBar* ProgressBar1;
  QLabel* Label_Progress;
  QPushButton* Button_Render;
  QPushButton* Button_Cancel;

  void Button_RenderClick();
  void Button_CancelClick();
  void Button_BrowseClick();

 signals:
  void Finished();  // a render ended (written, failed or cancelled)

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void ReadControls();
  void RefreshControls();
  void ShowProgress(int done, int total, double elapsed, const std::string& note);
  void RenderEnded(bool written, const std::string& message, int frames);
  void ShowError(const std::string& message);

  RenderDialogModel model_;
  RenderWindowHooks hooks_;
  std::thread worker_;
  std::atomic<bool> cancel_{false};
  std::string target_;
};

}  // namespace tandemix
