// libFuzzer target: the project reader. Each input is the bytes of a
// project file. A project that reads must save and read back to the same
// contents, and every template name it holds must be a plain name inside
// the template folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/Errors.h"
#include "base/TextFile.h"
#include "project/ProjectFile.h"
#include "project/TemplateLibrary.h"

using namespace tandemix;

namespace {

bool SameContents(const ProjectFileContents& a, const ProjectFileContents& b) {
  return a.blocks == b.blocks && a.importStereo == b.importStereo && a.fileType == b.fileType &&
         a.convertBefore == b.convertBefore;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);  // as ReadTextLines does
  ProjectFileContents read;
  try {
    read = ParseProjectLines(SplitLines(bytes), "fuzz.avp");
  } catch (const TandemixError&) {
    return 0;
  }
  for (const FilterBlock& block : read.blocks)
    for (const std::string& name : block)
      if (!CheckTemplateName(name).Passed()) std::abort();  // a name that leaves the template folder got through
  ProjectState state;
  ApplyProject(state, read);
  // Saved as the program saves it (CR LF lines), then read again.
  const ProjectFileContents again = ParseProjectLines(SplitLines(JoinLinesCrLf(ProjectFileLines(state))), "fuzz.avp");
  if (!SameContents(read, again)) std::abort();
  return 0;
}
