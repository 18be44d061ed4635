#include "project/StereoLayout.h"

#include <algorithm>

namespace tandemix {

std::optional<SplitProposal> ProposeSplit(const ProjectState& project, const StereoLayout& layout,
                                          const std::vector<std::string>& templateNames) {
  const std::optional<std::string> name = layout.SplitTemplate();
  if (!name || !project.BlockAt(Block::Convert).empty()) return std::nullopt;
  if (std::find(templateNames.begin(), templateNames.end(), *name) == templateNames.end()) return std::nullopt;
  const char* what = IsSideBySide(layout.arrangement) ? "a side-by-side" : "an over/under";
  const char* how = layout.evidence == LayoutEvidence::Metadata ? "the file declares it"
                    : layout.evidence == LayoutEvidence::Name   ? "its name says so"
                                                                : "its two halves match";
  return SplitProposal{*name, std::string("The clip holds ") + what + " stereo pair (" + how + "). Add the template '" +
                                  *name + "' to the Convert block?"};
}

void AcceptSplit(ProjectState& project, const SplitProposal& proposal) {
  project.BlockAt(Block::Convert).push_back(proposal.templateName);
}

}  // namespace tandemix
