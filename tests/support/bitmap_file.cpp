#include "bitmap_file.h"

namespace vp::test {

std::string BitmapFile(int width, int height, DWORD compression, size_t cutBytes) {
  DWORD stride = static_cast<DWORD>((width * 3 + 3) / 4 * 4);
  DWORD size = 54 + stride * static_cast<DWORD>(height);
  std::string file(size, '\0');
  auto put = [&](size_t at, DWORD value, int bytes) {
    for (int i = 0; i < bytes; ++i) file[at + static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  file[0] = 'B';
  file[1] = 'M';
  put(2, size, 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<DWORD>(width), 4);
  put(22, static_cast<DWORD>(height), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  put(30, compression, 4);
  file.resize(file.size() - cutBytes);
  return file;
}

}  // namespace vp::test
