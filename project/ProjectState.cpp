#include "project/ProjectState.h"

namespace tandemix {

Block BlockOfPanel(int panel) {
  switch (panel) {
    case 1:
      return Block::ImportLeft;
    case 2:
      return Block::ImportRight;
    case 3:
    case 6:
      return Block::Convert;
    case 5:
      return Block::FilterRight;
    case 9:
      return Block::Output;
    default:
      return Block::FilterLeft;
  }
}

StereoMode StereoModeOf(const ProjectState& state) {
  if (!state.importStereo) return StereoMode::TwoFiles;
  return state.convertBefore ? StereoMode::ConvertBeforeFilters : StereoMode::ConvertAfterFilters;
}

}  // namespace tandemix
