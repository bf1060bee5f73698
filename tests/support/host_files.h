// Whole host files read and written as bytes, for tests that look at what the layer stores on
// disk (hive files, journals) rather than at what the Windows calls show.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace vp::test {

inline std::string ReadHost(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteHost(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

}  // namespace vp::test
