// The whole project of one run: the seven filter blocks, the current block,
// the stereo options, the file type, the clips and their measurements, the
// output script's name and size, and the generator's working line lists.
// One instance lives from program start to end; every part reads and changes
// it in place.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "base/TextFile.h"

namespace tandemix {

enum class Block { ImportLeft = 0, ImportRight, Convert, FilterLeft, FilterRight, Preview, Output };
constexpr int kBlockCount = 7;

// File type: item index of the "File type" radio group.
// The numbers are those of the project file and the "File type" items.
enum class FileType : int { None = -1, Avi = 0, Video = 1, Picture = 2, Custom = 3 };

// Two files; one stereo file converted before the filters; one converted
// after them. The numbers are those the block scheme speaks of.
enum class StereoMode : int { TwoFiles = 0, ConvertBeforeFilters = 1, ConvertAfterFilters = 2 };

// The current block is held as the number of the panel that selected it,
// because the Convert block has two panels (3 above the filters, 6 below).
Block BlockOfPanel(int panel);

// An ordered list of template names; names may repeat.
using FilterBlock = std::vector<std::string>;

struct ProjectState {
  std::array<FilterBlock, kBlockCount> blocks;
  int currentBlock = 4;  // panel number: 1..6 or 9

  // Stereo options ("Import Stereo Clip", "Convert before filter"). The
  // second is enabled only while the first is checked.
  bool importStereo = false;
  bool convertBefore = false;
  bool convertBeforeEnabled = false;

  StereoMode stereoMode = StereoMode::TwoFiles;  // recomputed by every generator run
  FileType fileType = FileType::Avi;

  std::string clipAFileName;
  std::string clipBFileName;
  int leftClipWidth = 0;
  int leftClipHeight = 0;
  int leftFrameCount = 0;
  int rightClipWidth = 0;
  int rightClipHeight = 0;
  int rightFrameCount = 0;
  // Frame rates (frames per second, 0 before measuring) and whether the
  // clips have sound, as the clips measured.
  double leftRate = 0.0;
  double rightRate = 0.0;
  bool leftHasSound = false;
  bool rightHasSound = false;
  // The user's answers for two cameras that do not match: the right clip
  // conformed to the left's rate, scaled to the left's height.
  bool conformRate = false;
  bool scaleRightToLeft = false;

  // The file name held by the output script dialog: the default from Load
  // Clips, or the last name the user chose.
  std::string outputScriptName;
  int outputWidth = 0;
  int outputHeight = 0;

  // Working lists of the script generator.
  LineList outputLines;
  LineList previewLines;
  LineList alignmentLines;
  LineList leftFinalLines;
  LineList rightFinalLines;

  // Folder of the template library (and start folder of the dialogs),
  // without a trailing '/' except for the root.
  std::string programFolder;

  FilterBlock& BlockAt(Block b) { return blocks[static_cast<int>(b)]; }
  const FilterBlock& BlockAt(Block b) const { return blocks[static_cast<int>(b)]; }
  FilterBlock& Current() { return BlockAt(BlockOfPanel(currentBlock)); }
};

// Stereo mode from the two options.
StereoMode StereoModeOf(const ProjectState& state);

}  // namespace tandemix
