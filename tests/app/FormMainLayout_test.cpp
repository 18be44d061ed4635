// The main window's look: controls, captions, hints, places, colours, and
// captions that fit their controls whole in every state of the scheme.
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QMenuBar>
#include <QRadioButton>
#include <QStyleOptionButton>

#include "app/FormBitBtn.h"
#include "tests/app/MainWindowFixture.h"

namespace tandemix::test {
namespace {

struct Placed {
  const char* name;
  QRect geometry;
  const char* caption;
};

QString TextOf(const QWidget* w) {
  if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
  if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
  if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
  if (auto* p = qobject_cast<const TBlockPanel*>(w)) return p->Caption();
  return {};
}

TEST_F(MainWindowTest, ControlsStandWhereTheyBelongWithTheirCaptions) {
  Open();
  EXPECT_EQ(window->windowTitle(), "Tandemix v0.114");
  EXPECT_EQ(window->centralWidget()->size(), QSize(832, 362));
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
  const Placed placed[] = {
      {"Label3", {8, 8, 169, 15}, "Templates:"},
      {"ListBox_Templates", {8, 24, 169, 313}, nullptr},
      {"BitBtn1", {192, 24, 57, 25}, "Add     "},
      {"BitBtn2", {192, 56, 57, 25}, "Delete"},
      {"BitBtn3", {192, 88, 57, 25}, "Up     "},
      {"BitBtn4", {192, 120, 57, 25}, "Down "},
      {"Label4", {264, 8, 185, 15}, "Applied filters:"},
      {"ListBox_Filters", {264, 24, 185, 121}, nullptr},
      {"Button8", {368, 152, 81, 25}, "Save template"},
      {"GroupBox2", {192, 184, 257, 153}, "File(s)"},
      {"GroupBox_Block", {464, 16, 273, 321}, "AVS script block scheme"},
      {"Button1", {744, 200, 81, 25}, "Open preview"},
      {"ButtonLoadProject", {744, 248, 81, 25}, "Load Project"},
      {"Button_SaveProject", {744, 280, 81, 25}, "Save Project"},
      {"Button3", {744, 312, 81, 25}, "Help"},
      // Inside the "File(s)" group.
      {"Button_Load", {14, 24, 75, 25}, "Load Clips"},
      {"CheckBox_ImportStereo", {120, 32, 105, 17}, "Import Stereo Clip"},
      {"RadioGroup_FileType", {8, 104, 241, 41}, "File type"},
      // Inside the block scheme.
      {"Panel1", {16, 24, 113, 41}, "Import Left"},
      {"Panel2", {144, 24, 113, 41}, "Import Right"},
      {"Panel3", {16, 72, 113, 41}, "Convert to L/R"},
      {"Panel4", {16, 120, 113, 41}, "Filters Left"},
      {"Panel5", {144, 120, 113, 41}, "Filters Right"},
      {"Panel6", {80, 168, 113, 41}, "Convert to L/R"},
      {"Panel7", {80, 216, 113, 41}, "Picture adjustments"},
      {"Panel9", {80, 264, 113, 41}, "Output Filters"},
      {"CheckBox_ConvertBefore", {144, 80, 121, 17}, "Convert before filter"},
  };
  for (const auto& p : placed) {
    SCOPED_TRACE(p.name);
    const QWidget* w = Find<QWidget>(p.name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), p.geometry);
    if (p.caption) {
      EXPECT_EQ(TextOf(w), p.caption);
    }
  }
  EXPECT_EQ(Label("Label_FileNameLeft")->text(), "Left: ");
  EXPECT_EQ(Label("Label_ClipAName")->text(), "  ");
  EXPECT_EQ(Label("Label_FileNameRight")->text(), "Right: ");
  EXPECT_EQ(Label("Label_ClipBName")->text(), " ");
  EXPECT_EQ(Label("Label_FileNameLeft")->pos(), QPoint(16, 60));
  EXPECT_EQ(Label("Label_ClipAName")->pos(), QPoint(52, 60));
  EXPECT_EQ(Label("Label_FileNameRight")->pos(), QPoint(16, 84));
  EXPECT_EQ(Label("Label_ClipBName")->pos(), QPoint(52, 84));
  const char* items[] = {"AVI", "Video", "Picture", "Custom"};
  for (const char* item : items) EXPECT_EQ(Button(item)->text(), item);
  EXPECT_TRUE(Button("AVI")->isChecked());
  EXPECT_TRUE(Panel(7)->font().italic());
  EXPECT_EQ(Panel(7)->BevelWidth(), 1);
  EXPECT_EQ(Panel(4)->BevelWidth(), 3);

