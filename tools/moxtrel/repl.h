// The interactive prompt: statements run as they are entered, blocks (If, For, Sub) gather
// lines until they are complete, and ':' commands ask about the object model.
//
//   ReplSession session(interpreter, std::cout, std::cerr);
//   session.Feed("Set u = CreateObject(\"moxUser\")");   // true: the input was complete
//   session.Feed(":members u");
#pragma once

#include <ostream>
#include <string>

#include "interpreter.h"

namespace moxtrel::script {

class ReplSession {
 public:
  ReplSession(Interpreter& interpreter, std::ostream& out, std::ostream& err)
      : interpreter_(interpreter), out_(out), err_(err) {}

  // Takes one line; false while a block is still open and more lines are needed.
  bool Feed(const std::string& line);
  bool quit() const noexcept { return quit_; }
  // End of input: says so when it drops a block that was still open.
  void End();

 private:
  void Command(const std::string& line);
  void Members(const std::string& name);

  Interpreter& interpreter_;
  std::ostream& out_;
  std::ostream& err_;
  std::string pending_;
  int entry_ = 0;
  bool quit_ = false;
};

// Reads lines with editing and history from the terminal until end of input or :quit.
void RunRepl(Interpreter& interpreter, std::ostream& out, std::ostream& err);

// Where the prompt keeps its history between sessions: $XDG_STATE_HOME/moxtrel/history, else
// ~/.local/state/moxtrel/history; empty when neither is known.
std::string HistoryPath();

}  // namespace moxtrel::script
