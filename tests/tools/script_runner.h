// Runs script text in a fresh interpreter and collects what it printed and how it ended.
#pragma once

#include <memory>
#include <sstream>
#include <string>

#include "moxtrel/memory/memory_directory.h"
#include "script/interpreter.h"
#include "script/parser.h"
#include "script/script_error.h"

namespace moxtrel::testing {

struct ScriptResult {
  std::string out;
  std::string error;  // the formatted error, empty on success
  int32_t code = 0;   // the error's code
};

inline ScriptResult RunScript(const std::string& text,
                              std::shared_ptr<directory::MemoryDirectory> dir = nullptr,
                              std::function<void(int32_t)> pump = nullptr) {
  std::ostringstream out;
  ScriptResult r;
  script::Interpreter interpreter(
      {.out = &out, .directory = std::move(dir), .pump = std::move(pump)});
  try {
    interpreter.Run(script::Parse(text, "t.mox"));
  } catch (const script::RuntimeError& e) {
    r.error = e.Format("t.mox");
    r.code = e.code();
  } catch (const script::SyntaxError& e) {
    r.error = e.what();
    r.code = -1;
  }
  r.out = out.str();
  return r;
}

}  // namespace moxtrel::testing
