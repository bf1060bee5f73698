#include "hive_strings.h"

namespace vp::registry {
namespace {

// Windows-1252 code points of the bytes 0x80..0x9F; undefined bytes map to the control
// character of the same number, as the system's conversion does.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t FromAnsi(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte;
}

char ToAnsi(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c < 0x100)) return static_cast<char>(c);
  for (int b = 0; b < 32; ++b)
    if (kHighControls[b] == c) return static_cast<char>(0x80 + b);
  return '?';
}

void Encode(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The code point at `*i` of a held name, advancing `*i`. Held names are produced by this file
// only; a stray byte still reads as itself rather than running past the end.
char32_t Decode(std::string_view s, std::size_t* i) {
  auto lead = static_cast<unsigned char>(s[*i]);
  std::size_t extra = lead < 0xC0 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
  if (lead < 0x80 || *i + extra >= s.size()) {
    ++*i;
    return lead;
  }
  char32_t c = lead & (0x3F >> extra);
  for (std::size_t k = 1; k <= extra; ++k) c = c << 6 | (static_cast<unsigned char>(s[*i + k]) & 0x3F);
  *i += extra + 1;
  return c;
}

void AppendUnit(std::string& wide, char32_t unit) {
  wide += static_cast<char>(unit & 0xFF);
  wide += static_cast<char>(unit >> 8 & 0xFF);
}

char32_t Upper(char32_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z' ? c - 0x20 : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c & ~char32_t{1};
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return c & 1 ? c : c - 1;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  return c;
}

}  // namespace

std::string NameFromWide(std::string_view wide) {
  std::string name;
  name.reserve(wide.size() / 2);
  for (std::size_t i = 0; i + 1 < wide.size(); i += 2) {
    char32_t unit = static_cast<unsigned char>(wide[i]) | static_cast<unsigned char>(wide[i + 1]) << 8;
    if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < wide.size()) {
      char32_t low = static_cast<unsigned char>(wide[i + 2]) | static_cast<unsigned char>(wide[i + 3]) << 8;
      if (low >= 0xDC00 && low < 0xE000) {
        Encode(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), name);
        i += 2;
        continue;
      }
    }
    Encode(unit, name);  // a lone surrogate is kept as a code point of its own
  }
  return name;
}

std::string WideFromName(std::string_view name) {
  std::string wide;
  wide.reserve(name.size() * 2);
  for (std::size_t i = 0; i < name.size();) {
    char32_t c = Decode(name, &i);
    if (c >= 0x10000) {
      AppendUnit(wide, 0xD800 + ((c - 0x10000) >> 10));
      AppendUnit(wide, 0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      AppendUnit(wide, c);
    }
  }
  return wide;
}

std::size_t NameUnits(std::string_view name) {
  std::size_t units = 0;
  for (std::size_t i = 0; i < name.size();) units += Decode(name, &i) >= 0x10000 ? 2 : 1;
  return units;
}

std::string NameFromAnsi(std::string_view ansi) {
  std::string name;
  name.reserve(ansi.size());
  for (char c : ansi) Encode(FromAnsi(static_cast<unsigned char>(c)), name);
  return name;
}

std::string AnsiFromName(std::string_view name) {
  std::string ansi;
  ansi.reserve(name.size());
  for (std::size_t i = 0; i < name.size();) {
    char32_t c = Decode(name, &i);
    if (c >= 0x10000) ansi += '?';  // the first of two units
    ansi += ToAnsi(c);
  }
  return ansi;
}

std::string WideFromAnsi(std::string_view ansi) {
  std::string wide;
  wide.reserve(ansi.size() * 2);
  for (char c : ansi) AppendUnit(wide, FromAnsi(static_cast<unsigned char>(c)));
  return wide;
}

std::string AnsiFromWide(std::string_view wide) {
  std::string ansi;
  ansi.reserve(wide.size() / 2 + 1);
  std::size_t i = 0;
  for (; i + 1 < wide.size(); i += 2)
    ansi += ToAnsi(static_cast<unsigned char>(wide[i]) | static_cast<unsigned char>(wide[i + 1]) << 8);
  if (i < wide.size()) ansi += wide[i];
  return ansi;
}

std::string FoldName(std::string_view name) {
  std::string folded;
  folded.reserve(name.size());
  for (std::size_t i = 0; i < name.size();) {
    auto byte = static_cast<unsigned char>(name[i]);
    if (byte < 0x80) {  // the common case, without decoding
      folded += static_cast<char>(byte >= 'a' && byte <= 'z' ? byte - 0x20 : byte);
      ++i;
      continue;
    }
    Encode(Upper(Decode(name, &i)), folded);
  }
  return folded;
}

}  // namespace vp::registry
