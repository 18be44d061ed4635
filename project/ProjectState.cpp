#include "project/ProjectState.h"

namespace tandemix {

Block BlockOfPanel(int panel) {
  switch (panel) {
    case 1: return Block::ImportLeft;
    case 2: return Block::ImportRight;
    case 3:
    case 6: return Block::Convert;
    case 5: return Block::FilterRight;
    case 9: return Block::Output;
    default: return Block::FilterLeft;
  }
}

int StereoModeOf(const ProjectState& state) {
  if (!state.importStereo) return 0;
  return state.convertBefore ? 1 : 2;
}

}  // namespace tandemix
