// What the program remembers between runs, by key: the last folder of each
// kind of file, the windows' places and sizes, and the last output script
// name of each pair of clips.
#pragma once

#include <string>

namespace tandemix {

// The kinds of file whose dialogs remember their folder.
enum class FileKind { None, Clips, Projects, Templates, Pictures, Scripts };

// "folders/clips" and so on; "" for FileKind::None (nothing remembered).
std::string FolderKey(FileKind kind);

// "windows/<objectName>/geometry".
std::string WindowGeometryKey(const std::string& windowName);

// The key of the last output name for the clips `clipA` and `clipB`:
// "outputs/" and 16 hex digits (the 64-bit FNV-1a hash of both names with a
// line feed between). "" when no clip is loaded.
std::string OutputNameKey(const std::string& clipA, const std::string& clipB);

// The render dialog's last choices: "render/file", "render/video",
// "render/quality", "render/audio".
std::string RenderKey(const std::string& choice);

// The recent projects (paths joined by line feeds, the latest first) and
// whether the last one reopens at start ("1" or "0").
inline constexpr const char* kRecentProjectsKey = "projects/recent";
inline constexpr const char* kReopenLastKey = "projects/reopenLast";

// The depth budget's limits: the width of the screen in metres
// ("depth/screenWidth", 2 unless set) and the near comfort budget in percent
// of the picture width ("depth/nearBudget", 2 unless set).
inline constexpr const char* kDepthScreenWidthKey = "depth/screenWidth";
inline constexpr const char* kDepthNearBudgetKey = "depth/nearBudget";
constexpr double kDefaultScreenWidthMetres = 2.0;
constexpr double kDefaultNearBudgetPercent = 2.0;
// A remembered number (point as separator) within [low, high]; anything
// else, an empty text included, gives `fallback`.
double SettingNumber(const std::string& text, double fallback, double low, double high);
// A number as it is remembered: a point as separator, at most 8
// significant digits, nothing more than needed ("2", "1.25").
std::string SettingNumberText(double value);

// The folder of a file path ("/" for a file in the root, "" for a bare name).
std::string FolderOf(const std::string& path);

// Where a file dialog starts: the remembered folder of its kind when there
// is one and it still exists, else the folder the command asks for.
std::string StartFolder(const std::string& remembered, bool rememberedExists, const std::string& requested);

}  // namespace tandemix
