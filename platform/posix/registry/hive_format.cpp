// The hive files' text form, the ".reg" format that regedit imports and exports:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Maker]
//   "Text"="plain printable text"
//   "Number"=dword:0000002a
//   "Bytes"=hex:01,02,03
//   "Other"=hex(7):41,00,00,00,00,00
//
// Every key has its own section (so empty keys survive), parents before children, subkeys in
// registry order. A volatile key's section starts with the comment line ";volatile": the
// emulated machine never restarts, so its volatile keys stay in the file like the others, and
// the marker keeps what the registry must refuse below them (a non-volatile child); importers
// skip it as any comment and make the key non-volatile. A REG_SZ is written as a quoted string only when that form gives back exactly
// the same bytes; every other value is written as hex, string types in UTF-16LE as the registry
// keeps them, so that a load followed by a save reproduces every value byte for byte.
// The file itself is UTF-16LE with a byte order mark, as regedit exports: importers read the
// hex of string types as UTF-16 only in such a file. An 8-bit file is read too, as code page
// 1252; its string types' hex is then in the code page, as importers read it.
// Internally the text is UTF-8 (hive_strings.h), so names need no conversion while parsing.
#include <cstdio>
#include <optional>
#include <vector>

#include "hive_model.h"

namespace vp::registry {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kVolatileMarker = ";volatile";
constexpr std::size_t kHexWrapColumn = 76;
constexpr char kHexDigits[] = "0123456789abcdef";

void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  out += '"';
}

// A REG_SZ that reads back identically from its quoted form: printable characters ended by one
// zero (surrogates, byte order marks and non-characters are left to the hex form).
bool FitsQuotedForm(const Value& v) {
  const std::string& d = v.data;
  if (v.type != 1 || d.size() < 2 || d.size() % 2 != 0 || d[d.size() - 1] || d[d.size() - 2]) return false;
  for (std::size_t i = 0; i + 2 < d.size(); i += 2) {
    char32_t c = static_cast<unsigned char>(d[i]) | static_cast<unsigned char>(d[i + 1]) << 8;
    bool printable = (c >= 0x20 && c <= 0x7E) ||
                     (c >= 0xA0 && (c < 0xD800 || c >= 0xE000) && c != 0xFEFF && c < 0xFFFE);
    if (!printable) return false;
  }
  return true;
}

void AppendHex(std::string& out, std::size_t column, std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    auto b = static_cast<unsigned char>(bytes[i]);
    out += kHexDigits[b >> 4];
    out += kHexDigits[b & 15];
    if (i + 1 == bytes.size()) break;
    out += ',';
    column += 3;
    if (column >= kHexWrapColumn) {
      out += "\\\r\n  ";
      column = 2;
    }
  }
}

void AppendValue(std::string& out, const Value& v) {
  std::size_t lineStart = out.size();
  if (v.name.empty())
    out += '@';
  else
    AppendQuoted(out, v.name);
  out += '=';
  if (FitsQuotedForm(v)) {
    AppendQuoted(out, NameFromWide(std::string_view(v.data).substr(0, v.data.size() - 2)));
  } else if (v.type == 4 && v.data.size() == 4) {
    std::uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = n << 8 | static_cast<unsigned char>(v.data[static_cast<std::size_t>(i)]);
    char text[16];
    std::snprintf(text, sizeof text, "dword:%08x", n);
    out += text;
  } else {
    if (v.type == 3) {
      out += "hex:";
    } else {
      char text[24];
      std::snprintf(text, sizeof text, "hex(%x):", static_cast<unsigned>(v.type));
      out += text;
    }
    AppendHex(out, out.size() - lineStart, v.data);
  }
  out += "\r\n";
}

constexpr std::string_view kByteOrderMark = "\xff\xfe";

void AppendSection(std::string& out, const Key& key, const std::string& path) {
  out += "\r\n[";
  out += path;
  out += "]\r\n";
  if (key.IsVolatile()) {
    out += kVolatileMarker;
    out += "\r\n";
  }
  for (const Value& v : key.Values()) AppendValue(out, v);
}

