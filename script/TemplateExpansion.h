// Expands a filter block into script lines: each template file is read
// afresh and the keywords FileL, FileR, SliderA and SliderB are replaced.
#pragma once

#include <string>

#include "platform/TextFile.h"
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

// Replaces the first occurrence of each keyword, in the order FileL, FileR,
// SliderA, SliderB, each on the result of the one before (case-sensitive,
// no word boundaries).
std::string SubstituteKeywords(const std::string& line, const TemplateKeywords& keywords);

// Appends the expanded lines of every template of `block`, in block order,
// to `destination`. A template that cannot be read throws "Cannot open file
// <path>"; lines appended before it stay.
void ExpandBlock(LineList& destination, const FilterBlock& block, const std::string& templateFolder,
                 const TemplateKeywords& keywords);

}  // namespace tandemix
