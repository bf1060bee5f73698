// Which opens take part in Windows' share modes, and as what. The one place that says so: every
// open of the layer (CreateFileA, CopyFileA's own opens) asks here before it takes share locks.
#pragma once

#include "platform/posix/fs/files.h"

namespace vp::posix {

// What an open's access counts as when sharing is checked: reading or executing the data is a
// read, writing or appending a write, DELETE a delete; the generic rights count as the file
// rights they stand for (GENERIC_ALL as all three). An open with none of them (no access,
// attributes or extended attributes only) takes no part in sharing: it neither checks the
// share modes of the others nor imposes its own, so it needs no share locks at all.
struct ShareAccess {
  bool read = false;
  bool write = false;
  bool del = false;
  bool TakesPart() const { return read || write || del; }
};

constexpr DWORD kReadTypeAccess = GENERIC_READ | GENERIC_EXECUTE | GENERIC_ALL | FILE_READ_DATA | FILE_EXECUTE;
constexpr DWORD kWriteTypeAccess = GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA;
constexpr DWORD kDeleteTypeAccess = GENERIC_ALL | DELETE;

inline ShareAccess ShareAccessOf(DWORD access) {
  ShareAccess share;
  share.read = access & kReadTypeAccess;
  share.write = access & kWriteTypeAccess;
  share.del = access & kDeleteTypeAccess;
  return share;
}

}  // namespace vp::posix
