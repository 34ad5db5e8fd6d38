#include "parser.h"

#include <algorithm>
#include <array>
#include <initializer_list>

#include "lexer.h"
#include "script_error.h"

namespace moxtrel::script {
namespace {

constexpr std::array<std::string_view, 39> kReserved = {
    "and",  "byref", "byval", "call",    "dim",      "do",    "each",  "else", "elseif", "empty",
    "end",  "exit",  "false", "for",     "function", "if",    "in",    "is",   "loop",   "mod",
    "new",  "next",  "not",   "nothing", "on",       "or",    "print", "set",  "step",   "sub",
    "then", "to",    "true",  "until",   "wend",     "while", "xor",   "rem",  "option"};
// The words of Const, Select Case and ReDim.
constexpr std::array<std::string_view, 4> kReservedDeclarations = {"case", "const", "redim",
                                                                   "select"};

// Statements of the classic language that the host does not run: refused by name rather than
// misread as a call of a Sub that happens to share the word.
constexpr std::array<std::string_view, 11> kUnsupportedStatements = {
    "With",  "Class",     "Property", "Private", "Public",       "GoTo",
    "Erase", "Randomize", "Stop",     "Execute", "ExecuteGlobal"};

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

ExprPtr MakeExpr(ExprKind kind, const Token& at) {
  auto e = std::make_unique<Expr>();
  e->kind = kind;
  e->line = at.line;
  e->column = at.column;
  return e;
}

// The procedure a statement is inside, for Exit Sub and Exit Function.
enum class ProcedureKind { kNone, kSub, kFunction };

// How deep blocks, parentheses and expression trees may nest; deeper input is refused
// rather than walked recursively until the stack runs out.
constexpr int kMaxNesting = 200;

class Parser {
 public:
  Parser(std::vector<Token> tokens, const std::string& file)
      : tokens_(std::move(tokens)), file_(file) {}

  Program Run() {
    Program program;
    program.file = file_;
    SkipNewlines();
    if (IsWord("option") && IsWordAt(Next(), "explicit")) {
      Take();
      Take();
      program.option_explicit = true;
      EndOfStatement();
      SkipNewlines();
    }
    while (Cur().kind != TokenKind::kEnd) {
      if (IsWord("sub") || IsWord("function")) {
        auto proc = ParseProcedure();
        const std::u16string key = FromUtf8(proc->name);
        if (program.procedures.count(key)) {
          FailAt(proc->line, 1, "'" + proc->name + "' is defined twice");
        }
        program.procedures.emplace(key, std::move(proc));
      } else {
        program.body.push_back(ParseStatement(false));
        EndOfStatement();
      }
      SkipNewlines();
    }
    return program;
  }

 private:
  const Token& Cur() const { return tokens_[pos_]; }
  const Token& Next() const { return tokens_[pos_ + 1 < tokens_.size() ? pos_ + 1 : pos_]; }
  const Token& Take() { return tokens_[pos_ < tokens_.size() - 1 ? pos_++ : pos_]; }

  bool IsWord(std::string_view w) const { return IsWordAt(Cur(), w); }
  static bool IsWordAt(const Token& t, std::string_view w) {
    return t.kind == TokenKind::kIdentifier && !t.bracketed && SameWord(t.text, w);
  }
  bool IsOp(std::string_view op) const {
    return Cur().kind == TokenKind::kOperator && Cur().text == op;
  }
  bool AtStatementEnd() const {
    return Cur().kind == TokenKind::kNewline || Cur().kind == TokenKind::kEnd ||
           (single_if_ && IsWord("else"));
  }

  static std::string Describe(const Token& t) {
    switch (t.kind) {
      case TokenKind::kNewline:
        return t.text == ":" ? "':'" : "end of line";
      case TokenKind::kEnd:
        return "end of file";
      case TokenKind::kString:
        return "string \"" + t.text + "\"";
      case TokenKind::kIdentifier:
        return t.bracketed ? "'[" + t.text + "]'" : "'" + t.text + "'";
      default:
        return "'" + t.text + "'";
    }
  }

  [[noreturn]] void FailAt(int line, int column, const std::string& message) const {
    throw SyntaxError(file_, line, column, message);
  }
  [[noreturn]] void Expected(const std::string& what) const {
    FailAt(Cur().line, Cur().column, "expected " + what + ", found " + Describe(Cur()));
  }

