// What the setup package delivers into the database folders, kept on the drive beside the
// backup: the size and a hash of each database file of the package, by its place in the
// backup's layout ("\ldbclientinfo.dat", "\CM\User01\User01.dbd"). An uninstall has no package
// at hand; with this record it still tells the package's sample files, which are no user data,
// from what the user wrote.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace files {

struct Fingerprint {
  uint64_t size = 0;
  uint64_t hash = 0;  // FNV-1a over the bytes
  bool operator==(const Fingerprint&) const = default;
};

// The file's fingerprint; nothing when it cannot be read.
std::optional<Fingerprint> FingerprintOf(const std::string& path);

class CPackageRecord {
 public:
  explicit CPackageRecord(std::string path) : m_path(std::move(path)) {}

  // Reads the record; false when there is none or it cannot be read (then it is empty).
  bool Load();
  // Writes the record under a temporary name and renames it into place.
  bool Store() const;

  void Add(const std::string& place, const Fingerprint& fingerprint);
  // True when the package delivers `file`'s exact bytes at `place`.
  bool Delivers(const std::string& place, const std::string& file) const;
  bool Empty() const { return m_entries.empty(); }

 private:
  std::string m_path;
  std::map<std::string, Fingerprint> m_entries;  // by place, letter case folded
};

}  // namespace files
