// Interpreter: runs a parsed script against the object model, reaching objects only through
// the dispatch layer (names, DISPIDs, CreateObject, Connect).
//
//   Interpreter host({.out = &std::cout});
//   host.Run(Parse(text, "tour.mox"));     // throws RuntimeError with the failing line
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "ast.h"
#include "host_object.h"
#include "moxtrel/frame/dispatch.h"
#include "script_error.h"

namespace moxtrel::directory {
class MemoryDirectory;
}

namespace moxtrel::script {

class ErrObject;

struct InterpreterOptions {
  std::ostream* out = nullptr;  // Print goes here; nothing is printed when null
  // The embedded directory behind the Directory object; without it Directory is undefined.
  std::shared_ptr<directory::MemoryDirectory> directory;
  // Pump ms: dispatches this thread's messages for a while; the platform's pump by default.
  std::function<void(int32_t ms)> pump;
  // Stops a run with StatementBudgetSpent after this many statements and loop rounds; 0 runs
  // without a limit. A host that runs untrusted scripts (a fuzzer) bounds them this way.
  uint64_t max_steps = 0;
  // What the script reads as Arguments(1), Arguments(2), ...
  std::vector<std::u16string> arguments = {};
  // Print writes one JSON document per statement instead of text.
  bool json_output = false;
};

// A run that used up InterpreterOptions::max_steps; On Error Resume Next does not trap it.
class StatementBudgetSpent : public std::runtime_error {
 public:
  StatementBudgetSpent() : std::runtime_error("the script's statement budget is spent") {}
};

class Interpreter {
 public:
  explicit Interpreter(InterpreterOptions options);
  ~Interpreter();
  Interpreter(const Interpreter&) = delete;
  Interpreter& operator=(const Interpreter&) = delete;

  // Runs the program's statements; its procedures join those already known, so an
  // interactive session can define a Sub on one line and call it on the next.
  void Run(const Program& program);

  // The status a Quit statement asked for, once a run has ended with one.
  std::optional<int> QuitStatus() const { return quit_status_; }

  // A global variable's value, if it exists.
  std::optional<Variant> Global(std::u16string_view name) const;
  // What a name stands for at the top level: a global variable, Err or Directory.
  std::optional<Variant> Lookup(std::u16string_view name);

  // For a prompt: the value of one expression at the top level (throws RuntimeError, or
  // ScriptInterrupted on Ctrl-C); the global variables' and procedures' names; and how Print
  // shows a value (operators.h Show when unset).
  Variant Evaluate(const Expr& e);
  std::vector<std::u16string> Names() const;
  void SetShow(std::function<std::u16string(const Variant&)> show) { show_ = std::move(show); }

 private:
  friend class Evaluator;
  struct Frame;
  enum class Flow { kNormal, kExitFor, kExitDo, kExitSub, kExitFunction };
  class EventHub;

  Flow ExecBlock(const Block& block);
  Flow Exec(const Stmt& s);
  Flow ExecExit(ExitTarget target);
  Flow ExecIf(const Stmt& s);
  Flow ExecForNext(const Stmt& s);
  Flow ExecForEach(const Stmt& s);
  Flow ExecDoLoop(const Stmt& s);
  Flow ExecSelect(const Stmt& s);
  void ExecDim(const Stmt& s);
  void ExecConst(const Stmt& s);
  void ExecPrint(const Stmt& s);
  void ExecAssign(const Stmt& s);
  void ExecCall(const Expr& e);

  Variant Eval(const Expr& e);
  Variant EvalName(const Expr& e, bool as_statement);
  Variant EvalCall(const Expr& e, bool as_statement);
  Variant EvalMember(const Expr& e);
  std::vector<Variant> EvalArgs(const std::vector<ExprPtr>& args);
  void WriteBack(const std::vector<ExprPtr>& exprs, const std::vector<Variant>& before,
                 const std::vector<Variant>& after);