// Parents before children, depth first, without recursion: the walk keeps its own stack.
void AppendTree(std::string& out, const Key& root, std::string_view rootName) {
  struct Level {
    const Key* key;
    std::size_t next;        // the subkey to visit next
    std::size_t pathLength;  // the length of `path` up to this key
  };
  std::string path(rootName);
  if (!root.Values().empty()) AppendSection(out, root, path);  // the root is never volatile
  std::vector<Level> stack{{&root, 0, path.size()}};
  while (!stack.empty()) {
    Level& top = stack.back();
    if (top.next == top.key->Subkeys().size()) {
      stack.pop_back();
      continue;
    }
    const Key& child = *top.key->Subkeys()[top.next++];
    path.resize(top.pathLength);
    path += '\\';
    path += child.Name();
    AppendSection(out, child, path);
    stack.push_back({&child, 0, path.size()});
  }
}

// Reads the text line by line; lines end with LF or CRLF, and the text must end with one.
class Lines {
 public:
  explicit Lines(std::string_view text) : text_(text) {}
  std::optional<std::string_view> Next() {
    if (pos_ >= text_.size()) return std::nullopt;
    std::size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) {
      truncated_ = true;
      return std::nullopt;
    }
    std::string_view line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  }
  bool Truncated() const { return truncated_; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  bool truncated_ = false;
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Parses a quoted string at the start of `s`, consuming it; nullopt when malformed.
std::optional<std::string> TakeQuoted(std::string_view& s) {
  if (s.empty() || s[0] != '"') return std::nullopt;
  std::string text;
  for (std::size_t i = 1; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') {
      s.remove_prefix(i + 1);
      return text;
    }
    if (c == '\\') {
      if (++i == s.size()) return std::nullopt;
      switch (s[i]) {
        case '\\': text += '\\'; break;
        case '"': text += '"'; break;
        case 'n': text += '\n'; break;
        case 'r': text += '\r'; break;
        default: return std::nullopt;
      }
    } else {
      text += c;
    }
  }
  return std::nullopt;
}

std::optional<std::uint32_t> ParseHexNumber(std::string_view s, std::size_t maxDigits) {
  if (s.empty() || s.size() > maxDigits) return std::nullopt;
  std::uint32_t n = 0;
  for (char c : s) {
    int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    n = n << 4 | static_cast<std::uint32_t>(d);
  }
  return n;
}

// "01,02,\" + continuation lines: two digits a byte, commas between, blanks around.
std::optional<std::string> ParseHexBytes(std::string_view first, Lines& lines) {
  std::string bytes;
  std::string_view s = first;
  bool expectByte = true;
  for (;;) {
    while (!s.empty() && (s[0] == ' ' || s[0] == '\t')) s.remove_prefix(1);
    if (s.empty()) break;
    if (s == "\\") {  // continued on the next line
      auto next = lines.Next();
      if (!next) return std::nullopt;
      s = *next;
      continue;
    }
    if (expectByte) {
      if (s.size() < 2 || HexDigit(s[0]) < 0 || HexDigit(s[1]) < 0) return std::nullopt;
      bytes += static_cast<char>(HexDigit(s[0]) << 4 | HexDigit(s[1]));
      s.remove_prefix(2);
      expectByte = false;
    } else {
      if (s[0] != ',') return std::nullopt;
      s.remove_prefix(1);
      expectByte = true;
    }
  }
  if (expectByte && !bytes.empty()) return std::nullopt;  // a trailing comma
  return bytes;
}

