// Text files (templates, projects, scripts) are read whole, byte for byte,
// and handled as lists of lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tandemix {

using LineList = std::vector<std::string>;

// Splits text into lines: CR LF, a lone CR or a lone LF ends a line; a line
// break at the end makes no empty last line; a NUL byte ends the text.
LineList SplitLines(std::string_view text);

// Scripts, templates and projects are small; a file larger than this is
// not one of them.
constexpr std::size_t kMaxTextFileBytes = std::size_t{16} << 20;

// The bytes of a script, template or project file. Throws "Cannot open
// file <path>" when it cannot be opened or read, with the reason added when
// it is not a regular file (a FIFO, a device) or is larger than
// kMaxTextFileBytes, and says where when the text holds a NUL byte.
std::string ReadTextFile(const std::string& path);

// Reads a whole file (as ReadTextFile does) as lines, less a leading UTF-8
// byte order mark.
LineList ReadTextLines(const std::string& path);

// Writes the lines, each followed by CR LF, replacing the file atomically:
// a failed write leaves the old file whole. Throws "Cannot create file
// <path>" when the file cannot be written.
void WriteTextLines(const std::string& path, const LineList& lines);

// The joined text of WriteTextLines.
std::string JoinLinesCrLf(const LineList& lines);

}  // namespace tandemix
