#pragma once

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

namespace qv::bench {

// Writes an .xlsx as a spreadsheet program saves it: `rows` rows of `columns` columns (a mobile
// number, then names and towns from the shared strings, amounts, due dates), one header row.
// Returns the bytes of its sheet XML.
std::size_t WriteContactsWorkbook(const std::string& path, int rows, int columns);

// Runs `quorvalent send` of the `rows` rows of such a workbook, with a template of four
// placeholders, to the service at `address` ("host:port"), with its settings under `config`;
// through `command` when given (a program and its arguments, before the send's). Returns what the
// send wrote; a send that the service did not take fails the benchmark.
std::string RunSend(benchmark::State& state, const std::string& workbook, int rows,
                    const std::string& address, const std::filesystem::path& config,
                    std::vector<std::string> command = {});

}  // namespace qv::bench