bool ParseValueLine(std::string_view line, Lines& lines, Key& key, bool wideStrings) {
  std::string name;
  if (!line.empty() && line[0] == '@') {
    line.remove_prefix(1);
  } else {
    auto quoted = TakeQuoted(line);
    if (!quoted || NameUnits(*quoted) > kMaxValueNameUnits) return false;
    name = std::move(*quoted);
  }
  if (line.empty() || line[0] != '=') return false;
  line.remove_prefix(1);

  if (!line.empty() && line[0] == '"') {
    auto text = TakeQuoted(line);
    if (!text || !line.empty()) return false;
    key.SetValue(name, 1, WideFromName(*text) + std::string(2, '\0'));
    return true;
  }
  if (line.substr(0, 6) == "dword:") {
    auto n = ParseHexNumber(line.substr(6), 8);
    if (!n) return false;
    std::string data(4, '\0');
    for (std::size_t i = 0; i < 4; ++i) data[i] = static_cast<char>(*n >> (8 * i) & 0xFF);
    key.SetValue(name, 4, std::move(data));
    return true;
  }
  DWORD type = 3;
  if (line.substr(0, 4) == "hex:") {
    line.remove_prefix(4);
  } else if (line.substr(0, 4) == "hex(") {
    std::size_t close = line.find("):");
    if (close == std::string_view::npos) return false;
    auto n = ParseHexNumber(line.substr(4, close - 4), 8);
    if (!n) return false;
    type = *n;
    line.remove_prefix(close + 2);
  } else {
    return false;
  }
  auto bytes = ParseHexBytes(line, lines);
  if (!bytes) return false;
  bool ansi = !wideStrings && IsStringType(type);
  key.SetValue(name, type, ansi ? WideFromAnsi(*bytes) : std::move(*bytes));
  return true;
}

// "[HKEY_CURRENT_USER\A\B]" -> the key A\B under the root, made as needed; null when it is not
// a section of this hive or breaks the bounds of depth and name length.
Key* ParseSection(std::string_view line, std::string_view rootName, Key& root) {
  if (line.size() < 2 || line.back() != ']') return nullptr;
  std::string_view path = line.substr(1, line.size() - 2);
  std::string_view head = path.substr(0, rootName.size());
  if (head.size() != rootName.size() || FoldName(head) != FoldName(rootName)) return nullptr;
  path.remove_prefix(rootName.size());
  Key* key = &root;
  for (std::size_t depth = 1; !path.empty(); ++depth) {
    if (path[0] != '\\' || depth > kMaxKeyDepth) return nullptr;
    path.remove_prefix(1);
    std::size_t end = path.find('\\');
    std::string_view component = path.substr(0, end);
    if (component.empty() || NameUnits(component) > kMaxKeyNameUnits) return nullptr;
    key = &key->AddSubkey(component);
    path.remove_prefix(component.size());
  }
  return key;
}

}  // namespace

std::string SerializeHive(const Key& root, std::string_view rootName) {
  std::string text(kHeader);
  text += "\r\n";
  AppendTree(text, root, rootName);
  text += "\r\n";
  return std::string(kByteOrderMark) + WideFromName(text);
}

std::string HiveText(std::string_view file) {
  if (file.substr(0, 2) == kByteOrderMark) return NameFromWide(file.substr(2));
  return NameFromAnsi(file);
}

std::unique_ptr<Key> ParseHive(std::string_view file, std::string_view rootName) {
  bool wide = file.substr(0, 2) == kByteOrderMark;
  if (wide && file.size() % 2 != 0) return nullptr;  // cut inside a character
  std::string text = HiveText(file);
  Lines lines(text);
  auto header = lines.Next();
  if (!header || *header != kHeader) return nullptr;
  auto root = std::make_unique<Key>(std::string(rootName));
  Key* current = nullptr;
  while (auto line = lines.Next()) {
    // The marker makes its section's key volatile; the hive's root stays as it is, and before
    // any section the marker is a comment like the others.
    if (*line == kVolatileMarker && current && current != root.get()) current->MakeVolatile();
    if (line->empty() || (*line)[0] == ';') continue;
    if ((*line)[0] == '[') {
      current = ParseSection(*line, rootName, *root);
      if (!current) return nullptr;
    } else if (!current || !ParseValueLine(*line, lines, *current, wide)) {
      return nullptr;
    }
  }
  if (lines.Truncated()) return nullptr;
  return root;
}

}  // namespace vp::registry
