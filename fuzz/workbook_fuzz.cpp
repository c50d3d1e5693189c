// The workbook readers on files of any bytes: a package (zip, workbook, styles, shared strings,
// sheets read through the streaming window) or a .csv file. A damaged file is a HostError; nothing
// else may come of it.
#include "fuzz_input.h"
#include "host/csv_workbook.h"
#include "host/xlsx_workbook.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto path = qv::fuzz::AsFile(qv::fuzz::Text(data, size), QV_FUZZ_EXTENSION);
  try {
#ifdef QV_FUZZ_CSV
    auto book = qv::host::CsvWorkbook::Open(path, true);
#else
    auto book = qv::host::XlsxWorkbook::Open(path, true);
#endif
    qv::fuzz::ReadCells(*book);
  } catch (const qv::host::HostError&) {
    // A damaged file, said as such.
  }
  return 0;
}
