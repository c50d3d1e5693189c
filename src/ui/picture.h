#pragma once

#include <cstdint>
#include <vector>

namespace qv::ui {

// A small bitmap, row by row, each pixel 0xAARRGGBB.
struct Picture {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;
  friend bool operator==(const Picture&, const Picture&) = default;
};

}  // namespace qv::ui
