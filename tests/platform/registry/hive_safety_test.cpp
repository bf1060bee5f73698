// The store's files under trouble: an empty hive file, names of every script, calls that would
// break the registry's bounds, the journal of a large hive seen by other processes, a file
// rewritten from outside, a damaged journal, links planted in place of the store's files, and a
// lock holder that never lets go.
#include <dirent.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>

#include "registry/hive_store.h"
#include "platform/machine.h"
#include "host_files.h"
#include "platform/win.h"
#include "test_support.h"

namespace {

using vp::test::ReadHost;
using vp::test::WriteHost;

using vp::registry::HiveStore;

std::string HivePath() { return vp::machine::RegistryFolder() + "/HKEY_CURRENT_USER.reg"; }

bool HostExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// A hive file in UTF-16 as the store writes them, from UTF-8 text.
std::string WideFile(const std::string& text) { return "\xff\xfe" + vp::registry::WideFromName(text); }

// A hive above the size that is rewritten by every change: changes go to the journal.
std::string LargeHive() {
  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n"
                     "\r\n[HKEY_CURRENT_USER\\Software\\Large]\r\n";
  for (int i = 0; i < 2000; ++i) text += "\"Value" + std::to_string(i) + "\"=\"text of value\"\r\n";
  return WideFile(text + "\r\n");
}

LONG SetText(HKEY key, const char* name, const std::string& text) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
}

std::string QueryText(HKEY key, const char* name, LONG* status = nullptr) {
  char data[256] = {};
  DWORD size = sizeof data;
  LONG result = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
  if (status) *status = result;
  return result == ERROR_SUCCESS ? std::string(data) : std::string();
}

HKEY Create(const char* path) {
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS)
      << path;
  return key;
}

// Fifty values journaled over a large hive, each in a record of the same size.
std::string JournalFiftyValues(HKEY key) {
  for (int i = 10; i < 60; ++i) EXPECT_EQ(SetText(key, ("Journaled" + std::to_string(i)).c_str(), "x"), ERROR_SUCCESS);
  return ReadHost(HivePath() + ".log");
}

// The journals the store has kept aside, under names of their own beside the hive.
std::vector<std::string> JournalsKeptAside() {
  std::vector<std::string> names;
  const std::string prefix = "HKEY_CURRENT_USER.reg.log.";
  DIR* dir = opendir(vp::machine::RegistryFolder().c_str());
  if (!dir) return names;
  while (struct dirent* entry = readdir(dir))
    if (std::string(entry->d_name).rfind(prefix, 0) == 0) names.push_back(entry->d_name);
  closedir(dir);
  return names;
}

class HiveSafety : public testing::Test {
 protected:
  void TearDown() override {
    HiveStore::SetLockWait(HiveStore::kDefaultLockWait);
    for (const char* suffix : {"", ".log", ".lock"}) unlink((HivePath() + suffix).c_str());
    for (const std::string& name : JournalsKeptAside()) unlink((vp::machine::RegistryFolder() + "/" + name).c_str());
  }
};

TEST_F(HiveSafety, AnEmptyFileIsAnEmptyHive) {
  WriteHost(HivePath(), "");
  HKEY key = Create("Software\\Maker");
  ASSERT_EQ(SetText(key, "Kept", "yes"), ERROR_SUCCESS);
  RegCloseKey(key);
  auto tree = vp::registry::ParseHive(ReadHost(HivePath()), "HKEY_CURRENT_USER");
  ASSERT_NE(tree, nullptr);
  ASSERT_NE(tree->FindSubkey("Software")->FindSubkey("Maker"), nullptr);
}

