#include "staging/text_file.h"

namespace staging {

std::string ToHex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

namespace {
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    int high = HexDigit(hex[i]), low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) break;
    bytes += static_cast<char>(high * 16 + low);
  }
  return bytes;
}

std::vector<std::vector<std::string>> SplitRecords(const std::string& text) {
  std::vector<std::vector<std::string>> records;
  size_t start = 0;
  for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
    std::vector<std::string> fields;
    size_t from = start;
    for (size_t tab = text.find('\t', from); tab != std::string::npos && tab < end;
         tab = text.find('\t', from)) {
      fields.push_back(text.substr(from, tab - from));
      from = tab + 1;
    }
    fields.push_back(text.substr(from, end - from));
    records.push_back(std::move(fields));
    start = end + 1;
  }
  return records;
}

}  // namespace staging
