#include "project/SessionFile.h"

#include <QFileInfo>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "base/Errors.h"
#include "core/ScriptNumber.h"

namespace tandemix {
namespace {

constexpr const char* kHeader = "! TandemixSession 1";

std::string Flag(bool value) { return value ? "1" : "0"; }

bool ReadInt(const std::string& text, int& value) {
  int parsed = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  value = parsed;
  return true;
}

bool ReadReal(const std::string& text, double& value) {
  double parsed = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

bool ReadFlag(const std::string& text, bool& value) {
  if (text != "0" && text != "1") return false;
  value = text == "1";
  return true;
}

}  // namespace

std::string SessionPathOf(const std::string& projectPath) { return projectPath + ".session"; }

std::string TextFingerprint(const std::string& text) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ULL;
  }
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
  return digits;
}

SessionContents SessionOf(const ProjectState& project, const AlignmentSettings& alignment, const ViewerState& viewer,
                          const ScriptRecord& scripts) {
  SessionContents s;
  s.clipA = project.clipAFileName;
  s.clipB = project.importStereo ? std::string() : project.clipBFileName;
  s.outputScriptName = project.outputScriptName;
  s.offset = viewer.Offset();
  s.horizontal = alignment.horizontal.position;
  s.vertical = alignment.vertical.position;
  s.scaleText = alignment.scaleText;
  s.scaleRText = alignment.scaleRText;
  s.angleText = alignment.angleText;
  s.angleRText = alignment.angleRText;
  s.finalWidthText = alignment.finalWidthText;
  s.finalHeightText = alignment.finalHeightText;
  s.useFinalSize = alignment.useFinalSize;
  s.autoCrop = alignment.autoCrop;
  s.swapViews = alignment.swapViews;
  s.sliderAValue = alignment.sliderAValue;
  s.sliderBValue = alignment.sliderBValue;
  s.sliderAStep = alignment.sliderAStep;
  s.sliderBStep = alignment.sliderBStep;
  s.conformRate = project.conformRate;
  s.scaleRight = project.scaleRightToLeft;
  s.scripts = scripts;
  return s;
}

LineList SessionFileLines(const SessionContents& s) {
  LineList lines = {kHeader};
  const auto add = [&lines](const char* key, const std::string& value) { lines.push_back(key + ("=" + value)); };
  add("clipA", s.clipA);
  add("clipB", s.clipB);
  add("output", s.outputScriptName);
  add("offset", std::to_string(s.offset));
  add("horizontal", std::to_string(s.horizontal));
  add("vertical", std::to_string(s.vertical));
  add("scaleLeft", s.scaleText);
  add("scaleRight", s.scaleRText);
  add("angleLeft", s.angleText);
  add("angleRight", s.angleRText);
  add("finalWidth", s.finalWidthText);
  add("finalHeight", s.finalHeightText);
  add("useFinalSize", Flag(s.useFinalSize));
  add("autoCrop", Flag(s.autoCrop));
  add("swapViews", Flag(s.swapViews));
  add("sliderA", FormatScriptNumber(s.sliderAValue));
  add("sliderB", FormatScriptNumber(s.sliderBValue));
  add("sliderAStep", FormatScriptNumber(s.sliderAStep));
  add("sliderBStep", FormatScriptNumber(s.sliderBStep));
  add("conformRate", Flag(s.conformRate));
  add("scaleRightToLeft", Flag(s.scaleRight));
  for (const auto& [path, fingerprint] : s.scripts) add("script", fingerprint + " " + path);
  return lines;
}