TEST_F(HiveSafety, NamesAndDataOfEveryScriptSurviveAChange) {
  const std::string original = WideFile(
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software]\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\App]\r\n"
      "\"Ключ\"=\"first\"\r\n\"Цвет\"=\"second\"\r\n\"Name\"=\"日本語\"\r\n"
      "\"Emoji\"=hex(1):3d,d8,00,de,00,00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Данные]\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Привет]\r\n\r\n");
  WriteHost(HivePath(), original);
  HKEY app = Create("Software\\App");
  // The 8-bit calls see what the code page can spell, as Windows shows it.
  EXPECT_EQ(QueryText(app, "Name"), "???");
  EXPECT_EQ(QueryText(app, "Emoji"), "??");
  LONG status = 0;
  QueryText(app, "????", &status);
  EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
  char name[64];
  DWORD length = sizeof name;
  ASSERT_EQ(RegEnumValueA(app, 1, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(name, "????");
  HKEY software = Create("Software");
  std::vector<std::string> keys;
  for (DWORD i = 0;; ++i) {
    length = sizeof name;
    if (RegEnumKeyExA(software, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    keys.emplace_back(name, length);
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"App", "??????", "??????"}));
  RegCloseKey(software);

  // A change and its undoing give back the file byte for byte.
  ASSERT_EQ(SetText(app, "Added", "x"), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteValueA(app, "Added"), ERROR_SUCCESS);
  RegCloseKey(app);
  EXPECT_EQ(ReadHost(HivePath()), original);
}

TEST_F(HiveSafety, CallsKeepTheRegistrysBounds) {
  HKEY key = nullptr;
  std::string longName(256, 'n');
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, ("Software\\" + longName).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_INVALID_PARAMETER);
  std::string deep = "Software";
  for (std::size_t depth = 1; depth < vp::registry::kMaxKeyDepth; ++depth) deep += "\\k";
  HKEY last = Create(deep.c_str());  // the 512th level
  EXPECT_EQ(RegCreateKeyExA(last, "one more", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(SetText(last, std::string(vp::registry::kMaxValueNameUnits + 1, 'v').c_str(), "x"),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(SetText(last, std::string(vp::registry::kMaxValueNameUnits, 'v').c_str(), "x"), ERROR_SUCCESS);
  RegCloseKey(last);
}

VP_CHILD(set_large_value) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Large", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 2;
  return SetText(key, "FromChild", argument) == ERROR_SUCCESS ? 0 : 3;
}

TEST_F(HiveSafety, ALargeHiveJournalsChangesThatOthersSeeAtOnce) {
  const std::string hive = LargeHive();
  WriteHost(HivePath(), hive);
  HKEY key = Create("Software\\Large");
  ASSERT_EQ(SetText(key, "Value7", "changed"), ERROR_SUCCESS);
  EXPECT_EQ(ReadHost(HivePath()), hive);  // not rewritten: the change is in the journal
  EXPECT_TRUE(HostExists(HivePath() + ".log"));

  ASSERT_EQ(vp::test::RunChild("set_large_value", "from another process"), 0);
  EXPECT_EQ(QueryText(key, "FromChild"), "from another process");
  EXPECT_EQ(QueryText(key, "Value7"), "changed");

  // Folded, the hive file holds every change and the journal is gone.
  ASSERT_EQ(vp::registry::StoreOf(vp::registry::Hive::CurrentUser).Fold(), ERROR_SUCCESS);
  EXPECT_FALSE(HostExists(HivePath() + ".log"));
  auto tree = vp::registry::ParseHive(ReadHost(HivePath()), "HKEY_CURRENT_USER");
  ASSERT_NE(tree, nullptr);
  const vp::registry::Key* large = tree->FindSubkey("Software")->FindSubkey("Large");
  EXPECT_EQ(large->FindValue("FromChild")->data, vp::registry::WideFromAnsi(std::string("from another process\0", 21)));
  EXPECT_EQ(large->Values().size(), 2001u);
  RegCloseKey(key);
}

TEST_F(HiveSafety, AFileRewrittenFromOutsideIsWhatTheNextCallReads) {
  // A small hive, rewritten whole by every change.
  HKEY key = Create("Software\\Maker");
  WriteHost(HivePath(), "Windows Registry Editor Version 5.00\r\n\r\n"
                        "[HKEY_CURRENT_USER\\Software\\Maker]\r\n\"Outside\"=\"edited by hand\"\r\n");
  EXPECT_EQ(QueryText(key, "Outside"), "edited by hand");
  RegCloseKey(key);

  // A large hive with changes in its journal: the journal belongs to the file before the edit,
  // so it is not replayed over the new one.
  WriteHost(HivePath(), LargeHive());
  key = Create("Software\\Large");
  ASSERT_EQ(SetText(key, "Journaled", "x"), ERROR_SUCCESS);
  const std::string edited = WideFile(
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Large]\r\n\"Hand\"=\"made\"\r\n");
  WriteHost(HivePath(), edited);
  LONG status = 0;
  QueryText(key, "Journaled", &status);
  EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(QueryText(key, "Hand"), "made");
  ASSERT_EQ(SetText(key, "After", "y"), ERROR_SUCCESS);
  EXPECT_EQ(QueryText(key, "After"), "y");
  RegCloseKey(key);
}

TEST_F(HiveSafety, ADamagedJournalIsNeverWritten) {
  const std::string hive = LargeHive();
  WriteHost(HivePath(), hive);
  HKEY key = Create("Software\\Large");
  ASSERT_EQ(SetText(key, "First", "1"), ERROR_SUCCESS);
  ASSERT_EQ(SetText(key, "Second", "2"), ERROR_SUCCESS);
  std::string journal = ReadHost(HivePath() + ".log");
  journal[vp::registry::kJournalHeaderSize + 9] ^= 0x20;  // inside the first record
  WriteHost(HivePath() + ".log", journal);
  LONG status = 0;
  QueryText(key, "Second", &status);
  EXPECT_EQ(status, ERROR_REGISTRY_CORRUPT);
  EXPECT_EQ(SetText(key, "Third", "3"), ERROR_REGISTRY_CORRUPT);
  EXPECT_EQ(vp::registry::StoreOf(vp::registry::Hive::CurrentUser).Fold(), ERROR_REGISTRY_CORRUPT);
  EXPECT_EQ(ReadHost(HivePath() + ".log"), journal);
  EXPECT_EQ(ReadHost(HivePath()), hive);
  RegCloseKey(key);
}

TEST_F(HiveSafety, ADamagedLengthFieldMidJournalLosesNothing) {
  const std::string hive = LargeHive();
  WriteHost(HivePath(), hive);
  HKEY key = Create("Software\\Large");
  std::string journal = JournalFiftyValues(key);
  const std::size_t record = (journal.size() - vp::registry::kJournalHeaderSize) / 50;
  journal[vp::registry::kJournalHeaderSize + 19 * record + 3] = '\x7f';  // record 20 runs past the end
  WriteHost(HivePath() + ".log", journal);

  testing::internal::CaptureStderr();
  LONG status = 0;
  QueryText(key, "Journaled59", &status);
  EXPECT_EQ(status, ERROR_REGISTRY_CORRUPT);
  EXPECT_EQ(SetText(key, "After", "y"), ERROR_REGISTRY_CORRUPT);
  QueryText(key, "Journaled10", &status);
  EXPECT_EQ(status, ERROR_REGISTRY_CORRUPT);
  std::string told = testing::internal::GetCapturedStderr();
  EXPECT_NE(told.find("is damaged at byte " + std::to_string(vp::registry::kJournalHeaderSize + 19 * record)),
            std::string::npos) << told;

  // Nothing was cut or written, and a copy has a name no store file ever takes.
  EXPECT_EQ(ReadHost(HivePath() + ".log"), journal);
  EXPECT_EQ(ReadHost(HivePath()), hive);
  std::vector<std::string> kept = JournalsKeptAside();
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].rfind("HKEY_CURRENT_USER.reg.log.damaged-", 0), 0u) << kept[0];
  EXPECT_NE(told.find(kept[0]), std::string::npos) << told;
  EXPECT_EQ(ReadHost(vp::machine::RegistryFolder() + "/" + kept[0]), journal);
  RegCloseKey(key);
}

