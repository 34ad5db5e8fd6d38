#include "interpreter.h"

#include <atomic>
#include <new>
#include <set>
#include <stdexcept>

#include "arguments_object.h"
#include "builtins.h"
#include "directory_hooks.h"
#include "enum_constants.h"
#include "err_object.h"
#include "get_object.h"
#include "interrupt.h"
#include "json_output.h"
#include "last_failure_object.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/enumerator.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"
#include "moxtrel/frame/typelib.h"
#include "operators.h"
#include "pump.h"
#include "script_limits.h"
#include "suggestions.h"

namespace moxtrel::script {

struct Interpreter::Frame {
  uint64_t serial = 0;  // unique in the process, so no two frames, live or gone, share one
  std::map<std::u16string, Variant, NoCaseLess> locals;
  std::set<std::u16string, NoCaseLess> constants;
  bool resume_next = false;
  const Procedure* procedure = nullptr;
  int line = 0;  // the statement running in this frame, for the call stack
};

// Routes events from sinks held by objects back to a live interpreter; the interpreter cuts
// the route when it goes, so a sink that outlives it does nothing.
class Interpreter::EventHub {
 public:
  std::function<void(const std::u16string&, std::u16string_view, std::vector<Variant>&)> deliver;
};

namespace {

constexpr uint16_t kGetOrCall = kDispatchGet | kDispatchMethod;

using DeliverFn =
    std::function<void(const std::u16string&, std::u16string_view, std::vector<Variant>&)>;

class ScriptSink final : public EventSink {
 public:
  // `deliver` shares ownership with the hub that holds it, so the sink never outlives it.
  ScriptSink(std::weak_ptr<const DeliverFn> deliver, std::u16string handler)
      : deliver_(std::move(deliver)), handler_(std::move(handler)) {}

  void OnEvent(DispId, std::u16string_view name, std::vector<Variant>& args) override {
    auto deliver = deliver_.lock();
    if (deliver && *deliver) (*deliver)(handler_, name, args);
  }