  // Object calls. `site`, the expression that names the member, caches its DISPID; with a site,
  // an empty `where` stands for the site's text, built only for an error.
  Variant Invoke(const Variant& target, const std::string& where, std::u16string_view member,
                 uint16_t flags, std::vector<Variant>& args, const Expr* site = nullptr);
  Variant InvokeDefault(const Variant& target, const std::string& where,
                        std::vector<Variant>& args);
  Variant Index(const Variant& target, const std::string& where, std::vector<Variant>& args);
  ObjectPtr AppObject();
  bool AppHas(std::u16string_view name);
  ObjectPtr CreateObjectSuggesting(const std::u16string& class_name, const std::string& where);

  // Variables.
  Variant* FindVariable(std::u16string_view name);
  // The same through a remembered slot: a name's in the script, or a loop's variable.
  Variant* FindVariable(std::u16string_view name, Expr::VariableSlot& cached);
  Variant* FindVariable(const Expr& name);
  std::unique_ptr<Frame> NewFrame();
  // `wide` is `name` as UTF-16, converted once by the caller.
  void SetVariable(const std::u16string& wide, const std::string& name, Variant value);
  void SetVariable(const std::u16string& wide, const std::string& name, Expr::VariableSlot& cached,
                   Variant&& value);
  void Declare(const std::string& name, Variant value);
  bool IsConstant(std::u16string_view name) const;
  void CheckNotConstant(std::u16string_view name, const std::string& where) const;
  // " (did you mean "x"?)" for a name no variable, procedure or constant has, or empty.
  std::u16string SuggestVariable(std::u16string_view name) const;

  // Procedures and built-ins.
  const Procedure* FindProcedure(std::u16string_view name) const;
  Variant CallProcedure(const Procedure& proc, std::vector<Variant> args, const std::string& where);
  bool CallBuiltin(const std::string& name, std::vector<Variant>& args, bool as_statement,
                   Variant& result);
  void Connect(std::vector<Variant>& args);
  void Disconnect(std::vector<Variant>& args);
  void Pump(std::vector<Variant>& args);
  void DeliverEvent(const std::u16string& handler, std::u16string_view event,
                    std::vector<Variant>& args);
  // Raises an error or a Quit that an event handler left behind.
  void RaisePending() {
    if (pending_quit_ || pending_) [[unlikely]]
      RaiseHeld();
  }
  [[noreturn]] void RaiseHeld();
  void OutOfMemory(int line);
  // Throws Out of stack space once this thread's stack is used down to stack_floor_.
  // Inline, so that the frame measured is the caller's.
  void CheckStack() const {
    if (static_cast<const char*>(__builtin_frame_address(0)) < stack_floor_) [[unlikely]]
      OutOfStack();
  }
  [[noreturn]] static void OutOfStack();
  // Counts one statement or loop round against options_.max_steps.
  void Step();

  static std::string Describe(const Expr& e);

  InterpreterOptions options_;
  std::vector<std::unique_ptr<Frame>> frames_;
  std::map<std::u16string, std::shared_ptr<Procedure>, NoCaseLess> procedures_;
  std::shared_ptr<ErrObject> err_;
  std::shared_ptr<HostObject> directory_;
  ObjectPtr app_;
  std::shared_ptr<EventHub> hub_;
  struct Connection {
    ObjectPtr source;
    uint32_t cookie;
  };
  std::vector<Connection> connections_;
  std::optional<RuntimeError> pending_;
  std::shared_ptr<HostObject> arguments_;
  std::shared_ptr<HostObject> last_failure_;
  bool option_explicit_ = false;
  std::optional<int> quit_status_;
  std::optional<int> pending_quit_;  // a Quit inside an event handler, raised after the event
  // Counts declarations: a remembered variable slot is trusted only within one count, as a
  // new local may hide the global it points at.
  uint64_t declarations_ = 1;
  int depth_ = 0;
  const char* stack_floor_ = nullptr;
  uint64_t steps_ = 0;
  std::function<std::u16string(const Variant&)> show_;
};

}  // namespace moxtrel::script
