#include "engine/language/Parser.h"

#include <strings.h>

#include <algorithm>
#include <utility>

#include "engine/frames/ScriptError.h"
#include "engine/language/Functions.h"
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
    script.statements = ParseStatements(false);
    return script;
  }

 private:
  const Token& Cur() const { return tokens_[pos_]; }
  const Token& Ahead(std::size_t n) const { return pos_ + n < tokens_.size() ? tokens_[pos_ + n] : tokens_.back(); }
  bool At(TokenKind kind) const { return Cur().kind == kind; }
  bool AtOp(const char* op) const { return Cur().kind == TokenKind::Operator && Cur().text == op; }
  bool AtWord(const char* word) const { return At(TokenKind::Identifier) && SameWord(Cur().text, word); }
  bool AheadOp(std::size_t n, const char* op) const {
    return Ahead(n).kind == TokenKind::Operator && Ahead(n).text == op;
  }

  [[noreturn]] void Fail(const std::string& what) const {
    throw ScriptError("Script error: " + what + "\n" + SyntaxLocation(name_, Cur().line, Cur().column));
  }
  void Expect(const char* op) {
    if (!AtOp(op)) Fail(std::string("expected `") + op + "'");
    ++pos_;
  }
  std::string ExpectName(const char* what) {
    if (!At(TokenKind::Identifier)) Fail(std::string("expected ") + what);
    return tokens_[pos_++].text;
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

  // Statements up to the end of the script, or of a block up to its `}'.
  // A statement ends where its expression cannot go on: at a line's end, or
  // before a word, literal or `!' that starts the next statement on the same
  // line (`a = 1  b = 2', `Version() Trim(0, 10)'); a block may close on a
  // statement's line.
  std::vector<Statement> ParseStatements(bool block) {
    std::vector<Statement> list;
    for (;;) {
      SkipNewlines();
      if (block && AtOp("}")) {
        ++pos_;
        return list;
      }
      if (At(TokenKind::End)) {
        if (block) Fail("syntax error: a block is missing its `}'");
        return list;
      }
      list.push_back(ParseStatement());
      if (At(TokenKind::End) || (block && AtOp("}")) || StartsStatement()) continue;
      if (!At(TokenKind::Newline)) Fail("syntax error: expected the end of the line");
      ++pos_;
    }
  }

  // A token that can only begin a new statement once an expression has
  // ended: `(', `[', `.' and the binary operators would have continued it.
  bool StartsStatement() const {
    return At(TokenKind::Identifier) || At(TokenKind::Int) || At(TokenKind::Float) || At(TokenKind::String) ||
           AtOp("!");
  }

  std::vector<Statement> ParseBlock() {
    const Descent descent(*this);
    SkipNewlines();
    Expect("{");
    return ParseStatements(true);
  }

  std::unique_ptr<Expr> ParseCondition() {
    Expect("(");
    SkipNewlines();
    auto e = ParseExpr();
    SkipNewlines();
    Expect(")");
    return e;
  }

  // True when `word' follows, maybe on a later line; moves to it then.
  bool FollowedByWord(const char* word) {
    std::size_t look = pos_;
    while (tokens_[look].kind == TokenKind::Newline) ++look;
    if (tokens_[look].kind != TokenKind::Identifier || !SameWord(tokens_[look].text, word)) return false;
    pos_ = look;
    return true;
  }

  Statement ParseStatement() {
    Statement s;
    s.line = Cur().line;
    if (AtWord("function") && Ahead(1).kind == TokenKind::Identifier) {
      ++pos_;
      s.kind = Statement::Kind::Function;
      s.function = ParseFunction(ExpectName("a function name"));
      return s;
    }
    if (AtWord("return")) {
      ++pos_;
      s.kind = Statement::Kind::Return;
      if (!At(TokenKind::Newline) && !At(TokenKind::End) && !AtOp("}")) s.expr = ParseExpr();
      return s;
    }
    if (AtWord("if") && AheadOp(1, "(")) return ParseIf();
    if (AtWord("while") && AheadOp(1, "(")) {
      ++pos_;
      s.kind = Statement::Kind::While;
      s.expr = ParseCondition();
      s.body = ParseBlock();
      return s;
    }
    if (AtWord("for") && AheadOp(1, "(")) {
      pos_ += 2;
      s.kind = Statement::Kind::For;
      SkipNewlines();
      s.variable = ExpectName("a variable name");
      Expect("=");
      s.expr = ParseExpr();
      Expect(",");
      s.limit = ParseExpr();
      if (AtOp(",")) {
        ++pos_;
        s.step = ParseExpr();
      }
      SkipNewlines();
      Expect(")");
      s.body = ParseBlock();
      return s;
    }
    if (AtWord("try") && (AheadOp(1, "{") || Ahead(1).kind == TokenKind::Newline)) {
      ++pos_;
      s.kind = Statement::Kind::Try;
      s.body = ParseBlock();
      if (!FollowedByWord("catch")) Fail("syntax error: `try' needs its `catch'");
      ++pos_;
      Expect("(");
      s.variable = ExpectName("a variable name");
      Expect(")");
      s.elseBody = ParseBlock();
      return s;
    }
    if (AtWord("global") && Ahead(1).kind == TokenKind::Identifier) {
      ++pos_;
      s.global = true;
      if (!AheadOp(1, "=")) Fail("syntax error: `global' needs an assignment");
    }
    if (At(TokenKind::Identifier) && AheadOp(1, "=")) {
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

  // if (c) { ... } [else if (c) { ... }] [else { ... }]
  Statement ParseIf() {
    Statement s;
    s.line = Cur().line;
    s.kind = Statement::Kind::If;
    ++pos_;
    s.expr = ParseCondition();
    s.body = ParseBlock();
    if (FollowedByWord("else")) {
      ++pos_;
      if (AtWord("if") && AheadOp(1, "(")) {
        const Descent descent(*this);
        s.elseBody.push_back(ParseIf());
      } else {
        s.elseBody = ParseBlock();
      }
    }
    return s;
  }

  // The parameters and body after `function Name' (or `function [captures]'
  // of an anonymous function). A parameter is `[type] name', or
  // `[type] "name"' when it may be left out.
  std::shared_ptr<const FunctionDecl> ParseFunction(std::string name) {
    auto decl = std::make_shared<FunctionDecl>();
    decl->name = std::move(name);
    decl->line = Cur().line;
    decl->scriptName = name_;
    if (decl->name.empty() && AtOp("[")) {
      ++pos_;
      while (!AtOp("]")) {
        decl->captures.push_back(ExpectName("a variable name to capture"));
        if (AtOp(","))
          ++pos_;
        else if (!AtOp("]"))
          Fail("expected a , or ]");
      }
      ++pos_;
    }
    Expect("(");
    SkipNewlines();
    while (!AtOp(")")) {
      FunctionDecl::Parameter p;
      p.type = "val";
      if (At(TokenKind::Identifier) && (Ahead(1).kind == TokenKind::Identifier || Ahead(1).kind == TokenKind::String ||
                                        (AheadOp(1, "[") && AheadOp(2, "]")))) {
        p.type = LowerCase(tokens_[pos_++].text);
        if (AtOp("[")) {
          pos_ += 2;
          p.type += "_array";
        }
        static const char* const kTypes[] = {"clip", "int", "float", "string", "bool", "val", "func", "array"};
        const std::string base =
            p.type.size() > 6 && p.type.ends_with("_array") ? p.type.substr(0, p.type.size() - 6) : p.type;
        if (std::none_of(std::begin(kTypes), std::end(kTypes), [&](const char* t) { return base == t; }))
          Fail("syntax error: unknown type `" + p.type + "'");
      }
      if (At(TokenKind::String)) {
        p.optional = true;
        p.name = tokens_[pos_++].text;
      } else {
        p.name = ExpectName("a parameter name");
      }
      decl->params.push_back(std::move(p));
      SkipNewlines();
      if (AtOp(",")) {
        ++pos_;
        SkipNewlines();
      } else if (!AtOp(")")) {
        Fail("expected a , or )");
      }
    }
    ++pos_;
    decl->body = ParseBlock();
    return decl;
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
    while (AtOp(".") || AtOp("[")) {
      if (AtOp("[")) {
        auto index = Node(Expr::Kind::Index, Cur());
        ++pos_;
        index->args.push_back(std::move(e));
        for (;;) {
          SkipNewlines();
          index->args.push_back(ParseExpr());
          SkipNewlines();
          if (AtOp("]")) break;
          if (!AtOp(",")) Fail("expected a , or ]");
          ++pos_;
        }
        ++pos_;
        e = WithCheckedDepth(std::move(index));
        continue;
      }
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
        if (SameWord(t.text, "function") && (AheadOp(1, "(") || AheadOp(1, "["))) {
          auto e = Node(Expr::Kind::Function, t);
          ++pos_;
          const Descent descent(*this);
          e->function = ParseFunction("");
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
        if (t.text == "[") {
          auto e = Node(Expr::Kind::Array, t);
          ++pos_;
          SkipNewlines();
          while (!AtOp("]")) {
            e->args.push_back(ParseExpr());
            SkipNewlines();
            if (AtOp(",")) {
              ++pos_;
              SkipNewlines();
            } else if (!AtOp("]")) {
              Fail("expected a , or ]");
            }
          }
          ++pos_;
          return WithCheckedDepth(std::move(e));
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
