#include "script/ScriptLayout.h"

#include <cctype>

#include "base/Errors.h"
#include "base/TextFile.h"

namespace tandemix {
namespace {

// The last line that is not blank and not a comment, blanks removed.
std::string LastStatement(const std::string& text) {
  std::string last;
  std::size_t begin = 0;
  while (begin <= text.size()) {
    std::size_t end = text.find_first_of("\r\n", begin);
    if (end == std::string::npos) end = text.size();
    std::string line;
    for (std::size_t i = begin; i < end; ++i)
      if (!std::isspace(static_cast<unsigned char>(text[i]))) line += text[i];
    if (!line.empty() && line[0] != '#') last = line;
    begin = end + 1;
  }
  return last;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

ViewLayout LayoutOfScript(const std::string& scriptText) {
  const std::string last = LastStatement(scriptText);
  if (last.empty()) return ViewLayout::None;
  const bool resized = Contains(last, "Resize(") || Contains(last, "ReduceBy2");
  if (Contains(last, "Weave(")) return ViewLayout::Rows;
  if (Contains(last, "MergeRGB(")) return ViewLayout::Anaglyph;
  if (Contains(last, "StackHorizontal(")) {
    // The first view named after the call is the one on the left.
    const std::size_t call = last.find("StackHorizontal(");
    const std::size_t a = last.find("ClipA", call);
    const std::size_t b = last.find("ClipB", call);
    if (b != std::string::npos && (a == std::string::npos || b < a)) return ViewLayout::SideBySideCross;
    return resized ? ViewLayout::SideBySideHalf : ViewLayout::SideBySide;
  }
  if (Contains(last, "StackVertical(")) return resized ? ViewLayout::OverUnderHalf : ViewLayout::OverUnder;
  if (last == "ClipA" || last == "ClipB" || last == "return(ClipA)" || last == "return(ClipB)" ||
      last == "returnClipA" || last == "returnClipB")
    return ViewLayout::Mono;
  return ViewLayout::None;
}

ViewLayout LayoutOfScriptFile(const std::string& path) {
  try {
    return LayoutOfScript(JoinLinesCrLf(ReadTextLines(path)));
  } catch (const TandemixError&) {
    return ViewLayout::None;
  }
}

}  // namespace tandemix
