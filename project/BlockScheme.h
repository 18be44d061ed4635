// The script block scheme of the main window as a model: which panels are
// shown, enabled, captioned and lit, what the "File(s)" labels and the load
// button say, and which block the applied-filter list shows. Everything is
// derived from the project state; the window only paints the result.
#pragma once

#include <array>
#include <string>

#include "project/ProjectFile.h"
#include "project/ProjectState.h"

namespace tandemix {

// Panel numbers that select a block (Panel7 only stands in for the preview
// adjustments and selects nothing).
inline constexpr std::array<int, 7> kBlockPanels{1, 2, 3, 4, 5, 6, 9};

struct PanelLook {
  bool visible = false;
  bool enabled = false;
  bool lit = false;
  std::string caption;
};

struct SchemeView {
  // Indexed by panel number; entries 0, 7 and 8 are unused.
  std::array<PanelLook, 10> panels{};

  std::string loadButtonCaption;  // Button_Load
  std::string fileNameLeft;       // Label_FileNameLeft
  std::string fileNameRight;      // Label_FileNameRight
  std::string clipAName;          // Label_ClipAName
  std::string clipBName;          // Label_ClipBName

  // ListBox_Filters: a copy of the current block and its selected row
  // (-1 when the list is empty).
  FilterBlock filters;
  int selectedFilter = -1;

  const PanelLook& Panel(int n) const { return panels[static_cast<std::size_t>(n)]; }
  PanelLook& Panel(int n) { return panels[static_cast<std::size_t>(n)]; }
};

// Brings the scheme into line with the stereo options, the file type, the
// clip names and the current block; moves the current block off a panel that
// the new scheme hides.
SchemeView RefreshBlockScheme(ProjectState& state);

// The last two steps of the refresh: light the current block's panel (for
// panels 1, 2, 3 and 6 only when enabled) and fill the filter list.
void HighlightCurrentBlock(SchemeView& view, int value);
void ShowCurrentBlock(SchemeView& view, const ProjectState& state, int value);

// A mouse press over a shown, enabled panel: a right press on another panel
// first copies the current block's names into that panel's block; either
// press then makes the panel current.
SchemeView PanelMouseDown(ProjectState& state, int panel, bool rightButton);

// The option handlers, run after the option in the state has changed.
// "Import Stereo Clip" also enables "Convert before filter" exactly while it
// is checked, without touching that box's check mark.
SchemeView ImportStereoClick(ProjectState& state);
SchemeView ConvertBeforeClick(ProjectState& state);
SchemeView FileTypeClick(ProjectState& state);

// Takes a project that was read and checked whole into the state: the seven
// blocks, then each option that differs from the current one with its
// handler ("Import Stereo Clip", the file type, "Convert before filter", in
// that order), then a final refresh. The current block only moves where a
// refresh on the way hides its panel.
SchemeView ApplyLoadedProject(ProjectState& state, const ProjectFileContents& contents);

}  // namespace tandemix