  void ExpectWord(std::string_view w, const std::string& context) {
    if (!IsWord(w)) {
      std::string shown(w);
      shown[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(shown[0])));
      Expected("'" + shown + "' " + context);
    }
    Take();
  }
  void ExpectOp(std::string_view op, const std::string& context) {
    if (!IsOp(op)) Expected("'" + std::string(op) + "' " + context);
    Take();
  }

  std::string ExpectName(const std::string& what) {
    const Token& t = Cur();
    if (t.kind != TokenKind::kIdentifier) Expected(what);
    if (!t.bracketed && IsReservedWord(t.text)) {
      FailAt(t.line, t.column, "expected " + what + ", found the keyword '" + t.text + "'");
    }
    return Take().text;
  }

  void SkipNewlines() {
    while (Cur().kind == TokenKind::kNewline) Take();
  }

  void EndOfStatement() {
    if (Cur().kind == TokenKind::kEnd) return;
    if (Cur().kind != TokenKind::kNewline) Expected("end of statement");
    Take();
  }

  // Statements up to one of the closing words (not consumed).
  Block ParseBlock(std::initializer_list<std::string_view> closers, const std::string& owner) {
    Nest nest(*this);
    Block block;
    SkipNewlines();
    for (;;) {
      if (Cur().kind == TokenKind::kEnd) {
        Expected("the end of " + owner);
      }
      for (auto w : closers) {
        if (IsWord(w)) return block;
      }
      if (IsWord("sub") || IsWord("function")) {
        Expected("the end of " + owner + " before a new procedure");
      }
      block.push_back(ParseStatement(false));
      EndOfStatement();
      SkipNewlines();
    }
  }

  std::shared_ptr<Procedure> ParseProcedure() {
    auto proc = std::make_shared<Procedure>();
    proc->line = Cur().line;
    proc->is_function = IsWord("function");
    const std::string kind = proc->is_function ? "Function" : "Sub";
    Take();
    proc->name = ExpectName("a " + kind + " name");
    if (IsOp("(")) {
      Take();
      if (!IsOp(")")) {
        for (;;) {
          if (IsWord("byval") || IsWord("byref")) Take();
          proc->params.push_back(ExpectName("a parameter name"));
          if (IsOp(")")) break;
          ExpectOp(",", "or ')' in the parameter list");
        }
      }
      ExpectOp(")", "after the parameters");
    }
    EndOfStatement();
    procedure_ = proc->is_function ? ProcedureKind::kFunction : ProcedureKind::kSub;
    proc->body = ParseBlock({"end"}, kind + " " + proc->name);
    procedure_ = ProcedureKind::kNone;
    Take();
    ExpectWord(proc->is_function ? "function" : "sub", "after 'End' to close " + kind);
    return proc;
  }

  StmtPtr MakeStmt(StmtKind kind, int line) {
    auto s = std::make_unique<Stmt>();
    s->kind = kind;
    s->line = line;
    return s;
  }

  StmtPtr ParseStatement(bool in_single_if) {
    const bool saved = single_if_;
    single_if_ = in_single_if;
    StmtPtr s = ParseStatementInner();
    single_if_ = saved;
    return s;
  }

  StmtPtr ParseStatementInner() {
    const Token& t = Cur();
    if (t.kind != TokenKind::kIdentifier && !IsOp("(")) Expected("a statement");
    if (IsWord("dim")) return ParseDim();
    if (IsWord("set")) return ParseSet();
    if (IsWord("if")) return ParseIf();
    if (IsWord("for")) return ParseFor();
    if (IsWord("while")) return ParseWhile();
    if (IsWord("do")) return ParseDo();
    if (IsWord("exit")) return ParseExit();
    if (IsWord("print")) return ParsePrint();
    if (IsWord("on")) return ParseOnError();
    if (IsWord("call")) return ParseCall();
    if (IsWord("const")) return ParseConst();
    if (IsWord("select")) return ParseSelect();
    if (IsWord("redim")) return ParseReDim();
    if (IsWord("option")) {
      if (IsWordAt(Next(), "explicit")) {
        FailAt(t.line, t.column, "Option Explicit must come before any other statement");
      }
      FailAt(t.line, t.column,
             "Option " + (Next().kind == TokenKind::kIdentifier ? Next().text + " " : "") +
                 "is not supported");
    }
    RefuseUnsupported();
    if (IsWord("sub") || IsWord("function"))
      Expected("a statement (procedures go at the top level)");
    if (t.kind == TokenKind::kIdentifier && !t.bracketed && IsReservedWord(t.text)) {
      FailAt(t.line, t.column, "expected a statement, found the keyword '" + t.text + "'");
    }
    return ParseAssignOrCall(t.line);
  }

