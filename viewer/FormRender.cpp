#include "viewer/FormRender.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QUrl>

#include "core/SettingsKeys.h"
#include "render/RenderEncoder.h"
#include "script/ScriptLayout.h"

namespace tandemix {

TForm_Render::TForm_Render(SettingsStore* settings, RenderWindowHooks hooks, QWidget* parent)
    : QDialog(parent), model_(settings), hooks_(std::move(hooks)) {
  setObjectName("Form_Render");
  setWindowTitle("Render");
  auto* grid = new QGridLayout(this);
  Edit_File = new QLineEdit(this);
  Edit_File->setObjectName("Edit_File");
  Edit_File->setMinimumWidth(360);
  Button_Browse = new QPushButton("Browse…", this);
  Button_Browse->setObjectName("Button_Browse");
  Combo_Video = new QComboBox(this);
  Combo_Video->setObjectName("Combo_Video");
  for (render::VideoCodec v : RenderDialogModel::kVideoCodecs) Combo_Video->addItem(render::Description(v));
  Edit_Quality = new QLineEdit(this);
  Edit_Quality->setObjectName("Edit_Quality");
  Edit_Quality->setToolTip("CRF: lower is better and larger; 18 looks like the source with H.264. Empty: default.");
  Combo_Audio = new QComboBox(this);
  Combo_Audio->setObjectName("Combo_Audio");
  for (render::AudioCodec a : RenderDialogModel::kAudioCodecs) Combo_Audio->addItem(render::Description(a));
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setRange(0, 1000);
  ProgressBar1->setTextVisible(false);
  Label_Progress = new QLabel(this);
  Label_Progress->setObjectName("Label_Progress");
  Label_Progress->setWordWrap(true);
  Label_Progress->setMinimumHeight(34);
  Button_Render = new QPushButton("Render", this);
  Button_Render->setObjectName("Button_Render");
  Button_Render->setDefault(true);
  Button_Cancel = new QPushButton("Close", this);
  Button_Cancel->setObjectName("Button_Cancel");

  grid->addWidget(new QLabel("Movie file:", this), 0, 0);
  grid->addWidget(Edit_File, 0, 1, 1, 2);
  grid->addWidget(Button_Browse, 0, 3);
  grid->addWidget(new QLabel("Video:", this), 1, 0);
  grid->addWidget(Combo_Video, 1, 1);
  grid->addWidget(new QLabel("Quality (CRF):", this), 1, 2);
  grid->addWidget(Edit_Quality, 1, 3);
  grid->addWidget(new QLabel("Sound:", this), 2, 0);
  grid->addWidget(Combo_Audio, 2, 1);
  grid->addWidget(ProgressBar1, 3, 0, 1, 4);
  grid->addWidget(Label_Progress, 4, 0, 1, 4);
  grid->addWidget(Button_Render, 5, 2);
  grid->addWidget(Button_Cancel, 5, 3);

  connect(Button_Render, &QPushButton::clicked, this, &TForm_Render::Button_RenderClick);
  connect(Button_Cancel, &QPushButton::clicked, this, &TForm_Render::Button_CancelClick);
  connect(Button_Browse, &QPushButton::clicked, this, &TForm_Render::Button_BrowseClick);
  connect(Combo_Video, &QComboBox::currentIndexChanged, this, [this] {
    // FFV1 is lossless: no quality to give.
    Edit_Quality->setEnabled(!model_.Running() && Combo_Video->currentIndex() != 3);
  });
}

TForm_Render::~TForm_Render() {
  cancel_ = true;
  if (worker_.joinable()) worker_.join();
}

void TForm_Render::Open(const std::string& script) {
  if (model_.Running()) {
    show();
    raise();
    ShowError("A movie is being rendered; wait for it or cancel it before starting another.");
    return;
  }
  model_.Prepare(script);
  Label_Progress->setText(QString::fromStdString("Script: " + script));
  ProgressBar1->setValue(0);
  RefreshControls();
  show();
  raise();
  activateWindow();
}

void TForm_Render::ReadControls() {
  model_.fileName = Edit_File->text().trimmed().toStdString();
  model_.videoIndex = Combo_Video->currentIndex();
  model_.qualityText = Edit_Quality->text().trimmed().toStdString();
  model_.audioIndex = Combo_Audio->currentIndex();
}

void TForm_Render::RefreshControls() {
  const bool idle = !model_.Running();
  Edit_File->setText(QString::fromStdString(model_.fileName));
  Combo_Video->setCurrentIndex(model_.videoIndex);
  Edit_Quality->setText(QString::fromStdString(model_.qualityText));
  Combo_Audio->setCurrentIndex(model_.audioIndex);
  for (QWidget* w :
       {static_cast<QWidget*>(Edit_File), static_cast<QWidget*>(Button_Browse), static_cast<QWidget*>(Combo_Video),
        static_cast<QWidget*>(Combo_Audio), static_cast<QWidget*>(Button_Render)})
    w->setEnabled(idle);
  Edit_Quality->setEnabled(idle && model_.videoIndex != 3);
  Button_Cancel->setText(idle ? "Close" : "Cancel");
}

void TForm_Render::ShowError(const std::string& message) {
  if (hooks_.showError)
    hooks_.showError(message);
  else
    QMessageBox::warning(this, "Render", QString::fromStdString(message));
}

void TForm_Render::Button_BrowseClick() {
  ReadControls();
  std::string chosen;
  if (hooks_.askFileName)
    chosen = hooks_.askFileName(model_.fileName);
  else
    chosen = QFileDialog::getSaveFileName(this, "Render to movie file", QString::fromStdString(model_.fileName),
                                          "Movies (*.mp4 *.mkv *.mov *.avi);;All files (*)")
                 .toStdString();
  if (chosen.empty()) return;
  model_.fileName = chosen;
  Edit_File->setText(QString::fromStdString(chosen));
}

void TForm_Render::Button_RenderClick() {
  if (model_.Running()) {
    ShowError("A movie is being rendered; wait for it or cancel it before starting another.");
    return;
  }
  ReadControls();
  render::RenderSettings settings;
  try {
    settings = model_.Settings();
  } catch (const TandemixError& e) {
    ShowError(e.what());
    return;
  }
  model_.Remember();
  model_.Begin();
  if (worker_.joinable()) worker_.join();
  cancel_ = false;
  target_ = model_.fileName;
  RefreshControls();
  Label_Progress->setText("Rendering…");
  const std::string script = model_.Script();
  const std::string target = target_;
  worker_ = std::thread([this, script, target, settings] {
    // Progress reaches the window through its event queue, at most every
    // tenth of a second and at the last frame.
    double shown = -1.0;
    const auto progress = [&](const render::RenderProgress& p) {
      if (p.done != p.total && p.elapsedSeconds - shown < 0.1) return;
      shown = p.elapsedSeconds;
      QMetaObject::invokeMethod(
          this, [this, p] { ShowProgress(p.done, p.total, p.elapsedSeconds, p.note); }, Qt::QueuedConnection);
    };
    bool written = false;
    std::string message;
    int frames = 0;
    try {
      const render::RenderResult result =
          render::RenderScript(script, target, settings, LayoutOfScriptFile(script), progress, &cancel_);
      written = true;
      frames = result.frames;
      message = result.note;
    } catch (const std::exception& e) {
      message = e.what();
    }
    QMetaObject::invokeMethod(
        this, [this, written, message, frames] { RenderEnded(written, message, frames); }, Qt::QueuedConnection);
  });
}

void TForm_Render::ShowProgress(int done, int total, double elapsed, const std::string& note) {
  if (!model_.Running()) return;
  ProgressBar1->setValue(RenderDialogModel::PerMille(done, total));
  Label_Progress->setText(QString::fromStdString(RenderDialogModel::ProgressLine(done, total, elapsed, note)));
}

void TForm_Render::RenderEnded(bool written, const std::string& message, int frames) {
  if (worker_.joinable()) worker_.join();
  model_.End();
  RefreshControls();
  emit Finished();
  if (!written) {
    ProgressBar1->setValue(0);
    Label_Progress->setText(QString::fromStdString(message));
    if (!cancel_) ShowError(message);
    return;
  }
  ProgressBar1->setValue(1000);
  const std::string text = RenderDialogModel::FinishedText(target_, frames) + (message.empty() ? "" : "\n" + message);
  Label_Progress->setText(QString::fromStdString(text));
  const std::string folder = FolderOf(target_).empty() ? "." : FolderOf(target_);
  bool open = false;
  if (hooks_.askOpenFolder) {
    open = hooks_.askOpenFolder(text);
  } else {
    open = QMessageBox::question(this, "Render", QString::fromStdString(text + "\n\nOpen its folder?"),
                                 QMessageBox::Open | QMessageBox::Close, QMessageBox::Close) == QMessageBox::Open;
  }
  if (!open) return;
  if (hooks_.openFolder)
    hooks_.openFolder(folder);
  else
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
}

void TForm_Render::Button_CancelClick() {
  if (model_.Running()) {
    cancel_ = true;
    Label_Progress->setText("Cancelling…");
    return;
  }
  hide();
}

// Closing the window while it renders cancels the render.
void TForm_Render::closeEvent(QCloseEvent* event) {
  if (model_.Running()) cancel_ = true;
  QDialog::closeEvent(event);
}

}  // namespace tandemix
