// Construction of the main window: its controls at their fixed places, the
// font that lets every caption fit, and the start-up work.
#include "app/FormMain.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QTimer>

#include "app/FormBitBtn.h"
#include "app/FormBlockPanel.h"
#include "core/WindowRules.h"
#include "widgets/WidgetMaking.h"

namespace tandemix {

namespace {

constexpr int kClientWidth = 832;
constexpr int kClientHeight = 362;

// The smallest font pixel size tried; the largest is the desktop's (11
// pixels, the classic 8 point dialog font at 96 dots per inch, unless the
// desktop's is larger, when the layout grows with it).
constexpr int kSmallestFontPixels = 8;

// A clip name as the "File(s)" group shows it: 38 characters at most, the
// shortened form of a longer path. The name labels must hold one whole.
constexpr const char* kTypicalShownClipName = "/home...ideos/holiday/left_camera_01.avi";

// Width left for the caption of a check box or radio button.
int IndicatorTextWidth(const QAbstractButton* button, QStyle::SubElement element) {
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  return button->style()->subElementRect(element, &option, button).width();
}

int PushButtonTextWidth(const QPushButton* button) {
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
}

}  // namespace

TForm_Main::TForm_Main(const MainWindowContext& c, QWidget* parent)
    : QMainWindow(parent),
      project_(c.project),
      viewer_(c.viewer),
      video_(c.video),
      generator_(c.generator),
      prompts_(c.prompts),
      shell_(c.shell),
      programFolder_(c.programFolder),
      fontPixels_(c.fontPixels),
      library_(c.programFolder),
      alignment_(c.alignment ? *c.alignment : ownAlignment_),
      settings_(c.settings),
      alignmentChanged_(c.alignmentChanged),
      renderRunning_(c.renderRunning),
      cancelRender_(c.cancelRender) {
  setObjectName("Form_Main");
  setWindowTitle("Tandemix v" TANDEMIX_VERSION);
  // Fixed single border: minimise, no maximise.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  BuildControls();
  BuildMenus();
  // The drawn layout takes the largest font up to 11 pixels that fits it;
  // a larger desktop font grows the layout by as much, and then the
  // desktop's size (or the nearest below it that fits) is used.
  ChooseFittingFont(kLayoutFontPixels);
  const double scale = LayoutScale(fontPixels_, font().pixelSize());
  if (scale > 1.0) {
    ScaleLayout(centralWidget(), scale);
    ChooseFittingFont(fontPixels_);
  }
  // A line below the controls says where to begin while nothing is loaded.
  Label_Hint = new QLabel(this);
  Label_Hint->setObjectName("Label_Hint");
  statusBar()->addWidget(Label_Hint, 1);
  statusBar()->setSizeGripEnabled(false);
  setFixedSize(centralWidget()->width(),
               centralWidget()->height() + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
  FormCreate();
}

void TForm_Main::FormCreate() {
  project_.programFolder = programFolder_;
  project_.clipAFileName.clear();
  project_.clipBFileName.clear();
  docsFolder_ = shell_.AviSynthDocsFolder();
  shell_.RegisterTemplateFileType();
  refreshlist();
  document_.MarkSaved("", Snapshot());
  RefreshTitle();
  // The alignment changes in other windows; the title follows within a
  // moment.
  titleTimer_ = new QTimer(this);
  titleTimer_->setObjectName("TitleTimer");
  connect(titleTimer_, &QTimer::timeout, this, &TForm_Main::RefreshTitle);
  titleTimer_->start(300);
}

void TForm_Main::BuildControls() {
  auto* client = new QWidget(this);
  client->setObjectName("ClientArea");
  client->setFixedSize(kClientWidth, kClientHeight);
  setCentralWidget(client);
  BuildTemplateColumn(client);
  BuildFilesGroup(client);
  BuildBlockScheme(client);
  BuildCommands(client);
}

void TForm_Main::ScaleLayout(QWidget* client, double scale) {
  client->setFixedSize(ScaledRect(QRect(0, 0, kClientWidth, kClientHeight), scale).size());
  // Every place is relative to its parent, so each one grows by itself.
  // Only the controls placed here: the parts inside a list or a button
  // are laid out by their owners.
  for (QWidget* w : client->findChildren<QWidget*>()) {
    QWidget* parent = w->parentWidget();
    if (w->isWindow() || (parent != client && !qobject_cast<QGroupBox*>(parent))) continue;
    w->setGeometry(ScaledRect(w->geometry(), scale));
  }
}

void TForm_Main::BuildTemplateColumn(QWidget* client) {
  Label3 = MakeLabel(client, "Templates:", QRect(8, 8, 169, 15), "Label3");
  ListBox_Templates = Make<QListWidget>(client, "ListBox_Templates", QRect(8, 24, 169, 313));
  ListBox_Templates->setToolTip(
      "List of available Filters. You can Edit, Add and Clear them by pressing right mouse button.");
  ListBox_Templates->setContextMenuPolicy(Qt::CustomContextMenu);
  PopupMenu1 = new QMenu(ListBox_Templates);
  PopupMenu1->setObjectName("PopupMenu1");
  New1 = PopupMenu1->addAction("New");
  New1->setObjectName("New1");
  Edit1 = PopupMenu1->addAction("Edit");
  Edit1->setObjectName("Edit1");
  Clear1 = PopupMenu1->addAction("Clear");
  Clear1->setObjectName("Clear1");
  PopupMenu1->addSeparator();
  Refresh1 = PopupMenu1->addAction("Refresh");
  Refresh1->setObjectName("Refresh1");
  connect(ListBox_Templates, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu1->popup(ListBox_Templates->viewport()->mapToGlobal(at)); });
  connect(ListBox_Templates, &QListWidget::currentRowChanged, this, [this](int row) { library_.Select(row); });
  connect(New1, &QAction::triggered, this, &TForm_Main::New1Click);
  connect(Edit1, &QAction::triggered, this, &TForm_Main::Edit1Click);
  connect(Clear1, &QAction::triggered, this, &TForm_Main::Clear1Click);
  connect(Refresh1, &QAction::triggered, this, &TForm_Main::Refresh1Click);

  BitBtn1 = new TBitBtn("BitBtn1", "Add     ", Glyph::Add, client);
  BitBtn1->setGeometry(192, 24, 57, 25);
  BitBtn1->setToolTip("Add Filters to current AVS script block (denoted by blue colour).");
  BitBtn2 = new TBitBtn("BitBtn2", "Delete", Glyph::Delete, client);
  BitBtn2->setGeometry(192, 56, 57, 25);
  BitBtn2->setToolTip("Delete Current template (avt filter) from current AVS block");
  BitBtn3 = new TBitBtn("BitBtn3", "Up     ", Glyph::Up, client);
  BitBtn3->setGeometry(192, 88, 57, 25);
  BitBtn3->setToolTip("Move filter up");
  BitBtn4 = new TBitBtn("BitBtn4", "Down ", Glyph::Down, client);
  BitBtn4->setGeometry(192, 120, 57, 25);
  BitBtn4->setToolTip("Move filter down");
  connect(BitBtn1, &QPushButton::clicked, this, &TForm_Main::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TForm_Main::BitBtn2Click);
  connect(BitBtn3, &QPushButton::clicked, this, &TForm_Main::BitBtn3Click);
  connect(BitBtn4, &QPushButton::clicked, this, &TForm_Main::BitBtn4Click);

  Label4 = MakeLabel(client, "Applied filters:", QRect(264, 8, 185, 15), "Label4");
  ListBox_Filters = Make<QListWidget>(client, "ListBox_Filters", QRect(264, 24, 185, 121));
  ListBox_Filters->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(ListBox_Filters, &QWidget::customContextMenuRequested, this, &TForm_Main::ListBox_FiltersContextPopup);

  Button8 = Make<QPushButton>(client, "Button8", QRect(368, 152, 81, 25), "Save template");
  Button8->setToolTip(
      "Save current active filters (in above window) into new Avisynth template. It will appear in left  window "
      "after using 'refresh' option.");
  connect(Button8, &QPushButton::clicked, this, &TForm_Main::Button8Click);
}

void TForm_Main::BuildFilesGroup(QWidget* client) {
  GroupBox2 = Make<QGroupBox>(client, "GroupBox2", QRect(192, 184, 257, 153), "File(s)");
  Button_Load = Make<QPushButton>(GroupBox2, "Button_Load", QRect(14, 24, 75, 25), "Load Clips");
  Button_Load->setToolTip("Load avi or other video clips to the project. File type is selected below.");
  connect(Button_Load, &QPushButton::clicked, this, &TForm_Main::Button_LoadClick);
  CheckBox_ImportStereo =
      Make<QCheckBox>(GroupBox2, "CheckBox_ImportStereo", QRect(120, 32, 105, 17), "Import Stereo Clip");
  CheckBox_ImportStereo->setToolTip("Check if using only one file (stereo pair).");
  connect(CheckBox_ImportStereo, &QCheckBox::toggled, this, &TForm_Main::CheckBox_ImportStereoClick);

  Label_FileNameLeft = MakeLabel(GroupBox2, "Left: ", QRect(16, 60, 36, 15), "Label_FileNameLeft");
  Label_ClipAName = MakeLabel(GroupBox2, "  ", QRect(52, 60, 203, 15), "Label_ClipAName");
  Label_FileNameRight = MakeLabel(GroupBox2, "Right: ", QRect(16, 84, 36, 15), "Label_FileNameRight");
  Label_ClipBName = MakeLabel(GroupBox2, " ", QRect(52, 84, 203, 15), "Label_ClipBName");

  RadioGroup_FileType = Make<QGroupBox>(GroupBox2, "RadioGroup_FileType", QRect(8, 104, 241, 41), "File type");
  RadioGroup_FileType->setToolTip(
      "Choose file type. When choosing custom, define import avs filter(s) by selecting Import Left and Import "
      "Right (or Stereo). Note that variables FileL or FileR will be replaced by actual loaded clips.");
  fileTypeButtons_ = new QButtonGroup(RadioGroup_FileType);
  const char* items[] = {"AVI", "Video", "Picture", "Custom"};
  // Four columns across the group, as wide as its inside allows.
  const int column = (241 - 10) / 4;
  for (int i = 0; i < 4; ++i) {
    auto* item = Make<QRadioButton>(RadioGroup_FileType, items[i], QRect(6 + i * column, 17, column - 1, 20), items[i]);
    fileTypeItems_[static_cast<std::size_t>(i)] = item;
    fileTypeButtons_->addButton(item, i);
  }
  fileTypeItems_[0]->setChecked(true);
  connect(fileTypeButtons_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
    if (checked) RadioGroup_FileTypeClick();
  });
}

