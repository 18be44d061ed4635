// The depth budget as tandemix-cli prints it: the options that set its
// limits, shared by align --report and depth, and the printed lines.
#pragma once

#include <string>

#include "analysis/DepthBudget.h"
#include "app/cli/ArgReader.h"

namespace tandemix::cli {

// Reads --screen-width METRES or --near-budget PERCENT into `limits`; false
// for any other option.
bool ReadDepthOption(const std::string& arg, ArgReader& reader, DepthLimits& limits);

// "depth: near ..., median ..., far ... (412 points)", the limits, then a
// "warning: ..." line for each warning; `indent` goes before each line.
void PrintDepth(const DepthReport& report, const DepthLimits& limits, const std::string& indent);

}  // namespace tandemix::cli