  StmtPtr ParseSet() {
    auto s = MakeStmt(StmtKind::kAssign, Cur().line);
    Take();
    s->is_set = true;
    s->target = ParsePostfix();
    CheckAssignable(*s->target);
    ExpectOp("=", "after the target of Set");
    s->value = ParseExpr();
    return s;
  }

  StmtPtr ParseWhile() {
    auto s = MakeStmt(StmtKind::kDoLoop, Cur().line);
    Take();
    s->value = ParseExpr();
    EndOfStatement();
    s->blocks.push_back(ParseBlock({"wend"}, "While (Wend)"));
    Take();
    return s;
  }

  StmtPtr ParseExit() {
    auto s = MakeStmt(StmtKind::kExit, Cur().line);
    Take();
    struct Target {
      std::string_view word;
      ExitTarget target;
      const char* outside;
    };
    static constexpr Target kTargets[] = {{"for", ExitTarget::kFor, "a For loop"},
                                          {"do", ExitTarget::kDo, "a Do loop"},
                                          {"sub", ExitTarget::kSub, "a Sub"},
                                          {"function", ExitTarget::kFunction, "a Function"}};
    for (const Target& t : kTargets) {
      if (!IsWord(t.word)) continue;
      // Leaving something the statement is not inside would end the script silently.
      const bool inside =
          t.target == ExitTarget::kFor ? for_depth_ > 0
          : t.target == ExitTarget::kDo
              ? do_depth_ > 0
              : procedure_ ==
                    (t.target == ExitTarget::kSub ? ProcedureKind::kSub : ProcedureKind::kFunction);
      if (!inside) {
        FailAt(Cur().line, Cur().column,
               "'Exit " + Cur().text + "' outside " +
                   (t.target == ExitTarget::kFor || t.target == ExitTarget::kDo
                        ? std::string(t.outside)
                        : "a " + Cur().text));
      }
      s->exit_target = t.target;
      Take();
      return s;
    }
    Expected("'For', 'Do', 'Sub' or 'Function' after 'Exit'");
  }

  StmtPtr ParsePrint() {
    auto s = MakeStmt(StmtKind::kPrint, Cur().line);
    Take();
    if (!AtStatementEnd()) {
      s->exprs.push_back(ParseExpr());
      while (IsOp(",")) {
        Take();
        s->exprs.push_back(ParseExpr());
      }
    }
    return s;
  }

  StmtPtr ParseOnError() {
    auto s = MakeStmt(StmtKind::kOnError, Cur().line);
    Take();
    ExpectWord("error", "after 'On'");
    if (IsWord("resume")) {
      Take();
      ExpectWord("next", "after 'On Error Resume'");
      s->resume_next = true;
    } else if (IsWord("goto")) {
      Take();
      if (Cur().kind != TokenKind::kNumber || Cur().text != "0") {
        Expected("'0' after 'On Error GoTo' (labels are not supported)");
      }
      Take();
    } else {
      Expected("'Resume Next' or 'GoTo 0' after 'On Error'");
    }
    return s;
  }

  StmtPtr ParseCall() {
    auto s = MakeStmt(StmtKind::kCall, Cur().line);
    Take();
    s->value = ParsePostfix();
    if (s->value->kind == ExprKind::kLiteral) Expected("a procedure after 'Call'");
    return s;
  }

  StmtPtr ParseDim() {
    auto s = MakeStmt(StmtKind::kDim, Cur().line);
    Take();
    ParseDeclarations(*s, "Dim", false);
    return s;
  }

