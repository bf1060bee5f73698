#include "hive_journal.h"

#include <optional>

namespace vp::registry {
namespace {

constexpr std::string_view kMagic = "VPREGJ01";
// The largest record the journal accepts: bounded names and a value of up to 64 MB.
constexpr std::uint32_t kMaxPayload = 64u << 20;

void PutNumber(std::string& out, std::uint64_t n, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(n >> (8 * i) & 0xFF);
}

void PutText(std::string& out, std::string_view text) {
  PutNumber(out, text.size(), 4);
  out += text;
}

// Reads the fields of one payload of `declared` bytes from `bytes`, which may hold only a prefix
// of it (a record cut short). A field that runs past `declared` is invalid; one that runs past
// `bytes` alone sets Cut().
class Reader {
 public:
  Reader(std::string_view bytes, std::size_t declared) : bytes_(bytes), declared_(declared) {}
  explicit Reader(std::string_view bytes) : Reader(bytes, bytes.size()) {}
  std::optional<std::uint64_t> Number(int size) {
    auto count = static_cast<std::size_t>(size);
    if (!Available(count)) return std::nullopt;
    std::uint64_t n = 0;
    for (int i = size - 1; i >= 0; --i) n = n << 8 | static_cast<unsigned char>(bytes_[static_cast<std::size_t>(i)]);
    Skip(count);
    return n;
  }
  std::optional<std::string> Text() {
    auto length = Number(4);
    if (!length || !Available(*length)) return std::nullopt;
    std::string text(bytes_.substr(0, *length));
    Skip(*length);
    return text;
  }
  bool AtEnd() const { return declared_ == 0; }
  bool Cut() const { return cut_; }

 private:
  bool Available(std::uint64_t count) {
    if (count > declared_) return false;
    if (count > bytes_.size()) cut_ = true;
    return !cut_;
  }
  void Skip(std::size_t count) {
    bytes_.remove_prefix(count);
    declared_ -= count;
  }

  std::string_view bytes_;
  std::size_t declared_;
  bool cut_ = false;
};

// The change a payload holds; `in` tells a payload cut short from one that is no payload.
std::optional<Change> DecodePayload(Reader& in) {
  Change change;
  auto kind = in.Number(1);
  auto depth = in.Number(2);
  if (!kind || *kind < Change::kCreateKey || *kind > Change::kDeleteValue) return std::nullopt;
  if (!depth || *depth > kMaxKeyDepth) return std::nullopt;
  change.kind = static_cast<Change::Kind>(*kind);
  for (std::uint64_t i = 0; i < *depth; ++i) {
    auto name = in.Text();
    if (!name) return std::nullopt;
    change.path.push_back(std::move(*name));
  }
  if (change.kind == Change::kSetValue || change.kind == Change::kDeleteValue) {
    auto name = in.Text();
    if (!name) return std::nullopt;
    change.name = std::move(*name);
  }
  if (change.kind == Change::kSetValue) {
    auto type = in.Number(4);
    auto data = in.Text();
    if (!type || !data) return std::nullopt;
    change.type = static_cast<DWORD>(*type);
    change.data = std::move(*data);
  }
  if (!in.AtEnd()) return std::nullopt;
  return change;
}

// Whether `rest`, the journal from a record boundary to its end, is what a writer that died
// while appending leaves: the start of one record, perhaps followed by zeros where the file grew
// but the data never reached it. A record that is all there, a length no writer writes, or a
// payload that ends before its length (or reads as no payload) is damage, not a cut.
bool CutShortByACrash(std::string_view rest) {
  std::string_view written = rest.substr(0, rest.find_last_not_of('\0') + 1);
  Reader head(written);
  auto length = head.Number(4);
  if (!length) return true;  // the length itself was cut
  if (*length > kMaxPayload || written.size() >= 8 + *length) return false;
  if (written.size() <= 8) return true;
  Reader payload(written.substr(8), *length);
  return !DecodePayload(payload) && payload.Cut();
}

}  // namespace

std::uint64_t Checksum(std::string_view bytes) {
  std::uint64_t hash = 0xcbf29ce484222325ull;  // FNV-1a
  for (char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ull;
  }
  return hash;
}

std::string JournalHeader(std::uint64_t hiveChecksum) {
  std::string header(kMagic);
  PutNumber(header, hiveChecksum, 8);
  return header;
}

bool ReadJournalHeader(std::string_view header, std::uint64_t* hiveChecksum) {
  if (header.size() < kJournalHeaderSize || header.substr(0, kMagic.size()) != kMagic) return false;
  Reader in(header.substr(kMagic.size(), 8));
  *hiveChecksum = *in.Number(8);
  return true;
}

std::string EncodeRecord(const Change& change) {
  std::string payload;
  PutNumber(payload, change.kind, 1);
  PutNumber(payload, change.path.size(), 2);
  for (const std::string& name : change.path) PutText(payload, name);
  if (change.kind == Change::kSetValue || change.kind == Change::kDeleteValue) PutText(payload, change.name);
  if (change.kind == Change::kSetValue) {
    PutNumber(payload, change.type, 4);
    PutText(payload, change.data);
  }
  std::string record;
  PutNumber(record, payload.size(), 4);
  PutNumber(record, Checksum(payload) & 0xFFFFFFFFu, 4);
  return record + payload;
}

bool ApplyChange(Key& root, const Change& change) {
  if (change.path.size() > kMaxKeyDepth) return false;
  for (const std::string& name : change.path)
    if (name.empty() || NameUnits(name) > kMaxKeyNameUnits) return false;
  if (NameUnits(change.name) > kMaxValueNameUnits) return false;

  if (change.kind == Change::kDeleteKey) {
    if (change.path.empty()) return false;  // the root stays
    Key* parent = &root;
    for (std::size_t i = 0; i + 1 < change.path.size() && parent; ++i) parent = parent->FindSubkey(change.path[i]);
    if (parent) parent->RemoveSubkey(change.path.back());
    return true;
  }
  if (change.kind == Change::kDeleteValue) {
    Key* key = &root;
    for (const std::string& name : change.path)
      if (!(key = key->FindSubkey(name))) return true;
    key->RemoveValue(change.name);
    return true;
  }
  // A value's key exists whenever the value was set; making it here keeps replay total.
  Key* key = &root;
  for (const std::string& name : change.path) key = &key->AddSubkey(name);
  if (change.kind == Change::kSetValue) key->SetValue(change.name, change.type, change.data);
  return true;
}

ReplayResult ReplayRecords(std::string_view records, Key& root) {
  ReplayResult result;
  while (result.consumed < records.size()) {
    std::string_view rest = records.substr(result.consumed);
    Reader head(rest);
    auto length = head.Number(4);
    auto sum = head.Number(4);
    bool whole = length && sum && *length <= rest.size() - 8;
    std::optional<Change> change;
    if (whole && *length <= kMaxPayload && (Checksum(rest.substr(8, *length)) & 0xFFFFFFFFu) == *sum) {
      Reader payload(rest.substr(8, *length));
      change = DecodePayload(payload);
    }
    if (!change) {
      // Only a record cut short by a crash ends the journal quietly; anything else is damage.
      result.damaged = !CutShortByACrash(rest);
      return result;
    }
    if (!ApplyChange(root, *change)) {
      result.damaged = true;
      return result;
    }
    result.consumed += 8 + *length;
  }
  return result;
}

}  // namespace vp::registry
