// The journal's records: replay rebuilds what the changes made, replaying twice changes
// nothing, a record cut short by a crash ends the journal quietly, and damage (a bad length
// field among them) is told apart.
#include <gtest/gtest.h>

#include "registry/hive_journal.h"

namespace vp::registry {
namespace {

std::vector<Change> SampleChanges() {
  return {
      Change{Change::kCreateKey, {"Software", "Данные", "日本"}, {}, 0, {}},
      Change{Change::kSetValue, {"Software", "Данные"}, "Ключ", 1, WideFromName("first") + std::string(2, '\0')},
      Change{Change::kSetValue, {"Software", "Данные"}, "Цвет", 3, std::string("\0\1\2", 3)},
      Change{Change::kSetValue, {"Software", "App"}, "", 4, "\x2a\0\0\0"},
      Change{Change::kDeleteValue, {"Software", "Данные"}, "ключ", 0, {}},
      Change{Change::kSetValue, {"Software", "Данные"}, "Ключ", 1, "again"},
      Change{Change::kDeleteKey, {"Software", "Данные", "日本"}, {}, 0, {}},
      Change{Change::kCreateKey, {"Software", "Gone"}, {}, 0, {}},
      Change{Change::kDeleteKey, {"Software", "Gone"}, {}, 0, {}},
  };
}

std::string Records(const std::vector<Change>& changes) {
  std::string bytes;
  for (const Change& c : changes) bytes += EncodeRecord(c);
  return bytes;
}

std::string Saved(const Key& root) { return SerializeHive(root, "HKEY_CURRENT_USER"); }

TEST(HiveJournal, ReplayRebuildsTheChangesAndIsIdempotent) {
  Key applied("HKEY_CURRENT_USER");
  for (const Change& c : SampleChanges()) ASSERT_TRUE(ApplyChange(applied, c));
  const Key* data = applied.FindSubkey("Software")->FindSubkey("данные");
  ASSERT_NE(data, nullptr);
  ASSERT_EQ(data->Values().size(), 2u);
  EXPECT_EQ(data->Values()[0].name, "Цвет");  // a value set again goes last
  EXPECT_EQ(data->Values()[1].data, "again");
  EXPECT_TRUE(data->Subkeys().empty());
  EXPECT_EQ(applied.FindSubkey("Software")->FindSubkey("Gone"), nullptr);

  std::string records = Records(SampleChanges());
  Key replayed("HKEY_CURRENT_USER");
  ReplayResult result = ReplayRecords(records, replayed);
  EXPECT_FALSE(result.damaged);
  EXPECT_EQ(result.consumed, records.size());
  EXPECT_EQ(Saved(replayed), Saved(applied));
  // A crash after the hive was rewritten but before the journal went leaves both: replaying the
  // journal over the hive that already holds it gives the same hive.
  ReplayRecords(records, replayed);
  EXPECT_EQ(Saved(replayed), Saved(applied));
}

TEST(HiveJournal, ARecordCutShortEndsTheJournal) {
  std::vector<Change> changes = SampleChanges();
  std::string whole = Records({changes.begin(), changes.end() - 1});
  std::string last = EncodeRecord(changes.back());
  for (std::size_t cut = 0; cut < last.size(); ++cut) {
    Key root("HKEY_CURRENT_USER");
    ReplayResult result = ReplayRecords(whole + last.substr(0, cut), root);
    EXPECT_FALSE(result.damaged) << cut;
    EXPECT_EQ(result.consumed, whole.size()) << cut;
  }
  Key root("HKEY_CURRENT_USER");
  ReplayResult zeros = ReplayRecords(whole + std::string(100, '\0'), root);
  EXPECT_FALSE(zeros.damaged);
  EXPECT_EQ(zeros.consumed, whole.size());
}

TEST(HiveJournal, DamageBeforeTheLastRecordIsDamage) {
  std::string records = Records(SampleChanges());
  std::string first = EncodeRecord(SampleChanges()[0]);
  for (std::size_t at : {std::size_t{0}, std::size_t{5}, first.size() - 1}) {
    std::string bad = records;
    bad[at] = static_cast<char>(bad[at] ^ 0x40);
    Key root("HKEY_CURRENT_USER");
    EXPECT_TRUE(ReplayRecords(bad, root).damaged) << at;
  }
  // A record that breaks the registry's bounds is damage too.
  Change deep{Change::kCreateKey, std::vector<std::string>(kMaxKeyDepth + 1, "k"), {}, 0, {}};
  Change longName{Change::kSetValue, {"K"}, std::string(kMaxValueNameUnits + 1, 'v'), 4, "1234"};
  for (const Change& c : {deep, longName}) {
    Key root("HKEY_CURRENT_USER");
    EXPECT_FALSE(ApplyChange(root, c));
    EXPECT_TRUE(ReplayRecords(EncodeRecord(c), root).damaged);
    EXPECT_TRUE(root.Subkeys().empty());
  }
}

// A length field is the one thing that decides where the next record starts: one that runs
// past the end ends the journal quietly only over what a crash can leave (the start of one
// record, perhaps then zeros), never over whole records.
TEST(HiveJournal, ALengthRunningPastTheEndIsACutOnlyWhereNothingWholeFollows) {
  std::vector<Change> changes;
  for (int i = 0; i < 50; ++i)
    changes.push_back(Change{Change::kSetValue, {"Software", "App"}, "Value" + std::to_string(10 + i), 4, "\x2a\0\0\0"});
  std::string records = Records(changes);
  const std::size_t size = EncodeRecord(changes[0]).size();  // every record has the same size here
  auto withLength = [&](std::size_t record, std::uint32_t length) {
    std::string bytes = records;
    for (int i = 0; i < 4; ++i) bytes[record * size + i] = static_cast<char>(length >> (8 * i) & 0xFF);
    return bytes;
  };
  const auto total = static_cast<std::uint32_t>(records.size());
  for (std::size_t record : {std::size_t{0}, std::size_t{19}, std::size_t{49}}) {
    for (std::uint32_t length : {0xFFFFFFFFu, 0x00100000u, total, static_cast<std::uint32_t>(size)}) {
      Key root("HKEY_CURRENT_USER");
      ReplayResult result = ReplayRecords(withLength(record, length), root);
      EXPECT_TRUE(result.damaged) << record << " " << length;
      EXPECT_EQ(result.consumed, record * size) << record << " " << length;
    }
  }
  // The last record cut short, with the zeros of a file that grew before its data came, ends
  // the journal after the whole records.
  std::string cut = records.substr(0, records.size() - size / 2) + std::string(size, '\0');
  Key root("HKEY_CURRENT_USER");
  ReplayResult result = ReplayRecords(cut, root);
  EXPECT_FALSE(result.damaged);
  EXPECT_EQ(result.consumed, 49 * size);
  EXPECT_EQ(root.FindSubkey("Software")->FindSubkey("App")->Values().size(), 49u);
}

TEST(HiveJournal, TheHeaderNamesTheHiveItContinues) {
  std::uint64_t named = 0;
  std::string header = JournalHeader(Checksum("hive text"));
  ASSERT_EQ(header.size(), kJournalHeaderSize);
  ASSERT_TRUE(ReadJournalHeader(header, &named));
  EXPECT_EQ(named, Checksum("hive text"));
  EXPECT_NE(named, Checksum("hive texT"));
  EXPECT_FALSE(ReadJournalHeader("VPREGJ02" + header.substr(8), &named));
  EXPECT_FALSE(ReadJournalHeader(header.substr(0, 10), &named));
}

}  // namespace
}  // namespace vp::registry
