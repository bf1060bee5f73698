// Writing a file so that its final name never holds a partial copy: the bytes go to a temporary
// file in the target's folder, which is flushed and then renamed over the target. A link in the
// target's place is replaced by the file, never written through.
#pragma once

#include <string>

namespace files {

enum class CopyOutcome {
  kCopied,    // the target now holds the whole source
  kNoSource,  // nothing to copy: the source does not exist
  kFailed,    // the source exists but the target could not be written; the target is as before,
              // and GetLastError tells why
};

CopyOutcome CopyIntoPlace(const std::string& source, const std::string& target);

// Writes `bytes` as the whole content of `target` the same way: under a temporary name,
// flushed, then renamed over it. False, with `target` as before, when that fails.
bool WriteIntoPlace(const std::string& target, const std::string& bytes);
// The whole content of the file at `path`; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string* bytes);

// True when both files exist and hold the same bytes.
bool SameFileContent(const std::string& a, const std::string& b);

}  // namespace files
