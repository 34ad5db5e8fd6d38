// Goals 5 and 6: a script walking a domain's users and reading each UserName against the same
// walk through the dispatch layer from C++; a script's array element read and write in a loop
// against the same loop on a scalar.
#include <sstream>

#include "goal_support.h"
#include "moxtrel/accounts/domain.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/enumerator.h"
#include "script/interpreter.h"
#include "script/parser.h"

namespace moxtrel::bench {
namespace {

// An interpreter that ran `setup` once; each Run of `body` is one measured round.
struct ScriptRounds {
  ScriptRounds(std::shared_ptr<directory::MemoryDirectory> dir, const std::string& setup,
               const std::string& body)
      : interpreter({.out = &out, .directory = std::move(dir), .pump = nullptr, .max_steps = 0}),
        program(script::Parse(body, "goal.mox")) {
    interpreter.Run(script::Parse(setup, "setup.mox"));
  }
  void Round() { interpreter.Run(program); }
  std::ostringstream out;
  script::Interpreter interpreter;
  script::Program program;
};

void ScriptWalk(benchmark::State& state) {
  auto dir = DirectoryWithUsers(state.range(0));
  directory::SetCurrentProvider(dir);
  ScriptRounds script(dir,
                      "Set d = New moxDomain\nd.Name = \"CORP\"\nSet us = d.Users\n"
                      "c = us.Count\n",
                      "For Each u In us\n  n = u.UserName\nNext\n");
  for (auto _ : state) script.Round();
  directory::SetCurrentProvider(nullptr);
}

void DispatchWalk(benchmark::State& state) {
  auto dir = DirectoryWithUsers(state.range(0));
  directory::SetCurrentProvider(dir);
  auto domain = moxDomain::Create();
  domain->Name(u"CORP");
  auto users = domain->Users();
  users->Count();
  std::vector<Variant> none;
  const DispId user_name = dispatch::GetIDOfName(*users->Item(Variant(int32_t{1})), u"UserName");
  for (auto _ : state) {
    const Variant e = dispatch::Invoke(*users, kDispIdNewEnum, kDispatchGet, none);
    auto walk = std::dynamic_pointer_cast<Enumerator>(e.AsObject());
    while (auto item = walk->Next()) {
      Variant n = dispatch::Invoke(*item->AsObject(), user_name, kDispatchGet, none);
      benchmark::DoNotOptimize(n);
    }
  }
  directory::SetCurrentProvider(nullptr);
}

void ArrayLoop(benchmark::State& state) {
  const std::string n = std::to_string(state.range(0));
  ScriptRounds script(nullptr, "Dim a(" + n + ")\n",
                      "For i = 0 To " + n + " - 1\n  a(i) = a(i) + 1\nNext\n");
  for (auto _ : state) script.Round();
}

void ScalarLoop(benchmark::State& state) {
  const std::string n = std::to_string(state.range(0));
  ScriptRounds script(nullptr, "s = 0\n", "For i = 0 To " + n + " - 1\n  s = s + 1\nNext\n");
  for (auto _ : state) script.Round();
}

}  // namespace

void RegisterScriptGoals() {
  const int64_t users = Size(100000);
  Shape(benchmark::RegisterBenchmark("Goal5/ScriptWalk", ScriptWalk))
      ->Arg(users)
      ->Unit(benchmark::kMillisecond);
  Shape(benchmark::RegisterBenchmark("Goal5/DispatchWalk", DispatchWalk))
      ->Arg(users)
      ->Unit(benchmark::kMillisecond);
  const int64_t loop = Size(20000);
  Shape(benchmark::RegisterBenchmark("Goal6/ArrayLoop", ArrayLoop))
      ->Arg(loop)
      ->Unit(benchmark::kMillisecond);
  Shape(benchmark::RegisterBenchmark("Goal6/ScalarLoop", ScalarLoop))
      ->Arg(loop)
      ->Unit(benchmark::kMillisecond);
}

}  // namespace moxtrel::bench