void TForm_Main::BuildBlockScheme(QWidget* client) {
  GroupBox_Block = Make<QGroupBox>(client, "GroupBox_Block", QRect(464, 16, 273, 321), "AVS script block scheme");
  GroupBox_Block->setToolTip(
      "Configuration of AVS block scheme. It depends on \"Import Stereo Clip\" and \"Convert before filter\" "
      "selections. Press on desired block to make it active (in able to add filters - templates)");
  struct PanelPlace {
    int number;
    int left;
    int top;
    const char* caption;
    const char* hint;
  };
  const PanelPlace places[] = {
      {1, 16, 24, "Import Left", "Import Left or Stereo clip filters."},
      {2, 144, 24, "Import Right", "Import Right or Stereo clip filters."},
      {3, 16, 72, "Convert to L/R",
       "Filters for conversion from single stereo-pair clips into left and right independent clips [e.g. for "
       "interlaced stereo clip]."},
      {4, 16, 120, "Filters Left", "Filtering left (stereo) clip [e.g. de-interlacing]."},
      {5, 144, 120, "Filters Right", "Filtering right clip [e.g. de-interlacing]."},
      {6, 80, 168, "Convert to L/R",
       "Filters for conversion from single stereo-pair clips into left and right independent clips."},
      {7, 80, 216, "Picture adjustments", nullptr},
      {9, 80, 264, "Output Filters",
       "Output filters - templates used for output avs file [e.g. Conversion to parallel, crossed, above/below, "
       "... format]."},
  };
  for (const auto& place : places) {
    const bool adjustments = place.number == 7;
    auto* panel =
        new TBlockPanel(QString("Panel%1").arg(place.number), place.caption, adjustments ? 1 : 3, GroupBox_Block);
    panel->setGeometry(place.left, place.top, 113, 41);
    if (place.hint) panel->setToolTip(place.hint);
    panels_[static_cast<std::size_t>(place.number)] = panel;
    if (adjustments) {
      QFont italic = panel->font();
      italic.setItalic(true);
      panel->setFont(italic);
      panel->setEnabled(false);
    } else {
      const int n = place.number;
      connect(panel, &TBlockPanel::MouseDown, this, [this, n](Qt::MouseButton b) { PanelMouseDown(n, b); });
    }
  }
  CheckBox_ConvertBefore =
      Make<QCheckBox>(GroupBox_Block, "CheckBox_ConvertBefore", QRect(144, 80, 121, 17), "Convert before filter");
  CheckBox_ConvertBefore->setToolTip(
      "Checked, if conversion of the stereo-pair should be made before applying avisynth filters [e.g. for "
      "interlaced stereo clip]");
  CheckBox_ConvertBefore->setEnabled(false);
  connect(CheckBox_ConvertBefore, &QCheckBox::toggled, this, &TForm_Main::CheckBox_ConvertBeforeClick);

  // The first look equals what a refresh yields at start, without running
  // one: the labels keep their first texts.
  ProjectState first = project_;
  const SchemeView view = tandemix::RefreshBlockScheme(first);
  for (int n : kBlockPanels) {
    TBlockPanel* panel = panels_[static_cast<std::size_t>(n)];
    const PanelLook& look = view.Panel(n);
    panel->setVisible(look.visible);
    panel->setEnabled(look.enabled);
    panel->SetLit(look.lit);
  }
}

