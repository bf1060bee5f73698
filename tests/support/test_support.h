// Helpers shared by every test executable, written on the platform API so that the same test
// runs on the POSIX layer and on Windows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vp::test {

// A fresh, empty Windows folder for the running test ("C:\vptest-<pid>-<n>\<Suite>.<Test>").
std::string TestFolder();

// Writes a file with the given content through CreateFileA/WriteFile; true on success.
bool WriteTextFile(const std::string& path, const std::string& content);
// Reads a whole file; empty when it cannot be opened.
std::string ReadTextFile(const std::string& path);
// The names FindFirstFileA finds for a pattern ("C:\\x\\*.dmp"), in the order it gives them.
std::vector<std::string> NamesMatching(const std::string& pattern);
bool PathExists(const std::string& path);
bool IsFolder(const std::string& path);
// Removes a tree (clearing read-only bits first); used for clean-up only.
void RemoveTree(const std::string& path);

// True when running under wine (a Windows build); lets a case state a known difference.
bool RunningUnderWine();

// True under wine where wine is known to differ from Windows' documented behaviour; the case
// then skips that one expectation and records why (shown in the test report).
bool WineDiffers(const char* why);

// Full path of this test executable's folder, with a trailing backslash.
std::string ExecutableFolder();

}  // namespace vp::test

namespace vp::test {

// Child processes: a test executable started with "--vp-child=<name> [argument]" runs the
// registered child function instead of the tests and exits with its result.
using ChildFunction = int (*)(const std::string& argument);
bool RegisterChild(const char* name, ChildFunction function);
// Runs this executable as the named child and waits; returns its exit code (-1 if it could not
// start or did not end normally).
int RunChild(const std::string& name, const std::string& argument = "");
// Starts the named child without waiting; returns an opaque id for WaitChild, or 0.
std::intptr_t StartChild(const std::string& name, const std::string& argument = "");
int WaitChild(std::intptr_t id);
// Starts the test executable found at `program` (a copy of this one, Windows path) as the
// named child; an id for WaitChild or KillChild, or 0.
std::intptr_t StartChildFrom(const std::string& program, const std::string& name, const std::string& argument = "");
// Ends a child at once, as a crash or a kill would (no clean-up of its own), and waits for it.
void KillChild(std::intptr_t id);
// Dispatches "--vp-child=..." arguments; returns true and sets `exitCode` when it ran a child.
bool RunChildIfAsked(int argc, char** argv, int* exitCode);

}  // namespace vp::test

#define VP_CHILD(name)                                                                   \
  static int VpChild_##name(const std::string& argument);                               \
  static const bool vp_child_registered_##name = vp::test::RegisterChild(#name, VpChild_##name); \
  static int VpChild_##name([[maybe_unused]] const std::string& argument)
