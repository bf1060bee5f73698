// The staged install's text records: lines of tab-separated fields, with hex for fields that
// may hold any byte.
#pragma once

#include <string>
#include <vector>

namespace staging {

std::string ToHex(const std::string& bytes);
// The bytes of a hex text; digits that do not pair up, or are not hex, end it.
std::string FromHex(const std::string& hex);

// The complete lines of `text` (a last line without its line break is left out), each split at
// its tabs.
std::vector<std::vector<std::string>> SplitRecords(const std::string& text);

}  // namespace staging
