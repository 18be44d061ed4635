// The main window: the template library, the applied-filter list and its
// buttons, the "File(s)" group, the script block scheme and the project and
// preview commands. Every handler reads its control, calls one model
// operation and refreshes the controls from the project state.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/MainPrompts.h"
#include "core/AlignmentSettings.h"
#include "core/ViewerState.h"
#include "desktop/SettingsStore.h"
#include "desktop/Shell.h"
#include "platform/VideoServices.h"
#include "project/BlockScheme.h"
#include "project/ClipLoading.h"
#include "project/ProjectDocument.h"
#include "project/ProjectState.h"
#include "project/SessionFile.h"
#include "project/TemplateLibrary.h"
#include "script/ScriptGenerator.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QTimer;

namespace tandemix {

class TBitBtn;
class TBlockPanel;

// What the main window works with, all owned by the program start (or by a
// test).
struct MainWindowContext {
  ProjectState& project;
  ViewerState& viewer;
  VideoServices& video;
  ScriptGenerator& generator;
  MainPrompts& prompts;
  Shell& shell;
  std::string programFolder;  // the template library; no trailing '/'
  // The desktop's font size in pixels; the layout grows to suit a larger
  // one. 0 keeps the layout as drawn.
  int fontPixels = 0;
  // The alignment the session file keeps; null: the window keeps one of
  // its own (a window test that aligns nothing).
  AlignmentSettings* alignment = nullptr;
  // Recent projects and the start-up choice; null: nothing is remembered.
  SettingsStore* settings = nullptr;
  // The alignment or offset changed outside the adjustment window (new
  // clips, an opened project): its controls follow.
  std::function<void()> alignmentChanged = {};
  // Whether a movie is being rendered, and how to stop it.
  std::function<bool()> renderRunning = {};
  std::function<void()> cancelRender = {};
};

class TForm_Main : public QMainWindow {
  Q_OBJECT

 public:
  explicit TForm_Main(const MainWindowContext& context, QWidget* parent = nullptr);

  // The About window is made after this one; "About Tandemix" shows it.
  void SetAboutWindow(QWidget* about) { about_ = about; }

  const std::string& DocsFolder() const { return docsFolder_; }
  const TemplateLibrary& Templates() const { return library_; }

  // Controls whose caption does not fit them whole at the current font.
  std::vector<QString> UnfitCaptions() const;

  // Project documents. OpenProject reads the .avp and its session file
  // (clips, offset, alignment, sliders, final size, output name); a clip
  // that moved or vanished is reported and the rest is restored. A project
  // that does not read changes nothing.
  void OpenProject(const std::string& path);
  // Writes the .avp and the session file beside it; false when it failed
  // (the failure is shown).
  bool SaveProjectTo(const std::string& path);
  const ProjectDocument& Document() const { return document_; }
  bool Modified() const;
  // The title from the document: its name and a mark for unsaved changes.
  void RefreshTitle();
  // At start: a project or template named on the command line, else the
  // last project when the user asked for it.
  void StartWith(const std::vector<std::string>& arguments);

  // Scheme operations.
  void RefreshBlockScheme();
  void refreshlist();

  // Handlers, named after their control and event.
  void Button1Click();  // Open preview
  void Button3Click();  // Help
  void About1Click();
  // Help > AviSynth Documentation: the installed copy, or the web's.
  void HelpAviSynthClick();
  void Button_LoadClick();
  void Button_SaveProjectClick();
  void ButtonLoadProjectClick();
  void Button8Click();  // Save template
  void New1Click();
  void Edit1Click();
  void Clear1Click();
  void Refresh1Click();
  void BitBtn1Click();  // Add
  void BitBtn2Click();  // Delete
  void BitBtn3Click();  // Up
  void BitBtn4Click();  // Down
  void ListBox_FiltersContextPopup();
  void CheckBox_ImportStereoClick();
  void CheckBox_ConvertBeforeClick();
  void RadioGroup_FileTypeClick();
  void PanelMouseDown(int panel, Qt::MouseButton button);
  // File menu.
  void FileNewClick();
  void FileOpenClick();
  void FileSaveClick();  // Ctrl+S: the current file, asking only for a first name
  void FileSaveAsClick();
  void FileReopenLastClick();
  void FileQuitClick();