TEST_F(HiveSafety, AJournalThatDoesNotContinueAnEditedHiveIsKeptAside) {
  WriteHost(HivePath(), LargeHive());
  HKEY key = Create("Software\\Large");
  const std::string journal = JournalFiftyValues(key);
  std::string edited = LargeHive();
  edited.insert(edited.size() - 4, vp::registry::WideFromName("\"Hand\"=\"made\"\r\n"));
  WriteHost(HivePath(), edited);

  testing::internal::CaptureStderr();
  EXPECT_EQ(QueryText(key, "Hand"), "made");  // the hive is what was edited
  ASSERT_EQ(SetText(key, "After", "y"), ERROR_SUCCESS);
  std::string told = testing::internal::GetCapturedStderr();

  std::vector<std::string> kept = JournalsKeptAside();
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].rfind("HKEY_CURRENT_USER.reg.log.unmatched-", 0), 0u) << kept[0];
  EXPECT_EQ(ReadHost(vp::machine::RegistryFolder() + "/" + kept[0]), journal);
  EXPECT_NE(told.find("does not continue"), std::string::npos) << told;
  EXPECT_NE(told.find(kept[0]), std::string::npos) << told;
  // The new journal is the edited hive's own; the one kept aside is never touched again.
  ASSERT_EQ(vp::registry::StoreOf(vp::registry::Hive::CurrentUser).Fold(), ERROR_SUCCESS);
  EXPECT_EQ(QueryText(key, "After"), "y");
  EXPECT_EQ(ReadHost(vp::machine::RegistryFolder() + "/" + kept[0]), journal);
  RegCloseKey(key);
}

