#include "desktop/ShellAviSynthDocs.h"

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

std::string ManualPath(const std::string& programFolder) { return programFolder + "/tandemix-manual.html"; }

std::string HelpDocumentPath(const std::string& docsFolder) {
  const std::string english = docsFolder + "english/index.htm";
  if (QFileInfo(QString::fromStdString(english)).isFile()) return english;
  return docsFolder + "index.html";
}

bool HelpDocumentInstalled(const std::string& docsFolder) {
  return !docsFolder.empty() || QFileInfo(QString::fromStdString(HelpDocumentPath(docsFolder))).isFile();
}

std::string MissingHelpQuestion() {
  return "No AviSynth documentation is installed. It was looked for in the folders doc/avisynth+, "
         "doc/avisynthplus, doc/avisynth and avisynth/docs under ~/.local/share and /usr/share (the XDG data "
         "folders), and as english/index.htm or index.html in the current folder.\n\nOpen the online AviSynth "
         "documentation (" +
         std::string(kOnlineAviSynthDocs) + ") instead?";
}

}  // namespace tandemix
