// Share modes, pair by pair: a file held by one open, every access and share mode of a second
// open against every one of the first.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/win.h"
#include "test_support.h"

using namespace vp::test;

namespace {

// Each access an open may ask for, and what it counts as for sharing, as Windows documents
// it: reading or executing the data is a read, writing or appending a write, DELETE a delete.
// Attributes, extended attributes and the rights on the file's security are none of these.
struct Access {
  DWORD bits;
  const char* name;
  bool read, write, del;
};
const Access kAccesses[] = {
    {0, "0", false, false, false},
    {FILE_READ_DATA, "FILE_READ_DATA", true, false, false},
    {FILE_WRITE_DATA, "FILE_WRITE_DATA", false, true, false},
    {FILE_APPEND_DATA, "FILE_APPEND_DATA", false, true, false},
    {FILE_EXECUTE, "FILE_EXECUTE", true, false, false},
    {FILE_READ_ATTRIBUTES, "FILE_READ_ATTRIBUTES", false, false, false},
    {FILE_WRITE_ATTRIBUTES, "FILE_WRITE_ATTRIBUTES", false, false, false},
    {FILE_READ_EA, "FILE_READ_EA", false, false, false},
    {FILE_WRITE_EA, "FILE_WRITE_EA", false, false, false},
    {READ_CONTROL, "READ_CONTROL", false, false, false},
    {SYNCHRONIZE, "SYNCHRONIZE", false, false, false},
    {DELETE, "DELETE", false, false, true},
    {GENERIC_READ, "GENERIC_READ", true, false, false},
    {GENERIC_WRITE, "GENERIC_WRITE", false, true, false},
    {GENERIC_EXECUTE, "GENERIC_EXECUTE", true, false, false},
    {GENERIC_ALL, "GENERIC_ALL", true, true, true},
    {GENERIC_READ | GENERIC_WRITE, "GENERIC_READ|GENERIC_WRITE", true, true, false},
};
constexpr DWORD kShareModes = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

struct Open {
  const Access* access;
  DWORD share;
  bool TakesPart() const { return access->read || access->write || access->del; }
};

// Whether `second` may open the file while `first` holds it. An open without read, write or
// delete access neither checks the others' sharing nor imposes its own.
bool Compatible(const Open& first, const Open& second) {
  if (!first.TakesPart() || !second.TakesPart()) return true;
  auto allows = [](const Open& holder, const Open& asker) {
    return (!asker.access->read || (holder.share & FILE_SHARE_READ)) &&
           (!asker.access->write || (holder.share & FILE_SHARE_WRITE)) &&
           (!asker.access->del || (holder.share & FILE_SHARE_DELETE));
  };
  return allows(first, second) && allows(second, first);
}

std::string Describe(const Open& open) {
  std::ostringstream text;
  text << open.access->name << " share " << open.share;
  return text.str();
}

HANDLE OpenExisting(const std::string& path, const Open& open) {
  return CreateFileA(path.c_str(), open.access->bits, open.share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

}  // namespace

TEST(ShareModes, EveryPairOfAccessAndShareModes) {
  std::string path = TestFolder() + "\\table.txt";
  ASSERT_TRUE(WriteTextFile(path, "shared"));
  std::vector<Open> opens;
  for (const Access& access : kAccesses)
    for (DWORD share = 0; share <= kShareModes; ++share) opens.push_back({&access, share});

  int checked = 0, wrong = 0;
  std::ostringstream mismatches;
  for (const Open& first : opens) {
    HANDLE held = OpenExisting(path, first);
    ASSERT_NE(held, INVALID_HANDLE_VALUE) << Describe(first) << ": " << GetLastError();
    for (const Open& second : opens) {
      SetLastError(0);
      HANDLE h = OpenExisting(path, second);
      DWORD error = GetLastError();
      bool opened = h != INVALID_HANDLE_VALUE;
      if (opened) CloseHandle(h);
      bool expected = Compatible(first, second);
      ++checked;
      if (opened != expected || (!opened && error != ERROR_SHARING_VIOLATION)) {
        if (++wrong <= 20)
          mismatches << "\n  held " << Describe(first) << ", then " << Describe(second) << ": "
                     << (opened ? "opened" : "refused, error " + std::to_string(error));
      }
    }
    CloseHandle(held);
  }
  RecordProperty("pairs_checked", checked);
  EXPECT_EQ(checked, static_cast<int>(opens.size() * opens.size()));
  EXPECT_EQ(wrong, 0) << wrong << " of " << checked << " pairs differ, the first:" << mismatches.str();
}
