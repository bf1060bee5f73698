// Helpers shared by every test executable, written on the platform API so that the same test
// runs on the POSIX layer and on Windows.
#pragma once

#include <string>

namespace vp::test {

// A fresh, empty Windows folder for the running test ("C:\vptest-<pid>\<Suite>.<Test>").
std::string TestFolder();

// Writes a file with the given content through CreateFileA/WriteFile; true on success.
bool WriteTextFile(const std::string& path, const std::string& content);
// Reads a whole file; empty when it cannot be opened.
std::string ReadTextFile(const std::string& path);
bool PathExists(const std::string& path);
bool IsFolder(const std::string& path);
// Removes a tree (clearing read-only bits first); used for clean-up only.
void RemoveTree(const std::string& path);

// True when running under wine (a Windows build); lets a case state a known difference.
bool RunningUnderWine();

// Full path of this test executable's folder, with a trailing backslash.
std::string ExecutableFolder();

}  // namespace vp::test
