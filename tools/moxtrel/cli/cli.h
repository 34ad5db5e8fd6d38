// The command line of `moxtrel`: run a script file, run statements given with -e, start the
// interactive prompt, or print the type library.
//
//   moxtrel tour.mox                      moxtrel -e 'Print CurrentComputer'
//   moxtrel --directory corp.json x.mox   moxtrel typelib --json
//
// Exit status: 0 success, 1 a script error (syntax or runtime), 2 bad usage (unknown option,
// a script file that cannot be read, a directory file that cannot be loaded), 130 a script run
// stopped by Ctrl-C (interrupt.h).
#pragma once

#include <istream>
#include <ostream>

namespace moxtrel::script {

inline constexpr int kExitOk = 0;
inline constexpr int kExitScriptError = 1;
inline constexpr int kExitUsage = 2;

// `terminal` says whether standard input is a terminal: with no script and no -e, a terminal
// gets the interactive prompt and anything else is read as a script.
int RunCli(int argc, const char* const* argv, std::istream& in, std::ostream& out,
           std::ostream& err, bool terminal);

}  // namespace moxtrel::script
