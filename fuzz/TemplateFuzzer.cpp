// libFuzzer target: template expansion. Each input is lines: "FileL=...",
// "FileR=...", "SliderA=...", "SliderB=..." give the values; every other
// line is a template line. Substituting the values must give what
// substituting unique stand-ins and then swapping in the values gives:
// text put in for one keyword is never searched for the next (a clip in a
// folder named "FileR/" keeps its path).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/TextFile.h"
#include "script/TemplateExpansion.h"

using namespace tandemix;

namespace {

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 8192) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // The stand-ins are control characters the input must not hold.
  if (bytes.find_first_of("\x01\x02\x03\x04") != std::string_view::npos) return 0;
  TemplateKeywords values;
  LineList lines;
  for (const std::string& line : SplitLines(bytes)) {
    if (line.rfind("FileL=", 0) == 0)
      values.fileL = line.substr(6);
    else if (line.rfind("FileR=", 0) == 0)
      values.fileR = line.substr(6);
    else if (line.rfind("SliderA=", 0) == 0)
      values.sliderA = line.substr(8);
    else if (line.rfind("SliderB=", 0) == 0)
      values.sliderB = line.substr(8);
    else
      lines.push_back(line);
  }
  const TemplateKeywords standIns{"\x01", "\x02", "\x03", "\x04"};
  for (const std::string& line : lines) {
    std::string expected = SubstituteKeywords(line, standIns);
    ReplaceAll(expected, "\x01", values.fileL);
    ReplaceAll(expected, "\x02", values.fileR);
    ReplaceAll(expected, "\x03", values.sliderA);
    ReplaceAll(expected, "\x04", values.sliderB);
    if (SubstituteKeywords(line, values) != expected) std::abort();
  }
  return 0;
}
