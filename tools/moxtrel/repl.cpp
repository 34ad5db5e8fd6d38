#include "repl.h"

#include <editline/readline.h>

#include <cstdlib>
#include <filesystem>

#include "builtins.h"
#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/typelib.h"
#include "parser.h"
#include "script_error.h"

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
    "  ? expr               print a value (short for Print expr)\n"
    "  :members moxUser     the members of a class, with kinds and parameters\n"
    "  :members name        the members of the object a variable holds (also Err, Directory)\n"
    "  :classes             the classes a script can create\n"
    "  :functions           the built-in functions\n"
    "  :help                this text\n"
    "  :quit                leave (also exit or quit, or end of input, Ctrl-D)\n";

}  // namespace

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
  Program program;
  try {
    program = Parse(pending_, name);
  } catch (const SyntaxError& e) {
    // An open block waits for more lines; anything else is a mistake to show now.
    if (std::string(e.what()).find("found end of file") != std::string::npos) return false;
    err_ << e.what() << '\n';
    pending_.clear();
    return true;
  }
  pending_.clear();
  try {
    interpreter_.Run(program);
  } catch (const RuntimeError& e) {
    err_ << e.Format(name) << '\n';
  }
  out_.flush();
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
      err_ << ":members needs a class or a variable name\n";
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
    out_ << "CreateObject(class)\nConnect source, \"HandlerSub\"\nDisconnect source\nPump ms\n";
  } else {
    err_ << "unknown command " << cmd << " (try :help)\n";
  }
}

void ReplSession::Members(const std::string& name) {
  const std::u16string n = FromUtf8(name);
  const typelib::InterfaceInfo* iface = nullptr;
  if (const auto* cls = typelib::FindAnyClass(n)) {
    iface = &cls->iface;
  } else if (auto value = interpreter_.Lookup(n)) {
    if (!value->IsObject() || !value->AsObject()) {
      err_ << name << " holds " << ToUtf8(value->IsObject() ? u"Nothing" : value->TypeName())
           << ", not an object\n";
      return;
    }
    if (auto host = std::dynamic_pointer_cast<HostObject>(value->AsObject())) {
      for (const auto& m : host->Describe()) out_ << m << '\n';
      return;
    }
    iface = dispatch::InterfaceOf(*value->AsObject());
  } else {
    err_ << "no class or variable is named " << name << '\n';
    return;
  }
  if (!iface) {
    err_ << name << " has no member table\n";
    return;
  }
  out_ << ToUtf8(iface->name) << '\n';
  for (const auto& m : typelib::DescribeMembers(*iface)) out_ << "  " << ToUtf8(m) << '\n';
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
  const std::string history = HistoryPath();
  using_history();
  stifle_history(1000);
  if (!history.empty()) read_history(history.c_str());  // none yet is fine
  out << "moxtrel: type help for help, exit to leave\n";
  out.flush();
  bool complete = true;
  while (!session.quit()) {
    char* raw = readline(complete ? "mox> " : "...> ");
    if (!raw) {
      session.End();
      break;
    }
    const std::string line = raw;
    std::free(raw);
    if (!TrimAscii(line).empty()) add_history(line.c_str());
    complete = session.Feed(line);
  }
  if (!history.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(history).parent_path(), ec);
    if (ec || write_history(history.c_str()) != 0) {
      err << "moxtrel: the history could not be saved in " << history << '\n';
    }
  }
  out << '\n';
}

}  // namespace moxtrel::script
