#include "minidump_reader.h"

#include <cstring>

namespace vp::test {

namespace {
constexpr std::uint32_t kThreadList = 3, kModuleList = 4, kException = 6;
}

template <class T>
T MinidumpReader::At(std::size_t offset) const {
  T value{};
  if (offset + sizeof(T) <= bytes_.size()) std::memcpy(&value, bytes_.data() + offset, sizeof(T));
  return value;
}

MinidumpReader::MinidumpReader(std::string bytes) : bytes_(std::move(bytes)) {
  if (bytes_.size() < 32 || At<std::uint32_t>(0) != 0x504d444d) return;
  auto count = At<std::uint32_t>(8);
  auto directory = At<std::uint32_t>(12);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::size_t entry = directory + i * 12;
    auto size = At<std::uint32_t>(entry + 4);
    auto rva = At<std::uint32_t>(entry + 8);
    if (std::size_t{rva} + size > bytes_.size()) return;
    streams_[At<std::uint32_t>(entry)] = {size, rva};
  }
  valid_ = true;
}

std::uint32_t MinidumpReader::ExceptionCode() const {
  return HasStream(kException) ? At<std::uint32_t>(streams_.at(kException).second + 8) : 0;
}

std::uint32_t MinidumpReader::ExceptionThreadId() const {
  return HasStream(kException) ? At<std::uint32_t>(streams_.at(kException).second) : 0;
}

std::vector<std::uint32_t> MinidumpReader::ThreadIds() const {
  std::vector<std::uint32_t> ids;
  if (!HasStream(kThreadList)) return ids;
  std::uint32_t rva = streams_.at(kThreadList).second;
  for (std::uint32_t i = 0, n = At<std::uint32_t>(rva); i < n; ++i)
    ids.push_back(At<std::uint32_t>(rva + 4 + i * 48));
  return ids;
}

std::optional<std::uint64_t> MinidumpReader::ThreadInstructionPointer(std::uint32_t id) const {
  if (!HasStream(kThreadList)) return std::nullopt;
  std::uint32_t rva = streams_.at(kThreadList).second;
  for (std::uint32_t i = 0, n = At<std::uint32_t>(rva); i < n; ++i) {
    std::size_t thread = rva + 4 + i * 48;
    if (At<std::uint32_t>(thread) != id) continue;
    auto contextSize = At<std::uint32_t>(thread + 40);
    auto contextRva = At<std::uint32_t>(thread + 44);
    if (contextSize < 0x100) return std::nullopt;
    return At<std::uint64_t>(contextRva + 0xF8);  // Rip in the AMD64 context
  }
  return std::nullopt;
}

std::string MinidumpReader::StringAt(std::uint32_t rva) const {
  std::string text;
  auto length = At<std::uint32_t>(rva);
  for (std::uint32_t i = 0; i + 1 < length; i += 2)
    text += static_cast<char>(At<std::uint16_t>(rva + 4 + i) & 0x7F);
  return text;
}

std::vector<std::string> MinidumpReader::ModuleNames() const {
  std::vector<std::string> names;
  if (!HasStream(kModuleList)) return names;
  std::uint32_t rva = streams_.at(kModuleList).second;
  for (std::uint32_t i = 0, n = At<std::uint32_t>(rva); i < n; ++i)
    names.push_back(StringAt(At<std::uint32_t>(rva + 4 + i * 108 + 20)));
  return names;
}

}  // namespace vp::test
