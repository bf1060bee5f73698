// Code-page conversions between 8-bit and wide strings. The system code page of the emulated
// machine is Windows-1252; UTF-8 is offered as well.
#include <cstring>
#include <string>

#include "platform/posix/shell/com.h"
#include "platform/posix/core/errors.h"

namespace {

constexpr DWORD kNoUnicodeTranslation = 1113;  // ERROR_NO_UNICODE_TRANSLATION

// Windows-1252 bytes 0x80..0x9F; the five bytes without a character map to the C1 controls.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t FromCp1252(unsigned char c) {
  return (c >= 0x80 && c <= 0x9F) ? kCp1252High[c - 0x80] : c;
}

// The 1252 byte of a character, or -1 when the code page has none.
int ToCp1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == c) return 0x80 + i;
  return -1;
}

// Decodes UTF-8; false on a malformed sequence (which becomes U+FFFD in `out`).
bool DecodeUtf8(const unsigned char* s, size_t n, std::u32string& out) {
  static constexpr char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
  bool clean = true;
  for (size_t i = 0; i < n;) {
    unsigned char c = s[i];
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    bool ok = extra >= 0 && i + static_cast<size_t>(extra) < n;
    char32_t cp = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
    for (int k = 1; ok && k <= extra; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) ok = false;
      else cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    if (ok && (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
    if (!ok) {
      out.push_back(0xFFFD);
      clean = false;
      ++i;
      continue;
    }
    out.push_back(cp);
    i += static_cast<size_t>(extra) + 1;
  }
  return clean;
}

void EncodeUtf8(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

bool IsAnsi(UINT codePage) { return codePage == CP_ACP || codePage == CP_OEMCP || codePage == 1252; }

}  // namespace

UINT GetACP() { return 1252; }

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wide,
                        int wideSize) {
  if (!text || length < -1 || length == 0 || wideSize < 0 || (wideSize > 0 && !wide) ||
      (!IsAnsi(codePage) && codePage != CP_UTF8)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t n = length == -1 ? std::strlen(text) + 1 : static_cast<size_t>(length);
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  std::u32string chars;
  if (codePage == CP_UTF8) {
    if (!DecodeUtf8(bytes, n, chars) && (flags & MB_ERR_INVALID_CHARS)) {
      SetLastError(kNoUnicodeTranslation);
      return 0;
    }
  } else {
    for (size_t i = 0; i < n; ++i) chars.push_back(FromCp1252(bytes[i]));
  }
  int needed = static_cast<int>(chars.size());
  if (wideSize == 0) return needed;
  if (needed > wideSize) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  for (int i = 0; i < needed; ++i) wide[i] = static_cast<WCHAR>(chars[i]);
  return needed;
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR wide, int length, LPSTR text, int size,
                        LPCSTR defaultChar, BOOL* usedDefault) {
  bool utf8 = codePage == CP_UTF8;
  if (!wide || length < -1 || length == 0 || size < 0 || (size > 0 && !text) ||
      (!IsAnsi(codePage) && !utf8) || (utf8 && (defaultChar || usedDefault))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t n = 0;
  if (length == -1) {
    while (wide[n] != 0) ++n;
    ++n;
  } else {
    n = static_cast<size_t>(length);
  }
  std::string out;
  bool defaulted = false;
  for (size_t i = 0; i < n; ++i) {
    auto cp = static_cast<char32_t>(wide[i]);
    if (utf8) {
      EncodeUtf8(cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) ? 0xFFFD : cp, out);
      continue;
    }
    int b = ToCp1252(cp);
    if (b < 0) {
      defaulted = true;
      out.push_back(defaultChar ? *defaultChar : '?');
    } else {
      out.push_back(static_cast<char>(b));
    }
  }
  if (usedDefault) *usedDefault = defaulted ? TRUE : FALSE;
  int needed = static_cast<int>(out.size());
  if (size == 0) return needed;
  if (needed > size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(text, out.data(), out.size());
  return needed;
}