void TForm_Main::BuildCommands(QWidget* client) {
  Button1 = Make<QPushButton>(client, "Button1", QRect(744, 200, 81, 25), "Open preview");
  Button1->setToolTip(
      "Choose the name of the output avs file and enjoy using scaling, rotating, shifting, brightness, .... "
      "options :-)");
  ButtonLoadProject = Make<QPushButton>(client, "ButtonLoadProject", QRect(744, 248, 81, 25), "Load Project");
  ButtonLoadProject->setToolTip(
      "Load all applied filters for all AVS script blocks together (including \"Import Stero Clip\" and "
      "\"Convert Before filter\" settings)");
  Button_SaveProject = Make<QPushButton>(client, "Button_SaveProject", QRect(744, 280, 81, 25), "Save Project");
  Button_SaveProject->setToolTip("Save all settings (excluding clip(s) file names)");
  Button3 = Make<QPushButton>(client, "Button3", QRect(744, 312, 81, 25), "Help");
  Button3->setToolTip(
      "Calls AviSynth help which gives all AVS filters available in the current version of the AviSynth ");
  connect(Button1, &QPushButton::clicked, this, &TForm_Main::Button1Click);
  connect(ButtonLoadProject, &QPushButton::clicked, this, &TForm_Main::ButtonLoadProjectClick);
  connect(Button_SaveProject, &QPushButton::clicked, this, &TForm_Main::Button_SaveProjectClick);
  connect(Button3, &QPushButton::clicked, this, &TForm_Main::Button3Click);
}

