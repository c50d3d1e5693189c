#include "ui/png.h"

#include <algorithm>

namespace qv::ui {
namespace {

// The most a stored deflate block holds.
constexpr std::size_t kStoredBlock = 65535;

std::uint32_t Crc32(const std::vector<std::uint8_t>& data) {
  std::uint32_t c = 0xFFFFFFFFu;
  for (const std::uint8_t byte : data) {
    c ^= byte;
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
  }
  return c ^ 0xFFFFFFFFu;
}

void Be32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.insert(out.end(), {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                         static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)});
}

}  // namespace

std::vector<std::uint8_t> PngBytes(const Picture& picture) {
  std::vector<std::uint8_t> raw;  // each row: filter byte 0, then R G B A
  raw.reserve(static_cast<std::size_t>(picture.Height) *
              (1 + 4 * static_cast<std::size_t>(picture.Width)));
  for (int y = 0; y < picture.Height; ++y) {
    raw.push_back(0);
    for (int x = 0; x < picture.Width; ++x) {
      const std::uint32_t p =
          picture.Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.Width) +
                         static_cast<std::size_t>(x)];
      raw.insert(raw.end(), {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                             static_cast<std::uint8_t>(p), static_cast<std::uint8_t>(p >> 24)});
    }
  }
  std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const auto chunk = [&png](const char* type, const std::vector<std::uint8_t>& data) {
    Be32(png, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    png.insert(png.end(), typed.begin(), typed.end());
    Be32(png, Crc32(typed));
  };
  std::vector<std::uint8_t> header;
  Be32(header, static_cast<std::uint32_t>(picture.Width));
  Be32(header, static_cast<std::uint32_t>(picture.Height));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA
  chunk("IHDR", header);
  // A zlib stream of stored deflate blocks, then the Adler-32 of the raw bytes.
  std::vector<std::uint8_t> z{0x78, 0x01};
  std::size_t at = 0;
  do {
    const std::size_t n = std::min(kStoredBlock, raw.size() - at);
    z.push_back(at + n >= raw.size() ? 1 : 0);
    z.insert(z.end(), {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                       static_cast<std::uint8_t>(~n), static_cast<std::uint8_t>(~n >> 8)});
    z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
             raw.begin() + static_cast<std::ptrdiff_t>(at + n));
    at += n;
  } while (at < raw.size());
  std::uint32_t a = 1, b = 0;
  for (const std::uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  Be32(z, (b << 16) | a);
  chunk("IDAT", z);
  chunk("IEND", {});
  return png;
}

}  // namespace qv::ui
