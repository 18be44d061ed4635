// The main window's handlers: each reads its control, runs one model
// operation and refreshes the controls from the project state.
#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
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
#include "project/CameraPair.h"
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
constexpr const char* kUnsavedCaption = "Unsaved changes";
constexpr const char* kProjectOpenedCaption = "Project opened";
constexpr const char* kNewClipsCaption = "New clips";
constexpr const char* kNewClipsQuestion =
    "Loading new clips sets the alignment (shifts, scales and tilts) and the offset back to their start values, "
    "since they belong to the clips loaded now. Load new clips?";

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

// The last project's folder; before there is one, the clips' folder (the
// program's folder holds the templates, not the user's work).
std::string TForm_Main::ProjectStartFolder() const {
  if (document_.HasPath()) return FolderOf(document_.Path());
  if (!project_.clipAFileName.empty()) return FolderOf(project_.clipAFileName);
  return programFolder_;
}

LineList TForm_Main::Snapshot() const { return ProjectSnapshot(project_, alignment_, viewer_); }

bool TForm_Main::Modified() const { return document_.Modified(Snapshot()); }

void TForm_Main::RefreshTitle() {
  const QString title = Q(document_.Title(Modified(), "Tandemix v" TANDEMIX_VERSION));
  if (windowTitle() != title) setWindowTitle(title);
  if (Label_Hint) {
    const QString hint = Q(StartHint(project_));
    if (Label_Hint->text() != hint) Label_Hint->setText(hint);
  }
}

bool TForm_Main::MayDiscardChanges(const std::string& doing) {
  if (!Modified()) return true;
  return prompts_.AskYesNo(kUnsavedCaption,
                           "The project has changes that are not saved. " + doing + " without saving them?");
}

std::vector<std::string> TForm_Main::RecentProjects() const {
  return settings_ ? SplitRecent(settings_->Text(kRecentProjectsKey)) : std::vector<std::string>{};
}

void TForm_Main::RebuildRecentMenu() {
  FileRecent->clear();
  const std::vector<std::string> recent = RecentProjects();
  for (const std::string& path : recent) {
    QAction* action = FileRecent->addAction(Q(path));
    connect(action, &QAction::triggered, this, [this, path] {
      if (MayDiscardChanges("Open another project")) OpenProject(path);
    });
  }
  FileRecent->setEnabled(!recent.empty());
}

void TForm_Main::AfterSaveOrOpen(const std::string& path) {
  document_.MarkSaved(path, Snapshot());
  if (settings_) {
    settings_->SetText(kRecentProjectsKey, JoinRecent(PushRecent(RecentProjects(), path)));
    settings_->Sync();
  }
  RebuildRecentMenu();
  RefreshTitle();
}

bool TForm_Main::SaveProjectTo(const std::string& path) {
  bool saved = false;
  Guarded([&] {
    // The .avp stays as other tools read it; the rest goes beside it.
    SaveProject(path, project_);
    SaveSession(SessionPathOf(path), SessionOf(project_, alignment_, viewer_, generator_.KnownScripts()));
    AfterSaveOrOpen(path);
    saved = true;
  });
  return saved;
}

void TForm_Main::Button_SaveProjectClick() {
  Guarded([&] {
    FileDialogRequest request;
    request.save = true;
    request.title = "Choose Filename for AviSynth Project (*.avp)";
    request.filters = {kProjectFilter};
    request.defaultSuffix = "avp";
    request.initialFolder = ProjectStartFolder();
    request.fileName = document_.Path();
    request.confirmOverwrite = true;
    request.kind = FileKind::Projects;
    const auto path = prompts_.AskFileName(request);
    if (!path) return;
    SaveProjectTo(*path);
  });
}

void TForm_Main::ButtonLoadProjectClick() {
  Guarded([&] {
    if (!MayDiscardChanges("Open another project")) return;
    FileDialogRequest request;
    request.title = "Load AviSynth Project (*.avp)";
    request.filters = {kProjectFilter};
    request.defaultSuffix = "avp";
    request.initialFolder = ProjectStartFolder();
    request.mustExist = false;
    request.kind = FileKind::Projects;
    const auto path = prompts_.AskFileName(request);
    if (!path) return;
    OpenProject(*path);
  });
}

