#include "cli.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "moxtrel/backends/configuration.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"
#include "moxtrel/journal/journal_layer.h"
#include "moxtrel/memory/memory_directory.h"
#include "moxtrel/version.h"
#include "prompt/repl.h"
#include "script/interpreter.h"
#include "script/interrupt.h"
#include "script/json_output.h"
#include "script/parser.h"
#include "script/script_error.h"
#include "script/script_limits.h"
#include "script/suggestions.h"

namespace moxtrel::script {
namespace {

// Keeps the provider installed for exactly as long as a run lasts.
class ProviderScope {
 public:
  explicit ProviderScope(std::shared_ptr<directory::DirectoryProvider> provider) {
    directory::SetCurrentProvider(std::move(provider));
  }
  ~ProviderScope() { directory::SetCurrentProvider(nullptr); }
  ProviderScope(const ProviderScope&) = delete;
  ProviderScope& operator=(const ProviderScope&) = delete;
};

// The host's own messages on standard error: text for people, or under --format json one JSON
// object per error, for programs.
class Complaints {
 public:
  Complaints(std::ostream& err, bool json) : err_(err), json_(json) {}
  void SetJson(bool json) { json_ = json; }
  // `text` is the whole message, newline included.
  void operator()(const std::string& text, const ErrorReport& report) const {
    if (json_) {
      err_ << ErrorJson(report) << '\n';
    } else {
      err_ << text;
    }
  }
  // A usage mistake: "moxtrel: " + what + "\n".
  void Usage(const std::string& what, const std::string& source = "usage",
             const std::string& file = {}) const {
    (*this)("moxtrel: " + what + "\n", ErrorReport(source, what, file));
  }

 private:
  std::ostream& err_;
  bool json_;
};

// Whether the command line asks for --format json, read before it is parsed, so that a
// mistake in the rest of it is reported in that form too.
bool AsksForJson(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--") break;
    if (a == "--format=json" ||
        (a == "--format" && i + 1 < argc && std::string_view(argv[i + 1]) == "json")) {
      return true;
    }
  }
  return false;
}

// Reads at most kMaxScriptBytes; false when the stream holds more (an endless device too).
bool ReadLimited(std::istream& in, std::string& text) {
  char chunk[65536];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    text.append(chunk, static_cast<size_t>(in.gcount()));
    if (text.size() > kMaxScriptBytes) return false;
  }
  return true;
}

std::string TooLarge(const std::string& what) {
  return what + " is larger than " + std::to_string(kMaxScriptBytes >> 20) +
         " MiB, the largest script the host reads";
}

// Script files saved by other editors: a UTF-8 byte-order mark is dropped; UTF-16 (either
// order, known by its mark) is refused, as the host reads UTF-8 only. Empty when accepted.
std::string TakeEncoding(std::string& text, const std::string& name) {
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) {
    text.erase(0, 3);
  } else if (text.rfind("\xFF\xFE", 0) == 0 || text.rfind("\xFE\xFF", 0) == 0) {
    return name + " is saved as UTF-16; save it as UTF-8 and run it again";
  }
  return {};
}

int RunText(Interpreter& interpreter, const std::string& text, const std::string& name,
            const Complaints& complain) {
  Program program;
  try {
    program = Parse(text, name);
  } catch (const SyntaxError& e) {
    ErrorReport report("syntax", e.message(), e.file(), e.line(),
                       static_cast<int32_t>(kSyntaxError));
    report.column = e.column();
    complain(std::string(e.what()) + "\n", report);
    return kExitScriptError;
  }
  try {
    interpreter.Run(program);
  } catch (const RuntimeError& e) {
    ErrorReport report(e.where(), ToUtf8(e.description()), name, e.line(), e.code());
    report.stack = e.stack();
    complain(e.Format(name) + "\n" + e.FormatStack(name), report);
    return kExitScriptError;
  } catch (const ScriptInterrupted& e) {
    complain("moxtrel: interrupted (Ctrl-C): " + name + " stopped at line " +
                 std::to_string(e.line()) + "\n",
             ErrorReport("interrupt", "interrupted (Ctrl-C)", name, e.line()));
    return kExitInterrupted;
  }
  return interpreter.QuitStatus().value_or(kExitOk);
}

// While --trace runs: a trapped failure that no directory call raised (a key no member has, an
// object without the interface asked for) is traced where it is trapped.
class TrapTrace {
 public:
  explicit TrapTrace(std::ostream& err)
      : previous_(SetTrappedFailureHook([&err](const TrappedFailure& f) {
          if (!f.call.empty()) return;  // the layer has traced the call and its trap
          err << "trace: " << ToUtf8(f.member) << " trapped " << FormatCode(f.code) << ' '
              << ToUtf8(f.description) << '\n';
        })) {}
  ~TrapTrace() { SetTrappedFailureHook(std::move(previous_)); }
  TrapTrace(const TrapTrace&) = delete;
  TrapTrace& operator=(const TrapTrace&) = delete;

