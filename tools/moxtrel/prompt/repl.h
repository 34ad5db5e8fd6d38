// The interactive prompt: statements run as they are entered, blocks (If, For, Sub) gather
// lines until they are complete, a bare expression prints its value (an object as its class
// and readable properties), and ':' commands ask about the object model.
//
//   ReplSession session(interpreter, std::cout, std::cerr);
//   session.Feed("Set u = CreateObject(\"moxUser\")");   // true: the input was complete
//   session.Feed("u");                                   // prints the object
//   session.Feed(":members u Full*");
#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "script/interpreter.h"

namespace moxtrel::script {

class ReplSession {
 public:
  // Makes the interpreter's Print show objects in full.
  ReplSession(Interpreter& interpreter, std::ostream& out, std::ostream& err);

  // Takes one line; false while a block is still open and more lines are needed.
  bool Feed(const std::string& line);
  bool quit() const noexcept { return quit_; }
  // End of input: says so when it drops a block that was still open.
  void End();
  // Ctrl-C at the prompt: forgets the line and any open block.
  void Cancel() { pending_.clear(); }

 private:
  void Command(const std::string& line);
  void Members(const std::string& arg);
  // Runs a line that is an expression and prints its value; false when it is none.
  bool PrintIfExpression(const std::string& line, const std::string& name);
  void RunGuarded(const std::string& name, const std::function<void()>& run);

  Interpreter& interpreter_;
  std::ostream& out_;
  std::ostream& err_;
  std::string pending_;
  int entry_ = 0;
  bool quit_ = false;
};

// Reads lines from the terminal with editing, completion and history until end of input or
// :quit. Ctrl-C cancels the line being typed; while a statement runs, it stops the statement
// (the caller installs interrupt.h's InterruptHandler).
void RunRepl(Interpreter& interpreter, std::ostream& out, std::ostream& err);

// Where the prompt keeps its history between sessions: $XDG_STATE_HOME/moxtrel/history, else
// ~/.local/state/moxtrel/history; empty when neither is known.
std::string HistoryPath();

}  // namespace moxtrel::script
