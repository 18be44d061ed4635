#include "script/TemplateExpansion.h"

namespace tandemix {
namespace {

void ReplaceFirst(std::string& text, const std::string& keyword, const std::string& value) {
  const auto at = text.find(keyword);
  if (at != std::string::npos) text.replace(at, keyword.size(), value);
}

}  // namespace

std::string SubstituteKeywords(const std::string& line, const TemplateKeywords& keywords) {
  std::string result = line;
  ReplaceFirst(result, "FileL", keywords.fileL);
  ReplaceFirst(result, "FileR", keywords.fileR);
  ReplaceFirst(result, "SliderA", keywords.sliderA);
  ReplaceFirst(result, "SliderB", keywords.sliderB);
  return result;
}

void ExpandBlock(LineList& destination, const FilterBlock& block, const std::string& templateFolder,
                 const TemplateKeywords& keywords) {
  for (const auto& name : block) {
    const LineList lines = ReadTextLines(TemplatePath(templateFolder, name));
    for (const auto& line : lines) destination.push_back(SubstituteKeywords(line, keywords));
  }
}

}  // namespace tandemix
