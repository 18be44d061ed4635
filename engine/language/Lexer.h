// Splits script text into tokens. Lines end at CR LF, CR or LF; "#" starts
// a comment to the line's end, "/* */" and "[* *]" enclose comments; a "\"
// at the end of a line or at the start of the next joins the two lines;
// "__END__" ends the script. A leading UTF-8 byte order mark is skipped;
// "$" hexadecimal literals are 32-bit values ($FFFFFFFF is -1); e"..." strings
// take backslash escapes and """...""" strings hold quotes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tandemix::engine {

enum class TokenKind { End, Newline, Identifier, Int, Float, String, Operator };

struct Token {
  TokenKind kind = TokenKind::End;
  std::string text;  // identifier, operator or string contents
  std::int64_t intValue = 0;
  double floatValue = 0.0;
  int line = 1;
  int column = 1;
};

// Throws ScriptError ("Script error: ...", then the script name, line and
// column) on a character or literal it cannot read.
std::vector<Token> Tokenize(std::string_view text, const std::string& scriptName);

// The location line of a syntax error: "(name, line L, column C)".
std::string SyntaxLocation(const std::string& scriptName, int line, int column);

}  // namespace tandemix::engine
