#include "core/SettingsKeys.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iomanip>
#include <locale>
#include <sstream>

namespace tandemix {

std::string FolderKey(FileKind kind) {
  switch (kind) {
    case FileKind::None:
      return {};
    case FileKind::Clips:
      return "folders/clips";
    case FileKind::Projects:
      return "folders/projects";
    case FileKind::Templates:
      return "folders/templates";
    case FileKind::Pictures:
      return "folders/pictures";
    case FileKind::Scripts:
      return "folders/scripts";
  }
  return {};
}

std::string RenderKey(const std::string& choice) { return "render/" + choice; }

double SettingNumber(const std::string& text, double fallback, double low, double high) {
  // The C locale's reading, whatever the user's: settings files travel.
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  double value = 0.0;
  if (!(in >> value)) return fallback;
  in >> std::ws;
  if (!in.eof() || !std::isfinite(value) || value < low || value > high) return fallback;
  return value;
}

std::string SettingNumberText(double value) {
  std::ostringstream out;
  out.imbue(std::locale::classic());
  out << std::setprecision(8) << value;
  return out.str();
}

std::string WindowGeometryKey(const std::string& windowName) { return "windows/" + windowName + "/geometry"; }

std::string OutputNameKey(const std::string& clipA, const std::string& clipB) {
  if (clipA.empty() && clipB.empty()) return {};
  std::uint64_t hash = 14695981039346656037ULL;
  const auto add = [&](unsigned char c) {
    hash ^= c;
    hash *= 1099511628211ULL;
  };
  for (char c : clipA) add(static_cast<unsigned char>(c));
  add('\n');
  for (char c : clipB) add(static_cast<unsigned char>(c));
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return std::string("outputs/") + hex;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string StartFolder(const std::string& remembered, bool rememberedExists, const std::string& requested) {
  return !remembered.empty() && rememberedExists ? remembered : requested;
}

}  // namespace tandemix
