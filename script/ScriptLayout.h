// The stereo layout a generated script shows, known where the scripts are
// written: the generator fills the script's last statement from the Output
// block's template.
#pragma once

#include <string>

#include "base/ViewLayout.h"

namespace tandemix {

// The layout a script's text shows, read from its last statement: two
// views stacked side by side or over/under (squeezed when they are resized
// first, right view first for cross-eyed viewing), woven rows, a colour
// mix, or one view. None for anything else.
ViewLayout LayoutOfScript(const std::string& scriptText);

// The same for a script file; None when the file cannot be read (opening
// the script says why).
ViewLayout LayoutOfScriptFile(const std::string& path);

}  // namespace tandemix