  // `Dim a, list(4), later()` and `ReDim [Preserve] list(n)`: names, each with an optional upper
  // bound; `a()` is an array with no elements yet. ReDim needs a bound for every name.
  void ParseDeclarations(Stmt& s, const std::string& keyword, bool bound_needed) {
    for (;;) {
      s.names.push_back(ExpectName("a variable name after '" + keyword + "'"));
      if (IsOp("(")) {
        const Token open = Take();
        if (IsOp(")") && !bound_needed) {
          auto none = MakeExpr(ExprKind::kLiteral, open);
          none->value = Variant(int32_t{-1});
          s.bounds.push_back(std::move(none));
        } else {
          s.bounds.push_back(ParseExpr());
        }
        if (IsOp(","))
          FailAt(Cur().line, Cur().column, "arrays of more than one dimension are not supported");
        ExpectOp(")", "after the array bound");
      } else if (bound_needed) {
        Expected("'(' and an upper bound after the name in " + keyword);
      } else {
        s.bounds.push_back(nullptr);
      }
      if (!IsOp(",")) break;
      Take();
    }
  }

  StmtPtr ParseReDim() {
    auto s = MakeStmt(StmtKind::kReDim, Cur().line);
    Take();
    if (IsWord("preserve")) {
      Take();
      s->preserve = true;
    }
    ParseDeclarations(*s, "ReDim", true);
    return s;
  }

  // Const a = 1, b = "x"
  StmtPtr ParseConst() {
    auto s = MakeStmt(StmtKind::kConst, Cur().line);
    Take();
    for (;;) {
      s->names.push_back(ExpectName("a constant name after 'Const'"));
      ExpectOp("=", "after the constant name");
      s->exprs.push_back(ParseExpr());
      if (!IsOp(",")) break;
      Take();
    }
    return s;
  }

  // Select Case x / Case a, b / Case Else / End Select
  StmtPtr ParseSelect() {
    auto s = MakeStmt(StmtKind::kSelect, Cur().line);
    Take();
    ExpectWord("case", "after 'Select'");
    s->value = ParseExpr();
    EndOfStatement();
    SkipNewlines();
    bool has_else = false;
    while (IsWord("case")) {
      if (has_else) Expected("'End Select' after the Case Else block");
      Take();
      if (IsWord("else")) {
        Take();
        has_else = true;
      } else {
        std::vector<ExprPtr> values;
        for (;;) {
          if (IsWord("is")) FailAt(Cur().line, Cur().column, "Case Is is not supported");
          values.push_back(ParseExpr());
          if (IsWord("to")) FailAt(Cur().line, Cur().column, "Case ... To is not supported");
          if (!IsOp(",")) break;
          Take();
        }
        s->case_values.push_back(std::move(values));
      }
      s->blocks.push_back(ParseBlock({"case", "end"}, "Select Case (End Select)"));
    }
    ExpectWord("end", "or 'Case' in Select Case");
    ExpectWord("select", "after 'End' to close Select Case");
    return s;
  }

  void RefuseUnsupported() {
    const Token& t = Cur();
    if (t.kind != TokenKind::kIdentifier || t.bracketed) return;
    // `stop = 1` and `erase.x` still name variables.
    if (Next().kind == TokenKind::kOperator && Next().text != "-" && Next().text != "(") return;
    for (auto word : kUnsupportedStatements) {
      if (SameWord(word, t.text)) FailAt(t.line, t.column, std::string(word) + " is not supported");
    }
  }

  void CheckAssignable(const Expr& e) {
    if (e.kind != ExprKind::kName && e.kind != ExprKind::kMember && e.kind != ExprKind::kCall) {
      FailAt(e.line, e.column, "expected a variable or a property to assign to");
    }
  }

  StmtPtr ParseAssignOrCall(int line) {
    ExprPtr target = ParsePostfix();
    if (IsOp("=")) {
      CheckAssignable(*target);
      Take();
      auto s = MakeStmt(StmtKind::kAssign, line);
      s->target = std::move(target);
      s->value = ParseExpr();
      return s;
    }
    if (target->kind == ExprKind::kLiteral || target->kind == ExprKind::kNew ||
        target->parenthesized) {
      FailAt(target->line, target->column, "expected a statement, found an expression");
    }
    auto s = MakeStmt(StmtKind::kCall, line);
    if (AtStatementEnd()) {
      s->value = std::move(target);
      return s;
    }
    // Arguments without parentheses: `q.Find "name", "srv"` or `Foo (a), b`.
    std::vector<ExprPtr> args;
    if (target->kind == ExprKind::kCall && target->args.size() == 1 && target->args[0] &&
        IsOp(",")) {
      args.push_back(std::move(target->args[0]));
      args.back()->parenthesized = true;
      target = std::move(target->object);
      Take();
    } else if (target->kind == ExprKind::kCall) {
      Expected("end of statement");
    }
    ParseArgsUntilEnd(args);
    auto call = MakeExpr(ExprKind::kCall, Cur());
    call->line = target->line;
    call->column = target->column;
    call->object = std::move(target);
    call->args = std::move(args);
    s->value = Grown(std::move(call));
    return s;
  }

