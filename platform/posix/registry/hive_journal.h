// The journal beside a hive file: the changes made since the hive file was last written, so
// that a change costs an append of its own size instead of a rewrite of the whole hive.
//
//   header:  "VPREGJ01", then the 64-bit checksum of the hive file the journal continues
//   record:  32-bit payload length, 32-bit checksum of the payload, payload (one Change)
//
// All numbers little-endian. A journal whose header names another hive file is stale (the
// hive was rewritten after it, or edited by hand) and is not replayed. Only the last record
// can be cut short, by a writer that died before its call returned: the start of a record,
// perhaps followed by zeros, ends the journal and is skipped. Any other bad record (a length
// running past the end over data that is no cut record, a bad checksum over a whole record)
// means a damaged journal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "hive_model.h"

namespace vp::registry {

struct Change {
  enum Kind : std::uint8_t { kCreateKey = 1, kDeleteKey = 2, kSetValue = 3, kDeleteValue = 4 };
  Kind kind = kCreateKey;
  std::vector<std::string> path;  // key names from the hive's root
  std::string name;               // value name
  DWORD type = 0;
  std::string data;
};

constexpr std::size_t kJournalHeaderSize = 16;

std::uint64_t Checksum(std::string_view bytes);
std::string JournalHeader(std::uint64_t hiveChecksum);
// The hive checksum a header names; false when `header` is no journal header.
bool ReadJournalHeader(std::string_view header, std::uint64_t* hiveChecksum);

std::string EncodeRecord(const Change& change);

// Applies one change to a tree; false when it breaks the registry's bounds. Applying a change
// twice leaves the tree as applying it once.
bool ApplyChange(Key& root, const Change& change);

struct ReplayResult {
  std::size_t consumed = 0;  // bytes of whole, applied records from the start of `records`
  bool damaged = false;      // then at `consumed`
};
// Applies the records in `records` (journal bytes after some record boundary) to `root`.
ReplayResult ReplayRecords(std::string_view records, Key& root);

}  // namespace vp::registry
