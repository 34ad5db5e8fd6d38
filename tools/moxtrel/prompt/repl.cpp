#include "repl.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "completion.h"
#include "line_editor.h"
#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/typelib.h"
#include "object_printer.h"
#include "script/builtins.h"
#include "script/interrupt.h"
#include "script/parser.h"
#include "script/script_error.h"

namespace moxtrel::script {
namespace {

std::string TrimAscii(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  const size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

constexpr const char* kHelp =
    "Type statements to run them; If, For, Do, While, Sub and Function blocks run once closed.\n"
    "  expr                 print a value; an object shows its class and readable properties\n"
    "  ? expr               print a value (short for Print expr)\n"
    "  :members moxUser     the members of a class, sorted, with parameters and types\n"
    "  :members expr [pat]  the members of the object an expression gives (also Err,\n"
    "                       LastFailure, Directory); pat keeps the names it matches\n"
    "                       (User*, *Name)\n"
    "  LastFailure          why the last Find, Add, Remove, ... returned False: its Number,\n"
    "                       Source, Description, Call (the directory call) and Member\n"
    "  :classes             the classes a script can create\n"
    "  :functions           the built-in functions\n"
    "  :help                this text\n"
    "  :quit                leave (also exit or quit, or end of input, Ctrl-D)\n"
    "Tab completes names and members; Ctrl-C cancels the line, or stops a running statement.\n";

bool IsPlainName(const std::string& s) {
  if (s.empty() || !std::isalpha(static_cast<unsigned char>(s[0]))) return false;
  for (char c : s) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  return true;
}

// The expression a line holds, parsed as the operand of Print; null when it is none.
std::unique_ptr<Program> AsExpression(const std::string& text, const std::string& name) {
  try {
    auto p = std::make_unique<Program>(Parse("Print " + text + "\n", name));
    if (p->procedures.empty() && p->body.size() == 1 && p->body[0]->kind == StmtKind::kPrint &&
        p->body[0]->exprs.size() == 1) {
      return p;
    }
  } catch (const SyntaxError&) {
  }
  return nullptr;
}

}  // namespace

ReplSession::ReplSession(Interpreter& interpreter, std::ostream& out, std::ostream& err)
    : interpreter_(interpreter), out_(out), err_(err) {
  interpreter_.SetShow(ShowForPrompt);
}

void ReplSession::RunGuarded(const std::string& name, const std::function<void()>& run) {
  try {
    run();
  } catch (const RuntimeError& e) {
    err_ << e.Format(name) << '\n';
  } catch (const ScriptInterrupted& e) {
    ClearInterrupt();
    out_.flush();
    err_ << "interrupted (Ctrl-C): stopped at line " << e.line() << " of " << name << '\n';
  }
  // Quit at the prompt leaves it, with the status given.
  if (interpreter_.QuitStatus()) quit_ = true;
  out_.flush();
}

bool ReplSession::PrintIfExpression(const std::string& line, const std::string& name) {
  auto program = AsExpression(line, name);
  if (!program) return false;
  RunGuarded(name, [&] {
    const Variant v = interpreter_.Evaluate(*program->body[0]->exprs[0]);
    // A Sub or a method that gives nothing stays quiet, as it would as a statement.
    if (!v.IsEmpty()) out_ << ToUtf8(ShowForPrompt(v)) << '\n';
  });
  return true;
}

bool ReplSession::Feed(const std::string& raw) {
  std::string line = raw;
  if (pending_.empty()) {
    const std::string t = TrimAscii(line);
    if (!t.empty() && t[0] == ':') {
      Command(t);
      return true;
    }
    // What a user of any shell types: taken as the commands, not as calls of undefined Subs.
    const std::u16string word = FoldCase(FromUtf8(t));
    if (word == u"help" || word == u"exit" || word == u"quit") {
      Command(word == u"help" ? ":help" : ":quit");
      return true;
    }
    if (!t.empty() && t[0] == '?') line = "Print " + t.substr(1);
  }
  if (pending_.empty()) ++entry_;
  pending_ += line + "\n";
  const std::string name = "<input " + std::to_string(entry_) + ">";
  const bool single = pending_ == line + "\n";
  Program program;
  try {
    program = Parse(pending_, name);
  } catch (const SyntaxError& e) {
    // An open block waits for more lines; a bare expression prints; anything else is a
    // mistake to show now.
    if (std::string(e.what()).find("found end of file") != std::string::npos) return false;
    pending_.clear();
    if (!single || !PrintIfExpression(line, name)) err_ << e.what() << '\n';
    return true;
  }
  pending_.clear();
  // `d.Name` parses as a call of d.Name; asked at the prompt, its value is what is wanted.
  if (single && program.procedures.empty() && program.body.size() == 1 &&
      program.body[0]->kind == StmtKind::kCall && PrintIfExpression(line, name)) {
    return true;
  }
  RunGuarded(name, [&] { interpreter_.Run(program); });
  return true;
}

void ReplSession::End() {
  if (!pending_.empty()) {
    err_ << "end of input inside an unfinished block: the block was dropped, not run\n";
    pending_.clear();
  }
}

void ReplSession::Command(const std::string& line) {
  const size_t space = line.find(' ');
  const std::string cmd = line.substr(0, space);
  const std::string arg = space == std::string::npos ? "" : TrimAscii(line.substr(space + 1));
  if (cmd == ":help" || cmd == ":h") {
    out_ << kHelp;
  } else if (cmd == ":quit" || cmd == ":q" || cmd == ":exit") {
    quit_ = true;
  } else if (cmd == ":members" || cmd == ":m") {
    if (arg.empty()) {
      err_ << ":members needs a class or an expression\n";
    } else {
      Members(arg);
    }
  } else if (cmd == ":classes") {
    for (const auto& c : typelib::Library().classes) {
      if (!c.published) continue;
      out_ << ToUtf8(c.coclass.name) << (c.coclass.creatable ? "" : " (not creatable)")
           << (c.coclass.appobject ? " (global object)" : "") << '\n';
    }
  } else if (cmd == ":functions") {
    for (const auto& f : PureBuiltinSignatures()) out_ << f << '\n';
    out_ << "CreateObject(class)\nGetObject(path)\nArguments(n), Arguments.Count\n"
            "Connect source, \"HandlerSub\"\nDisconnect source\nPump ms\nQuit [status]\n";
  } else {
    err_ << "unknown command " << cmd << " (try :help)\n";
  }
}

void ReplSession::Members(const std::string& arg) {
  // The last word is a pattern when the whole is no expression: `:members d User*`.
  std::string target = arg;
  std::string pattern;
  const size_t space = arg.find_last_of(" \t");
  if (space != std::string::npos) {
    const std::string last = arg.substr(space + 1);
    if (last.find_first_of("*?") != std::string::npos || !AsExpression(arg, "<members>")) {
      target = TrimAscii(arg.substr(0, space));
      pattern = last;
    }
  }
  const std::u16string filter = FromUtf8(pattern);
  const auto show = [&](const std::string& title, const std::vector<std::string>& lines) {
    out_ << title << '\n';
    for (const auto& m : lines) out_ << "  " << m << '\n';
    if (lines.empty()) out_ << "  (no member matches " << pattern << ")\n";
  };
  if (IsPlainName(target)) {
    if (const auto* cls = typelib::FindAnyClass(FromUtf8(target))) {
      show(ToUtf8(cls->iface.name), ListMembers(cls->iface, filter));
      return;
    }
    if (!interpreter_.Lookup(FromUtf8(target))) {
      bool known = false;
      for (const auto& n : interpreter_.Names()) known = known || EqualsNoCase(n, FromUtf8(target));
      if (!known) {
        err_ << "no class or variable is named " << target << '\n';
        return;
      }
    }
  }
  auto program = AsExpression(target, "<members>");
  if (!program) {
    err_ << ":members: " << target << " is neither a class nor an expression\n";
    return;
  }
  RunGuarded("<members>", [&] {
    const Variant value = interpreter_.Evaluate(*program->body[0]->exprs[0]);
    if (!value.IsObject() || !value.AsObject()) {
      err_ << target << " holds " << ToUtf8(value.IsObject() ? u"Nothing" : value.TypeName())
           << ", not an object\n";
      return;
    }
    if (auto host = std::dynamic_pointer_cast<HostObject>(value.AsObject())) {
      show(ToUtf8(value.AsObject()->TypeName()), ListMembers(*host, filter));
      return;
    }
    const auto* iface = dispatch::InterfaceOf(*value.AsObject());
    if (!iface) {
      err_ << target << " has no member table\n";
      return;
    }
    show(ToUtf8(iface->name), ListMembers(*iface, filter));
  });
}

std::string HistoryPath() {
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/') {
    return std::string(state) + "/moxtrel/history";
  }
  if (const char* home = std::getenv("HOME"); home && *home) {
    return std::string(home) + "/.local/state/moxtrel/history";
  }
  return {};
}

void RunRepl(Interpreter& interpreter, std::ostream& out, std::ostream& err) {
  ReplSession session(interpreter, out, err);
  LineEditor editor(stdin, stdout,
                    [&](std::string_view before) { return Complete(before, interpreter); });
  const std::string history = HistoryPath();
  if (!history.empty()) editor.LoadHistory(history);  // none yet is fine
  out << "moxtrel: type help for help, exit to leave\n";
  bool complete = true;
  while (!session.quit()) {
    ClearInterrupt();
    out.flush();
    err.flush();
    std::string line;
    const auto result = editor.Read(complete ? "mox> " : "...> ", line);
    if (result == LineEditor::Result::kEnd) {
      session.End();
      break;
    }
    if (result == LineEditor::Result::kCancelled) {
      session.Cancel();
      complete = true;
      continue;
    }
    if (!TrimAscii(line).empty()) editor.Remember(line);
    complete = session.Feed(line);
  }
  if (!history.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(history).parent_path(), ec);
    if (ec || !editor.SaveHistory(history)) {
      err << "moxtrel: the history could not be saved in " << history << '\n';
    }
  }
  out << '\n';
}

}  // namespace moxtrel::script
