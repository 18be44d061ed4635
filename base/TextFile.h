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

// Reads a whole file as lines, less a leading UTF-8 byte order mark. Throws "Cannot open file <path>" when the
// file cannot be opened or read.
LineList ReadTextLines(const std::string& path);

// Writes the lines, each followed by CR LF, replacing the file atomically:
// a failed write leaves the old file whole. Throws "Cannot create file
// <path>" when the file cannot be written.
void WriteTextLines(const std::string& path, const LineList& lines);

// The joined text of WriteTextLines.
std::string JoinLinesCrLf(const LineList& lines);

}  // namespace tandemix
