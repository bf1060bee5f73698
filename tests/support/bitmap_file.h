// The bytes of a .bmp file, for tests that give a program a picture to load.
#pragma once

#include <cstddef>
#include <string>

#include "platform/win.h"

namespace vp::test {

// An uncompressed 24-bit picture of this size (all black), or with another compression field
// and `cutBytes` cut from its end, a broken one.
std::string BitmapFile(int width, int height, DWORD compression = 0, size_t cutBytes = 0);

}  // namespace vp::test
