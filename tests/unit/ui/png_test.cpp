// A picture's PNG bytes: read back here block by block (the office reads them as images too).
#include <gtest/gtest.h>

#include "ui/png.h"

namespace qv::ui {
namespace {

std::uint32_t Be32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
         (std::uint32_t{b[at + 2]} << 8) | b[at + 3];
}

struct Read {
  int width = 0, height = 0, colourType = 0;
  int blocks = 0;
  std::vector<std::uint8_t> raw;
};

// Walks the chunks and the stored deflate blocks of the image data.
Read ReadPng(const std::vector<std::uint8_t>& png) {
  Read r;
  const std::vector<std::uint8_t> signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  EXPECT_TRUE(std::equal(signature.begin(), signature.end(), png.begin()));
  std::vector<std::uint8_t> z;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::uint32_t length = Be32(png, at);
    const std::string type(png.begin() + static_cast<std::ptrdiff_t>(at + 4),
                           png.begin() + static_cast<std::ptrdiff_t>(at + 8));
    if (type == "IHDR") {
      r.width = static_cast<int>(Be32(png, at + 8));
      r.height = static_cast<int>(Be32(png, at + 12));
      r.colourType = png[at + 17];
    } else if (type == "IDAT") {
      z.assign(png.begin() + static_cast<std::ptrdiff_t>(at + 8),
               png.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
    }
    at += 12 + length;
  }
  for (std::size_t at = 2; at + 5 <= z.size();) {
    const bool last = z[at] & 1;
    const std::size_t n = z[at + 1] | (std::size_t{z[at + 2]} << 8);
    EXPECT_EQ(n, static_cast<std::uint16_t>(~(z[at + 3] | (z[at + 4] << 8))));
    r.raw.insert(r.raw.end(), z.begin() + static_cast<std::ptrdiff_t>(at + 5),
                 z.begin() + static_cast<std::ptrdiff_t>(at + 5 + n));
    ++r.blocks;
    at += 5 + n;
    if (last) break;
  }
  return r;
}

TEST(Png, PixelsGoInRowsOfRgbaInStoredBlocksOfAtMost65535Bytes) {
  // A row of width w is 1 + 4w bytes: 3 rows of 5461 make exactly one full block.
  const struct {
    int width, height, blocks;
  } cases[] = {{1, 1, 1}, {0, 0, 1}, {5460, 3, 1}, {5461, 3, 1}, {5462, 3, 2}, {100, 400, 3}};
  for (const auto& c : cases) {
    Picture p;
    p.Width = c.width;
    p.Height = c.height;
    for (int i = 0; i < c.width * c.height; ++i)
      p.Pixels.push_back(0x80000000u | static_cast<std::uint32_t>(i * 2654435761u >> 8));
    const Read r = ReadPng(PngBytes(p));
    EXPECT_EQ(r.width, c.width);
    EXPECT_EQ(r.height, c.height);
    EXPECT_EQ(r.colourType, 6);
    EXPECT_EQ(r.blocks, c.blocks) << c.width << "x" << c.height;
    ASSERT_EQ(r.raw.size(), static_cast<std::size_t>(c.height) * (1 + 4 * c.width));
    if (c.width == 0) continue;
    // The last pixel of the last row: its red, green, blue, then alpha.
    const std::uint32_t last = p.Pixels.back();
    const std::size_t at = r.raw.size() - 4;
    EXPECT_EQ(r.raw[at], static_cast<std::uint8_t>(last >> 16));
    EXPECT_EQ(r.raw[at + 1], static_cast<std::uint8_t>(last >> 8));
    EXPECT_EQ(r.raw[at + 2], static_cast<std::uint8_t>(last));
    EXPECT_EQ(r.raw[at + 3], 0x80);
  }
}

}  // namespace
}  // namespace qv::ui