 signals:
  // The main window closed: the program ends.
  void FormClosed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void BuildControls();
  void BuildTemplateColumn(QWidget* client);
  void BuildFilesGroup(QWidget* client);
  void BuildBlockScheme(QWidget* client);
  void BuildCommands(QWidget* client);
  void BuildMenus();
  // The largest font up to `largestPixels` with which every caption fits.
  void ChooseFittingFont(int largestPixels);
  void ScaleLayout(QWidget* client, double scale);

  void ApplySchemeView(const SchemeView& view);
  void ShowFilters(const FilterBlock& filters, int selected);
  void SyncOptionControls();
  ClipLoadOutcome Measuring(const std::string& path,
                            const std::function<ClipLoadOutcome(const MeasureProgress&)>& load);
  // "Import Stereo Clip": offers the template that splits the loaded clip.
  void ProposeSplitTemplate();
  // Says what differs between the two clips just loaded and asks whether
  // the right one is conformed to the left one's rate and height.
  void AskAboutCameras();
  void SetFileTypeIndex(int index);
  int SelectedFilter() const;
  // Asks before unsaved changes are given up (`doing`: "Open another
  // project", ...); true when there are none or the user agrees.
  bool MayDiscardChanges(const std::string& doing);
  // The snapshot of the state as a save would write it.
  LineList Snapshot() const;
  void AfterSaveOrOpen(const std::string& path);
  void RebuildRecentMenu();
  std::vector<std::string> RecentProjects() const;
  // The clips, offset and alignment of an opened project's session;
  // returns what could not be restored.
  std::vector<std::string> RestoreSession(const SessionContents& session);
  // The alignment and offset back to their start values after new clips.
  void ResetPairState();
  void NotifyAlignmentChanged();
  std::string ProjectStartFolder() const;
  // Runs a handler body; a failure it does not check itself is shown.
  template <typename Body>
  void Guarded(Body&& body);

  ProjectState& project_;
  ViewerState& viewer_;
  VideoServices& video_;
  ScriptGenerator& generator_;
  MainPrompts& prompts_;
  Shell& shell_;
  std::string programFolder_;
  std::string docsFolder_;
  int fontPixels_;
  TemplateLibrary library_;
  QPointer<QWidget> about_;
  AlignmentSettings ownAlignment_;
  AlignmentSettings& alignment_;
  SettingsStore* settings_;
  std::function<void()> alignmentChanged_;
  std::function<bool()> renderRunning_;
  std::function<void()> cancelRender_;
  ProjectDocument document_;
  QTimer* titleTimer_ = nullptr;

  QLabel* Label3 = nullptr;
  QLabel* Label_Hint = nullptr;  // the next step, while the project is empty
  QListWidget* ListBox_Templates = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* New1 = nullptr;
  QAction* Edit1 = nullptr;
  QAction* Clear1 = nullptr;
  QAction* Refresh1 = nullptr;
  TBitBtn* BitBtn1 = nullptr;
  TBitBtn* BitBtn2 = nullptr;
  TBitBtn* BitBtn3 = nullptr;
  TBitBtn* BitBtn4 = nullptr;
  QLabel* Label4 = nullptr;
  QListWidget* ListBox_Filters = nullptr;
  QPushButton* Button8 = nullptr;

  QGroupBox* GroupBox2 = nullptr;
  QPushButton* Button_Load = nullptr;
  QCheckBox* CheckBox_ImportStereo = nullptr;
  QLabel* Label_FileNameLeft = nullptr;
  QLabel* Label_ClipAName = nullptr;
  QLabel* Label_FileNameRight = nullptr;
  QLabel* Label_ClipBName = nullptr;
  QGroupBox* RadioGroup_FileType = nullptr;
  QButtonGroup* fileTypeButtons_ = nullptr;
  std::array<QRadioButton*, 4> fileTypeItems_{};

  QGroupBox* GroupBox_Block = nullptr;
  std::array<TBlockPanel*, 10> panels_{};  // by panel number; 7 is Panel7
  QCheckBox* CheckBox_ConvertBefore = nullptr;

  QPushButton* Button1 = nullptr;
  QPushButton* ButtonLoadProject = nullptr;
  QPushButton* Button_SaveProject = nullptr;
  QPushButton* Button3 = nullptr;
  QAction* About1 = nullptr;
  QMenu* FileRecent = nullptr;
  QAction* FileReopenLast = nullptr;
};

}  // namespace tandemix
