// SpawnServer: starts a test server with an argv array (no shell), its output appended to a
// log, tied to the test process: if the test process dies (a crash, a failed ASSERT in a
// destructor, a kill), the kernel kills the server too, so no server outlives its test.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace moxtrel::testing {

// Returns the child's process id; throws std::runtime_error when it cannot fork.
pid_t SpawnServer(const std::vector<std::string>& args, const std::string& log,
                  bool new_session = false);

// A port on 127.0.0.1 that nothing listens on now; throws std::runtime_error when none is free.
int FreeLoopbackPort();
// Whether a server accepts connections on 127.0.0.1:`port` yet.
bool AcceptsOnLoopback(int port);

// Runs a program (argv[0] a full path, no shell) to its end with `input` on its standard input;
// its exit code (-1 when it could not run or did not exit), with its standard output and error
// in `output` when given.
int RunToEnd(const std::vector<std::string>& args, const std::string& input, std::string* output);

}  // namespace moxtrel::testing