  // Menus: "File" with the project commands, "Help" with the manual, the
  // AviSynth documentation and "About Tandemix".
  const auto menus = window->menuBar()->actions();
  ASSERT_EQ(menus.size(), 2);
  EXPECT_EQ(menus[0]->text(), "File");
  QStringList fileItems;
  for (const QAction* a : menus[0]->menu()->actions()) fileItems << (a->isSeparator() ? "-" : a->text());
  EXPECT_EQ(fileItems, (QStringList{"New", "Open\u2026", "Recent Projects", "Save", "Save As\u2026", "-",
                                    "Reopen Last Project at Start", "-", "Quit"}));
  EXPECT_EQ(menus[1]->text(), "Help");
  QStringList helpItems;
  for (const QAction* a : menus[1]->menu()->actions()) helpItems << (a->isSeparator() ? "-" : a->text());
  EXPECT_EQ(helpItems, (QStringList{"Tandemix Manual", "AviSynth Documentation", "-", "About Tandemix"}));
  // The template list's pop-up menu.
  QStringList popup;
  for (QAction* a : Find<QMenu>("PopupMenu1")->actions()) popup << (a->isSeparator() ? "-" : a->text());
  EXPECT_EQ(popup, QStringList({"New", "Edit", "Clear", "-", "Refresh"}));
}

TEST_F(MainWindowTest, HintsAreTheProgramsOwnTexts) {
  Open();
  const std::pair<const char*, const char*> hints[] = {
      {"ListBox_Templates",
       "List of available Filters. You can Edit, Add and Clear them by pressing right mouse button."},
      {"BitBtn1", "Add Filters to current AVS script block (denoted by blue colour)."},
      {"BitBtn2", "Delete Current template (avt filter) from current AVS block"},
      {"BitBtn3", "Move filter up"},
      {"BitBtn4", "Move filter down"},
      {"Button8",
       "Save current active filters (in above window) into new Avisynth template. It will appear in left  window "
       "after using 'refresh' option."},
      {"Button_Load", "Load avi or other video clips to the project. File type is selected below."},
      {"CheckBox_ImportStereo", "Check if using only one file (stereo pair)."},
      {"CheckBox_ConvertBefore",
       "Checked, if conversion of the stereo-pair should be made before applying avisynth filters [e.g. for "
       "interlaced stereo clip]"},
      {"Panel1", "Import Left or Stereo clip filters."},
      {"Panel6", "Filters for conversion from single stereo-pair clips into left and right independent clips."},
      {"Panel9",
       "Output filters - templates used for output avs file [e.g. Conversion to parallel, crossed, above/below, "
       "... format]."},
      {"Button_SaveProject", "Save all settings (excluding clip(s) file names)"},
      {"ButtonLoadProject",
       "Load all applied filters for all AVS script blocks together (including \"Import Stero Clip\" and "
       "\"Convert Before filter\" settings)"},
      {"Button3", "Calls AviSynth help which gives all AVS filters available in the current version of the AviSynth "},
  };
  for (const auto& [name, hint] : hints) EXPECT_EQ(Find<QWidget>(name)->toolTip(), hint) << name;
  EXPECT_TRUE(Panel(7)->toolTip().isEmpty());
  EXPECT_TRUE(Filters()->toolTip().isEmpty());
}

TEST_F(MainWindowTest, FirstLookMatchesStereoModeZeroWithAviAndFilterLeftLit) {
  Open();
  for (int n : {1, 2, 3, 6}) {
    EXPECT_TRUE(Panel(n)->isHidden()) << n;
    EXPECT_FALSE(Panel(n)->isEnabled()) << n;
  }
  for (int n : {4, 5, 9}) {
    EXPECT_TRUE(Panel(n)->isVisible()) << n;
    EXPECT_TRUE(Panel(n)->isEnabled()) << n;
  }
  EXPECT_TRUE(Panel(7)->isVisible());
  EXPECT_FALSE(Panel(7)->isEnabled());
  EXPECT_EQ(LitPanel(), 4);
  EXPECT_FALSE(Button("CheckBox_ConvertBefore")->isEnabled());
  EXPECT_EQ(Filters()->count(), 0);

  // The lit panel is painted in the highlight colour, the others in the
  // button colour.
  const QImage lit = Panel(4)->grab().toImage();
  const QImage plain = Panel(5)->grab().toImage();
  EXPECT_EQ(lit.pixelColor(8, 6), Panel(4)->palette().color(QPalette::Active, QPalette::Highlight));
  EXPECT_EQ(plain.pixelColor(8, 6), Panel(5)->palette().color(QPalette::Button));
}

// Width each caption needs, measured apart from the window's own check.
void ExpectCaptionsFit(const TForm_Main& window) {
  EXPECT_TRUE(window.UnfitCaptions().empty()) << window.UnfitCaptions().front().toStdString();
  for (const QAbstractButton* b : window.findChildren<QAbstractButton*>()) {
    const int text = b->fontMetrics().horizontalAdvance(b->text());
    SCOPED_TRACE(b->objectName().toStdString());
    if (auto* bit = qobject_cast<const TBitBtn*>(b)) {
      EXPECT_LE(bit->NeededWidth(), b->width());
    } else if (qobject_cast<const QCheckBox*>(b) || qobject_cast<const QRadioButton*>(b)) {
      const int indicator = b->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, b) +
                            b->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, b);
      EXPECT_LE(indicator + text, b->width());
      EXPECT_LE(b->fontMetrics().height(), b->height());
    } else {
      EXPECT_LE(text + 6, b->width());
    }
  }
  for (const TBlockPanel* p : window.findChildren<TBlockPanel*>()) {
    EXPECT_LE(p->fontMetrics().horizontalAdvance(p->Caption()) + 2 * p->BevelWidth(), p->width())
        << p->objectName().toStdString();
  }
  const auto* left = window.findChild<QLabel*>("Label_FileNameLeft");
  EXPECT_LE(left->x() + left->fontMetrics().horizontalAdvance(left->text()),
            window.findChild<QLabel*>("Label_ClipAName")->x());
}

TEST_F(MainWindowTest, EveryCaptionFitsInEveryStateOfTheScheme) {
  Open();
  ExpectCaptionsFit(*window);
  ClickBox("CheckBox_ImportStereo");
  Button("Custom")->click();
  ExpectCaptionsFit(*window);
  ClickBox("CheckBox_ConvertBefore");
  ExpectCaptionsFit(*window);

  // With TANDEMIX_SHOT_DIR set, keep pictures of the states to look at.
  if (const char* dir = std::getenv("TANDEMIX_SHOT_DIR")) {
    window->grab().save(QDir(dir).filePath("main-mode1-custom.png"));
    ClickBox("CheckBox_ConvertBefore");
    window->grab().save(QDir(dir).filePath("main-mode2-custom.png"));
  }
}

}  // namespace
}  // namespace tandemix::test
