#include "script/TemplateExpansion.h"

#include <cstddef>
#include <vector>

#include "base/Errors.h"

namespace tandemix {
namespace {

// A line cut into pieces: the template's own text, and values put in.
struct Piece {
  std::string text;
  bool inserted = false;
};

// Replaces the first occurrence of `keyword` in the template's own text;
// inserted values are never searched.
void ReplaceFirst(std::vector<Piece>& pieces, const std::string& keyword, const std::string& value) {
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (pieces[i].inserted) continue;
    const auto at = pieces[i].text.find(keyword);
    if (at == std::string::npos) continue;
    Piece after{pieces[i].text.substr(at + keyword.size()), false};
    pieces[i].text.resize(at);
    pieces.insert(pieces.begin() + static_cast<std::ptrdiff_t>(i) + 1, {Piece{value, true}, std::move(after)});
    return;
  }
}

}  // namespace

std::string SubstituteKeywords(const std::string& line, const TemplateKeywords& keywords) {
  std::vector<Piece> pieces{Piece{line, false}};
  ReplaceFirst(pieces, "FileL", keywords.fileL);
  ReplaceFirst(pieces, "FileR", keywords.fileR);
  ReplaceFirst(pieces, "SliderA", keywords.sliderA);
  ReplaceFirst(pieces, "SliderB", keywords.sliderB);
  std::string result;
  for (const Piece& piece : pieces) result += piece.text;
  return result;
}

void CheckTemplatesReadable(const FilterBlock& block, const std::string& templateFolder) {
  for (const auto& name : block) {
    if (const Check check = CheckTemplateName(name); !check.Passed())
      throw TandemixError("The template \"" + name + "\" cannot be used, " + check.Why());
    ReadTextLines(TemplatePath(templateFolder, name));
  }
}

void ExpandBlock(LineList& destination, const FilterBlock& block, const std::string& templateFolder,
                 const TemplateKeywords& keywords) {
  CheckTemplatesReadable(block, templateFolder);
  for (const auto& name : block) {
    const LineList lines = ReadTextLines(TemplatePath(templateFolder, name));
    for (const auto& line : lines) destination.push_back(SubstituteKeywords(line, keywords));
  }
}

}  // namespace tandemix
