#include "engine/language/Lexer.h"

#include <cctype>
#include <cstdlib>
#include <limits>

#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

bool IsIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

class Lexer {
 public:
  Lexer(std::string_view text, const std::string& name) : text_(text), name_(name) {}

  std::vector<Token> Run() {
    // A UTF-8 byte order mark (Notepad writes one) is not part of the text.
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = lineStart_ = 3;
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == '\0') break;
      if (IsBlank(c)) {
        ++pos_;
      } else if (c == '\r' || c == '\n') {
        Newline();
      } else if (c == '#') {
        SkipToLineEnd();
      } else if (c == '\\') {
        Continuation();
      } else if (c == '/' && Peek(1) == '*') {
        BlockComment();
      } else if (c == '[' && Peek(1) == '*') {
        NestedComment();
      } else if (c == '"') {
        String();
      } else if (IsDigit(c) || (c == '.' && IsDigit(Peek(1)))) {
        Number();
      } else if (c == '$') {
        Hex();
      } else if ((c == 'e' || c == 'E') && Peek(1) == '"') {
        EscapedString();
      } else if (IsIdentStart(c)) {
        if (Identifier()) break;  // __END__
      } else {
        Operator();
      }
    }
    Token end;
    end.kind = TokenKind::End;
    end.line = line_;
    end.column = Column();
    tokens_.push_back(end);
    return std::move(tokens_);
  }

 private:
  char Peek(std::size_t ahead) const { return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0'; }
  int Column() const { return static_cast<int>(pos_ - lineStart_) + 1; }

  [[noreturn]] void Fail(const std::string& what, int line, int column) const {
    throw ScriptError("Script error: " + what + "\n" + SyntaxLocation(name_, line, column));
  }

  Token Start(TokenKind kind) const {
    Token t;
    t.kind = kind;
    t.line = line_;
    t.column = Column();
    return t;
  }

  // Moves past one line break (CR LF, CR or LF).
  void BreakLine() {
    if (text_[pos_] == '\r' && Peek(1) == '\n') ++pos_;
    ++pos_;
    ++line_;
    lineStart_ = pos_;
  }

  void Newline() {
    Token t = Start(TokenKind::Newline);
    BreakLine();
    // A line whose first non-blank character is "\" continues this one.
    std::size_t look = pos_;
    while (look < text_.size() && IsBlank(text_[look])) ++look;
    if (look < text_.size() && text_[look] == '\\') {
      pos_ = look + 1;
      return;
    }
    if (!tokens_.empty() && tokens_.back().kind != TokenKind::Newline) tokens_.push_back(t);
  }

  void SkipToLineEnd() {
    while (pos_ < text_.size() && text_[pos_] != '\r' && text_[pos_] != '\n' && text_[pos_] != '\0') ++pos_;
  }

  // "\" at a line's end (blanks or a comment may follow) joins the next line.
  void Continuation() {
    const int line = line_;
    const int column = Column();
    ++pos_;
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '#') SkipToLineEnd();
    if (pos_ >= text_.size() || text_[pos_] == '\0') return;
    if (text_[pos_] != '\r' && text_[pos_] != '\n') Fail("syntax error: '\\' must end a line", line, column);
    BreakLine();
  }

  void BlockComment() {
    const int line = line_;
    const int column = Column();
    pos_ += 2;
    while (pos_ < text_.size()) {
      if (text_[pos_] == '*' && Peek(1) == '/') {
        pos_ += 2;
        return;
      }
      if (text_[pos_] == '\r' || text_[pos_] == '\n')
        BreakLine();
      else
        ++pos_;
    }
    Fail("unterminated comment", line, column);
  }

  void NestedComment() {
    const int line = line_;
    const int column = Column();
    int depth = 0;
    while (pos_ < text_.size()) {
      if (text_[pos_] == '[' && Peek(1) == '*') {
        ++depth;
        pos_ += 2;
      } else if (text_[pos_] == '*' && Peek(1) == ']') {
        pos_ += 2;
        if (--depth == 0) return;
      } else if (text_[pos_] == '\r' || text_[pos_] == '\n') {
        BreakLine();
      } else {
        ++pos_;
      }
    }
    Fail("unterminated comment", line, column);
  }

  void String() {
    Token t = Start(TokenKind::String);
    const bool triple = Peek(1) == '"' && Peek(2) == '"';
    const std::size_t quote = triple ? 3 : 1;
    pos_ += quote;
    for (;;) {
      if (pos_ >= text_.size() || text_[pos_] == '\0') Fail("unterminated string", t.line, t.column);
      if (text_[pos_] == '"' && (!triple || (Peek(1) == '"' && Peek(2) == '"'))) break;
      if (text_[pos_] == '\r' || text_[pos_] == '\n') {
        const std::size_t from = pos_;
        BreakLine();
        t.text.append(text_.substr(from, pos_ - from));
      } else {
        t.text += text_[pos_++];
      }
    }
    pos_ += quote;
    tokens_.push_back(std::move(t));
  }

  // e"..." takes backslash escapes: \n, \r, \t, \0, \a, \b, \f, \v,
  // \\, \" and \'; any other character after a backslash stands for itself.
  void EscapedString() {
    Token t = Start(TokenKind::String);
    pos_ += 2;
    for (;;) {
      if (pos_ >= text_.size() || text_[pos_] == '\0') Fail("unterminated string", t.line, t.column);
      const char c = text_[pos_];
      if (c == '"') break;
      if (c == '\r' || c == '\n') {
        const std::size_t from = pos_;
        BreakLine();
        t.text.append(text_.substr(from, pos_ - from));
        continue;
      }
      ++pos_;
      if (c != '\\' || pos_ >= text_.size()) {
        t.text += c;
        continue;
      }
      const char e = text_[pos_++];
      switch (e) {
        case 'n':
          t.text += '\n';
          break;
        case 'r':
          t.text += '\r';
          break;
        case 't':
          t.text += '\t';
          break;
        case '0':
          t.text += '\0';
          break;
        case 'a':
          t.text += '\a';
          break;
        case 'b':
          t.text += '\b';
          break;
        case 'f':
          t.text += '\f';
          break;
        case 'v':
          t.text += '\v';
          break;
        default:
          t.text += e;
      }
    }
    ++pos_;
    tokens_.push_back(std::move(t));
  }

  void Number() {
    Token t = Start(TokenKind::Int);
    const std::size_t from = pos_;
    while (IsDigit(Peek(0))) ++pos_;
    if (Peek(0) == '.' && IsDigit(Peek(1))) {
      ++pos_;
      while (IsDigit(Peek(0))) ++pos_;
      t.kind = TokenKind::Float;
    } else if (Peek(0) == '.' && !IsIdentStart(Peek(1))) {
      ++pos_;  // "1." is a float; "c.Width" after a number is not ours to read
      t.kind = TokenKind::Float;
    }
    t.text = std::string(text_.substr(from, pos_ - from));
    if (t.kind == TokenKind::Float) {
      t.floatValue = std::strtod(t.text.c_str(), nullptr);
    } else {
      std::int64_t v = 0;
      for (char c : t.text) {
        if (v > (std::numeric_limits<std::int64_t>::max() - (c - '0')) / 10)
          Fail("number too large: " + t.text, t.line, t.column);
        v = v * 10 + (c - '0');
      }
      t.intValue = v;
    }
    tokens_.push_back(std::move(t));
  }

  void Hex() {
    Token t = Start(TokenKind::Int);
    ++pos_;
    const std::size_t from = pos_;
    while (std::isxdigit(static_cast<unsigned char>(Peek(0)))) ++pos_;
    t.text = std::string(text_.substr(from, pos_ - from));
    if (t.text.empty()) Fail("'$' must be followed by hexadecimal digits", t.line, t.column);
    if (t.text.size() > 8) Fail("number too large: $" + t.text, t.line, t.column);
    // A 32-bit value, as in AviSynth: $FFFFFFFF is -1 and $AARRGGBB keeps
    // its alpha byte in the top bits (filters without alpha ignore it).
    const auto bits = static_cast<std::uint32_t>(std::strtoul(t.text.c_str(), nullptr, 16));
    t.intValue = static_cast<std::int32_t>(bits);
    tokens_.push_back(std::move(t));
  }

  // Returns true at "__END__", which ends the script.
  bool Identifier() {
    Token t = Start(TokenKind::Identifier);
    const std::size_t from = pos_;
    while (IsIdentChar(Peek(0))) ++pos_;
    t.text = std::string(text_.substr(from, pos_ - from));
    if (t.text == "__END__") return true;
    tokens_.push_back(std::move(t));
    return false;
  }

  void Operator() {
    Token t = Start(TokenKind::Operator);
    static const char* const kTwo[] = {"==", "!=", "<>", "<=", ">=", "&&", "||", "++"};
    for (const char* op : kTwo) {
      if (text_[pos_] == op[0] && Peek(1) == op[1]) {
        t.text = op;
        pos_ += 2;
        tokens_.push_back(std::move(t));
        return;
      }
    }
    static const std::string kOne = "(),.=+-*/%!<>?:{}[]";
    if (kOne.find(text_[pos_]) == std::string::npos) {
      const unsigned char c = static_cast<unsigned char>(text_[pos_]);
      const std::string shown =
          std::isprint(c) ? std::string("'") + static_cast<char>(c) + "'" : "code " + std::to_string(c);
      Fail("syntax error: unexpected character " + shown, t.line, t.column);
    }
    t.text = std::string(1, text_[pos_++]);
    tokens_.push_back(std::move(t));
  }

  std::string_view text_;
  const std::string& name_;
  std::size_t pos_ = 0;
  std::size_t lineStart_ = 0;
  int line_ = 1;
  std::vector<Token> tokens_;
};

}  // namespace

std::string SyntaxLocation(const std::string& scriptName, int line, int column) {
  return "(" + scriptName + ", line " + std::to_string(line) + ", column " + std::to_string(column) + ")";
}

std::vector<Token> Tokenize(std::string_view text, const std::string& scriptName) {
  return Lexer(text, scriptName).Run();
}

}  // namespace tandemix::engine