  void ParseArgsUntilEnd(std::vector<ExprPtr>& args) {
    for (;;) {
      if (IsOp(",")) {
        args.push_back(nullptr);
      } else if (AtStatementEnd()) {
        args.push_back(nullptr);  // a trailing comma omits the last argument
        return;
      } else {
        args.push_back(ParseExpr());
        if (AtStatementEnd()) return;
        if (!IsOp(",")) Expected("',' or end of statement after an argument");
      }
      Take();
    }
  }

  StmtPtr ParseIf() {
    auto s = MakeStmt(StmtKind::kIf, Cur().line);
    Take();
    s->conditions.push_back(ParseExpr());
    ExpectWord("then", "after the If condition");
    if (Cur().kind == TokenKind::kNewline && Cur().text != ":") {
      s->blocks.push_back(ParseBlock({"elseif", "else", "end"}, "If (End If)"));
      while (IsWord("elseif")) {
        Take();
        s->conditions.push_back(ParseExpr());
        ExpectWord("then", "after the ElseIf condition");
        s->blocks.push_back(ParseBlock({"elseif", "else", "end"}, "If (End If)"));
      }
      if (IsWord("else")) {
        Take();
        s->blocks.push_back(ParseBlock({"end"}, "If (End If)"));
      }
      ExpectWord("end", "to close If");
      ExpectWord("if", "after 'End' to close If");
      return s;
    }
    // One-line form: If c Then a : b Else c : d
    s->blocks.push_back(ParseInlineStatements());
    if (IsWord("else")) {
      Take();
      s->blocks.push_back(ParseInlineStatements());
    }
    if (Cur().kind != TokenKind::kNewline && Cur().kind != TokenKind::kEnd) {
      Expected("end of line after a one-line If");
    }
    return s;
  }

  Block ParseInlineStatements() {
    Nest nest(*this);  // `If a Then If b Then ...` nests on one line
    Block block;
    for (;;) {
      block.push_back(ParseStatement(true));
      if (Cur().kind == TokenKind::kNewline && Cur().text == ":" && !IsWordAt(Next(), "else")) {
        Take();
        if (Cur().kind == TokenKind::kNewline || Cur().kind == TokenKind::kEnd) return block;
        continue;
      }
      if (Cur().kind == TokenKind::kNewline && Cur().text == ":") Take();
      return block;
    }
  }

  StmtPtr ParseFor() {
    const int line = Cur().line;
    Take();
    if (IsWord("each")) {
      Take();
      auto s = MakeStmt(StmtKind::kForEach, line);
      s->names.push_back(ExpectName("a variable name after 'For Each'"));
      ExpectWord("in", "after the For Each variable");
      s->value = ParseExpr();
      EndOfStatement();
      ++for_depth_;
      s->blocks.push_back(ParseBlock({"next"}, "For Each (Next)"));
      --for_depth_;
      CloseNext(s->names[0]);
      return s;
    }
    auto s = MakeStmt(StmtKind::kForNext, line);
    s->names.push_back(ExpectName("a variable name after 'For'"));
    ExpectOp("=", "after the For variable");
    s->from = ParseExpr();
    ExpectWord("to", "in the For statement");
    s->to = ParseExpr();
    if (IsWord("step")) {
      Take();
      s->step = ParseExpr();
    }
    EndOfStatement();
    ++for_depth_;
    s->blocks.push_back(ParseBlock({"next"}, "For (Next)"));
    --for_depth_;
    CloseNext(s->names[0]);
    return s;
  }

  void CloseNext(const std::string& var) {
    Take();
    if (Cur().kind == TokenKind::kIdentifier && !AtStatementEnd()) {
      if (!SameWord(Cur().text, var)) Expected("'Next " + var + "'");
      Take();
    }
  }

