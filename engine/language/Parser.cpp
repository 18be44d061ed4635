#include "engine/language/Parser.h"

#include <strings.h>

#include <algorithm>
#include <utility>

#include "engine/frames/ScriptError.h"
#include "engine/language/Lexer.h"

namespace tandemix::engine {
namespace {

// Deeper expressions are refused: parsing or evaluating them would exhaust
// the stack. Every recursion of the parser counts on the way in (brackets,
// call arguments, `?:' branches, unary operators), and every node of the
// tree is checked once its children are in place.
constexpr int kMaxExpressionDepth = 200;

bool SameWord(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

class Parser {
 public:
  Parser(std::vector<Token> tokens, const std::string& name) : tokens_(std::move(tokens)), name_(name) {}

  Script Run() {
    Script script;
    while (!At(TokenKind::End)) {
      if (At(TokenKind::Newline)) {
        ++pos_;
        continue;
      }
      script.statements.push_back(ParseStatement());
      if (!At(TokenKind::End)) {
        if (!At(TokenKind::Newline)) Fail("syntax error: expected the end of the line");
        ++pos_;
      }
    }
    return script;
  }

 private:
  const Token& Cur() const { return tokens_[pos_]; }
  const Token& Ahead(std::size_t n) const { return pos_ + n < tokens_.size() ? tokens_[pos_ + n] : tokens_.back(); }
  bool At(TokenKind kind) const { return Cur().kind == kind; }
  bool AtOp(const char* op) const { return Cur().kind == TokenKind::Operator && Cur().text == op; }

  [[noreturn]] void Fail(const std::string& what) const {
    throw ScriptError("Script error: " + what + "\n" + SyntaxLocation(name_, Cur().line, Cur().column));
  }
  void Expect(const char* op) {
    if (!AtOp(op)) Fail(std::string("expected `") + op + "'");
    ++pos_;
  }

  std::unique_ptr<Expr> Node(Expr::Kind kind, const Token& at) const {
    auto e = std::make_unique<Expr>();
    e->kind = kind;
    e->line = at.line;
    e->column = at.column;
    return e;
  }

  // Records a node's depth once its children are in place and refuses one
  // nested too deeply.
  std::unique_ptr<Expr> WithCheckedDepth(std::unique_ptr<Expr> e) const {
    for (const auto& child : e->args) e->depth = std::max(e->depth, child->depth + 1);
    if (e->depth > kMaxExpressionDepth) {
      throw ScriptError("Script error: the expression is nested too deeply\n" +
                        SyntaxLocation(name_, e->line, e->column));
    }
    return e;
  }

  Statement ParseStatement() {
    Statement s;
    s.line = Cur().line;
    if (At(TokenKind::Identifier) && SameWord(Cur().text, "function")) Fail("function definitions are not supported");
    if (At(TokenKind::Identifier) && SameWord(Cur().text, "return")) {
      ++pos_;
      s.kind = Statement::Kind::Return;
      s.expr = ParseExpr();
      return s;
    }
    if (At(TokenKind::Identifier) && SameWord(Cur().text, "global") && Ahead(1).kind == TokenKind::Identifier) ++pos_;
    if (At(TokenKind::Identifier) && Ahead(1).kind == TokenKind::Operator && Ahead(1).text == "=") {
      s.kind = Statement::Kind::Assignment;
      s.variable = Cur().text;
      pos_ += 2;
      s.expr = ParseExpr();
      return s;
    }
    s.kind = Statement::Kind::Expression;
    s.expr = ParseExpr();
    return s;
  }

  // Counts one level of parser recursion while it lives; refuses a level
  // past the limit with a syntax error at the token where it starts.
  class Descent {
   public:
    explicit Descent(Parser& parser) : parser_(parser) {
      if (++parser_.depth_ > kMaxExpressionDepth) parser_.Fail("the expression is nested too deeply");
    }
    ~Descent() { --parser_.depth_; }
    Descent(const Descent&) = delete;
    Descent& operator=(const Descent&) = delete;

   private:
    Parser& parser_;
  };

  std::unique_ptr<Expr> ParseExpr() {
    const Descent descent(*this);
    const Token& at = Cur();
    auto condition = ParseOr();
    if (!AtOp("?")) return condition;
    ++pos_;
    auto e = Node(Expr::Kind::Ternary, at);
    e->args.push_back(std::move(condition));
    e->args.push_back(ParseExpr());
    Expect(":");
    e->args.push_back(ParseExpr());
    return WithCheckedDepth(std::move(e));
  }

  template <typename Next>
  std::unique_ptr<Expr> ParseBinary(std::initializer_list<const char*> ops, Next next) {
    auto left = (this->*next)();
    for (;;) {
      const char* found = nullptr;
      for (const char* op : ops)
        if (AtOp(op)) found = op;
      if (!found) return left;
      const Token& at = Cur();
      ++pos_;
      auto e = Node(Expr::Kind::Binary, at);
      e->name = found;
      e->args.push_back(std::move(left));
      e->args.push_back((this->*next)());
      left = WithCheckedDepth(std::move(e));
    }
  }

  std::unique_ptr<Expr> ParseOr() { return ParseBinary({"||"}, &Parser::ParseAnd); }
  std::unique_ptr<Expr> ParseAnd() { return ParseBinary({"&&"}, &Parser::ParseCompare); }
  std::unique_ptr<Expr> ParseCompare() {
    return ParseBinary({"==", "!=", "<>", "<", ">", "<=", ">="}, &Parser::ParseAdd);
  }
  std::unique_ptr<Expr> ParseAdd() { return ParseBinary({"+", "-", "++"}, &Parser::ParseMul); }
  std::unique_ptr<Expr> ParseMul() { return ParseBinary({"*", "/", "%"}, &Parser::ParseUnary); }

  std::unique_ptr<Expr> ParseUnary() {
    if (AtOp("-") || AtOp("!") || AtOp("+")) {
      const Token& at = Cur();
      ++pos_;
      auto e = Node(Expr::Kind::Unary, at);
      e->name = at.text;
      const Descent descent(*this);
      e->args.push_back(ParseUnary());
      return WithCheckedDepth(std::move(e));
    }
    return ParsePostfix();
  }

  // `a.Name` and `a.Name(args)`: a call with `a` as its first argument.
  std::unique_ptr<Expr> ParsePostfix() {
    auto e = ParsePrimary();
    while (AtOp(".")) {
      ++pos_;
      if (!At(TokenKind::Identifier)) Fail("expected a function name after `.'");
      auto call = Node(Expr::Kind::Call, Cur());
      call->name = Cur().text;
      ++pos_;
      call->args.push_back(std::move(e));
      call->argNames.emplace_back();
      if (AtOp("(")) ParseArguments(*call);
      e = WithCheckedDepth(std::move(call));
    }
    return e;
  }

  void ParseArguments(Expr& call) {
    Expect("(");
    SkipNewlines();
    if (AtOp(")")) {
      ++pos_;
      return;
    }
    for (;;) {
      SkipNewlines();
      std::string argName;
      if (At(TokenKind::Identifier) && Ahead(1).kind == TokenKind::Operator && Ahead(1).text == "=") {
        argName = Cur().text;
        pos_ += 2;
      }
      call.args.push_back(ParseExpr());
      call.argNames.push_back(argName);
      SkipNewlines();
      if (AtOp(")")) {
        ++pos_;
        return;
      }
      if (!AtOp(",")) Fail("expected a , or )");
      ++pos_;
    }
  }

  void SkipNewlines() {
    while (At(TokenKind::Newline)) ++pos_;
  }

  std::unique_ptr<Expr> ParsePrimary() {
    const Token& t = Cur();
    switch (t.kind) {
      case TokenKind::Int: {
        auto e = Node(Expr::Kind::Literal, t);
        e->literal = Value::Int(t.intValue);
        ++pos_;
        return e;
      }
      case TokenKind::Float: {
        auto e = Node(Expr::Kind::Literal, t);
        e->literal = Value::Float(t.floatValue);
        ++pos_;
        return e;
      }
      case TokenKind::String: {
        auto e = Node(Expr::Kind::Literal, t);
        e->literal = Value::String(t.text);
        ++pos_;
        return e;
      }
      case TokenKind::Identifier: {
        if (SameWord(t.text, "true") || SameWord(t.text, "yes") || SameWord(t.text, "false") ||
            SameWord(t.text, "no")) {
          auto e = Node(Expr::Kind::Literal, t);
          e->literal = Value::Bool(SameWord(t.text, "true") || SameWord(t.text, "yes"));
          ++pos_;
          return e;
        }
        ++pos_;
        if (AtOp("(")) {
          auto e = Node(Expr::Kind::Call, t);
          e->name = t.text;
          ParseArguments(*e);
          return WithCheckedDepth(std::move(e));
        }
        auto e = Node(Expr::Kind::Variable, t);
        e->name = t.text;
        return e;
      }
      case TokenKind::Operator:
        if (t.text == "(") {
          ++pos_;
          auto e = ParseExpr();
          Expect(")");
          return e;
        }
        Fail("syntax error: unexpected `" + t.text + "'");
      case TokenKind::Newline:
      case TokenKind::End:
        Fail("syntax error: the expression is incomplete");
    }
    Fail("syntax error");
  }

  std::vector<Token> tokens_;
  const std::string& name_;
  std::size_t pos_ = 0;
  int depth_ = 0;  // levels of recursion now open
};

}  // namespace

Script ParseScript(std::string_view text, const std::string& scriptName) {
  return Parser(Tokenize(text, scriptName), scriptName).Run();
}

}  // namespace tandemix::engine
