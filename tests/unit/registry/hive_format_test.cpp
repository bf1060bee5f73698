// The hive's text form: a save and a load give back every key and every value byte for byte,
// and text the parser does not fully understand is refused as a whole.
#include <gtest/gtest.h>

#include "hive_model.h"

namespace vp::registry {
namespace {

std::unique_ptr<Key> SampleTree() {
  auto root = std::make_unique<Key>("HKEY_CURRENT_USER");
  root->SetValue("", 1, std::string("root default\0", 13));
  Key& maker = root->AddSubkey("Software").AddSubkey("Maker [x] \"q\"");
  maker.SetValue("Plain", 1, std::string("C:\\Program Files\\\"x\"\0", 22));
  maker.SetValue("Line\nBreak \"name\" \\", 1, std::string("two\r\nlines\0", 11));
  maker.SetValue("HighBytes", 1, std::string("caf\xe9 \x80\x81\x8d\x9f\xff\0", 12));
  maker.SetValue("NoTerminator", 1, std::string("abc", 3));
  maker.SetValue("InnerZero", 1, std::string("a\0b\0", 4));
  maker.SetValue("OddWide", 2, std::string("%PATH%\0", 7));
  maker.SetValue("Multi", 7, std::string("a\0bc\0\0", 6));
  maker.SetValue("Dword", 4, std::string("\x78\x56\x34\x12", 4));
  maker.SetValue("ShortDword", 4, std::string("\x01", 1));
  maker.SetValue("BigEndian", 5, std::string("\x12\x34\x56\x78", 4));
  maker.SetValue("Qword", 11, std::string("\1\2\3\4\5\6\7\x08", 8));
  maker.SetValue("None", 0, std::string());
  maker.SetValue("Custom", 0x12345678, std::string("\xde\xad", 2));
  std::string bytes;
  for (int i = 0; i < 300; ++i) bytes += static_cast<char>(i);
  maker.SetValue("LongBinary", 3, bytes);
  maker.AddSubkey("Empty");
  maker.AddSubkey("b").AddSubkey("Deeper");
  maker.AddSubkey("A");
  return root;
}

void ExpectSameTree(const Key& a, const Key& b) {
  EXPECT_EQ(a.Name(), b.Name());
  ASSERT_EQ(a.Values().size(), b.Values().size()) << a.Name();
  for (std::size_t i = 0; i < a.Values().size(); ++i) {
    EXPECT_EQ(a.Values()[i].name, b.Values()[i].name);
    EXPECT_EQ(a.Values()[i].type, b.Values()[i].type) << a.Values()[i].name;
    EXPECT_EQ(a.Values()[i].data, b.Values()[i].data) << a.Values()[i].name;
  }
  ASSERT_EQ(a.Subkeys().size(), b.Subkeys().size()) << a.Name();
  for (std::size_t i = 0; i < a.Subkeys().size(); ++i) ExpectSameTree(*a.Subkeys()[i], *b.Subkeys()[i]);
}

TEST(HiveFormat, ALoadGivesBackEveryKeyAndValue) {
  auto tree = SampleTree();
  std::string text = SerializeHive(*tree, "HKEY_CURRENT_USER");
  auto loaded = ParseHive(text, "HKEY_CURRENT_USER");
  ASSERT_NE(loaded, nullptr) << text;
  ExpectSameTree(*tree, *loaded);
  EXPECT_EQ(SerializeHive(*loaded, "HKEY_CURRENT_USER"), text);
}

TEST(HiveFormat, WritesTheFormsRegeditReads) {
  auto root = std::make_unique<Key>("HKEY_CURRENT_USER");
  Key& key = root->AddSubkey("Software").AddSubkey("Maker");
  key.SetValue("Text", 1, std::string("a \"b\" c:\\d\0", 11));
  key.SetValue("Number", 4, std::string("\x2a\0\0\0", 4));
  key.SetValue("Bytes", 3, std::string("\x01\xff", 2));
  key.SetValue("Expand", 2, std::string("%A%\0", 4));
  std::string file = SerializeHive(*root, "HKEY_CURRENT_USER");
  EXPECT_EQ(file.substr(0, 4), std::string("\xff\xfeW\0", 4));  // UTF-16LE with its mark
  EXPECT_EQ(HiveText(file),
            "Windows Registry Editor Version 5.00\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software]\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\Maker]\r\n"
            "\"Text\"=\"a \\\"b\\\" c:\\\\d\"\r\n"
            "\"Number\"=dword:0000002a\r\n"
            "\"Bytes\"=hex:01,ff\r\n"
            "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\r\n"
            "\r\n");
}

TEST(HiveFormat, ReadsLineFeedsContinuationsAndComments) {
  auto tree = ParseHive(
      "Windows Registry Editor Version 5.00\n"
      "; a comment\n"
      "[hkey_current_user\\Software\\X]\n"
      "@=\"default\"\n"
      "\"Bin\"=hex:01,02,\\\n"
      "  03 , 04\n"
      "\"D\"=dword:ff\n"
      "\"E\"=hex(2):41,00\n",  // an 8-bit file's string types are in the code page
      "HKEY_CURRENT_USER");
  ASSERT_NE(tree, nullptr);
  const Key* x = tree->FindSubkey("SOFTWARE")->FindSubkey("x");
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(x->FindValue("")->data, std::string("default\0", 8));
  EXPECT_EQ(x->FindValue("bin")->data, "\x01\x02\x03\x04");
  EXPECT_EQ(x->FindValue("D")->data, std::string("\xff\0\0\0", 4));
  EXPECT_EQ(x->FindValue("E")->data, std::string("A\0", 2));
}

TEST(HiveFormat, RefusesTextItDoesNotFullyUnderstand) {
  const std::string header = "Windows Registry Editor Version 5.00\r\n";
  const char* bodies[] = {
      "[HKEY_CURRENT_USER\\A]\r\n\"V\"=dword:00000001",   // no final line end: cut short
      "[HKEY_CURRENT_USER\\A]\r\n\"V\"=hex:01,0",           // cut inside a byte
      "[HKEY_CURRENT_USER\\A]\r\n\"V\"=hex:01,02,\\\r\n",   // continuation never comes
      "[HKEY_CURRENT_USER\\A]\r\n\"V\"=hex:01,\r\n",        // trailing comma
      "[HKEY_CURRENT_USER\\A]\r\n\"V\"=hex:1,2\r\n",        // one digit a byte
      "[HKEY_CURRENT_USER\\A]\r\n\"V\"=dword:123456789\r\n",
      "[HKEY_CURRENT_USER\\A]\r\n\"V\"=\"open\r\n",
      "[HKEY_CURRENT_USER\\A]\r\n\"V\"=\"bad \\q escape\"\r\n",
      "[HKEY_CURRENT_USER\\A]\r\n\"V\"=-\r\n",
      "[HKEY_CURRENT_USER\\A]\r\nV=\"unquoted name\"\r\n",
      "[HKEY_CURRENT_USER\\A\r\n",
      "[HKEY_LOCAL_MACHINE\\A]\r\n",                     // another hive's key
      "[HKEY_CURRENT_USER\\\\A]\r\n",                    // empty key name
      "[-HKEY_CURRENT_USER\\A]\r\n",
      "\"V\"=dword:00000001\r\n",                         // value before any key
      "garbage\r\n",
  };
  for (const char* body : bodies) EXPECT_EQ(ParseHive(header + body, "HKEY_CURRENT_USER"), nullptr) << body;
  EXPECT_EQ(ParseHive("REGEDIT4\r\n", "HKEY_CURRENT_USER"), nullptr);
  EXPECT_EQ(ParseHive("", "HKEY_CURRENT_USER"), nullptr);
  EXPECT_NE(ParseHive(header, "HKEY_CURRENT_USER"), nullptr);
  std::string wide = SerializeHive(Key("HKEY_CURRENT_USER"), "HKEY_CURRENT_USER");
  EXPECT_NE(ParseHive(wide, "HKEY_CURRENT_USER"), nullptr);
  EXPECT_EQ(ParseHive(wide.substr(0, wide.size() - 1), "HKEY_CURRENT_USER"), nullptr);
}

TEST(HiveModel, NamesFoldCaseAndValuesKeepTheirOrder) {
  Key key("K");
  key.SetValue("Zeta", 4, "1");
  key.SetValue("alpha", 4, "2");
  key.SetValue("ZETA", 4, "3");
  ASSERT_EQ(key.Values().size(), 2u);
  EXPECT_EQ(key.Values()[0].name, "Zeta");
  EXPECT_EQ(key.Values()[0].data, "3");
  EXPECT_TRUE(key.RemoveValue("ZeTa"));
  EXPECT_EQ(key.FindValue("ALPHA")->data, "2");
  EXPECT_EQ(key.FindValue("zeta"), nullptr);

  bool created = false;
  key.AddSubkey("b_");
  key.AddSubkey("B", &created);
  EXPECT_TRUE(created);
  key.AddSubkey("b", &created);
  EXPECT_FALSE(created);
  key.AddSubkey("a");
  ASSERT_EQ(key.Subkeys().size(), 3u);
  EXPECT_EQ(key.Subkeys()[0]->Name(), "a");
  EXPECT_EQ(key.Subkeys()[1]->Name(), "B");
  EXPECT_EQ(key.Subkeys()[2]->Name(), "b_");
}

TEST(HiveModel, CodePageConversionIsReversibleForEveryByte) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  std::string wide = WideFromAnsi(all);
  EXPECT_EQ(wide.size(), 512u);
  EXPECT_EQ(wide.substr(0x80 * 2, 2), "\xac\x20");  // the euro sign
  EXPECT_EQ(AnsiFromWide(wide), all);
}

}  // namespace
}  // namespace vp::registry