  StmtPtr ParseDo() {
    auto s = MakeStmt(StmtKind::kDoLoop, Cur().line);
    Take();
    if (IsWord("while") || IsWord("until")) {
      s->until = IsWord("until");
      Take();
      s->value = ParseExpr();
    }
    EndOfStatement();
    ++do_depth_;
    s->blocks.push_back(ParseBlock({"loop"}, "Do (Loop)"));
    --do_depth_;
    Take();
    if (IsWord("while") || IsWord("until")) {
      if (s->value) Expected("end of statement: a Do loop tests at one end only");
      s->until = IsWord("until");
      s->test_at_end = true;
      Take();
      s->value = ParseExpr();
    }
    return s;
  }

  // Expressions, loosest binding first.
  ExprPtr ParseExpr() {
    Nest nest(*this);
    return ParseBinaryLevel(0);
  }

  ExprPtr Binary(const Token& at, Op op, ExprPtr lhs, ExprPtr rhs) {
    auto e = MakeExpr(ExprKind::kBinary, at);
    e->op = op;
    e->object = std::move(lhs);
    e->rhs = std::move(rhs);
    return Grown(std::move(e));
  }

  // Levels: Xor, Or, And, Not, comparison, &, + -, Mod, \, * /, unary -, ^.
  ExprPtr ParseBinaryLevel(int level) {
    struct Spelling {
      std::string_view text;
      Op op;
    };
    static const std::vector<std::vector<Spelling>> kLevels = {{{"xor", Op::kXor}},
                                                               {{"or", Op::kOr}},
                                                               {{"and", Op::kAnd}},
                                                               {},
                                                               {{"=", Op::kEq},
                                                                {"<>", Op::kNe},
                                                                {"<", Op::kLt},
                                                                {">", Op::kGt},
                                                                {"<=", Op::kLe},
                                                                {">=", Op::kGe},
                                                                {"is", Op::kIs}},
                                                               {{"&", Op::kConcat}},
                                                               {{"+", Op::kAdd}, {"-", Op::kSub}},
                                                               {{"mod", Op::kMod}},
                                                               {{"\\", Op::kIntDiv}},
                                                               {{"*", Op::kMul}, {"/", Op::kDiv}}};
    if (level == 3) {  // Not
      if (IsWord("not")) {
        const Token at = Take();
        auto e = MakeExpr(ExprKind::kUnary, at);
        e->op = Op::kNot;
        Nest nest(*this);
        e->object = ParseBinaryLevel(3);
        return Grown(std::move(e));
      }
      return ParseBinaryLevel(4);
    }
    if (level == static_cast<int>(kLevels.size())) return ParseNegation();
    ExprPtr lhs = ParseBinaryLevel(level + 1);
    for (;;) {
      std::optional<Op> op;
      for (const auto& candidate : kLevels[level]) {
        if (IsOp(candidate.text) || IsWord(candidate.text)) op = candidate.op;
      }
      if (!op) return lhs;
      const Token at = Take();
      lhs = Binary(at, *op, std::move(lhs), ParseBinaryLevel(level + 1));
    }
  }

  ExprPtr ParseNegation() {
    if (IsOp("-") || IsOp("+")) {
      const Token at = Take();
      Nest nest(*this);
      ExprPtr operand = ParseNegation();
      if (at.text == "+") return operand;
      auto e = MakeExpr(ExprKind::kUnary, at);
      e->op = Op::kNeg;
      e->object = std::move(operand);
      return Grown(std::move(e));
    }
    return ParsePower();
  }

  ExprPtr ParsePower() {
    ExprPtr lhs = ParsePostfix();
    while (IsOp("^")) {
      const Token at = Take();
      ExprPtr rhs;
      if (IsOp("-")) {
        const Token neg = Take();
        rhs = MakeExpr(ExprKind::kUnary, neg);
        rhs->op = Op::kNeg;
        rhs->object = ParsePostfix();
        rhs = Grown(std::move(rhs));
      } else {
        rhs = ParsePostfix();
      }
      lhs = Binary(at, Op::kPow, std::move(lhs), std::move(rhs));
    }
    return lhs;
  }

