// The inputs the fuzzers found faults with (tests/data/fuzz/TARGET/), run as their fuzz targets
// run them, so that each fault stays mended; scripts/fuzz runs them under its limits of time and
// memory too.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/number_format.h"
#include "host/xlsx_workbook.h"
#include "support/temp_dir.h"

namespace qv::host {
namespace {

std::vector<std::string> Findings(const std::string& target) {
  std::vector<std::string> inputs;
  const auto folder = std::filesystem::path(QV_TEST_DATA) / "fuzz" / target;
  for (const auto& file : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(file.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    inputs.push_back(bytes.str());
  }
  EXPECT_FALSE(inputs.empty()) << folder;
  return inputs;
}

// The first eight bytes are the value, the rest the code: a code with a thirteen-digit
// denominator looked for every denominator up to 10^13.
TEST(FuzzFindings, NumberFormats) {
  for (const std::string& input : Findings("number_format")) {
    double value = 0;
    ASSERT_GE(input.size(), sizeof value);
    std::memcpy(&value, input.data(), sizeof value);
    const std::string code = input.substr(sizeof value);
    for (const double v : {value, 0.0, -1.5, 46357.25, 1e300}) (void)FormatNumber(v, code);
  }
}

// A package whose directory claims a part of 654 MB in 191 bytes: the part was given its claimed
// size before a byte of it was inflated. The claim is found out as damage.
TEST(FuzzFindings, Workbooks) {
  testing::TempDir dir;
  for (const std::string& input : Findings("xlsx")) {
    const auto path = dir / "finding.xlsx";
    testing::TempDir::WriteFile(path, input);
    try {
      auto book = XlsxWorkbook::Open(path, true);
      book->LoadAll();
    } catch (const HostError& e) {
      EXPECT_NE(std::string(e.what()).find("finding.xlsx"), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace qv::host