TEST_F(HiveSafety, LinksInPlaceOfTheStoresFilesAreNeverFollowed) {
  const std::string outside = vp::machine::Root() + "/outside.txt";
  WriteHost(outside, "precious");
  const std::string base = HivePath();
  std::vector<std::string> planted;
  // Links under the names of the store's own files and of its next temporary files.
  auto plant = [&](const std::vector<std::string>& names, bool temporaries) {
    for (const std::string& name : names) {
      std::vector<std::string> links = {name};
      for (int n = 0; temporaries && n < 1024; ++n)  // beyond the names this process used so far
        links.push_back(name + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(n));
      for (const std::string& link : links) {
        unlink(link.c_str());
        ASSERT_EQ(symlink(outside.c_str(), link.c_str()), 0) << link;
        planted.push_back(link);
      }
    }
  };
  plant({base + ".new", base + ".lock"}, false);
  plant({base + ".log", base}, true);
  unlink(base.c_str());

  HKEY key = Create("Software\\Small");  // a small hive: rewritten whole
  ASSERT_EQ(SetText(key, "V", "1"), ERROR_SUCCESS);
  RegCloseKey(key);
  // The rewrite removed what was left under temporary names: plant the journal's again.
  WriteHost(HivePath(), LargeHive());  // a large hive: journaled
  plant({base + ".log"}, true);
  key = Create("Software\\Large");
  ASSERT_EQ(SetText(key, "V", "2"), ERROR_SUCCESS);
  ASSERT_EQ(vp::registry::StoreOf(vp::registry::Hive::CurrentUser).Fold(), ERROR_SUCCESS);
  EXPECT_EQ(QueryText(key, "V"), "2");
  RegCloseKey(key);

  EXPECT_EQ(ReadHost(outside), "precious");
  struct stat st;
  ASSERT_EQ(lstat((base + ".lock").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));  // the link was replaced, not written through
  for (const std::string& link : planted) unlink(link.c_str());
  unlink(outside.c_str());
}

// Takes the hive's lock through the store and keeps it until killed.
VP_CHILD(hold_hive_lock) {
  return vp::registry::StoreOf(vp::registry::Hive::CurrentUser).Write([](vp::registry::Key&, vp::registry::ChangeList&) -> LONG {
    for (;;) pause();
  });
}

TEST_F(HiveSafety, AStoppedLockHolderMakesCallsFailWithinTheBound) {
  HKEY key = Create("Software\\Waiting");
  auto pid = static_cast<pid_t>(vp::test::StartChild("hold_hive_lock"));
  ASSERT_GT(pid, 0);
  // Wait until the child holds the lock, then stop it as a debugger would.
  int probe = open((HivePath() + ".lock").c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
  for (int i = 0; i < 500 && flock(probe, LOCK_SH | LOCK_NB) == 0; ++i) {
    flock(probe, LOCK_UN);
    usleep(10000);
  }
  close(probe);
  kill(pid, SIGSTOP);

  HiveStore::SetLockWait(std::chrono::milliseconds(300));
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(SetText(key, "V", "1"), ERROR_TIMEOUT);
  LONG status = 0;
  QueryText(key, "V", &status);
  EXPECT_EQ(status, ERROR_TIMEOUT);
  auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(600));
  EXPECT_LT(waited, std::chrono::seconds(5));

  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  EXPECT_EQ(SetText(key, "V", "1"), ERROR_SUCCESS);
  RegCloseKey(key);
}

}  // namespace
