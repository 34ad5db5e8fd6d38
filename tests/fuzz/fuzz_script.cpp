// Fuzz target: script text through the parser and the interpreter, against the sample
// directory. Syntax and runtime errors are outcomes; a crash, a sanitizer report or any other
// exception is a finding. Runs are bounded in statements and never pump or print.
#include <cstddef>
#include <cstdint>
#include <string>

#include "moxtrel/memory/memory_directory.h"
#include "moxtrel/platform/fake_system_facts.h"
#include "moxtrel/platform/system_facts.h"
#include "script/interpreter.h"
#include "script/parser.h"
#include "script/script_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace moxtrel;
  if (size > 4096) return 0;
  auto facts = platform::FakeSystemFacts::Create();
  facts->SetComputerName(u"HB-DC1");
  facts->SetUserName(u"amara");
  platform::SetCurrentSystemFacts(facts);
  auto dir = directory::MemoryDirectory::Sample();
  directory::SetCurrentProvider(dir);
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    script::Program program = script::Parse(text, "fuzz.mox");
    script::Interpreter interpreter(
        {.out = nullptr, .directory = dir, .pump = [](int32_t) {}, .max_steps = 2000});
    interpreter.Run(program);
  } catch (const script::SyntaxError&) {
  } catch (const script::RuntimeError&) {
  } catch (const script::StatementBudgetSpent&) {
  }
  directory::SetCurrentProvider(nullptr);
  platform::SetCurrentSystemFacts(nullptr);
  return 0;
}
