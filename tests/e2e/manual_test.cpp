// The manual pages and the shell completion say what the programs take: every command and option
// the programs' own help lists is in them, and --version says the project's version.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/process.h"

namespace qv::testing {
namespace {

std::string ReadDoc(const std::string& path) {
  std::ifstream in(std::string(QV_DOCS) + "/" + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The options and the commands a program's help lists for the command `path`.
std::vector<std::string> HelpWords(const std::string& program,
                                   const std::vector<std::string>& path) {
  std::vector<std::string> args = path;
  args.push_back("--help");
  const RunResult help = RunProgram(program, args, {});
  EXPECT_EQ(help.status, 0) << help.out;
  std::vector<std::string> words;
  bool commands = false;
  std::istringstream lines(help.out);
  static const std::regex option(R"((^|[ ,])(--[a-z][a-z0-9-]*))");
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("Subcommands:")) commands = true;
    if (commands && line.starts_with("  ") && line[2] != ' ') {
      words.push_back(line.substr(2, line.find(' ', 2) - 2));
      continue;
    }
    // An option's own name starts its line; its needs and exclusions follow it.
    std::smatch m;
    if (!line.starts_with("  -") || !std::regex_search(line, m, option)) continue;
    if (m[2] != "--help") words.push_back(m[2]);
  }
  return words;
}

// The words the completion offers after the command `path`.
std::string CompletionWords(const std::string& function, const std::string& path) {
  const RunResult r = RunProgram("/bin/bash",
                                 {"-c", "source \"$0\" && " + function + " \"$1\"",
                                  std::string(QV_DOCS) + "/completion/quorvalent", path},
                                 {});
  EXPECT_EQ(r.status, 0) << r.out;
  return " " + r.out.substr(0, r.out.find('\n')) + " ";
}

// A word as the manual page spells it: its minus signs escaped.
std::string Roff(const std::string& word) {
  return std::regex_replace(word, std::regex("-"), "\\-");
}

TEST(Manual, EveryCommandAndOptionIsInTheManualAndTheCompletion) {
  const struct {
    const char* program;
    const char* page;
    const char* completion;
    std::vector<std::vector<std::string>> paths;
  } programs[] = {
      {QV_CLI_BINARY,
       "man/quorvalent.1",
       "_quorvalent_words",
       {{},
        {"send"},
        {"balance"},
        {"modes"},
        {"templates"},
        {"templates", "list"},
        {"templates", "save"},
        {"templates", "delete"},
        {"report"},
        {"jobs"},
        {"jobs", "list"},
        {"jobs", "retime"},
        {"jobs", "delete"},
        {"fill"},
        {"proxy"},
        {"proxy", "show"},
        {"proxy", "set"},
        {"demo"}}},
      {QV_GATEWAY_BINARY,
       "man/quorvalent-gateway.1",
       "_quorvalent_gateway_words",
       {{},
        {"account"},
        {"account", "add"},
        {"account", "set"},
        {"account", "show"},
        {"messages"},
        {"jobs"}}},
  };
  for (const auto& p : programs) {
    const std::string page = ReadDoc(p.page);
    ASSERT_FALSE(page.empty()) << p.page;
    for (const auto& path : p.paths) {
      std::string joined;
      for (const auto& word : path) joined += (joined.empty() ? "" : " ") + word;
      const std::string offered = CompletionWords(p.completion, joined);
      for (const std::string& word : HelpWords(p.program, path)) {
        EXPECT_NE(page.find(Roff(word)), std::string::npos)
            << p.page << ": " << joined << " " << word;
        EXPECT_NE(offered.find(" " + word + " "), std::string::npos)
            << "completion of \"" << joined << "\": " << word << " in" << offered;
      }
    }
  }
}

TEST(Manual, BothProgramsSayTheirNameAndTheProjectsVersion) {
  for (const auto& [program, name] : {std::pair{QV_CLI_BINARY, "quorvalent"},
                                      std::pair{QV_GATEWAY_BINARY, "quorvalent-gateway"}}) {
    const RunResult r = RunProgram(program, {"--version"}, {});
    EXPECT_EQ(r.status, 0) << name;
    EXPECT_EQ(r.out, std::string(name) + " " + QV_VERSION + "\n");
  }
}

TEST(Manual, AUsageErrorOfEitherProgramExitsTwo) {
  EXPECT_EQ(RunProgram(QV_CLI_BINARY, {"send"}, {}).status, 2);
  EXPECT_EQ(RunProgram(QV_GATEWAY_BINARY, {"account", "add"}, {}).status, 2);
}

}  // namespace
}  // namespace qv::testing
