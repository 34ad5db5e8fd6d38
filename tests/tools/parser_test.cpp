#include <gtest/gtest.h>

#include "script/lexer.h"
#include "script/parser.h"
#include "script/script_error.h"

namespace moxtrel::script {
namespace {

std::string SyntaxMessage(const std::string& text) {
  try {
    Parse(text, "t.mox");
  } catch (const SyntaxError& e) {
    return e.what();
  }
  return "";
}

// Literals come out with their values; brackets make a name that is never a keyword.
TEST(LexerTest, ReadsLiteralsAndBracketedNames) {
  auto t =
      Lex("x = \"say \"\"hi\"\"\" & &HFF + &H800A0005 + 2.5 + 3000000000 + #2024-03-04 09:15# + "
          "[mox SVCS Running] + [Next]",
          "t.mox");
  ASSERT_GE(t.size(), 18u);
  EXPECT_EQ(t[2].value, Variant(u"say \"hi\""));
  EXPECT_EQ(t[4].value, Variant(int32_t{255}));
  EXPECT_EQ(t[6].value, Variant(static_cast<int32_t>(0x800A0005u)));
  EXPECT_EQ(t[8].value, Variant(2.5));
  EXPECT_EQ(t[10].value, Variant(3000000000.0));
  EXPECT_EQ(t[12].value, Variant(Date::FromCivil(2024, 3, 4, 9, 15)));
  EXPECT_EQ(t[14].text, "mox SVCS Running");
  EXPECT_TRUE(t[14].bracketed);
  EXPECT_TRUE(t[16].bracketed);
  EXPECT_EQ(t[16].kind, TokenKind::kIdentifier);
}

// Comments, Rem, ':' separators and " _" continuations shape statements, not tokens.
TEST(LexerTest, CommentsSeparatorsAndContinuations) {
  auto p = Parse("x = 1 ' one\nRem a remark\ny = 2 : z = _\n  3\n", "t.mox");
  ASSERT_EQ(p.body.size(), 3u);
  EXPECT_EQ(p.body[2]->value->value, Variant(int32_t{3}));
  EXPECT_EQ(p.body[2]->line, 3);
}

// Every lexical error names the file, line and column.
TEST(LexerTest, ReportsWhereTextIsMalformed) {
  EXPECT_EQ(SyntaxMessage("x = 1\ny = \"open"), "t.mox:2:5: unterminated string: expected '\"'");
  EXPECT_EQ(SyntaxMessage("x = [mox\n"), "t.mox:1:5: unterminated name: expected ']'");
  EXPECT_EQ(SyntaxMessage("x = #2024-13-01#"),
            "t.mox:1:5: not a date: #2024-13-01# (write #2024-05-31# or #5/31/2024 13:00#)");
  EXPECT_EQ(SyntaxMessage("x = 1 $ 2"), "t.mox:1:7: unexpected character '$'");
}

// Syntax errors say what was expected and what was found, at the right place.
TEST(ParserTest, ReportsWhatWasExpected) {
  EXPECT_EQ(SyntaxMessage("If x Print 1\n"),
            "t.mox:1:6: expected 'Then' after the If condition, found 'Print'");
  EXPECT_EQ(SyntaxMessage("If x Then\n  Print 1\n"),
            "t.mox:3:1: expected the end of If (End If), found end of file");
  EXPECT_EQ(SyntaxMessage("For i = 1 To 3\nNext j\n"), "t.mox:2:6: expected 'Next i', found 'j'");
  EXPECT_EQ(SyntaxMessage("Dim next\n"),
            "t.mox:1:5: expected a variable name after 'Dim', found the keyword 'next'");
  EXPECT_EQ(SyntaxMessage("x = (1 + 2\n"),
            "t.mox:1:11: expected ')' to close the parenthesis, found end of line");
  EXPECT_EQ(SyntaxMessage("Print 1 2\n"), "t.mox:1:9: expected end of statement, found '2'");
  EXPECT_EQ(SyntaxMessage("Sub A\nEnd Sub\nSub a\nEnd Sub\n"), "t.mox:3:1: 'a' is defined twice");
  EXPECT_EQ(SyntaxMessage("Do While x\nLoop Until y\n"),
            "t.mox:2:6: expected end of statement: a Do loop tests at one end only, found 'Until'");
}

// Calls written without parentheses, with omitted arguments, and `Foo (a), b`.
TEST(ParserTest, CallStatementsAndOmittedArguments) {
  auto p = Parse("q.Find \"a\", , \"b\"\nu.AddToGroup(\"G\", )\nFoo (a), b\nx.Refresh\n", "t.mox");
  ASSERT_EQ(p.body.size(), 4u);
  const Expr& find = *p.body[0]->value;
  ASSERT_EQ(find.kind, ExprKind::kCall);
  ASSERT_EQ(find.args.size(), 3u);
  EXPECT_EQ(find.args[1], nullptr);
  EXPECT_EQ(find.object->name, "Find");
  const Expr& add = *p.body[1]->value;
  ASSERT_EQ(add.args.size(), 2u);
  EXPECT_EQ(add.args[1], nullptr);
  const Expr& foo = *p.body[2]->value;
  ASSERT_EQ(foo.args.size(), 2u);
  EXPECT_EQ(foo.object->name, "Foo");
  EXPECT_TRUE(foo.args[0]->parenthesized);
  EXPECT_EQ(p.body[3]->value->kind, ExprKind::kMember);
}

// Operators bind as in the classic language: ^ before unary minus before * before + before &
// before comparisons before Not/And/Or.
TEST(ParserTest, Precedence) {
  auto p = Parse("x = -2 ^ 2\ny = 1 + 2 & 3 = \"33\" And Not False\n", "t.mox");
  const Expr& neg = *p.body[0]->value;
  EXPECT_EQ(neg.kind, ExprKind::kUnary);
  EXPECT_EQ(neg.op, Op::kNeg);
  EXPECT_EQ(neg.object->op, Op::kPow);
  const Expr& y = *p.body[1]->value;
  EXPECT_EQ(y.op, Op::kAnd);
  EXPECT_EQ(y.rhs->op, Op::kNot);
  EXPECT_EQ(y.object->op, Op::kEq);
  EXPECT_EQ(y.object->object->op, Op::kConcat);
  EXPECT_EQ(y.object->object->object->op, Op::kAdd);
}

// Single-line If with Else, and block If with ElseIf, parse to the same shape.
TEST(ParserTest, IfForms) {
  auto p =
      Parse("If a Then b = 1 : c = 2 Else d = 3\nIf a Then\nb = 1\nElseIf c Then\nElse\nEnd If\n",
            "t.mox");
  ASSERT_EQ(p.body.size(), 2u);
  EXPECT_EQ(p.body[0]->blocks.size(), 2u);
  EXPECT_EQ(p.body[0]->blocks[0].size(), 2u);
  EXPECT_EQ(p.body[1]->conditions.size(), 2u);
  EXPECT_EQ(p.body[1]->blocks.size(), 3u);
}

// Exit outside what it leaves, and nesting deep enough to exhaust the stack, are refused.
TEST(ParserTest, RefusesStrayExitAndRunawayNesting) {
  EXPECT_EQ(SyntaxMessage("Print 1\nExit For\nPrint 2\n"),
            "t.mox:2:6: 'Exit For' outside a For loop");
  EXPECT_EQ(SyntaxMessage("For i = 1 To 2\nDo\nExit Sub\nLoop\nNext\n"),
            "t.mox:3:6: 'Exit Sub' outside a Sub");
  EXPECT_EQ(SyntaxMessage("Sub A\nFor i = 1 To 2\nExit For\nNext\nExit Sub\nEnd Sub\n"), "");
  EXPECT_NE(SyntaxMessage("x = " + std::string(100000, '(') + "1").find("nests too deeply"),
            std::string::npos);
  // A flat chain of operators does not nest; a chain of nested calls does.
  std::string chain = "x = 1";
  for (int i = 0; i < 50000; ++i) chain += " + 1";
  EXPECT_EQ(SyntaxMessage(chain), "");
  std::string calls = "x = 1";
  for (int i = 0; i < 300; ++i) calls = "x = Abs(" + calls.substr(4) + ")";
  EXPECT_NE(SyntaxMessage(calls).find("nests too deeply"), std::string::npos);
  EXPECT_NE(SyntaxMessage("x = " + std::string(100000, '-') + "1").find("nests too deeply"),
            std::string::npos);
  std::string ifs;
  for (int i = 0; i < 5000; ++i) ifs += "If x Then\n";
  EXPECT_NE(SyntaxMessage(ifs).find("nests too deeply"), std::string::npos);
  std::string one_line;
  for (int i = 0; i < 100000; ++i) one_line += "If x Then ";
  EXPECT_NE(SyntaxMessage(one_line + "Print 1\n").find("nests too deeply"), std::string::npos);
}

}  // namespace
}  // namespace moxtrel::script
