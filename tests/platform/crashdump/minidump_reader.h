// A small reader of minidump files for the tests: the streams, the exception, the threads and
// the module names, read independently of the writer's own definitions.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vp::test {

class MinidumpReader {
 public:
  explicit MinidumpReader(std::string bytes);

  bool Valid() const { return valid_; }
  bool HasStream(std::uint32_t type) const { return streams_.count(type) > 0; }

  std::uint32_t ExceptionCode() const;
  std::uint32_t ExceptionThreadId() const;
  std::vector<std::uint32_t> ThreadIds() const;
  // The instruction pointer in the context of the thread with this id.
  std::optional<std::uint64_t> ThreadInstructionPointer(std::uint32_t threadId) const;
  // Module file names (UTF-16 in the file, ASCII here).
  std::vector<std::string> ModuleNames() const;

 private:
  template <class T>
  T At(std::size_t offset) const;
  std::string StringAt(std::uint32_t rva) const;

  std::string bytes_;
  bool valid_ = false;
  std::map<std::uint32_t, std::pair<std::uint32_t, std::uint32_t>> streams_;  // type -> size, rva
};

}  // namespace vp::test
