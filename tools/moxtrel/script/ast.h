// The syntax tree of a script: expressions, statements and procedures, as the parser builds
// them and the interpreter walks them. Names keep their spelling; lookups ignore case.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "moxtrel/frame/text.h"
#include "moxtrel/frame/variant.h"

namespace moxtrel::script {

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;

// The operators, from the loosest binding to the tightest.
enum class Op : uint8_t {
  kXor,
  kOr,
  kAnd,
  kNot,
  kEq,
  kNe,
  kLt,
  kGt,
  kLe,
  kGe,
  kIs,
  kConcat,
  kAdd,
  kSub,
  kMod,
  kIntDiv,
  kMul,
  kDiv,
  kNeg,
  kPow,
};

// How messages spell an operator.
constexpr std::string_view OpText(Op op) noexcept {
  constexpr std::string_view kText[] = {"xor", "or", "and", "Not", "=", "<>", "<",
                                        ">",   "<=", ">=",  "is",  "&", "+",  "-",
                                        "mod", "\\", "*",   "/",   "-", "^"};
  return kText[static_cast<int>(op)];
}

enum class ExprKind {
  kLiteral,  // value
  kName,     // name
  kMember,   // object.name
  kCall,     // callee(args); an omitted argument is a null pointer
  kUnary,    // op operand (Op::kNeg, Op::kNot)
  kBinary,   // lhs op rhs
  kNew,      // New name
};

struct Expr {
  Expr() = default;
  Expr(const Expr&) = delete;
  Expr& operator=(const Expr&) = delete;
  // A chain of binary operators nests to the left as long as it is written; it is unlinked in a
  // loop so that freeing it never recurses down the chain.
  ~Expr() {
    while (object && object->kind == ExprKind::kBinary && object->object) {
      ExprPtr next = std::move(object->object);
      object = std::move(next);
    }
  }

  ExprKind kind;
  int line = 0;
  int column = 0;
  int depth = 1;  // how deeply the tree below nests (operator chains count once); bounded
  Variant value;
  std::string name;     // kName, kMember, kNew
  std::u16string wide;  // the same name as UTF-16, converted once by the parser for every lookup
  Op op = Op::kAdd;     // kUnary, kBinary
  bool bracketed = false;
  bool parenthesized = false;  // written inside ( ): never written back as a by-reference slot
  ExprPtr object;              // kMember object, kCall callee, kUnary operand, kBinary lhs
  ExprPtr rhs;
  std::vector<ExprPtr> args;

  // A member access remembers the DISPID its name had in the last interface it met, so a loop
  // looks the name up once per class rather than at every round.
  struct CallSite {
    const void* iface = nullptr;
    int32_t dispid = 0;
  };
  mutable CallSite site;
  // A name remembers the variable it found, in the frame it was found from, while no variable
  // has been declared since; the interpreter checks both before it trusts the slot.
  struct VariableSlot {
    uint64_t frame = 0;  // the frame's serial; 0 never names one
    uint64_t epoch = 0;
    void* slot = nullptr;
    bool constant = false;
  };
  mutable VariableSlot variable;
};

// What an Exit statement leaves.
enum class ExitTarget { kFor, kDo, kSub, kFunction };

struct Stmt;
using StmtPtr = std::unique_ptr<Stmt>;
using Block = std::vector<StmtPtr>;

enum class StmtKind {
  kDim,      // names (with an upper bound for arrays in `bounds`)
  kAssign,   // target = value; `is_set` for Set
  kCall,     // an expression run for its effect
  kIf,       // conditions[i] guards blocks[i]; a last block without condition is Else
  kForNext,  // name = from To to [Step step]: body
  kForEach,  // For Each name In value: body
  kDoLoop,   // pre- or post-tested loop; While ... Wend is a pre-tested While loop
  kExit,     // exit_target
  kPrint,    // exprs
  kOnError,  // resume_next
  kConst,    // names[i] = exprs[i]
  kSelect,   // Select Case value: case_values[i] guard blocks[i]; a last extra block is Case Else
  kReDim,    // names with bounds, like kDim; `preserve` keeps the elements that still fit
};

struct Stmt {
  StmtKind kind;
  int line = 0;
  std::vector<std::string> names;
  std::vector<ExprPtr> bounds;  // kDim: an array's upper bound, or null
  ExprPtr target;
  ExprPtr value;
  ExprPtr from, to, step;
  bool is_set = false;
  bool until = false;                         // kDoLoop: Until instead of While
  bool test_at_end = false;                   // kDoLoop: Loop While/Until
  bool resume_next = false;                   // kOnError
  bool preserve = false;                      // kReDim
  ExitTarget exit_target = ExitTarget::kFor;  // kExit
  std::vector<ExprPtr> conditions;
  std::vector<Block> blocks;  // kIf branches; loops keep their body in blocks[0]
  std::vector<ExprPtr> exprs;
  std::vector<std::vector<ExprPtr>> case_values;  // kSelect
};

struct Procedure {
  std::string name;
  bool is_function = false;
  std::vector<std::string> params;
  Block body;
  int line = 0;
};

struct Program {
  std::string file;
  bool option_explicit = false;  // Option Explicit: a variable must be declared before use
  Block body;
  std::map<std::u16string, std::shared_ptr<Procedure>, NoCaseLess> procedures;
};

}  // namespace moxtrel::script
