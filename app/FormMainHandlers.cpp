// The main window's handlers: each reads its control, runs one model
// operation and refreshes the controls from the project state.
#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <exception>

#include "app/FormBlockPanel.h"
#include "app/FormMain.h"
#include "base/Errors.h"
#include "core/WindowRules.h"
#include "desktop/ShellAviSynthDocs.h"
#include "project/ClipLoading.h"
#include "project/FilterListEditing.h"
#include "project/ProjectFile.h"
#include "project/StereoLayout.h"
#include "widgets/WidgetMaking.h"

namespace tandemix {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

constexpr const char* kProjectFilter = "Avisynth Project (*.avp)|*.avp";
constexpr const char* kVideoClipNotLoaded = "Video clip not loaded";

constexpr const char* kNoEditorCaption = "No text editor";
constexpr const char* kNoEditorText =
    "No text editor was found to edit templates with. Set the VISUAL (or EDITOR) environment variable to the "
    "editor you want, for example VISUAL=gedit, or install a text editor.";

FileDialogRequest ClipRequest(const char* title, const std::string& current, FileType type) {
  FileDialogRequest request;
  request.title = title;
  request.filters = ClipDialogFilters(type);
  request.fileName = current;
  request.kind = FileKind::Clips;
  return request;
}

}  // namespace

template <typename Body>
void TForm_Main::Guarded(Body&& body) {
  RunShowingFailure(std::forward<Body>(body), [this](const std::string& message) { prompts_.ShowError(message); });
}

// ---- Block scheme ---------------------------------------------------------

void TForm_Main::RefreshBlockScheme() { ApplySchemeView(tandemix::RefreshBlockScheme(project_)); }

void TForm_Main::ApplySchemeView(const SchemeView& view) {
  for (int n : kBlockPanels) {
    TBlockPanel* panel = panels_[static_cast<std::size_t>(n)];
    const PanelLook& look = view.Panel(n);
    panel->SetCaption(Q(look.caption));
    panel->setVisible(look.visible);
    panel->setEnabled(look.enabled);
    panel->SetLit(look.lit);
  }
  Button_Load->setText(Q(view.loadButtonCaption));
  Label_FileNameLeft->setText(Q(view.fileNameLeft));
  Label_FileNameRight->setText(Q(view.fileNameRight));
  Label_ClipAName->setText(Q(view.clipAName));
  Label_ClipBName->setText(Q(view.clipBName));
  ShowFilters(view.filters, view.selectedFilter);
}

void TForm_Main::ShowFilters(const FilterBlock& filters, int selected) {
  const QSignalBlocker blocker(ListBox_Filters);
  ListBox_Filters->clear();
  for (const auto& name : filters) ListBox_Filters->addItem(Q(name));
  ListBox_Filters->setCurrentRow(selected);
  if (selected < 0) ListBox_Filters->clearSelection();
}

int TForm_Main::SelectedFilter() const {
  const int row = ListBox_Filters->currentRow();
  return row >= 0 && ListBox_Filters->item(row)->isSelected() ? row : -1;
}

void TForm_Main::SyncOptionControls() {
  {
    const QSignalBlocker a(CheckBox_ImportStereo);
    const QSignalBlocker b(CheckBox_ConvertBefore);
    CheckBox_ImportStereo->setChecked(project_.importStereo);
    CheckBox_ConvertBefore->setChecked(project_.convertBefore);
    CheckBox_ConvertBefore->setEnabled(project_.convertBeforeEnabled);
  }
  SetFileTypeIndex(static_cast<int>(project_.fileType));
}

void TForm_Main::SetFileTypeIndex(int index) {
  const QSignalBlocker blocker(fileTypeButtons_);
  if (index >= 0 && index < 4) {
    fileTypeItems_[static_cast<std::size_t>(index)]->setChecked(true);
    return;
  }
  // No item selected: an exclusive group cannot uncheck its last button.
  fileTypeButtons_->setExclusive(false);
  for (QRadioButton* item : fileTypeItems_) item->setChecked(false);
  fileTypeButtons_->setExclusive(true);
}

void TForm_Main::CheckBox_ImportStereoClick() {
  project_.importStereo = CheckBox_ImportStereo->isChecked();
  const SchemeView view = ImportStereoClick(project_);
  SyncOptionControls();
  ApplySchemeView(view);
}