  ExprPtr ParsePostfix() {
    ExprPtr e = ParsePrimary();
    for (;;) {
      if (IsOp(".")) {
        const Token dot = Take();
        if (Cur().kind != TokenKind::kIdentifier) Expected("a member name after '.'");
        auto m = MakeExpr(ExprKind::kMember, Cur());
        m->name = Take().text;
        m->wide = FromUtf8(m->name);
        m->object = std::move(e);
        e = Grown(std::move(m));
      } else if (IsOp("(")) {
        const Token open = Take();
        auto c = MakeExpr(ExprKind::kCall, open);
        c->line = e->line;
        c->column = e->column;
        c->object = std::move(e);
        if (!IsOp(")")) {
          for (;;) {
            if (IsOp(",") || IsOp(")")) {
              c->args.push_back(nullptr);
            } else {
              c->args.push_back(ParseExpr());
            }
            if (IsOp(")")) break;
            ExpectOp(",", "or ')' in the argument list");
          }
        }
        ExpectOp(")", "to close the argument list");
        e = Grown(std::move(c));
      } else {
        return e;
      }
    }
  }

  ExprPtr ParsePrimary() {
    const Token& t = Cur();
    switch (t.kind) {
      case TokenKind::kNumber:
      case TokenKind::kString:
      case TokenKind::kDate: {
        auto e = MakeExpr(ExprKind::kLiteral, t);
        e->value = t.value;
        Take();
        return e;
      }
      case TokenKind::kOperator:
        if (t.text == "(") {
          Take();
          ExprPtr e = ParseExpr();
          ExpectOp(")", "to close the parenthesis");
          e->parenthesized = true;
          return e;
        }
        Expected("an expression");
      case TokenKind::kIdentifier:
        break;
      default:
        Expected("an expression");
    }
    if (!t.bracketed) {
      auto literal = [&](Variant v) {
        auto e = MakeExpr(ExprKind::kLiteral, t);
        e->value = std::move(v);
        Take();
        return e;
      };
      if (IsWord("true")) return literal(Variant::Boolean(true));
      if (IsWord("false")) return literal(Variant::Boolean(false));
      if (IsWord("nothing")) return literal(Variant(ObjectPtr{}));
      if (IsWord("empty")) return literal(Variant());
      if (IsWord("new")) {
        auto e = MakeExpr(ExprKind::kNew, t);
        Take();
        e->name = ExpectName("a class name after 'New'");
        e->wide = FromUtf8(e->name);
        return e;
      }
      if (IsReservedWord(t.text)) {
        FailAt(t.line, t.column, "expected an expression, found the keyword '" + t.text + "'");
      }
    }
    auto e = MakeExpr(ExprKind::kName, t);
    e->name = t.text;
    e->wide = FromUtf8(e->name);
    e->bracketed = t.bracketed;
    Take();
    return e;
  }

  // Counts one level of recursion for as long as it lives.
  class Nest {
   public:
    explicit Nest(Parser& p) : p_(p) {
      if (++p_.nesting_ > kMaxNesting) {
        p_.FailAt(p_.Cur().line, p_.Cur().column, "the script nests too deeply here");
      }
    }
    ~Nest() { --p_.nesting_; }
    Nest(const Nest&) = delete;
    Nest& operator=(const Nest&) = delete;

   private:
    Parser& p_;
  };

  // Records how deeply `e` nests from its children; refuses trees too deep to walk. The left
  // operand of a binary operator that is itself one is a chain the interpreter walks in a loop,
  // so `1 + 2 + 3` nests no deeper than `1 + 2`.
  ExprPtr Grown(ExprPtr e) {
    int h = 0;
    if (e->object) {
      const bool chain = e->kind == ExprKind::kBinary && e->object->kind == ExprKind::kBinary;
      h = std::max(h, chain ? e->object->depth - 1 : e->object->depth);
    }
    if (e->rhs) h = std::max(h, e->rhs->depth);
    for (const auto& a : e->args) {
      if (a) h = std::max(h, a->depth);
    }
    e->depth = h + 1;
    if (e->depth > kMaxNesting) FailAt(e->line, e->column, "the expression nests too deeply");
    return e;
  }

  int nesting_ = 0;
  int for_depth_ = 0;
  int do_depth_ = 0;
  ProcedureKind procedure_ = ProcedureKind::kNone;  // the procedure being parsed
  std::vector<Token> tokens_;
  const std::string& file_;
  size_t pos_ = 0;
  bool single_if_ = false;
};

}  // namespace

bool IsReservedWord(std::string_view word) {
  for (auto r : kReserved) {
    if (SameWord(r, word)) return true;
  }
  for (auto r : kReservedDeclarations) {
    if (SameWord(r, word)) return true;
  }
  return false;
}

Program Parse(std::string_view source, const std::string& file) {
  return Parser(Lex(source, file), file).Run();
}

}  // namespace moxtrel::script
