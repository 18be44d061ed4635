#include "platform/ShellAviSynthDocs.h"

#include <QFileInfo>
#include <QString>

namespace tandemix {

std::string FindAviSynthDocsFolder(const ShellEnvironment& env) {
  std::vector<std::string> dataDirs{env.DataHome()};
  for (const auto& dir : env.DataDirs()) dataDirs.push_back(dir);
  for (const auto& dir : dataDirs) {
    for (const char* sub : {"/doc/avisynth+", "/doc/avisynthplus", "/doc/avisynth", "/avisynth/docs"}) {
      const std::string folder = dir + sub;
      if (QFileInfo(QString::fromStdString(folder)).isDir()) return folder + "/";
    }
  }
  return {};
}

std::string HelpDocumentPath(const std::string& docsFolder) {
  const std::string english = docsFolder + "english/index.htm";
  if (QFileInfo(QString::fromStdString(english)).isFile()) return english;
  return docsFolder + "index.html";
}

}  // namespace tandemix