void TForm_Main::OpenProject(const std::string& path) {
  Guarded([&] {
    // The whole file, and its session, are read and checked before
    // anything changes.
    const ProjectFileContents contents = ReadProject(path);
    const std::optional<SessionContents> session = ReadSession(SessionPathOf(path));
    const SchemeView view = ApplyLoadedProject(project_, contents);
    SyncOptionControls();
    ApplySchemeView(view);
    std::vector<std::string> problems;
    if (session) problems = RestoreSession(*session);
    AfterSaveOrOpen(path);
    if (!problems.empty()) {
      std::string text = "The project " + path + " opened, but not everything could be restored:";
      for (const std::string& p : problems) text += "\n" + p;
      prompts_.ShowMessage(kProjectOpenedCaption, text);
    }
  });
}

std::vector<std::string> TForm_Main::RestoreSession(const SessionContents& session) {
  std::vector<std::string> problems;
  for (const std::string& p : session.problems) problems.push_back("The session file's " + p);
  // The clips are measured again: they may have changed since.
  const auto restore = [&](const char* which, const std::string& path, auto load, std::string& held) {
    if (path.empty()) return;
    if (!QFileInfo::exists(Q(path))) {
      problems.push_back(std::string("The ") + which + " clip " + path +
                         " is no longer there; load the clips again with Load Clips.");
      held.clear();
      return;
    }
    const ClipLoadOutcome outcome =
        Measuring(path, [&](const MeasureProgress& progress) { return load(path, progress); });
    if (!outcome.accepted) {
      problems.push_back(std::string("The ") + which + " clip " + path + " could not be opened" +
                         (outcome.detail.empty() ? "." : ": " + outcome.detail));
      held.clear();
    }
  };
  restore(
      "left", session.clipA,
      [&](const std::string& p, const MeasureProgress& m) { return LoadLeftClip(project_, viewer_, video_, p, m); },
      project_.clipAFileName);
  if (!project_.importStereo) {
    restore(
        "right", session.clipB,
        [&](const std::string& p, const MeasureProgress& m) { return LoadRightClip(project_, viewer_, video_, p, m); },
        project_.clipBFileName);
  }
  Label_ClipAName->setText(project_.clipAFileName.empty() ? " " : Q(ShownClipName(project_.clipAFileName)));
  Label_ClipBName->setText(
      project_.clipBFileName.empty() || project_.importStereo ? " " : Q(ShownClipName(project_.clipBFileName)));
  if (!session.outputScriptName.empty()) project_.outputScriptName = session.outputScriptName;
  // The answers about the cameras hold while the clips are the same.
  project_.conformRate = session.conformRate;
  project_.scaleRightToLeft = session.scaleRight;
  viewer_.offset.SetPosition(session.offset);
  if (viewer_.Offset() != session.offset)
    problems.push_back("The offset of " + std::to_string(session.offset) + " frames does not fit the clips; it is " +
                       std::to_string(viewer_.Offset()) + " now.");
  ResetAlignment(alignment_);
  ApplySessionAlignment(session, alignment_);
  generator_.SetKnownScripts(session.scripts);
  NotifyAlignmentChanged();
  return problems;
}

void TForm_Main::NotifyAlignmentChanged() {
  if (alignmentChanged_) alignmentChanged_();
}

void TForm_Main::ResetPairState() {
  ResetAlignment(alignment_);
  viewer_.offset.SetPosition(0);
  NotifyAlignmentChanged();
}

