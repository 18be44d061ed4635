// Expands a filter block into script lines: each template file is read
// afresh and the keywords FileL, FileR, SliderA and SliderB are replaced.
#pragma once

#include <string>

#include "base/TextFile.h"
#include "project/ProjectState.h"
#include "project/TemplateLibrary.h"

namespace tandemix {

// The values that replace the four keywords.
struct TemplateKeywords {
  std::string fileL;    // left (or stereo) clip path, verbatim
  std::string fileR;    // right clip path, verbatim
  std::string sliderA;  // SliderA value in script number format
  std::string sliderB;
};

// Replaces the first occurrence of each keyword in the template's own text,
// in the order FileL, FileR, SliderA, SliderB (case-sensitive, no word
// boundaries). Text put in for one keyword is never searched for the next:
// a clip in a folder named "FileR" keeps its path.
std::string SubstituteKeywords(const std::string& line, const TemplateKeywords& keywords);

// Throws what ExpandBlock would throw for a name of `block`, reading
// nothing into any script: a name that is not a template name ("The
// template ... cannot be used, ..."), or "Cannot open file <path>".
void CheckTemplatesReadable(const FilterBlock& block, const std::string& templateFolder);

// Appends the expanded lines of every template of `block`, in block order,
// to `destination`. Every template is checked first (CheckTemplatesReadable),
// so one that cannot be read throws and appends nothing.
void ExpandBlock(LineList& destination, const FilterBlock& block, const std::string& templateFolder,
                 const TemplateKeywords& keywords);

}  // namespace tandemix
