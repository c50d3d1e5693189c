#pragma once

#include <map>
#include <string>
#include <vector>

namespace qv::testing {

struct RunResult {
  int status = -1;
  std::string out;
};

// Runs a program with `args` and extra environment variables, standard input from /dev/null (no
// terminal), standard output and standard error captured together; gives up after `seconds`.
RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::map<std::string, std::string>& env, int seconds = 60);

}  // namespace qv::testing