void TForm_Main::FileNewClick() {
  if (!MayDiscardChanges("Start a new project")) return;
  const ProjectState fresh;
  project_.blocks = fresh.blocks;
  project_.currentBlock = fresh.currentBlock;
  project_.importStereo = fresh.importStereo;
  project_.convertBefore = fresh.convertBefore;
  project_.convertBeforeEnabled = fresh.convertBeforeEnabled;
  project_.fileType = fresh.fileType;
  project_.clipAFileName.clear();
  project_.clipBFileName.clear();
  project_.leftClipWidth = project_.leftClipHeight = project_.leftFrameCount = 0;
  project_.rightClipWidth = project_.rightClipHeight = project_.rightFrameCount = 0;
  project_.outputScriptName.clear();
  const AlignmentSettings start;
  alignment_.useFinalSize = start.useFinalSize;
  alignment_.autoCrop = start.autoCrop;
  alignment_.swapViews = start.swapViews;
  alignment_.finalWidthText = start.finalWidthText;
  alignment_.finalHeightText = start.finalHeightText;
  alignment_.sliderAValue = start.sliderAValue;
  alignment_.sliderBValue = start.sliderBValue;
  alignment_.sliderAStep = start.sliderAStep;
  alignment_.sliderBStep = start.sliderBStep;
  viewer_.offset = ViewerState().offset;
  ResetPairState();
  SyncOptionControls();
  RefreshBlockScheme();
  document_.MarkSaved("", Snapshot());
  RefreshTitle();
}

void TForm_Main::FileOpenClick() { ButtonLoadProjectClick(); }

void TForm_Main::FileSaveClick() {
  if (document_.HasPath()) {
    SaveProjectTo(document_.Path());
    return;
  }
  Button_SaveProjectClick();
}

void TForm_Main::FileSaveAsClick() { Button_SaveProjectClick(); }

void TForm_Main::FileReopenLastClick() {
  if (!settings_) return;
  settings_->SetText(kReopenLastKey, FileReopenLast->isChecked() ? "1" : "0");
  settings_->Sync();
}

void TForm_Main::FileQuitClick() { close(); }

void TForm_Main::StartWith(const std::vector<std::string>& arguments) {
  const StartChoice choice =
      ChooseStart(arguments, settings_ && settings_->Text(kReopenLastKey) == "1", RecentProjects(),
                  [](const std::string& path) { return QFileInfo::exists(Q(path)); });
  switch (choice.kind) {
    case StartChoice::Kind::OpenProject:
      OpenProject(choice.path);
      break;
    case StartChoice::Kind::EditTemplate:
      if (!shell_.StartTextEditor(choice.path)) prompts_.ShowMessage(kNoEditorCaption, kNoEditorText);
      break;
    case StartChoice::Kind::None:
      break;
  }
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
    if ((!AlignmentAtStart(alignment_) || viewer_.Offset() != 0) &&
        !prompts_.AskYesNo(kNewClipsCaption, kNewClipsQuestion))
      return;
    ClipLoadOutcome outcome = Measuring(*left, [&](const MeasureProgress& progress) {
      return LoadLeftClip(project_, viewer_, video_, *left, progress);
    });
    if (outcome.cancelled) return;
    if (!outcome.accepted) {
      prompts_.ShowMessage(outcome.caption, RefusalText(outcome, *left));
      if (project_.clipAFileName.empty()) Label_ClipAName->setText(" ");
      return;
    }
    Label_ClipAName->setText(Q(ShownClipName(project_.clipAFileName)));
    // What was aligned belonged to the last pair.
    ResetPairState();
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
      prompts_.ShowMessage(outcome.caption, RefusalText(outcome, *right));
      if (project_.clipBFileName.empty()) Label_ClipBName->setText(" ");
      return;
    }
    Label_ClipBName->setText(Q(ShownClipName(project_.clipBFileName)));
    AskAboutCameras();
  });
}

void TForm_Main::AskAboutCameras() {
  if (const std::string rate = RateQuestion(project_); !rate.empty())
    project_.conformRate = prompts_.AskYesNo(kCamerasDifferCaption, rate);
  if (const std::string size = SizeQuestion(project_); !size.empty()) {
    if (HeightsDiffer(project_)) {
      project_.scaleRightToLeft = prompts_.AskYesNo(kCamerasDifferCaption, size);
    } else {
      prompts_.ShowMessage(kCamerasDifferCaption, size);
    }
  }
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

// Help and F1: the program's manual; without one, AviSynth's documentation.
void TForm_Main::Button3Click() {
  const std::string manual = ManualPath(programFolder_);
  if (QFileInfo(Q(manual)).isFile()) {
    shell_.OpenDocument(manual);
    return;
  }
  HelpAviSynthClick();
}

void TForm_Main::HelpAviSynthClick() {
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