void TForm_Main::BuildMenus() {
  QMenu* file = menuBar()->addMenu("File");
  file->setObjectName("File1");
  const auto item = [this, file](const char* name, const char* caption, QKeySequence keys,
                                 void (TForm_Main::*handler)()) {
    QAction* action = file->addAction(caption);
    action->setObjectName(name);
    action->setShortcut(keys);
    connect(action, &QAction::triggered, this, handler);
    return action;
  };
  // Ctrl+S saves the project, Ctrl+O opens one.
  item("FileNew", "New", QKeySequence::New, &TForm_Main::FileNewClick);
  item("FileOpen", "Open\u2026", QKeySequence::Open, &TForm_Main::FileOpenClick);
  FileRecent = file->addMenu("Recent Projects");
  FileRecent->setObjectName("FileRecent");
  item("FileSave", "Save", QKeySequence::Save, &TForm_Main::FileSaveClick);
  item("FileSaveAs", "Save As\u2026", QKeySequence::SaveAs, &TForm_Main::FileSaveAsClick);
  file->addSeparator();
  FileReopenLast =
      item("FileReopenLast", "Reopen Last Project at Start", QKeySequence(), &TForm_Main::FileReopenLastClick);
  FileReopenLast->setCheckable(true);
  FileReopenLast->setChecked(settings_ && settings_->Text(kReopenLastKey) == "1");
  file->addSeparator();
  item("FileQuit", "Quit", QKeySequence::Quit, &TForm_Main::FileQuitClick);
  RebuildRecentMenu();
  QMenu* help = menuBar()->addMenu("Help");
  help->setObjectName("Help1");
  QAction* manual = help->addAction("Tandemix Manual");
  manual->setObjectName("HelpManual");
  manual->setShortcut(QKeySequence(QKeySequence::HelpContents));
  manual->setShortcutContext(Qt::WidgetShortcut);  // F1 itself is the shortcut below
  connect(manual, &QAction::triggered, this, &TForm_Main::Button3Click);
  QAction* avisynth = help->addAction("AviSynth Documentation");
  avisynth->setObjectName("HelpAviSynth");
  connect(avisynth, &QAction::triggered, this, &TForm_Main::HelpAviSynthClick);
  help->addSeparator();
  About1 = help->addAction("About Tandemix");
  About1->setObjectName("About1");
  connect(About1, &QAction::triggered, this, &TForm_Main::About1Click);

  // F1 opens Help.
  auto* help1 = new QShortcut(QKeySequence(QKeySequence::HelpContents), this);
  connect(help1, &QShortcut::activated, this, &TForm_Main::Button3Click);
}

