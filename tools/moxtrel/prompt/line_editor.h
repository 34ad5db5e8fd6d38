// Line editing at the prompt through libedit: emacs keys, history, Tab completion, and Ctrl-C
// as a key that cancels the line (the terminal sends no signal while a line is edited; while a
// statement runs it does, and interrupt.h stops the statement).
//
//   LineEditor editor(stdin, stdout, [&](std::string_view before) { return Complete(...); });
//   editor.LoadHistory(path);
//   std::string line;
//   while (editor.Read("mox> ", line) != LineEditor::Result::kEnd) { ... }
#pragma once

#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <string_view>

#include "completion.h"

struct editline;
struct history;

namespace moxtrel::script {

class LineEditor {
 public:
  using Completer = std::function<Completion(std::string_view before_cursor)>;
  enum class Result { kLine, kCancelled, kEnd };

  LineEditor(FILE* in, FILE* out, Completer completer);
  ~LineEditor();
  LineEditor(const LineEditor&) = delete;
  LineEditor& operator=(const LineEditor&) = delete;

  // kCancelled for Ctrl-C, kEnd for Ctrl-D on an empty line or the end of input.
  Result Read(const std::string& prompt, std::string& line);
  void Remember(const std::string& line);
  // libedit's history file format; false when the file cannot be read or written.
  bool LoadHistory(const std::string& path);
  bool SaveHistory(const std::string& path);

 private:
  static unsigned char OnTab(editline* el, wint_t key);
  static unsigned char OnCancel(editline* el, wint_t key);
  static char* PromptText(editline* el);
  static LineEditor& Of(editline* el);

  FILE* out_;
  editline* el_ = nullptr;
  history* history_ = nullptr;
  Completer completer_;
  std::string prompt_;
  bool cancelled_ = false;
};

}  // namespace moxtrel::script
