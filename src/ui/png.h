#pragma once

#include <cstdint>
#include <vector>

#include "ui/picture.h"

namespace qv::ui {

// A picture as a PNG file's bytes: 8-bit RGBA, the image data in stored (uncompressed) deflate
// blocks, so that nothing but this code is needed to write it.
std::vector<std::uint8_t> PngBytes(const Picture& picture);

}  // namespace qv::ui