SessionContents ParseSessionLines(const LineList& lines) {
  SessionContents s;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.empty() || line[0] == '!') continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) {
      s.problems.push_back("line " + std::to_string(i + 1) + " is not \"name=value\": " + line);
      continue;
    }
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    bool ok = true;
    if (key == "clipA")
      s.clipA = value;
    else if (key == "clipB")
      s.clipB = value;
    else if (key == "output")
      s.outputScriptName = value;
    else if (key == "offset")
      ok = ReadInt(value, s.offset);
    else if (key == "horizontal")
      ok = ReadInt(value, s.horizontal);
    else if (key == "vertical")
      ok = ReadInt(value, s.vertical);
    else if (key == "scaleLeft")
      s.scaleText = value;
    else if (key == "scaleRight")
      s.scaleRText = value;
    else if (key == "angleLeft")
      s.angleText = value;
    else if (key == "angleRight")
      s.angleRText = value;
    else if (key == "finalWidth")
      s.finalWidthText = value;
    else if (key == "finalHeight")
      s.finalHeightText = value;
    else if (key == "useFinalSize")
      ok = ReadFlag(value, s.useFinalSize);
    else if (key == "autoCrop")
      ok = ReadFlag(value, s.autoCrop);
    else if (key == "swapViews")
      ok = ReadFlag(value, s.swapViews);
    else if (key == "sliderA")
      ok = ReadReal(value, s.sliderAValue);
    else if (key == "sliderB")
      ok = ReadReal(value, s.sliderBValue);
    else if (key == "sliderAStep")
      ok = ReadReal(value, s.sliderAStep);
    else if (key == "sliderBStep")
      ok = ReadReal(value, s.sliderBStep);
    else if (key == "conformRate")
      ok = ReadFlag(value, s.conformRate);
    else if (key == "scaleRightToLeft")
      ok = ReadFlag(value, s.scaleRight);
    else if (key == "script") {
      const std::size_t space = value.find(' ');
      ok = space == 16 && space + 1 < value.size();
      if (ok) s.scripts[value.substr(space + 1)] = value.substr(0, space);
    }
    if (!ok) s.problems.push_back("line " + std::to_string(i + 1) + " has an unreadable value: " + line);
  }
  return s;
}

void SaveSession(const std::string& path, const SessionContents& contents) {
  WriteTextLines(path, SessionFileLines(contents));
}

std::optional<SessionContents> ReadSession(const std::string& path) {
  if (!QFileInfo::exists(QString::fromStdString(path))) return std::nullopt;
  return ParseSessionLines(ReadTextLines(path));
}

void ApplySessionAlignment(const SessionContents& s, AlignmentSettings& a) {
  const auto keep = [](ScrollRange& bar, int value) {
    bar.SetRange(std::min(bar.minimum, value), std::max(bar.maximum, value));
    bar.SetPosition(value);
  };
  keep(a.horizontal, s.horizontal);
  keep(a.vertical, s.vertical);
  a.scaleText = s.scaleText;
  a.scaleRText = s.scaleRText;
  a.angleText = s.angleText;
  a.angleRText = s.angleRText;
  a.finalWidthText = s.finalWidthText;
  a.finalHeightText = s.finalHeightText;
  a.useFinalSize = s.useFinalSize;
  a.autoCrop = s.autoCrop;
  a.swapViews = s.swapViews;
  a.sliderAValue = s.sliderAValue;
  a.sliderBValue = s.sliderBValue;
  a.sliderAStep = s.sliderAStep;
  a.sliderBStep = s.sliderBStep;
}

bool AlignmentAtStart(const AlignmentSettings& a) {
  const AlignmentSettings start;
  return a.horizontal.position == 0 && a.vertical.position == 0 && a.scaleText == start.scaleText &&
         a.scaleRText == start.scaleRText && a.angleText == start.angleText && a.angleRText == start.angleRText;
}

void ResetAlignment(AlignmentSettings& a) {
  const AlignmentSettings start;
  a.horizontal.SetPosition(0);
  a.vertical.SetPosition(0);
  a.scaleText = start.scaleText;
  a.scaleRText = start.scaleRText;
  a.angleText = start.angleText;
  a.angleRText = start.angleRText;
  a.scaleLockRatio = start.scaleLockRatio;
  a.angleLockOffset = start.angleLockOffset;
}

}  // namespace tandemix