void TForm_Main::CheckBox_ConvertBeforeClick() {
  project_.convertBefore = CheckBox_ConvertBefore->isChecked();
  ApplySchemeView(ConvertBeforeClick(project_));
}

void TForm_Main::RadioGroup_FileTypeClick() {
  project_.fileType = static_cast<FileType>(fileTypeButtons_->checkedId());
  ApplySchemeView(FileTypeClick(project_));
}

void TForm_Main::PanelMouseDown(int panel, Qt::MouseButton button) {
  ApplySchemeView(tandemix::PanelMouseDown(project_, panel, button == Qt::RightButton));
}

// ---- Template library -----------------------------------------------------

void TForm_Main::refreshlist() {
  library_.Refresh();
  const QSignalBlocker blocker(ListBox_Templates);
  ListBox_Templates->clear();
  for (const auto& name : library_.Names()) ListBox_Templates->addItem(Q(name));
  ListBox_Templates->setCurrentRow(library_.Selected());
}

void TForm_Main::New1Click() {
  if (!shell_.StartTextEditor("")) prompts_.ShowMessage(kNoEditorCaption, kNoEditorText);
  refreshlist();
}

void TForm_Main::Edit1Click() {
  const auto path = library_.SelectedPath();
  if (path && !shell_.StartTextEditor(*path)) prompts_.ShowMessage(kNoEditorCaption, kNoEditorText);
}

void TForm_Main::Clear1Click() {
  const auto name = library_.SelectedName();
  if (!name) return;
  if (!prompts_.AskYesNo(kConfirmationCaption, ClearConfirmationText(*name))) return;
  library_.DeleteSelected();
  refreshlist();
}

void TForm_Main::Refresh1Click() { refreshlist(); }

void TForm_Main::Button8Click() {
  Guarded([&] {
    const FilterBlock chain = project_.Current();
    if (chain.empty()) return;
    FileDialogRequest request;
    request.save = true;
    request.title = "Choose Filename for AviSynth Template (*.avt)";
    request.filters = {"AviSynth Template (*.avt)|*.avt"};
    request.defaultSuffix = "avt";
    request.initialFolder = programFolder_;
    request.confirmOverwrite = true;
    request.kind = FileKind::Templates;
    const auto path = prompts_.AskFileName(request);
    if (!path) return;
    library_.SaveChain(chain, *path);
    refreshlist();
  });
}

// ---- Applied filters ------------------------------------------------------

void TForm_Main::BitBtn1Click() {
  const int row = AddFilter(project_.Current(), library_.SelectedName(), SelectedFilter());
  ShowFilters(project_.Current(), row);
}

void TForm_Main::ListBox_FiltersContextPopup() { BitBtn1Click(); }

void TForm_Main::BitBtn2Click() {
  const int row = DeleteFilter(project_.Current(), SelectedFilter());
  ShowFilters(project_.Current(), row);
}

void TForm_Main::BitBtn3Click() {
  const int row = MoveFilterUp(project_.Current(), SelectedFilter());
  ShowFilters(project_.Current(), row);
}

void TForm_Main::BitBtn4Click() {
  const int row = MoveFilterDown(project_.Current(), SelectedFilter());
  ShowFilters(project_.Current(), row);
}

// ---- Projects -------------------------------------------------------------

void TForm_Main::Button_SaveProjectClick() {
  Guarded([&] {
    FileDialogRequest request;
    request.save = true;
    request.title = "Choose Filename for AviSynth Project (*.avp)";
    request.filters = {kProjectFilter};
    request.defaultSuffix = "avp";
    request.initialFolder = programFolder_;
    request.confirmOverwrite = true;
    request.kind = FileKind::Projects;
    const auto path = prompts_.AskFileName(request);
    if (!path) return;
    SaveProject(*path, project_);
  });
}

void TForm_Main::ButtonLoadProjectClick() {
  Guarded([&] {
    FileDialogRequest request;
    request.title = "Load AviSynth Project (*.avp)";
    request.filters = {kProjectFilter};
    request.defaultSuffix = "avp";
    request.initialFolder = programFolder_;
    request.mustExist = false;
    request.kind = FileKind::Projects;
    const auto path = prompts_.AskFileName(request);
    if (!path) return;
    // The whole file is read and checked before anything changes.
    const ProjectFileContents contents = ReadProject(*path);
    const SchemeView view = ApplyLoadedProject(project_, contents);
    SyncOptionControls();
    ApplySchemeView(view);
  });
}