 private:
  TrappedFailureHook previous_;
};

}  // namespace

int RunCli(int argc, const char* const* argv, std::istream& in, std::ostream& out,
           std::ostream& err, bool terminal) {
  CLI::App app{"moxtrel: runs scripts against the Moxtrel object model and an embedded directory",
               "moxtrel"};
  std::string script;
  std::string statements;
  std::string directory_file;
  std::string config_file;
  bool trace = false;
  bool as_json = false;
  std::vector<std::string> arguments;
  std::string format = "text";
  app.add_option("script", script, "script file to run (.mox); - reads it from standard input");
  app.add_option("arguments", arguments,
                 "words the script reads as Arguments(1), Arguments(2), ...; put -- before the "
                 "first one that starts with a dash");
  app.add_option(
         "--format", format,
         "how Print writes values: text (the default) or json (one JSON document per Print)")
      ->check(CLI::IsMember({"text", "json"}));
  app.add_option("-e,--execute", statements, "statements to run instead of a script file");
  app.add_option("--directory", directory_file,
                 "seed the embedded directory from this JSON file instead of the built-in sample");
  app.add_option("--config", config_file,
                 "serve domains and computers as this TOML file configures (default: $" +
                     std::string(directory::kConfigEnvironmentVariable) + ")");
  app.add_flag("--trace", trace,
               "print each directory call (interface, member, path, arguments) and its outcome to "
               "standard error, and the member that trapped a failure");
  std::string typelib_class;
  app.set_version_flag("--version", std::string("moxtrel ") + MOXTREL_VERSION,
                       "print the version and exit");
  auto* typelib_cmd = app.add_subcommand("typelib", "print the type library, or one class of it");
  typelib_cmd->add_flag("--json", as_json, "as JSON");
  typelib_cmd->add_option("class", typelib_class,
                          "a class, interface or enum to show alone (moxUser, enmoxServiceStatus)");
  app.footer(
      "Exit status: 0 success, 1 script error, 2 bad usage (unknown option, unreadable script,\n"
      "a directory file that cannot be loaded), 130 stopped by Ctrl-C, or the status the "
      "script gave to Quit.\n"
      "Example: moxtrel --format json report.mox HARBOR -- -v | jq .\n"
      "See docs/script-language.md.");

  Complaints complain(err, AsksForJson(argc, argv));
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForVersion& e) {
    out << e.what() << '\n';
    return kExitOk;
  } catch (const CLI::Success& e) {
    out << app.help();
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    complain("moxtrel: " + std::string(e.what()) + "\n(run moxtrel --help for usage)\n",
             ErrorReport("usage", e.what()));
    return kExitUsage;
  }
  complain.SetJson(format == "json");

  if (*typelib_cmd) {
    if (!script.empty()) {
      complain.Usage(
          "typelib takes no script; to pass the word typelib to a script, put -- before it");
      return kExitUsage;
    }
    try {
      if (!typelib_class.empty() && as_json) {
        complain.Usage("typelib: give either a class or --json, not both");
        return kExitUsage;
      }
      if (!typelib_class.empty()) {
        out << ToUtf8(dispatch::TypeLibraryClassText(FromUtf8(typelib_class)));
      } else if (as_json) {
        out << dispatch::TypeLibraryJson() << '\n';
      } else {
        out << ToUtf8(dispatch::TypeLibraryText());
      }
    } catch (const AutomationError& e) {
      std::string what = ToUtf8(e.description());
      if (!typelib_class.empty()) {
        what += ToUtf8(DidYouMean(FromUtf8(typelib_class), TypeLibraryNames()));
      }
      complain("moxtrel: typelib: " + what + "\n", ErrorReport("typelib", what, {}, 0, e.code()));
      return typelib_class.empty() ? kExitScriptError : kExitUsage;
    }
    return kExitOk;
  }
  if (!arguments.empty() && script.empty()) {
    complain.Usage("arguments are given to a script file (or -), not to -e statements");
    return kExitUsage;
  }
  if (!script.empty() && !statements.empty()) {
    complain.Usage("give either a script file or -e statements, not both");
    return kExitUsage;
  }

  // Read the script before loading the directory, so a wrong path is reported first.
  std::string text;
  std::string name;
  if (script == "-") {
    if (!ReadLimited(in, text)) {
      complain.Usage(TooLarge("the script on standard input"), "script", "<stdin>");
      return kExitUsage;
    }
    name = "<stdin>";
  } else if (!script.empty()) {
    std::ifstream file(script, std::ios::binary);
    std::error_code ec;
    const bool folder = std::filesystem::is_directory(script, ec);
    if (!file || folder) {
      if (folder) errno = EISDIR;
      complain.Usage("cannot read script " + script + ": " + std::strerror(errno), "script",
                     script);
      return kExitUsage;
    }
    if (!ReadLimited(file, text)) {
      complain.Usage(TooLarge("script " + script), "script", script);
      return kExitUsage;
    }
    if (file.bad()) {
      complain.Usage("cannot read script " + script + ": " + std::strerror(errno), "script",
                     script);
      return kExitUsage;
    }
    name = script;
  } else if (!statements.empty()) {
    text = statements;
    name = "-e";
  } else if (!terminal) {
    if (!ReadLimited(in, text)) {
      complain.Usage(TooLarge("the script on standard input"), "script", "<stdin>");
      return kExitUsage;
    }
    name = "<stdin>";
  }

  if (!name.empty() && name != "-e") {
    if (auto refused = TakeEncoding(text, name); !refused.empty()) {
      complain.Usage(refused, "script", name);
      return kExitUsage;
    }
  }

  if (config_file.empty() && directory_file.empty()) {
    if (const char* env = std::getenv(directory::kConfigEnvironmentVariable)) config_file = env;
  }
  if (!config_file.empty() && !directory_file.empty()) {
    complain.Usage("give either --config or --directory, not both");
    return kExitUsage;
  }

  // The embedded directory (the sample or --directory) also backs the script's Directory
  // object; a configured router has none.
  std::shared_ptr<directory::MemoryDirectory> dir;
  std::shared_ptr<directory::DirectoryProvider> provider;
  try {
    if (!config_file.empty()) {
      provider = directory::LoadConfiguration(config_file);
    } else {
      dir = directory_file.empty() ? directory::MemoryDirectory::Sample()
                                   : directory::MemoryDirectory::FromFile(directory_file);
      provider = dir;
    }
  } catch (const directory::ConfigurationError& e) {
    complain("moxtrel: cannot use configuration " + std::string(e.what()) + "\n",
             ErrorReport("configuration", e.message(), e.file(), e.line()));
    return kExitUsage;
  } catch (const std::exception& e) {
    const std::string shown =
        directory_file.empty() ? std::string("(built-in sample)") : directory_file;
    ErrorReport report("directory", e.what(), directory_file);
    if (const auto* seed = dynamic_cast<const directory::SeedError*>(&e)) {
      report.description = seed->message();
      report.file = seed->source();
      report.line = seed->line();
    }
    complain("moxtrel: cannot load directory " + shown + ": " + e.what() + "\n", report);
    return kExitUsage;
  }
  // Always wrapped, so LastFailure can name the directory call that failed; the layer keeps no
  // journal and, without --trace, prints nothing.
  auto layer = directory::JournalLayer::Wrap(provider);
  layer->Journal().SetCapacity(0);
  std::optional<TrapTrace> trap_trace;
  if (trace) {
    layer->SetTraceSink([&err](const directory::JournalEntry& entry) {
      if (entry.trapped_by.empty()) {
        err << "trace: " << ToUtf8(entry.TraceLine()) << '\n';
      } else {
        err << "trace:   trapped by " << ToUtf8(entry.trapped_by) << '\n';
      }
    });
    trap_trace.emplace(err);
  }
  provider = layer;

  ProviderScope scope(provider);
  InterruptHandler sigint;  // Ctrl-C stops the running statement, not the process
  int status = kExitOk;
  {
    std::vector<std::u16string> words;
    for (const auto& a : arguments) words.push_back(FromUtf8(a));
    Interpreter interpreter({.out = &out,
                             .directory = dir,
                             .pump = nullptr,
                             .arguments = std::move(words),
                             .json_output = format == "json"});
    if (name.empty()) {
      RunRepl(interpreter, out, err);
      status = interpreter.QuitStatus().value_or(status);
    } else {
      status = RunText(interpreter, text, name, complain);
    }
  }
  out.flush();
  // Output that could not be written (a full disk, a closed pipe) is a failure, not silence.
  if (!out) {
    const bool known = errno == EPIPE || errno == ENOSPC || errno == EIO || errno == EBADF ||
                       errno == EFBIG || errno == EDQUOT;
    complain.Usage(std::string("cannot write to standard output: ") +
                       (known ? std::strerror(errno) : "the output was refused"),
                   "output");
    return kExitScriptError;
  }
  return status;
}

}  // namespace moxtrel::script
