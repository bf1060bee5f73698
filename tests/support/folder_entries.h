// Trees of small files for the tests of the installer's file operations, made and listed
// through the platform API.
#pragma once

#include <initializer_list>
#include <set>
#include <string>

namespace vp::test {

// Creates files (content: their own relative path) and folders (names ending in "\") below
// `root`, with the folders on the way; false when one cannot be made.
bool MakeEntries(const std::string& root, std::initializer_list<std::string> entries);

// Every entry below `root`, relative and in lower case, folders with a trailing "\"; links
// are listed but not entered.
std::set<std::string> Listing(const std::string& root);

}  // namespace vp::test