 private:
  std::weak_ptr<const DeliverFn> deliver_;
  std::u16string handler_;
};

std::u16string U(const std::string& s) {
  return FromUtf8(s);
}

std::string Count(size_t n, const char* noun) {
  return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

// Quit: unwinds the run to Interpreter::Run, past every On Error Resume Next.
struct QuitRequest {
  int status;
};

RuntimeError FromAutomation(const AutomationError& e, const std::string& where) {
  return RuntimeError(e.code(), e.description(), where);
}

// Runs `f`, turning an AutomationError into a RuntimeError that names `where`.
template <class F>
auto Guard(const std::string& where, F&& f) {
  try {
    return f();
  } catch (const AutomationError& e) {
    throw FromAutomation(e, where);
  }
}

// The place of `index` in the array `arr`; `where` names the expression, built only on error.
template <class Where>
std::size_t ElementIndex(const VariantArray& arr, const Variant& index, Where&& where) {
  if (index.IsMissing()) {
    throw RuntimeError(errc::kSubscriptOutOfRange, u"Arrays have one dimension", where());
  }
  int64_t i = 0;
  try {
    i = int64_t{index.ToLong()} - arr.lower_bound;
  } catch (const AutomationError& e) {
    throw FromAutomation(e, where());
  }
  if (i < 0 || static_cast<uint64_t>(i) >= arr.items.size()) {
    throw RuntimeError(errc::kSubscriptOutOfRange, u"Subscript out of range: " + Show(index),
                       where());
  }
  return static_cast<std::size_t>(i);
}

}  // namespace

Interpreter::Interpreter(InterpreterOptions options)
    : options_(std::move(options)),
      err_(std::make_shared<ErrObject>()),
      hub_(std::make_shared<EventHub>()) {
  frames_.push_back(NewFrame());
  if (options_.directory) directory_ = std::make_shared<DirectoryHooks>(options_.directory);
  arguments_ = std::make_shared<ArgumentsObject>(options_.arguments);
  last_failure_ = std::make_shared<LastFailureObject>();
  ClearLastTrappedFailure();  // a new session does not answer for an earlier one's members
  hub_->deliver = [this](const std::u16string& handler, std::u16string_view event,
                         std::vector<Variant>& args) { DeliverEvent(handler, event, args); };
}

Interpreter::~Interpreter() {
  hub_->deliver = nullptr;
  for (const auto& c : connections_) {
    try {
      dispatch::Disconnect(c.source, c.cookie);
    } catch (const AutomationError&) {
      // The source may already refuse; the hub is cut either way.
    }
  }
}

std::optional<Variant> Interpreter::Global(std::u16string_view name) const {
  auto it = frames_.front()->locals.find(name);
  if (it == frames_.front()->locals.end()) return std::nullopt;
  return it->second;
}

std::optional<Variant> Interpreter::Lookup(std::u16string_view name) {
  if (auto v = Global(name)) return v;
  if (EqualsNoCase(name, u"Err")) return Variant(ObjectPtr(err_));
  if (EqualsNoCase(name, u"Directory") && directory_) return Variant(ObjectPtr(directory_));
  if (EqualsNoCase(name, u"Arguments")) return Variant(ObjectPtr(arguments_));
  if (EqualsNoCase(name, u"LastFailure")) return Variant(ObjectPtr(last_failure_));
  return std::nullopt;
}

void Interpreter::Run(const Program& program) {
  for (const auto& [name, proc] : program.procedures) procedures_[name] = proc;
  frames_.resize(1);
  frames_.front()->resume_next = false;
  depth_ = 0;
  stack_floor_ = StackFloor();
  steps_ = 0;
  option_explicit_ = option_explicit_ || program.option_explicit;
  try {
    ExecBlock(program.body);
  } catch (const QuitRequest& quit) {
    quit_status_ = quit.status;
  }
}

// ---- statements ----

Interpreter::Flow Interpreter::ExecBlock(const Block& block) {
  for (const auto& s : block) {
    Flow flow = Flow::kNormal;
    frames_.back()->line = s->line;
    try {
      flow = Exec(*s);
      RaisePending();
    } catch (RuntimeError& e) {
      if (e.line() == 0) e.set_line(s->line);
      if (!frames_.back()->resume_next) throw;
      err_->Set(e);
    } catch (const AutomationError& e) {
      RuntimeError r = FromAutomation(e, "");
      r.set_line(s->line);
      if (!frames_.back()->resume_next) throw r;
      err_->Set(r);
    } catch (const std::bad_alloc&) {
      OutOfMemory(s->line);
    } catch (const std::length_error&) {
      OutOfMemory(s->line);
    } catch (ScriptInterrupted& e) {
      if (e.line() == 0) e.set_line(s->line);  // the innermost statement says where
      throw;
    }
    if (flow != Flow::kNormal) return flow;
  }
  return Flow::kNormal;
}

// A failed allocation ends the statement as the script error Out of memory, which On Error
// Resume Next can trap like any other.
void Interpreter::OutOfMemory(int line) {
  RuntimeError r(kOutOfMemory, u"Out of memory", "", line);
  if (!frames_.back()->resume_next) throw r;
  err_->Set(r);
}

void Interpreter::OutOfStack() {
  throw RuntimeError(kOutOfStackSpace,
                     u"Out of stack space: calls and expressions nest too deeply");
}

void Interpreter::Step() {
  if (options_.max_steps != 0 && ++steps_ > options_.max_steps) throw StatementBudgetSpent();
  CheckInterrupt();
}

void Interpreter::RaiseHeld() {
  if (pending_quit_) {
    const int status = *pending_quit_;
    pending_quit_.reset();
    throw QuitRequest{status};
  }
  RuntimeError e = std::move(*pending_);
  pending_.reset();
  throw e;
}

Interpreter::Flow Interpreter::Exec(const Stmt& s) {
  CheckStack();
  Step();
  switch (s.kind) {
    case StmtKind::kDim:
    case StmtKind::kReDim:
      ExecDim(s);
      return Flow::kNormal;
    case StmtKind::kConst:
      ExecConst(s);
      return Flow::kNormal;
    case StmtKind::kSelect:
      return ExecSelect(s);
    case StmtKind::kAssign:
      ExecAssign(s);
      return Flow::kNormal;
    case StmtKind::kCall:
      ExecCall(*s.value);
      return Flow::kNormal;
    case StmtKind::kIf:
      return ExecIf(s);
    case StmtKind::kForNext:
      return ExecForNext(s);
    case StmtKind::kForEach:
      return ExecForEach(s);
    case StmtKind::kDoLoop:
      return ExecDoLoop(s);
    case StmtKind::kExit:
      return ExecExit(s.exit_target);
    case StmtKind::kPrint:
      ExecPrint(s);
      return Flow::kNormal;
    case StmtKind::kOnError:
      frames_.back()->resume_next = s.resume_next;
      err_->Clear();
      return Flow::kNormal;
  }
  return Flow::kNormal;
}

void Interpreter::ExecPrint(const Stmt& s) {
  if (options_.json_output) {
    std::vector<Variant> values;
    for (const auto& e : s.exprs) values.push_back(Eval(*e));
    if (!values.empty() && options_.out) *options_.out << PrintJson(values) << '\n';
    return;
  }
  std::u16string line;
  for (size_t i = 0; i < s.exprs.size(); ++i) {
    if (i) line += u' ';
    const Variant v = Eval(*s.exprs[i]);
    line += show_ ? show_(v) : Show(v);
  }
  if (options_.out) *options_.out << ToUtf8(line) << '\n';
}

// Dim declares in the running procedure; ReDim makes an array anew, or resizes it with Preserve.
void Interpreter::ExecDim(const Stmt& s) {
  const bool redim = s.kind == StmtKind::kReDim;
  for (size_t i = 0; i < s.names.size(); ++i) {
    const std::u16string wide = U(s.names[i]);
    if (frames_.back()->constants.count(wide)) {
      throw RuntimeError(kNameRedefined, u"Name redefined: '" + wide + u"' is a constant",
                         s.names[i]);
    }
    Variant v;
    if (s.bounds[i]) {
      const int32_t upper = Eval(*s.bounds[i]).ToLong();
      if (upper < -1 || upper >= static_cast<int64_t>(kMaxArrayLength)) {
        throw RuntimeError(errc::kSubscriptOutOfRange, (redim ? u"ReDim " : u"Dim ") + wide +
                                                           u": an array bound must be 0 to " +
                                                           U(std::to_string(kMaxArrayLength - 1)));
      }
      VariantArray arr;
      Variant* old = redim && s.preserve ? FindVariable(wide) : nullptr;
      if (old && old->IsArray()) arr = std::move(*old->MutableArray());
      arr.items.resize(static_cast<size_t>(upper + 1));
      v = Variant(std::move(arr));
    }
    if (Variant* existing = redim ? FindVariable(wide) : nullptr) {
      CheckNotConstant(wide, s.names[i]);
      *existing = std::move(v);
    } else {
      Declare(s.names[i], std::move(v));
    }
  }
}

void Interpreter::ExecConst(const Stmt& s) {
  for (size_t i = 0; i < s.names.size(); ++i) {
    const std::u16string wide = U(s.names[i]);
    if (frames_.back()->locals.count(wide)) {
      throw RuntimeError(kNameRedefined, u"Name redefined: '" + wide + u"' is already declared",
                         s.names[i]);
    }
    Declare(s.names[i], Eval(*s.exprs[i]));
    frames_.back()->constants.insert(wide);
  }
}

// The first Case with a value equal to the tested one runs; Case Else when none is.
Interpreter::Flow Interpreter::ExecSelect(const Stmt& s) {
  const Variant tested = Eval(*s.value);
  for (size_t i = 0; i < s.case_values.size(); ++i) {
    for (const auto& candidate : s.case_values[i]) {
      if (Truth(BinaryOp(Op::kEq, tested, Eval(*candidate)))) return ExecBlock(s.blocks[i]);
    }
  }
  if (s.blocks.size() > s.case_values.size()) return ExecBlock(s.blocks.back());
  return Flow::kNormal;
}

Interpreter::Flow Interpreter::ExecExit(ExitTarget target) {
  switch (target) {
    case ExitTarget::kFor:
      return Flow::kExitFor;
    case ExitTarget::kDo:
      return Flow::kExitDo;
    case ExitTarget::kSub:
    case ExitTarget::kFunction:
      break;
  }
  const bool function = target == ExitTarget::kFunction;
  const Procedure* proc = frames_.back()->procedure;
  if (!proc || proc->is_function != function) {
    const std::u16string kind = function ? u"Function" : u"Sub";
    throw RuntimeError(errc::kInvalidProcedureCall, u"Exit " + kind + u" outside a " + kind);
  }
  return function ? Flow::kExitFunction : Flow::kExitSub;
}

Interpreter::Flow Interpreter::ExecIf(const Stmt& s) {
  for (size_t i = 0; i < s.blocks.size(); ++i) {
    if (i >= s.conditions.size() || Truth(Eval(*s.conditions[i]))) return ExecBlock(s.blocks[i]);
  }
  return Flow::kNormal;
}

Interpreter::Flow Interpreter::ExecForNext(const Stmt& s) {
  const std::string& var = s.names[0];
  const std::u16string wide = U(var);
  const Variant from = Eval(*s.from);
  const double to = Eval(*s.to).ToDouble();
  const Variant step_v = s.step ? Eval(*s.step) : Variant(int32_t{1});
  const double step = step_v.ToDouble();
  if (step == 0)
    throw RuntimeError(errc::kInvalidProcedureCall, u"For " + wide + u": Step must not be 0");
  SetVariable(wide, var, from);
  for (;;) {
    Step();
    const double i = FindVariable(wide)->ToDouble();
    if (step > 0 ? i > to : i < to) break;
    const Flow flow = ExecBlock(s.blocks[0]);
    if (flow == Flow::kExitFor) break;
    if (flow != Flow::kNormal) return flow;
    SetVariable(wide, var, BinaryOp(Op::kAdd, *FindVariable(wide), step_v));
  }
  return Flow::kNormal;
}

Interpreter::Flow Interpreter::ExecForEach(const Stmt& s) {
  const std::string& var = s.names[0];
  const std::u16string wide = U(var);
  const std::string where = Describe(*s.value);
  const Variant coll = Eval(*s.value);
  Expr::VariableSlot slot;
  auto body = [&](Variant&& item) {
    Step();
    SetVariable(wide, var, slot, std::move(item));
    return ExecBlock(s.blocks[0]);
  };
  if (coll.IsArray()) {
    const std::vector<Variant> items = coll.AsArray().items;
    for (const auto& item : items) {
      const Flow flow = body(Variant(item));
      if (flow == Flow::kExitFor) break;
      if (flow != Flow::kNormal) return flow;
    }
    return Flow::kNormal;
  }
  if (auto* host = coll.IsObject() ? dynamic_cast<HostObject*>(coll.AsObject().get()) : nullptr) {
    if (auto items = host->Items()) {
      for (auto& item : *items) {
        const Flow flow = body(std::move(item));
        if (flow == Flow::kExitFor) break;
        if (flow != Flow::kNormal) return flow;
      }
      return Flow::kNormal;
    }
  }
  if (!coll.IsObject() || !coll.AsObject()) {
    throw RuntimeError(errc::kObjectRequired,
                       u"For Each needs a collection or an array, not " +
                           (coll.IsObject() ? std::u16string(u"Nothing") : coll.TypeName()),
                       where);
  }
  std::vector<Variant> none;
  const Variant e = Guard(where + ".NewEnum", [&] {
    return dispatch::Invoke(*coll.AsObject(), kDispIdNewEnum, kGetOrCall, none);
  });
  auto enumerator = e.IsObject() ? std::dynamic_pointer_cast<Enumerator>(e.AsObject()) : nullptr;
  if (!enumerator) {
    throw RuntimeError(errc::kTypeMismatch, u"For Each: NewEnum gave no enumerator", where);
  }
  for (;;) {
    std::optional<Variant> item = Guard(where, [&] { return enumerator->Next(); });
    if (!item) break;
    const Flow flow = body(std::move(*item));
    if (flow == Flow::kExitFor) break;
    if (flow != Flow::kNormal) return flow;
  }
  return Flow::kNormal;
}

Interpreter::Flow Interpreter::ExecDoLoop(const Stmt& s) {
  auto test = [&] { return !s.value || Truth(Eval(*s.value)) != s.until; };
  if (!s.test_at_end && !test()) return Flow::kNormal;
  for (;;) {
    Step();
    const Flow flow = ExecBlock(s.blocks[0]);
    if (flow == Flow::kExitDo) break;
    if (flow != Flow::kNormal) return flow;
    if (!test()) break;
  }
  return Flow::kNormal;
}

void Interpreter::ExecAssign(const Stmt& s) {
  Variant value = Eval(*s.value);
  const Expr& target = *s.target;
  // The target's text, for errors: built only when one is raised, as every assignment passes.
  auto where = [&] { return Describe(target); };
  if (s.is_set) {
    if (!value.IsObject()) {
      throw RuntimeError(errc::kObjectRequired,
                         std::u16string(u"Object required: Set needs an object or Nothing, not ") +
                             value.TypeName(),
                         where());
    }
  } else if (value.IsObject()) {
    throw RuntimeError(errc::kObjectRequired,
                       u"Assigning an object needs Set: write Set " + U(where()) + u" = ...",
                       where());
  }
  const uint16_t put = s.is_set ? kDispatchPutRef : kDispatchPut;
  switch (target.kind) {
    case ExprKind::kName:
      if (!procedures_.empty() && FindProcedure(target.wide) &&
          !(frames_.back()->procedure &&
            EqualsNoCase(U(frames_.back()->procedure->name), target.wide))) {
        throw RuntimeError(errc::kTypeMismatch,
                           u"'" + target.wide + u"' is a procedure, not a variable", where());
      }
      SetVariable(target.wide, target.name, target.variable, std::move(value));
      return;
    case ExprKind::kMember: {
      const Variant obj = Eval(*target.object);
      std::vector<Variant> args{std::move(value)};
      Invoke(obj, where(), target.wide, put, args);
      return;
    }
    case ExprKind::kCall: {
      const Expr& callee = *target.object;
      std::vector<Variant> args;
      if (callee.kind == ExprKind::kName && target.args.size() == 1 && target.args[0]) {
        // `a(i) = v`, the usual case: the element is written in place, with no argument list.
        Variant index = Eval(*target.args[0]);
        Variant* var = FindVariable(callee);
        if (var && var->IsArray()) {
          if (callee.variable.constant) CheckNotConstant(callee.wide, where());
          VariantArray& arr = *var->MutableArray();
          arr.items[ElementIndex(arr, index, where)] = std::move(value);
          return;
        }
        args.push_back(std::move(index));
      } else {
        args = EvalArgs(target.args);
      }
      if (callee.kind == ExprKind::kMember) {
        const Variant obj = Eval(*callee.object);
        args.push_back(std::move(value));
        Invoke(obj, where(), callee.wide, put, args);
        return;
      }
      Variant* var = callee.kind == ExprKind::kName ? FindVariable(callee) : nullptr;
      if (var && var->IsArray()) {
        CheckNotConstant(callee.wide, where());
        if (args.size() != 1) {
          throw RuntimeError(errc::kSubscriptOutOfRange, u"Arrays have one dimension", where());
        }
        // The element is written in place: copying the array would make a loop quadratic.
        VariantArray& arr = *var->MutableArray();
        arr.items[ElementIndex(arr, args[0], where)] = std::move(value);
        return;
      }
      const Variant obj = Eval(callee);
      args.push_back(std::move(value));
      Guard(where(), [&] {
        if (!obj.IsObject() || !obj.AsObject()) {
          throw RuntimeError(errc::kObjectRequired, u"Object required", where());
        }
        return dispatch::Invoke(*obj.AsObject(), kDispIdValue, put, args);
      });
      return;
    }
    default:
      throw RuntimeError(errc::kTypeMismatch, u"Cannot assign to this expression", where());
  }
}

void Interpreter::ExecCall(const Expr& e) {
  switch (e.kind) {
    case ExprKind::kName:
      EvalName(e, true);
      return;
    case ExprKind::kMember: {
      const Variant obj = Eval(*e.object);
      std::vector<Variant> args;
      Invoke(obj, Describe(e), e.wide, kGetOrCall, args);
      return;
    }
    case ExprKind::kCall:
      EvalCall(e, true);
      return;
    default:
      throw RuntimeError(errc::kTypeMismatch, u"This expression is not a statement", Describe(e));
  }
}

// ---- expressions ----

std::string Interpreter::Describe(const Expr& e) {
  switch (e.kind) {
    case ExprKind::kName:
      return e.bracketed ? "[" + e.name + "]" : e.name;
    case ExprKind::kMember:
      return Describe(*e.object) + "." + e.name;
    case ExprKind::kCall:
      return Describe(*e.object);
    case ExprKind::kNew:
      return "New " + e.name;
    default:
      return "expression";
  }
}

Variant Interpreter::Eval(const Expr& e) {
  CheckStack();
  switch (e.kind) {
    case ExprKind::kLiteral:
      return e.value;
    case ExprKind::kName:
      return EvalName(e, false);
    case ExprKind::kMember:
      return EvalMember(e);
    case ExprKind::kCall:
      return EvalCall(e, false);
    case ExprKind::kUnary:
      return UnaryOp(e.op, Eval(*e.object));
    case ExprKind::kBinary: {
      if (e.object->kind != ExprKind::kBinary) {
        const Variant a = Eval(*e.object);
        const Variant b = Eval(*e.rhs);
        return BinaryOp(e.op, a, b);
      }
      // A chain `a + b - c ...` nests to the left as long as it is written: walk it in a loop.
      std::vector<const Expr*> chain;
      const Expr* left = &e;
      for (; left->kind == ExprKind::kBinary; left = left->object.get()) chain.push_back(left);
      Variant acc = Eval(*left);
      for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const Variant b = Eval(*(*it)->rhs);
        acc = BinaryOp((*it)->op, acc, b);
      }
      return acc;
    }
    case ExprKind::kNew:
      return Variant(CreateObjectSuggesting(e.wide, "New " + e.name));
  }
  return {};
}

std::vector<Variant> Interpreter::EvalArgs(const std::vector<ExprPtr>& args) {
  std::vector<Variant> out;
  out.reserve(args.size());
  for (const auto& a : args) out.push_back(a ? Eval(*a) : Variant::Missing());
  // A trailing omitted argument stands for nothing at all: `Foo 1,` is Foo(1, <omitted>).
  return out;
}

// By-reference arguments: a bare variable passed to a member that changed it (a trimmed
// name) sees the change, as it would in any automation client.
void Interpreter::WriteBack(const std::vector<ExprPtr>& exprs, const std::vector<Variant>& before,
                            const std::vector<Variant>& after) {
  for (size_t i = 0; i < exprs.size() && i < after.size() && i < before.size(); ++i) {
    const Expr* a = exprs[i].get();
    if (!a || a->kind != ExprKind::kName || a->parenthesized) continue;
    if (after[i].type() != before[i].type() || after[i] == before[i]) continue;
    if (IsConstant(a->wide)) continue;
    if (Variant* var = FindVariable(a->wide)) *var = after[i];
  }
}

Variant Interpreter::EvalName(const Expr& e, bool as_statement) {
  const std::u16string& name = e.wide;
  if (!e.bracketed) {
    if (Variant* v = FindVariable(e)) return *v;
    if (const Procedure* proc = FindProcedure(name)) {
      return CallProcedure(*proc, {}, e.name);
    }
    std::vector<Variant> none;
    Variant result;
    if (CallBuiltin(e.name, none, as_statement, result)) return result;
  }
  if (auto value = LookupEnumConstant(name)) return Variant(*value);
  if (AppHas(name)) {
    std::vector<Variant> none;
    return Invoke(Variant(AppObject()), e.name, name, kGetOrCall, none);
  }
  if (e.bracketed) {
    throw RuntimeError(kVariableUndefined,
                       u"No enum member is named [" + name + u"]" +
                           DidYouMean(u"[" + name + u"]", EnumMemberNames()),
                       Describe(e));
  }
  throw RuntimeError(kVariableUndefined,
                     u"Variable is undefined: '" + name + u"'" + SuggestVariable(name), e.name);
}

Variant Interpreter::EvalMember(const Expr& e) {
  const Variant obj = Eval(*e.object);
  std::vector<Variant> args;
  return Invoke(obj, {}, e.wide, kGetOrCall, args, &e);
}

Variant Interpreter::EvalCall(const Expr& e, bool as_statement) {
  const Expr& callee = *e.object;
  std::vector<Variant> args;
  if (callee.kind == ExprKind::kName && !callee.bracketed && e.args.size() == 1 && e.args[0] &&
      (procedures_.empty() || !FindProcedure(callee.wide))) {
    // `a(i)`, the usual case: an array element is read with no argument list or text built.
    Variant index = Eval(*e.args[0]);
    if (Variant* v = FindVariable(callee); v && v->IsArray()) {
      const VariantArray& arr = v->AsArray();
      return arr.items[ElementIndex(arr, index, [&] { return Describe(e); })];
    }
    args.push_back(std::move(index));
  } else {
    args = EvalArgs(e.args);
  }
  const std::string where = Describe(e);
  const std::vector<Variant> before = args;
  Variant result;
  if (callee.kind == ExprKind::kMember) {
    const Variant obj = Eval(*callee.object);
    try {
      result = Invoke(obj, where, callee.wide, kGetOrCall, args);
    } catch (const RuntimeError& first) {
      // `d.Users("alice")`: Users takes no arguments, so they go to its default member.
      if (first.code() != static_cast<int32_t>(errc::kBadParamCount) || args.empty() ||
          !obj.IsObject() || std::dynamic_pointer_cast<HostObject>(obj.AsObject())) {
        throw;
      }
      Variant inner;
      try {
        std::vector<Variant> none;
        inner = Invoke(obj, where, callee.wide, kGetOrCall, none);
      } catch (const RuntimeError&) {
        throw first;
      }
      if (!inner.IsObject() && !inner.IsArray()) throw first;
      args = before;
      return Index(inner, where, args);
    }
    WriteBack(e.args, before, args);
    return result;
  }
  if (callee.kind == ExprKind::kName && !callee.bracketed) {
    const std::u16string& name = callee.wide;
    // A procedure first: inside a Function its name is also its result variable.
    if (const Procedure* proc = FindProcedure(name)) {
      return CallProcedure(*proc, std::move(args), callee.name);
    }
    if (Variant* v = FindVariable(name)) {
      // An array is read in place; an object is held by a copy while its member runs, which
      // may change the variable.
      if (v->IsArray()) return Index(*v, where, args);
      const Variant target = *v;
      return Index(target, where, args);
    }
    if (CallBuiltin(callee.name, args, as_statement, result)) return result;
    if (AppHas(name)) {
      result = Invoke(Variant(AppObject()), where, name, kGetOrCall, args);
      WriteBack(e.args, before, args);
      return result;
    }
    throw RuntimeError(kSubNotDefined,
                       u"Sub or Function not defined: '" + name + u"'" + SuggestVariable(name),
                       where);
  }
  const Variant target = Eval(callee);
  return Index(target, where, args);
}

// `x(i)`: an array element, or the default member of an object.
Variant Interpreter::Index(const Variant& target, const std::string& where,
                           std::vector<Variant>& args) {
  if (target.IsArray()) {
    const VariantArray& arr = target.AsArray();
    if (args.size() != 1) {
      throw RuntimeError(errc::kSubscriptOutOfRange, u"Arrays have one dimension", where);
    }
    return arr.items[ElementIndex(arr, args[0], [&] { return where; })];
  }
  return InvokeDefault(target, where, args);
}

Variant Interpreter::InvokeDefault(const Variant& target, const std::string& where,
                                   std::vector<Variant>& args) {
  std::string item = where + ".Item";
  if (!target.IsObject()) {
    throw RuntimeError(kNotAnObjectMember,
                       u"'" + U(where) + u"' is " + target.TypeName() +
                           u", neither an array nor an object, and takes no arguments",
                       where);
  }
  if (!target.AsObject()) {
    throw RuntimeError(errc::kObjectRequired, u"Object required: '" + U(where) + u"' is Nothing",
                       item);
  }
  if (auto* host = dynamic_cast<HostObject*>(target.AsObject().get())) {
    try {
      return host->Call(u"Item", kGetOrCall, args);
    } catch (RuntimeError& e) {
      if (e.where().empty()) e.set_where(where);
      throw;
    }
  }
  if (const auto* iface = dispatch::InterfaceOf(*target.AsObject())) {
    const auto slots = iface->ByDispId(kDispIdValue);
    if (!slots.empty()) item = where + "." + ToUtf8(slots.front()->name);
  }
  return Guard(
      item, [&] { return dispatch::Invoke(*target.AsObject(), kDispIdValue, kGetOrCall, args); });
}

Variant Interpreter::Invoke(const Variant& target, const std::string& where,
                            std::u16string_view member, uint16_t flags, std::vector<Variant>& args,
                            const Expr* site) {
  // The call's text, for errors: a member read gives its site instead, so that the text is
  // built only when an error is raised.
  auto place = [&] { return where.empty() && site ? Describe(*site) : where; };
  auto owner = [&] {
    const std::string text = place();
    const size_t dot = text.rfind('.');
    return dot == std::string::npos ? text : text.substr(0, dot);
  };
  if (!target.IsObject()) {
    throw RuntimeError(errc::kObjectRequired,
                       u"Object required: '" + U(owner()) + u"' is " + target.TypeName(), place());
  }
  if (!target.AsObject()) {
    throw RuntimeError(errc::kObjectRequired, u"Object required: '" + U(owner()) + u"' is Nothing",
                       place());
  }
  AutomationObject& object = *target.AsObject();
  const typelib::InterfaceInfo* iface = dispatch::InterfaceOf(object);
  if (!iface) {
    if (auto* host = dynamic_cast<HostObject*>(&object)) {
      try {
        return host->Call(member, flags, args);
      } catch (RuntimeError& e) {
        if (e.where().empty()) e.set_where(place());
        if (e.code() != static_cast<int32_t>(kNotAnObjectMember)) throw;
        std::vector<std::u16string> names;
        for (const auto& line : host->Describe())
          names.push_back(U(line.substr(0, line.find(' '))));
        throw RuntimeError(e.code(), e.description() + DidYouMean(member, names), e.where());
      }
    }
  }
  try {
    if (site && iface && site->site.iface == iface) {
      return dispatch::Invoke(object, site->site.dispid, flags, args);
    }
    const DispId id = dispatch::GetIDOfName(object, member);
    if (site && iface) site->site = {iface, id};
    return dispatch::Invoke(object, id, flags, args);
  } catch (const AutomationError& e) {
    // A misspelt member gets the closest real one; a wrong argument count gets the signature.
    std::u16string text = e.description();
    if (iface && e.code() == static_cast<int32_t>(errc::kUnknownName)) {
      text += DidYouMean(member, MemberNames(*iface));
    } else if (iface && e.code() == static_cast<int32_t>(errc::kBadParamCount)) {
      if (auto signature = MemberSignature(*iface, member, flags); !signature.empty()) {
        text += u"; the signature is " + signature;
      }
    }
    throw RuntimeError(e.code(), std::move(text), place());
  }
}

ObjectPtr Interpreter::CreateObjectSuggesting(const std::u16string& class_name,
                                              const std::string& where) {
  try {
    return dispatch::CreateObject(class_name);
  } catch (const AutomationError& e) {
    std::u16string text = e.description();
    if (e.code() == static_cast<int32_t>(errc::kClassNotRegistered)) {
      if (auto best = ClosestClassName(class_name)) {
        text += u" (did you mean \"" + *best + u"\"?)";
      }
    }
    throw RuntimeError(e.code(), std::move(text), where);
  }
}

ObjectPtr Interpreter::AppObject() {
  if (!app_) app_ = Guard("moxCurrentEnvironment", [] { return dispatch::AppObject(); });
  return app_;
}

bool Interpreter::AppHas(std::u16string_view name) {
  try {
    dispatch::GetIDOfName(*AppObject(), name);
    return true;
  } catch (const AutomationError&) {
    return false;
  } catch (const RuntimeError&) {
    return false;
  }
}

// ---- variables ----

Variant* Interpreter::FindVariable(std::u16string_view name) {
  auto& locals = frames_.back()->locals;
  if (auto it = locals.find(name); it != locals.end()) return &it->second;
  auto& globals = frames_.front()->locals;
  if (auto it = globals.find(name); it != globals.end()) return &it->second;
  return nullptr;
}

std::unique_ptr<Interpreter::Frame> Interpreter::NewFrame() {
  static std::atomic<uint64_t> serials{1};
  auto frame = std::make_unique<Frame>();
  frame->serial = serials.fetch_add(1, std::memory_order_relaxed);
  return frame;
}

Variant* Interpreter::FindVariable(std::u16string_view name, Expr::VariableSlot& cached) {
  // The map's nodes stay put until their frame goes, and a frame's serial is never reused.
  const uint64_t frame = frames_.back()->serial;
  if (cached.frame == frame && cached.epoch == declarations_) {
    return static_cast<Variant*>(cached.slot);
  }
  Variant* found = FindVariable(name);
  if (found) cached = {frame, declarations_, found, IsConstant(name)};
  return found;
}

Variant* Interpreter::FindVariable(const Expr& name) {
  return FindVariable(name.wide, name.variable);
}

void Interpreter::SetVariable(const std::u16string& wide, const std::string& name,
                              Expr::VariableSlot& cached, Variant&& value) {
  if (Variant* v = FindVariable(wide, cached)) {
    // A constant is one from its declaration on, so the slot remembers that too.
    if (cached.constant) CheckNotConstant(wide, name);
    *v = std::move(value);
    return;
  }
  SetVariable(wide, name, std::move(value));
}

void Interpreter::SetVariable(const std::u16string& wide, const std::string& name, Variant value) {
  if (Variant* v = FindVariable(wide)) {
    CheckNotConstant(wide, name);
    *v = std::move(value);
    return;
  }
  if (option_explicit_) {
    throw RuntimeError(kVariableUndefined,
                       u"Variable is undefined: '" + wide +
                           u"' (Option Explicit: declare it with Dim)" + SuggestVariable(wide),
                       name);
  }
  Declare(name, std::move(value));
}

bool Interpreter::IsConstant(std::u16string_view name) const {
  const Frame& local = *frames_.back();
  const Frame& global = *frames_.front();
  // Most scripts have no constants: every assignment passes here, so skip the lookups then.
  if (local.constants.empty() && global.constants.empty()) return false;
  if (local.locals.count(name)) return local.constants.count(name) > 0;
  return global.constants.count(name) > 0;
}

void Interpreter::CheckNotConstant(std::u16string_view name, const std::string& where) const {
  if (IsConstant(name)) {
    throw RuntimeError(kIllegalAssignment,
                       u"Illegal assignment: '" + std::u16string(name) + u"' is a constant", where);
  }
}

void Interpreter::Declare(const std::string& name, Variant value) {
  const std::u16string key = U(name);
  if (IsPureBuiltin(key) || FindProcedure(key)) {
    throw RuntimeError(errc::kTypeMismatch,
                       u"'" + key + u"' names a procedure and cannot be a variable", name);
  }
  frames_.back()->locals[key] = std::move(value);
  ++declarations_;
}

std::u16string Interpreter::SuggestVariable(std::u16string_view name) const {
  std::vector<std::u16string> names;
  for (const Frame* f : {frames_.back().get(), frames_.front().get()}) {
    for (const auto& [key, value] : f->locals) names.push_back(key);
  }
  for (const auto& [key, proc] : procedures_) names.push_back(U(proc->name));
  for (const auto& signature : PureBuiltinSignatures()) {
    names.push_back(U(signature.substr(0, signature.find('('))));
  }
  for (const char16_t* host : {u"CreateObject", u"GetObject", u"Connect", u"Disconnect", u"Pump",
                               u"Quit", u"Arguments", u"Err", u"LastFailure"}) {
    names.emplace_back(host);
  }
  // Enum members in their one-word spelling, as a bare name can write them.
  for (const auto& e : EnumMemberNames()) {
    std::u16string word;
    for (char16_t c : e) {
      if (c != u' ' && c != u'[' && c != u']') word += c;
    }
    names.push_back(std::move(word));
  }
  return DidYouMean(name, names);
}

// ---- procedures ----

const Procedure* Interpreter::FindProcedure(std::u16string_view name) const {
  auto it = procedures_.find(name);
  return it == procedures_.end() ? nullptr : it->second.get();
}

Variant Interpreter::CallProcedure(const Procedure& proc, std::vector<Variant> args,
                                   const std::string& where) {
  size_t given = args.size();
  while (given > proc.params.size() && args[given - 1].IsMissing()) --given;
  if (given != proc.params.size()) {
    throw RuntimeError(kWrongArgCount,
                       u"Wrong number of arguments: " + U(proc.name) + u" takes " +
                           U(Count(proc.params.size(), "argument")) + u", got " +
                           U(std::to_string(args.size())),
                       where);
  }
  if (depth_ >= 200) {
    throw RuntimeError(kOutOfStackSpace, u"Out of stack space: calls nest deeper than 200", where);
  }
  CheckStack();
  auto frame = NewFrame();
  frame->procedure = &proc;
  for (size_t i = 0; i < proc.params.size(); ++i) {
    Variant v = std::move(args[i]);
    if (v.IsMissing()) v = Variant();
    frame->locals[U(proc.params[i])] = std::move(v);
  }
  if (proc.is_function) frame->locals.try_emplace(U(proc.name));
  frames_.push_back(std::move(frame));
  ++depth_;
  struct Pop {
    Interpreter* self;
    ~Pop() {
      self->frames_.pop_back();
      --self->depth_;
    }
  };
  Variant result;
  {
    Pop pop{this};
    try {
      ExecBlock(proc.body);
    } catch (RuntimeError& e) {
      // The first procedure the error leaves records every frame that was running.
      if (e.stack().empty()) {
        std::vector<RuntimeError::CallFrame> stack;
        for (auto it = frames_.rbegin(); it != frames_.rend(); ++it) {
          stack.push_back({(*it)->procedure ? (*it)->procedure->name : "", (*it)->line});
        }
        e.set_stack(std::move(stack));
      }
      throw;
    }
    if (proc.is_function) result = frames_.back()->locals[U(proc.name)];
  }
  return result;
}

bool Interpreter::CallBuiltin(const std::string& name, std::vector<Variant>& args,
                              bool as_statement, Variant& result) {
  const std::u16string n = U(name);
  auto expect = [&](size_t count) {
    if (args.size() != count) {
      throw RuntimeError(kWrongArgCount,
                         u"Wrong number of arguments: " + n + u" takes " +
                             U(Count(count, "argument")) + u", got " +
                             U(std::to_string(args.size())),
                         name);
    }
  };
  if (EqualsNoCase(n, u"Err")) {
    expect(0);
    result = Variant(ObjectPtr(err_));
    return true;
  }
  if (EqualsNoCase(n, u"Directory") && directory_) {
    expect(0);
    result = Variant(ObjectPtr(directory_));
    return true;
  }
  if (EqualsNoCase(n, u"LastFailure")) {
    expect(0);
    result = Variant(ObjectPtr(last_failure_));
    return true;
  }
  if (EqualsNoCase(n, u"Arguments")) {
    result = Variant(ObjectPtr(arguments_));
    if (!args.empty()) result = Index(result, "Arguments", args);
    return true;
  }
  if (EqualsNoCase(n, u"Quit")) {
    // Quit [status]: 0 to 255, what a shell can see.
    while (!args.empty() && args.back().IsMissing()) args.pop_back();
    if (args.size() > 1) expect(1);
    const int32_t status = args.empty() ? 0 : Guard(name, [&] { return args[0].ToLong(); });
    if (status < 0 || status > 255) {
      throw RuntimeError(errc::kInvalidProcedureCall,
                         u"the exit status must be 0 to 255, not " + U(std::to_string(status)),
                         name);
    }
    throw QuitRequest{status};
  }
  if (EqualsNoCase(n, u"GetObject")) {
    expect(1);
    result = Variant(GetObject(Guard(name, [&] { return args[0].ToString(); })));
    return true;
  }
  if (EqualsNoCase(n, u"CreateObject")) {
    expect(1);
    result = Variant(CreateObjectSuggesting(Guard(name, [&] { return args[0].ToString(); }), name));
    return true;
  }
  if (EqualsNoCase(n, u"Connect")) {
    Connect(args);
    return true;
  }
  if (EqualsNoCase(n, u"Disconnect")) {
    Disconnect(args);
    return true;
  }
  if (EqualsNoCase(n, u"Pump")) {
    Pump(args);
    return true;
  }
  (void)as_statement;
  return CallPureBuiltin(n, args, result);
}

// Connect source, "HandlerSub": every event of the source calls the Sub with its arguments.
void Interpreter::Connect(std::vector<Variant>& args) {
  if (args.size() != 2) {
    throw RuntimeError(kWrongArgCount,
                       u"Wrong number of arguments: Connect takes a source object and a Sub name",
                       "Connect");
  }
  if (!args[0].IsObject() || !args[0].AsObject()) {
    throw RuntimeError(errc::kObjectRequired, u"Connect: the event source must be an object",
                       "Connect");
  }
  const std::u16string handler = args[1].ToString();
  const Procedure* proc = FindProcedure(handler);
  if (!proc || proc->is_function) {
    throw RuntimeError(kSubNotDefined, u"Connect: no Sub is named '" + handler + u"'", "Connect");
  }
  auto sink =
      std::make_shared<ScriptSink>(std::shared_ptr<const DeliverFn>(hub_, &hub_->deliver), handler);
  const uint32_t cookie =
      Guard("Connect", [&] { return dispatch::Connect(args[0].AsObject(), sink); });
  connections_.push_back({args[0].AsObject(), cookie});
}

void Interpreter::Disconnect(std::vector<Variant>& args) {
  if (args.size() != 1 || !args[0].IsObject() || !args[0].AsObject()) {
    throw RuntimeError(errc::kObjectRequired, u"Disconnect takes the object given to Connect",
                       "Disconnect");
  }
  bool found = false;
  for (auto it = connections_.begin(); it != connections_.end();) {
    if (it->source == args[0].AsObject()) {
      Guard("Disconnect", [&] {
        dispatch::Disconnect(it->source, it->cookie);
        return 0;
      });
      it = connections_.erase(it);
      found = true;
    } else {
      ++it;
    }
  }
  if (!found) {
    throw RuntimeError(errc::kInvalidProcedureCall, u"Disconnect: the object is not connected",
                       "Disconnect");
  }
}

void Interpreter::Pump(std::vector<Variant>& args) {
  if (args.size() != 1) {
    throw RuntimeError(kWrongArgCount, u"Wrong number of arguments: Pump takes milliseconds",
                       "Pump");
  }
  const int32_t ms = Guard("Pump", [&] { return args[0].ToLong(); });
  if (ms < 0 || ms > 600000) {
    throw RuntimeError(errc::kInvalidProcedureCall, u"Pump: milliseconds must be 0 to 600000",
                       "Pump");
  }
  Guard("Pump", [&] {
    if (options_.pump) {
      options_.pump(ms);
    } else {
      PumpMessages(ms);
    }
    return 0;
  });
  CheckInterrupt();  // a Pump cut short by Ctrl-C stops here, even as the last statement
}

// Runs a handler inside the object's raise; its error waits for the statement that caused it,
// since nothing may be thrown back through the object.
void Interpreter::DeliverEvent(const std::u16string& handler, std::u16string_view event,
                               std::vector<Variant>& args) {
  if (pending_) return;
  const Procedure* proc = FindProcedure(handler);
  try {
    if (!proc) {
      throw RuntimeError(kSubNotDefined, u"No Sub is named '" + handler + u"'", ToUtf8(handler));
    }
    if (proc->params.size() != args.size()) {
      throw RuntimeError(kWrongArgCount,
                         u"The handler " + U(proc->name) + u" takes " +
                             U(Count(proc->params.size(), "parameter")) + u" but the event " +
                             std::u16string(event) + u" passes " + U(std::to_string(args.size())),
                         proc->name);
    }
    CallProcedure(*proc, args, proc->name);
  } catch (RuntimeError& e) {
    pending_ = std::move(e);
  } catch (const AutomationError& e) {
    pending_ = FromAutomation(e, proc ? proc->name : ToUtf8(handler));
  } catch (const QuitRequest& quit) {
    pending_quit_ = quit.status;
  } catch (const ScriptInterrupted&) {
    // Nothing may cross the object's raise; the flag stays set and the pumping statement stops.
  }
}

// ---- for the prompt ----

Variant Interpreter::Evaluate(const Expr& e) {
  frames_.resize(1);
  depth_ = 0;
  stack_floor_ = StackFloor();
  steps_ = 0;
  try {
    Variant v = Eval(e);
    RaisePending();
    return v;
  } catch (RuntimeError& r) {
    if (r.line() == 0) r.set_line(e.line);
    throw;
  } catch (const AutomationError& a) {
    RuntimeError r = FromAutomation(a, "");
    r.set_line(e.line);
    throw r;
  } catch (const std::bad_alloc&) {
    throw RuntimeError(kOutOfMemory, u"Out of memory", "", e.line);
  } catch (ScriptInterrupted& i) {
    if (i.line() == 0) i.set_line(e.line);
    throw;
  }
}

std::vector<std::u16string> Interpreter::Names() const {
  std::vector<std::u16string> names;
  for (const auto& [name, value] : frames_.front()->locals) names.push_back(name);
  for (const auto& [name, proc] : procedures_) names.push_back(U(proc->name));
  return names;
}

}  // namespace moxtrel::script
