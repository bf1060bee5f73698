#include "shell_link_format.h"

#include <utility>

#include "platform/posix/shell/com.h"

namespace vp::shelllink {
namespace {

// LinkFlags bits.
constexpr DWORD kHasLinkTargetIdList = 0x01;
constexpr DWORD kHasLinkInfo = 0x02;
constexpr DWORD kHasName = 0x04;
constexpr DWORD kHasRelativePath = 0x08;
constexpr DWORD kHasWorkingDir = 0x10;
constexpr DWORD kHasArguments = 0x20;
constexpr DWORD kHasIconLocation = 0x40;
constexpr DWORD kIsUnicode = 0x80;

// LinkInfoFlags bit: VolumeID and LocalBasePath present.
constexpr DWORD kVolumeIdAndLocalBasePath = 0x01;

constexpr DWORD kHeaderSize = 0x4C;
constexpr DWORD kLinkInfoHeaderSize = 0x1C;
constexpr std::uint8_t kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

class Writer {
 public:
  std::vector<std::uint8_t> bytes;
  void U16(unsigned v) {
    bytes.push_back(static_cast<std::uint8_t>(v));
    bytes.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void U32(DWORD v) {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }
  void Raw(const void* data, size_t n) {
    auto* p = static_cast<const std::uint8_t*>(data);
    bytes.insert(bytes.end(), p, p + n);
  }
  void AnsiZ(const std::string& s) { Raw(s.c_str(), s.size() + 1); }
};

class Reader {
 public:
  explicit Reader(const std::vector<std::uint8_t>& b) : bytes_(b) {}
  bool Has(size_t n) const { return bytes_.size() - pos_ >= n; }
  bool U16(unsigned& v) {
    if (!Has(2)) return false;
    v = bytes_[pos_] | (bytes_[pos_ + 1] << 8);
    pos_ += 2;
    return true;
  }
  bool U32(DWORD& v) {
    unsigned lo = 0, hi = 0;
    if (!Has(4)) return false;
    U16(lo);
    U16(hi);
    v = static_cast<DWORD>(lo | (hi << 16));
    return true;
  }
  bool Skip(size_t n) {
    if (!Has(n)) return false;
    pos_ += n;
    return true;
  }
  size_t Pos() const { return pos_; }
  const std::uint8_t* At(size_t offset) const { return bytes_.data() + offset; }

