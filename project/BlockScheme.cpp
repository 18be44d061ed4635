#include "project/BlockScheme.h"

#include <algorithm>

namespace tandemix {

namespace {

void Show(PanelLook& panel) {
  panel.visible = true;
  panel.enabled = true;
}

void Hide(PanelLook& panel) {
  panel.visible = false;
  panel.enabled = false;
}

FileType ClampFileType(FileType fileType) {
  return static_cast<FileType>(
      std::clamp(static_cast<int>(fileType), static_cast<int>(FileType::None), static_cast<int>(FileType::Custom)));
}

}  // namespace

SchemeView RefreshBlockScheme(ProjectState& state) {
  SchemeView view;
  // Panels that no rule below touches keep their one look.
  view.Panel(1).caption = "Import Left";
  view.Panel(2).caption = "Import Right";
  view.Panel(3).caption = "Convert to L/R";
  view.Panel(5).caption = "Filters Right";
  view.Panel(6).caption = "Convert to L/R";
  view.Panel(9).caption = "Output Filters";
  Show(view.Panel(4));
  Show(view.Panel(9));
  int& current = state.currentBlock;

  if (state.importStereo) {
    Hide(view.Panel(2));
    if (current == 2) current = 4;
    view.loadButtonCaption = "Load Clip";
    view.fileNameLeft = "Stereo:";
    view.fileNameRight = "";
    view.clipAName = state.clipAFileName;
    view.clipBName = "";
    view.Panel(1).caption = "Import Stereo";
    if (state.convertBefore) {
      Show(view.Panel(3));
      Show(view.Panel(5));
      Hide(view.Panel(6));
      if (current == 6) current = 3;
      view.Panel(4).caption = "Filters Left";
    } else {
      Show(view.Panel(6));
      Hide(view.Panel(3));
      Hide(view.Panel(5));
      if (current == 3) current = 6;
      if (current == 5) current = 4;
      view.Panel(4).caption = "Filters Stereo";
    }
  } else {
    // Panel2 is shown here without being enabled; the file type step below
    // always settles both.
    view.Panel(2).visible = true;
    view.loadButtonCaption = "Load Clips";
    view.fileNameLeft = "Left:";
    view.fileNameRight = "Right:";
    view.clipAName = state.clipAFileName;
    view.clipBName = state.clipBFileName;
    view.Panel(1).caption = "Import Left";
    view.Panel(4).caption = "Filters Left";
    Hide(view.Panel(3));
    Hide(view.Panel(6));
    Show(view.Panel(5));
    if (current == 3 || current == 6) current = 4;
  }

  if (state.fileType == FileType::Custom) {
    Show(view.Panel(1));
    if (state.importStereo) {
      Hide(view.Panel(2));
    } else {
      Show(view.Panel(2));
    }
  } else {
    Hide(view.Panel(1));
    Hide(view.Panel(2));
    if (current == 1 || current == 2) current = 4;
  }

  HighlightCurrentBlock(view, current);
  ShowCurrentBlock(view, state, current);
  return view;
}

void HighlightCurrentBlock(SchemeView& view, int value) {
  for (int n : kBlockPanels) view.Panel(n).lit = false;
  switch (value) {
    case 1:
    case 2:
    case 3:
    case 6:
      view.Panel(value).lit = view.Panel(value).enabled;
      break;
    case 4:
    case 5:
    case 9:
      view.Panel(value).lit = true;
      break;
    default:
      break;
  }
}

void ShowCurrentBlock(SchemeView& view, const ProjectState& state, int value) {
  view.filters = state.BlockAt(BlockOfPanel(value));
  view.selectedFilter = static_cast<int>(view.filters.size()) - 1;
}

SchemeView PanelMouseDown(ProjectState& state, int panel, bool rightButton) {
  if (rightButton && panel != state.currentBlock) {
    // Copy first: the source may be the same vector only when both panels
    // name Convert, and then the copy is a no-op anyway.
    const FilterBlock chain = state.Current();
    state.BlockAt(BlockOfPanel(panel)) = chain;
  }
  state.currentBlock = panel;
  return RefreshBlockScheme(state);
}

SchemeView ImportStereoClick(ProjectState& state) {
  state.convertBeforeEnabled = state.importStereo;
  return RefreshBlockScheme(state);
}

SchemeView ConvertBeforeClick(ProjectState& state) { return RefreshBlockScheme(state); }

SchemeView FileTypeClick(ProjectState& state) {
  state.fileType = ClampFileType(state.fileType);
  return RefreshBlockScheme(state);
}

SchemeView ApplyLoadedProject(ProjectState& state, const ProjectFileContents& contents) {
  state.blocks = contents.blocks;
  if (state.importStereo != contents.importStereo) {
    state.importStereo = contents.importStereo;
    ImportStereoClick(state);
  }
  const FileType fileType = ClampFileType(contents.fileType);
  if (state.fileType != fileType) {
    state.fileType = fileType;
    FileTypeClick(state);
  }
  if (state.convertBefore != contents.convertBefore) {
    state.convertBefore = contents.convertBefore;
    ConvertBeforeClick(state);
  }
  return RefreshBlockScheme(state);
}

}  // namespace tandemix
