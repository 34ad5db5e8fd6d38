// Errors of the script host: syntax errors found while reading a script, and runtime errors
// that carry the automation code a script sees in Err.Number.
//
//   throw SyntaxError("tour.mox", 3, 7, "expected 'Then' after the If condition");
//   throw RuntimeError(script::kVariableUndefined, u"Variable is undefined: 'x'");
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "moxtrel/frame/error_codes.h"

namespace moxtrel::script {

// The language's codes, from the one catalogue (frame/error_codes.h) with the object model's.
using errc::kDivisionByZero;
using errc::kNotAnObjectMember;
using errc::kSubNotDefined;
using errc::kUserRaised;
using errc::kVariableUndefined;
using errc::kWrongArgCount;
// Language codes the catalogue does not hold.
inline constexpr uint32_t kOutOfMemory = 0x800A0007;      // a string, array or allocation too large
inline constexpr uint32_t kOutOfStackSpace = 0x800A001C;  // calls or expressions nest too deeply
inline constexpr uint32_t kIllegalAssignment = 0x800A01F5;  // a write to a Const
inline constexpr uint32_t kNameRedefined = 0x800A0411;      // Dim or Const of a name already there
inline constexpr uint32_t kSyntaxError = 0x800A03EA;        // a script that does not parse

// A script that does not parse: file, 1-based line and column, what was expected.
class SyntaxError : public std::runtime_error {
 public:
  SyntaxError(std::string file, int line, int column, const std::string& message)
      : std::runtime_error(file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " +
                           message),
        file_(std::move(file)),
        message_(message),
        line_(line),
        column_(column) {}
  const std::string& file() const noexcept { return file_; }
  // What was expected, without the place.
  const std::string& message() const noexcept { return message_; }
  int line() const noexcept { return line_; }
  int column() const noexcept { return column_; }

 private:
  std::string file_;
  std::string message_;
  int line_;
  int column_;
};

// A failure while a script runs. `where` names the member or procedure that failed
// ("d.Users.Item"); `line` is filled in by the statement that was running.
class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(int32_t code, std::u16string description, std::string where = {}, int line = 0);
  RuntimeError(uint32_t code, std::u16string description, std::string where = {}, int line = 0)
      : RuntimeError(static_cast<int32_t>(code), std::move(description), std::move(where), line) {}

  int32_t code() const noexcept { return code_; }
  const std::u16string& description() const noexcept { return description_; }
  const std::string& where() const noexcept { return where_; }
  int line() const noexcept { return line_; }
  void set_line(int line) noexcept { line_ = line; }
  void set_where(std::string where) { where_ = std::move(where); }

  // "tour.mox:12: d.Users.Item: No member has the key "zed" (0x800A0005)"
  std::string Format(const std::string& file) const;

  // The procedures that were running when the error left the innermost one, innermost first;
  // an empty procedure name is the script's top level. Empty for an error outside procedures.
  struct CallFrame {
    std::string procedure;
    int line = 0;
  };
  const std::vector<CallFrame>& stack() const noexcept { return stack_; }
  void set_stack(std::vector<CallFrame> stack) { stack_ = std::move(stack); }
  // "  at Inner (tour.mox:3)\n  at top level (tour.mox:9)\n", or empty without a stack.
  std::string FormatStack(const std::string& file) const;

 private:
  std::vector<CallFrame> stack_;
  int32_t code_;
  std::u16string description_;
  std::string where_;
  int line_;
};

}  // namespace moxtrel::script
