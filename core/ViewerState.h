// What the clip viewer holds that the generator and clip loading use: the
// offset bar (one clip shifted against the other by whole frames) and the
// track bar's range and position.
#pragma once

#include "core/AlignmentSettings.h"

namespace tandemix {

struct ViewerState {
  ScrollRange offset{0, 0, 0};  // ScrollBar_Offset
  bool offsetEnabled = true;
  ScrollRange track{0, 0, 0};  // TrackBar_Movie

  int Offset() const { return offset.position; }
};

}  // namespace tandemix