std::vector<QString> TForm_Main::UnfitCaptions() const {
  std::vector<QString> unfit;
  auto check = [&](const QWidget* w, int needed, int available) {
    if (needed > available) unfit.push_back(w->objectName());
  };
  for (const TBitBtn* b : {BitBtn1, BitBtn2, BitBtn3, BitBtn4}) check(b, b->NeededWidth(), b->width());
  for (const QPushButton* b : {Button8, Button_Load, Button1, ButtonLoadProject, Button_SaveProject, Button3}) {
    check(b, b->fontMetrics().horizontalAdvance(b->text()), PushButtonTextWidth(b));
  }
  for (const QCheckBox* b : {CheckBox_ImportStereo, CheckBox_ConvertBefore}) {
    check(b, b->fontMetrics().horizontalAdvance(b->text()), IndicatorTextWidth(b, QStyle::SE_CheckBoxContents));
  }
  for (const QRadioButton* b : fileTypeItems_) {
    check(b, b->fontMetrics().horizontalAdvance(b->text()), IndicatorTextWidth(b, QStyle::SE_RadioButtonContents));
  }
  // The left labels must end before the clip names start, whatever they say.
  for (const QLabel* l : {Label3, Label4, Label_FileNameLeft, Label_FileNameRight}) {
    check(l, l->fontMetrics().horizontalAdvance(l->text()), l->width());
  }
  check(Label_FileNameLeft, Label_FileNameLeft->fontMetrics().horizontalAdvance("Stereo:"),
        Label_FileNameLeft->width());
  for (const QLabel* l : {Label_ClipAName, Label_ClipBName}) {
    check(l, l->fontMetrics().horizontalAdvance(kTypicalShownClipName), l->width());
  }
  for (const TBlockPanel* p : panels_) {
    if (p) check(p, p->NeededWidth(), p->width());
  }
  // Group titles sit on the frame; they need the width less the frame's
  // rounded corners.
  for (const QGroupBox* g : {GroupBox2, GroupBox_Block, RadioGroup_FileType}) {
    check(g, g->fontMetrics().horizontalAdvance(g->title()) + 16, g->width());
  }
  return unfit;
}

void TForm_Main::ChooseFittingFont(int largestPixels) {
  // The clip names are the longest texts in the narrowest place; they may
  // go a size or two below the rest rather than shrink every caption.
  auto fits = [](const QFont& font, const char* text, int width) {
    return QFontMetrics(font).horizontalAdvance(text) <= width;
  };
  QFont font = this->font();
  for (int pixels = largestPixels; pixels >= kSmallestFontPixels; --pixels) {
    font.setPixelSize(pixels);
    setFont(font);
    QFont names = font;
    while (names.pixelSize() > kSmallestFontPixels && !fits(names, kTypicalShownClipName, Label_ClipAName->width())) {
      names.setPixelSize(names.pixelSize() - 1);
    }
    Label_ClipAName->setFont(names);
    Label_ClipBName->setFont(names);
    if (UnfitCaptions().empty()) return;
  }
}

void TForm_Main::closeEvent(QCloseEvent* event) {
  if (renderRunning_ && renderRunning_()) {
    if (!prompts_.AskYesNo("Rendering", "A movie is being rendered. Cancel the render and quit?")) {
      event->ignore();
      return;
    }
    if (cancelRender_) cancelRender_();
  }
  if (!MayDiscardChanges("Quit")) {
    event->ignore();
    return;
  }
  event->accept();
  emit FormClosed();
}

}  // namespace tandemix
