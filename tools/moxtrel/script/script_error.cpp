#include "script_error.h"

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::script {

RuntimeError::RuntimeError(int32_t code, std::u16string description, std::string where, int line)
    : std::runtime_error(ToUtf8(description)),
      code_(code),
      description_(std::move(description)),
      where_(std::move(where)),
      line_(line) {}

std::string RuntimeError::Format(const std::string& file) const {
  std::string out = file;
  if (line_ > 0) out += ":" + std::to_string(line_);
  out += ": ";
  if (!where_.empty()) out += where_ + ": ";
  out += ToUtf8(description_) + " (" + FormatCode(code_) + ")";
  return out;
}

std::string RuntimeError::FormatStack(const std::string& file) const {
  std::string out;
  for (const auto& f : stack_) {
    out += "  at " + (f.procedure.empty() ? std::string("top level") : f.procedure) + " (" + file +
           ":" + std::to_string(f.line) + ")\n";
  }
  return out;
}

}  // namespace moxtrel::script
