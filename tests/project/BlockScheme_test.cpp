#include "project/BlockScheme.h"

#include <gtest/gtest.h>

namespace tandemix {
namespace {

struct Expected {
  bool visible;
  bool enabled;
  const char* caption;
};

void ExpectPanel(const SchemeView& view, int n, Expected e) {
  SCOPED_TRACE("Panel" + std::to_string(n));
  EXPECT_EQ(view.Panel(n).visible, e.visible);
  EXPECT_EQ(view.Panel(n).enabled, e.enabled);
  EXPECT_EQ(view.Panel(n).caption, e.caption);
}

ProjectState StateWith(bool importStereo, bool convertBefore, FileType fileType) {
  ProjectState state;
  state.importStereo = importStereo;
  state.convertBefore = convertBefore;
  state.convertBeforeEnabled = importStereo;
  state.fileType = fileType;
  return state;
}

TEST(BlockSchemeTest, StartStateMatchesTheFirstLookOfTheWindow) {
  ProjectState state;
  const SchemeView view = RefreshBlockScheme(state);
  ExpectPanel(view, 1, {false, false, "Import Left"});
  ExpectPanel(view, 2, {false, false, "Import Right"});
  ExpectPanel(view, 3, {false, false, "Convert to L/R"});
  ExpectPanel(view, 4, {true, true, "Filters Left"});
  ExpectPanel(view, 5, {true, true, "Filters Right"});
  ExpectPanel(view, 6, {false, false, "Convert to L/R"});
  ExpectPanel(view, 9, {true, true, "Output Filters"});
  EXPECT_TRUE(view.Panel(4).lit);
  EXPECT_EQ(state.currentBlock, 4);
  EXPECT_TRUE(view.filters.empty());
  EXPECT_EQ(view.selectedFilter, -1);
}

// Every stereo mode with every file type (none included): visibility,
// enabled state and captions of all panels.
TEST(BlockSchemeTest, PanelsForEveryStereoModeAndFileType) {
  for (int type = -1; type <= 3; ++type) {
    const FileType fileType = static_cast<FileType>(type);
    const bool custom = fileType == FileType::Custom;
    SCOPED_TRACE("file type " + std::to_string(type));
    {
      ProjectState state = StateWith(false, true, fileType);  // mode 0; Convert before ignored
      const SchemeView v = RefreshBlockScheme(state);
      ExpectPanel(v, 1, {custom, custom, "Import Left"});
      ExpectPanel(v, 2, {custom, custom, "Import Right"});
      ExpectPanel(v, 3, {false, false, "Convert to L/R"});
      ExpectPanel(v, 4, {true, true, "Filters Left"});
      ExpectPanel(v, 5, {true, true, "Filters Right"});
      ExpectPanel(v, 6, {false, false, "Convert to L/R"});
      ExpectPanel(v, 9, {true, true, "Output Filters"});
      EXPECT_EQ(v.loadButtonCaption, "Load Clips");
      EXPECT_EQ(v.fileNameLeft, "Left:");
      EXPECT_EQ(v.fileNameRight, "Right:");
    }
    {
      ProjectState state = StateWith(true, true, fileType);  // mode 1
      const SchemeView v = RefreshBlockScheme(state);
      ExpectPanel(v, 1, {custom, custom, "Import Stereo"});
      ExpectPanel(v, 2, {false, false, "Import Right"});
      ExpectPanel(v, 3, {true, true, "Convert to L/R"});
      ExpectPanel(v, 4, {true, true, "Filters Left"});
      ExpectPanel(v, 5, {true, true, "Filters Right"});
      ExpectPanel(v, 6, {false, false, "Convert to L/R"});
      EXPECT_EQ(v.loadButtonCaption, "Load Clip");
      EXPECT_EQ(v.fileNameLeft, "Stereo:");
      EXPECT_EQ(v.fileNameRight, "");
    }
    {
      ProjectState state = StateWith(true, false, fileType);  // mode 2
      const SchemeView v = RefreshBlockScheme(state);
      ExpectPanel(v, 1, {custom, custom, "Import Stereo"});
      ExpectPanel(v, 2, {false, false, "Import Right"});
      ExpectPanel(v, 3, {false, false, "Convert to L/R"});
      ExpectPanel(v, 4, {true, true, "Filters Stereo"});
      ExpectPanel(v, 5, {false, false, "Filters Right"});
      ExpectPanel(v, 6, {true, true, "Convert to L/R"});
      ExpectPanel(v, 9, {true, true, "Output Filters"});
    }
  }
}

TEST(BlockSchemeTest, LabelsShowFullPathsAndStereoEmptiesTheRightOne) {
  ProjectState state;
  state.clipAFileName = "/videos/a rather long folder name/left clip of the scene.avi";
  state.clipBFileName = "/videos/right.avi";
  SchemeView v = RefreshBlockScheme(state);
  EXPECT_EQ(v.clipAName, state.clipAFileName);
  EXPECT_EQ(v.clipBName, "/videos/right.avi");
  state.importStereo = true;
  v = ImportStereoClick(state);
  EXPECT_EQ(v.clipAName, state.clipAFileName);
  EXPECT_EQ(v.clipBName, "");
}

TEST(BlockSchemeTest, CurrentBlockMovesWhenItsPanelHides) {
  // Checking "Import Stereo Clip" while Panel2 is lit moves to FilterLeft.
  ProjectState state = StateWith(false, false, FileType::Custom);
  state.BlockAt(Block::FilterLeft) = {"Deinterlace", "Sharpen"};
  state.currentBlock = 2;
  state.importStereo = true;
  SchemeView v = ImportStereoClick(state);
  EXPECT_EQ(state.currentBlock, 4);
  EXPECT_TRUE(v.Panel(4).lit);
  EXPECT_EQ(v.filters, (FilterBlock{"Deinterlace", "Sharpen"}));
  EXPECT_EQ(v.selectedFilter, 1);
  EXPECT_TRUE(state.convertBeforeEnabled);

  // "Convert before filter" moves a lit Convert panel between 3 and 6 and
  // keeps its names in the list.
  state.BlockAt(Block::Convert) = {"SeparateFields"};
  state.currentBlock = 6;
  v = RefreshBlockScheme(state);
  EXPECT_TRUE(v.Panel(6).lit);
  state.convertBefore = true;
  v = ConvertBeforeClick(state);
  EXPECT_EQ(state.currentBlock, 3);
  EXPECT_TRUE(v.Panel(3).lit);
  EXPECT_FALSE(v.Panel(6).lit);
  EXPECT_EQ(v.filters, FilterBlock{"SeparateFields"});
  state.convertBefore = false;
  v = ConvertBeforeClick(state);
  EXPECT_EQ(state.currentBlock, 6);
  EXPECT_EQ(v.filters, FilterBlock{"SeparateFields"});

  // Stereo mode 2 while Panel5 is lit moves to FilterLeft.
  state.convertBefore = true;
  ConvertBeforeClick(state);
  state.currentBlock = 5;
  state.convertBefore = false;
  ConvertBeforeClick(state);
  EXPECT_EQ(state.currentBlock, 4);

  // Back to two files: Convert panels hide.
  state.currentBlock = 6;
  state.importStereo = false;
  v = ImportStereoClick(state);
  EXPECT_EQ(state.currentBlock, 4);
  EXPECT_FALSE(state.convertBeforeEnabled);
  EXPECT_FALSE(state.convertBefore) << "the check mark is left as it was";
}

TEST(BlockSchemeTest, LeavingCustomMovesOffTheImportPanels) {
  for (int panel : {1, 2}) {
    for (int fileType : {-1, 0, 1, 2}) {
      ProjectState state = StateWith(false, false, FileType::Custom);
      state.currentBlock = panel;
      EXPECT_TRUE(RefreshBlockScheme(state).Panel(panel).lit);
      state.fileType = static_cast<FileType>(fileType);
      const SchemeView v = FileTypeClick(state);
      EXPECT_EQ(state.currentBlock, 4);
      EXPECT_TRUE(v.Panel(4).lit);
    }
  }
  // Staying in Custom keeps Panel1 current in stereo mode too.
  ProjectState state = StateWith(true, true, FileType::Custom);
  state.currentBlock = 1;
  EXPECT_TRUE(RefreshBlockScheme(state).Panel(1).lit);
  EXPECT_EQ(state.currentBlock, 1);
}

TEST(BlockSchemeTest, HighlightLightsDisabledPanelsOnlyWhereAllowed) {
  SchemeView view;
  view.Panel(3).enabled = false;
  HighlightCurrentBlock(view, 3);
  EXPECT_FALSE(view.Panel(3).lit);
  view.Panel(5).enabled = false;
  HighlightCurrentBlock(view, 5);
  EXPECT_TRUE(view.Panel(5).lit) << "4, 5 and 9 are lit whatever their state";
  HighlightCurrentBlock(view, 9);
  EXPECT_TRUE(view.Panel(9).lit);
  EXPECT_FALSE(view.Panel(5).lit);
}

TEST(BlockSchemeTest, RightClickCopiesTheShownChainIntoAnotherBlock) {
  ProjectState state;
  state.BlockAt(Block::FilterLeft) = {"Crop", "Resize", "Crop"};
  state.BlockAt(Block::FilterRight) = {"Old"};
  SchemeView v = PanelMouseDown(state, 5, true);
  EXPECT_EQ(state.currentBlock, 5);
  EXPECT_TRUE(v.Panel(5).lit);
  EXPECT_FALSE(v.Panel(4).lit);
  EXPECT_EQ(state.BlockAt(Block::FilterRight), (FilterBlock{"Crop", "Resize", "Crop"}));
  EXPECT_EQ(v.selectedFilter, 2);
  // The copy is independent.
  state.BlockAt(Block::FilterRight).push_back("Sharpen");
  EXPECT_EQ(state.BlockAt(Block::FilterLeft).size(), 3u);

  // A left click only selects; a right click on the lit panel changes nothing.
  v = PanelMouseDown(state, 9, false);
  EXPECT_TRUE(state.BlockAt(Block::Output).empty());
  EXPECT_EQ(state.currentBlock, 9);
  v = PanelMouseDown(state, 9, true);
  EXPECT_TRUE(state.BlockAt(Block::Output).empty());

  // A right click on a Convert panel fills Convert.
  state.importStereo = true;
  state.convertBefore = true;
  ImportStereoClick(state);
  PanelMouseDown(state, 4, false);
  v = PanelMouseDown(state, 3, true);
  EXPECT_EQ(state.BlockAt(Block::Convert), (FilterBlock{"Crop", "Resize", "Crop"}));
  EXPECT_TRUE(v.Panel(3).lit);
}

TEST(BlockSchemeTest, ProjectLoadRunsTheOptionHandlersInOrder) {
  // Stereo import with "Convert before filter", loaded in stereo mode 0:
  // ends in mode 1 with the box enabled and checked.
  ProjectState state;
  ProjectFileContents contents;
  contents.importStereo = true;
  contents.convertBefore = true;
  contents.fileType = FileType::Video;
  contents.blocks[static_cast<int>(Block::Preview)] = {"Kept"};
  SchemeView v = ApplyLoadedProject(state, contents);
  EXPECT_EQ(static_cast<int>(StereoModeOf(state)), 1);
  EXPECT_TRUE(state.convertBeforeEnabled);
  EXPECT_TRUE(state.convertBefore);
  EXPECT_EQ(state.fileType, FileType::Video);
  EXPECT_EQ(state.BlockAt(Block::Preview), FilterBlock{"Kept"});
  EXPECT_TRUE(v.Panel(3).visible);

  // The "Import Stereo Clip" handler runs before "Convert before filter"
  // changes, so a lit Panel5 passes through stereo mode 2 and moves.
  ProjectState two;
  two.currentBlock = 5;
  v = ApplyLoadedProject(two, contents);
  EXPECT_EQ(two.currentBlock, 4);

  // The file type is clamped into -1..3.
  ProjectState clamp;
  contents.fileType = static_cast<FileType>(7);
  ApplyLoadedProject(clamp, contents);
  EXPECT_EQ(clamp.fileType, FileType::Custom);
  contents.fileType = static_cast<FileType>(-5);
  ApplyLoadedProject(clamp, contents);
  EXPECT_EQ(clamp.fileType, FileType::None);
}

}  // namespace
}  // namespace tandemix
