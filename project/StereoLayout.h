// What loading a stereo clip proposes: the template that splits its layout
// into two views, for an empty Convert block.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/LayoutDetection.h"
#include "project/ProjectState.h"

namespace tandemix {

// After a stereo clip is loaded: when the Convert block is empty and
// `templateNames` holds the template that splits the clip's layout, the one
// question to ask. Nothing to propose otherwise.
inline constexpr const char* kStereoLayoutCaption = "Stereo layout";
struct SplitProposal {
  std::string templateName;
  std::string question;
};
std::optional<SplitProposal> ProposeSplit(const ProjectState& project, const StereoLayout& layout,
                                          const std::vector<std::string>& templateNames);
// The answer Yes: the template becomes the Convert block's entry.
void AcceptSplit(ProjectState& project, const SplitProposal& proposal);

}  // namespace tandemix
