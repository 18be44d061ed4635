#include "viewer/ViewerLayout.h"

#include <algorithm>

namespace tandemix {

ViewerGeometry ComputeViewerGeometry(int outputWidth, int outputHeight, int screenWidth, int screenHeight, int left,
                                     int top) {
  ViewerGeometry g;
  g.left = left;
  g.top = top;
  int pw = std::max(outputWidth, 360);
  int ph = std::max(outputHeight, 240);
  if (pw > screenWidth - 60) {
    pw = screenWidth - 60;
    g.left = 0;
    g.width = screenWidth;
  } else if (pw > 360) {
    g.width = outputWidth + 60;
  } else {
    g.width = 420;
  }
  if (ph > screenHeight - 116) {
    ph = screenHeight - 116;
    g.top = 0;
  }
  g.height = ph > 240 ? ph + 116 : 356;
  if (g.left + g.width > screenWidth) g.left = screenWidth - g.width;
  if (g.top + g.height > screenHeight) g.top = screenHeight - g.height;
  g.panelWidth = pw;
  g.panelHeight = ph;
  g.trackBarWidth = g.width - 246;
  g.offsetBarWidth = g.width - 262;
  return g;
}

}  // namespace tandemix
