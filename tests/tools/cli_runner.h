// Runs the moxtrel command line in-process and collects its status and output.
//
//   auto r = Cli({"-e", "Print 1"});   // r.status == 0, r.out == "1\n"
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace moxtrel::script {

struct CliResult {
  int status;
  std::string out;
  std::string err;
};

// Standard input is `input` and never a terminal.
inline CliResult Cli(std::vector<std::string> args, const std::string& input = "") {
  args.insert(args.begin(), "moxtrel");
  std::vector<const char*> argv;
  for (const auto& a : args) argv.push_back(a.c_str());
  std::istringstream in(input);
  std::ostringstream out, err;
  const int status = RunCli(static_cast<int>(argv.size()), argv.data(), in, out, err, false);
  return {status, out.str(), err.str()};
}

// Writes `text` to a file in the test's temporary folder and returns its path.
inline std::string WriteTemp(const std::string& name, const std::string& text) {
  const std::string path = ::testing::TempDir() + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

}  // namespace moxtrel::script