 private:
  const std::vector<std::uint8_t>& bytes_;
  size_t pos_ = 0;
};

// String data is UTF-16LE; this layer's wide strings carry the same character values.
std::u16string ToUtf16(const std::string& ansi) {
  std::u16string out;
  if (ansi.empty()) return out;
  std::wstring wide(ansi.size(), L'\0');
  int n = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, ansi.data(), static_cast<int>(ansi.size()),
                              wide.data(), static_cast<int>(wide.size()));
  for (int i = 0; i < n; ++i) out.push_back(static_cast<char16_t>(wide[i]));
  return out;
}

std::string FromUtf16(const std::u16string& text) {
  if (text.empty()) return {};
  std::wstring wide(text.begin(), text.end());
  std::string out(wide.size(), '\0');
  int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(),
                              static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

void WriteStringData(Writer& w, const std::string& s) {
  std::u16string u = ToUtf16(s);
  w.U16(static_cast<unsigned>(u.size()));
  for (char16_t c : u) w.U16(c);
}

bool ReadStringData(Reader& r, bool unicode, std::string& out) {
  unsigned count = 0;
  if (!r.U16(count)) return false;
  if (!unicode) {
    if (!r.Has(count)) return false;
    out.assign(reinterpret_cast<const char*>(r.At(r.Pos())), count);
    return r.Skip(count);
  }
  std::u16string u;
  for (unsigned i = 0; i < count; ++i) {
    unsigned c = 0;
    if (!r.U16(c)) return false;
    u.push_back(static_cast<char16_t>(c));
  }
  out = FromUtf16(u);
  return true;
}

// A zero-terminated string at `offset` of a block of `size` bytes, 8-bit or UTF-16LE.
bool AnsiAt(const std::uint8_t* block, size_t size, size_t offset, std::string& out) {
  for (size_t end = offset; end < size; ++end) {
    if (block[end] == 0) {
      out.assign(reinterpret_cast<const char*>(block + offset), end - offset);
      return true;
    }
  }
  return false;
}

bool Utf16At(const std::uint8_t* block, size_t size, size_t offset, std::string& out) {
  std::u16string u;
  for (size_t at = offset; at + 1 < size; at += 2) {
    auto c = static_cast<char16_t>(block[at] | (block[at + 1] << 8));
    if (c == 0) {
      out = FromUtf16(u);
      return true;
    }
    u.push_back(c);
  }
  return false;
}

// The target of a LinkInfo: the local base path followed by the common path suffix.
bool ReadLinkInfo(Reader& r, LinkData& link) {
  size_t start = r.Pos();
  DWORD size = 0, headerSize = 0, flags = 0, volumeOffset = 0, baseOffset = 0, networkOffset = 0,
        suffixOffset = 0, baseOffsetUnicode = 0, suffixOffsetUnicode = 0;
  if (!r.U32(size) || size < kLinkInfoHeaderSize || !r.Has(size - 4)) return false;
  r.U32(headerSize);
  r.U32(flags);
  r.U32(volumeOffset);
  r.U32(baseOffset);
  r.U32(networkOffset);
  r.U32(suffixOffset);
  if (headerSize >= 0x24) {
    r.U32(baseOffsetUnicode);
    r.U32(suffixOffsetUnicode);
  }
  const std::uint8_t* block = r.At(start);
  std::string base, suffix;
  if (flags & kVolumeIdAndLocalBasePath) {
    bool ok = baseOffsetUnicode ? Utf16At(block, size, baseOffsetUnicode, base)
                                : AnsiAt(block, size, baseOffset, base);
    if (!ok) return false;
    if (volumeOffset <= size - 8) {
      const std::uint8_t* v = block + volumeOffset + 4;
      link.driveType = v[0] | (v[1] << 8) | (v[2] << 16) | (static_cast<DWORD>(v[3]) << 24);
    }
  }
  if (suffixOffsetUnicode) Utf16At(block, size, suffixOffsetUnicode, suffix);
  else if (suffixOffset) AnsiAt(block, size, suffixOffset, suffix);
  link.target = base + suffix;
  return r.Skip(start + size - r.Pos());
}

}  // namespace

std::vector<std::uint8_t> Encode(const LinkData& link) {
  DWORD flags = kIsUnicode;
  if (!link.target.empty()) flags |= kHasLinkInfo;
  if (!link.description.empty()) flags |= kHasName;
  if (!link.relativePath.empty()) flags |= kHasRelativePath;
  if (!link.workingDirectory.empty()) flags |= kHasWorkingDir;
  if (!link.arguments.empty()) flags |= kHasArguments;
  if (!link.iconLocation.empty()) flags |= kHasIconLocation;

  Writer w;
  w.U32(kHeaderSize);
  w.Raw(kLinkClsid, sizeof kLinkClsid);
  w.U32(flags);
  w.U32(link.targetAttributes);
  for (const FILETIME& t : {link.creationTime, link.accessTime, link.writeTime}) {
    w.U32(t.dwLowDateTime);
    w.U32(t.dwHighDateTime);
  }
  w.U32(link.targetSize);
  w.U32(static_cast<DWORD>(link.iconIndex));
  w.U32(static_cast<DWORD>(link.showCommand));
  w.U16(link.hotkey);
  w.U16(0);  // reserved
  w.U32(0);
  w.U32(0);

  if (flags & kHasLinkInfo) {
    // The header, the VolumeID (no label), the local base path and an empty suffix.
    constexpr DWORD kVolumeIdSize = 0x11;  // four fields and the empty label
    DWORD volumeOffset = kLinkInfoHeaderSize;
    DWORD baseOffset = volumeOffset + kVolumeIdSize;
    DWORD suffixOffset = baseOffset + static_cast<DWORD>(link.target.size()) + 1;
    w.U32(suffixOffset + 1);  // LinkInfoSize
    w.U32(kLinkInfoHeaderSize);
    w.U32(kVolumeIdAndLocalBasePath);
    w.U32(volumeOffset);
    w.U32(baseOffset);
    w.U32(0);  // no network location
    w.U32(suffixOffset);
    w.U32(kVolumeIdSize);
    w.U32(link.driveType);
    w.U32(link.volumeSerial);
    w.U32(0x10);  // label offset: the empty label right after these fields
    w.AnsiZ("");
    w.AnsiZ(link.target);
    w.AnsiZ("");
  }

  // String data in the format's fixed order.
  if (flags & kHasName) WriteStringData(w, link.description);
  if (flags & kHasRelativePath) WriteStringData(w, link.relativePath);
  if (flags & kHasWorkingDir) WriteStringData(w, link.workingDirectory);
  if (flags & kHasArguments) WriteStringData(w, link.arguments);
  if (flags & kHasIconLocation) WriteStringData(w, link.iconLocation);

  w.U32(0);  // terminal block: no extra data
  return w.bytes;
}

std::optional<LinkData> Decode(const std::vector<std::uint8_t>& bytes) {
  Reader r(bytes);
  DWORD headerSize = 0, flags = 0;
  if (!r.U32(headerSize) || headerSize != kHeaderSize || !r.Has(kHeaderSize - 4)) return {};
  for (size_t i = 0; i < 16; ++i)
    if (bytes[4 + i] != kLinkClsid[i]) return {};
  r.Skip(16);
  LinkData link;
  r.U32(flags);
  r.U32(link.targetAttributes);
  for (FILETIME* t : {&link.creationTime, &link.accessTime, &link.writeTime}) {
    r.U32(t->dwLowDateTime);
    r.U32(t->dwHighDateTime);
  }
  DWORD icon = 0, show = 0;
  unsigned hotkey = 0;
  r.U32(link.targetSize);
  r.U32(icon);
  r.U32(show);
  r.U16(hotkey);
  r.Skip(10);
  link.iconIndex = static_cast<int>(icon);
  link.showCommand = static_cast<int>(show);
  link.hotkey = static_cast<WORD>(hotkey);

  if (flags & kHasLinkTargetIdList) {
    unsigned listSize = 0;
    if (!r.U16(listSize) || !r.Skip(listSize)) return {};
  }
  if ((flags & kHasLinkInfo) && !ReadLinkInfo(r, link)) return {};
  bool unicode = flags & kIsUnicode;
  const std::pair<DWORD, std::string*> strings[] = {
      {kHasName, &link.description},
      {kHasRelativePath, &link.relativePath},
      {kHasWorkingDir, &link.workingDirectory},
      {kHasArguments, &link.arguments},
      {kHasIconLocation, &link.iconLocation},
  };
  for (const auto& [bit, field] : strings)
    if ((flags & bit) && !ReadStringData(r, unicode, *field)) return {};
  return link;
}

}  // namespace vp::shelllink
