// Where and how large the clip viewer opens for an output picture size on a
// given screen.
#pragma once

namespace tandemix {

struct ViewerGeometry {
  int panelWidth = 360;  // the picture area
  int panelHeight = 240;
  int left = 0;  // window position and size
  int top = 0;
  int width = 420;
  int height = 356;
  int trackBarWidth = 174;
  int offsetBarWidth = 158;
};

// `left` and `top` are where the window stands now; they change only where
// the window would not fit the screen.
ViewerGeometry ComputeViewerGeometry(int outputWidth, int outputHeight, int screenWidth, int screenHeight, int left,
                                     int top);

}  // namespace tandemix