// ---- Clips ----------------------------------------------------------------

// Measuring a clip can read the whole file: the busy cursor shows at once,
// and a progress dialog with Cancel when it takes longer than half a second.
ClipLoadOutcome TForm_Main::Measuring(const std::string& path,
                                      const std::function<ClipLoadOutcome(const MeasureProgress&)>& load) {
  const BusyCursor busy;
  QProgressDialog dialog(QString("Measuring %1 \u2026").arg(QFileInfo(Q(path)).fileName()), "Cancel", 0, 1000, this);
  dialog.setObjectName("MeasuringProgress");
  dialog.setWindowTitle("Tandemix");
  dialog.setWindowModality(Qt::WindowModal);
  dialog.setMinimumDuration(500);
  dialog.setAutoClose(false);
  dialog.setAutoReset(false);
  dialog.setValue(0);
  return load([&dialog](double fraction) {
    dialog.setValue(static_cast<int>(fraction * 1000));
    QCoreApplication::processEvents();
    return !dialog.wasCanceled();
  });
}

void TForm_Main::Button_LoadClick() {
  Guarded([&] {
    const auto left =
        prompts_.AskFileName(ClipRequest("Load Left Clip (ClipA)", project_.clipAFileName, project_.fileType));
    if (!left) return;
    ClipLoadOutcome outcome = Measuring(*left, [&](const MeasureProgress& progress) {
      return LoadLeftClip(project_, viewer_, video_, *left, progress);
    });
    if (outcome.cancelled) return;
    if (!outcome.accepted) {
      prompts_.ShowMessage(outcome.caption, outcome.message);
      if (project_.clipAFileName.empty()) Label_ClipAName->setText(" ");
      return;
    }
    Label_ClipAName->setText(Q(ShownClipName(project_.clipAFileName)));
    if (project_.importStereo) {
      ProposeSplitTemplate();
      return;
    }

    const auto right =
        prompts_.AskFileName(ClipRequest("Load Right Clip (ClipB)", project_.clipBFileName, project_.fileType));
    if (!right) return;
    outcome = Measuring(*right, [&](const MeasureProgress& progress) {
      return LoadRightClip(project_, viewer_, video_, *right, progress);
    });
    if (outcome.cancelled) return;
    if (!outcome.accepted) {
      prompts_.ShowMessage(outcome.caption, outcome.message);
      if (project_.clipBFileName.empty()) Label_ClipBName->setText(" ");
      return;
    }
    Label_ClipBName->setText(Q(ShownClipName(project_.clipBFileName)));
  });
}

void TForm_Main::ProposeSplitTemplate() {
  const auto proposal = ProposeSplit(project_, DetectStereoLayout(project_.clipAFileName, video_), library_.Names());
  if (!proposal || !prompts_.AskYesNo(kStereoLayoutCaption, proposal->question)) return;
  AcceptSplit(project_, *proposal);
  ShowFilters(project_.Current(), -1);
}

// ---- Commands -------------------------------------------------------------

void TForm_Main::Button1Click() {
  if (const Check check = CheckOpenPreview(project_); !check.Passed()) {
    prompts_.ShowMessage(kVideoClipNotLoaded, check.Why());
    return;
  }
  Guarded([&] {
    const BusyCursor busy;
    generator_.GenerateScripts(false);
  });
}

void TForm_Main::Button3Click() {
  if (!HelpDocumentInstalled(docsFolder_)) {
    if (prompts_.AskYesNo("Help", MissingHelpQuestion())) shell_.OpenUrl(kOnlineAviSynthDocs);
    return;
  }
  shell_.OpenDocument(HelpDocumentPath(docsFolder_));
}

void TForm_Main::About1Click() {
  if (!about_) return;
  if (!about_->isVisible()) {
    QRect screen = about_->geometry();
    if (const QScreen* s = this->screen()) screen = s->availableGeometry();
    about_->move(CentredOn(frameGeometry(), about_->frameGeometry().size(), screen));
  }
  about_->show();
  about_->raise();
  about_->activateWindow();
}

}  // namespace tandemix
