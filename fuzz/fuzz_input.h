#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "host/host.h"

namespace qv::fuzz {

inline std::string_view Text(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// A file of this process holding the input, for the readers that open a path.
inline std::filesystem::path AsFile(std::string_view bytes, const char* extension) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("qv-fuzz-" + std::to_string(::getpid()) + extension);
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
  return path;
}

// Reads every cell of the first rows and columns of each sheet, values and texts, as a send does.
inline void ReadCells(host::Workbook& book) {
  for (int s = 1; s <= book.SheetCount(); ++s) {
    const host::Sheet& sheet = book.SheetAt(s);
    sheet.FinishReading();
    for (std::int32_t row = 1; row <= 20; ++row) {
      for (std::int32_t column = 1; column <= 8; ++column) {
        (void)sheet.Value(host::CellRef{column, row});
        (void)sheet.Text(host::CellRef{column, row});
      }
    }
  }
}

}  // namespace qv::fuzz
