// The hive's text form: a save and a load give back every key and every value byte for byte,
// in any script, and text the parser does not fully understand, or that breaks the registry's
// bounds, is refused as a whole.
#include <gtest/gtest.h>


#include "registry/hive_model.h"

namespace vp::registry {
namespace {

// UTF-16LE bytes of a UTF-8 text, ended by a zero unit: a REG_SZ as the hive keeps it.
std::string Sz(std::string_view utf8) { return WideFromName(utf8) + std::string(2, '\0'); }

std::unique_ptr<Key> SampleTree() {
  auto root = std::make_unique<Key>("HKEY_CURRENT_USER");
  root->SetValue("", 1, Sz("root default"));
  Key& maker = root->AddSubkey("Software").AddSubkey("Maker [x] \"q\"");
  maker.SetValue("Plain", 1, Sz("C:\\Program Files\\\"x\""));
  maker.SetValue("Line\nBreak \"name\" \\", 1, Sz("two\r\nlines"));
  maker.SetValue("HighBytes", 1, WideFromAnsi(std::string("caf\xe9 \x80\x81\x8d\x9f\xff\0", 12)));
  maker.SetValue("NoTerminator", 1, WideFromName("abc"));
  maker.SetValue("InnerZero", 1, WideFromName(std::string("a\0b\0", 4)));
  maker.SetValue("OddWide", 2, std::string("%PATH%\0", 7));
  maker.SetValue("LoneSurrogate", 1, std::string("\x3d\xd8\x41\x00\x00\x00", 6));
  maker.SetValue("Multi", 7, WideFromName(std::string("a\0bc\0\0", 6)));
  Key& unicode = root->AddSubkey("Software").AddSubkey("Данные");
  unicode.SetValue("Ключ", 1, Sz("first"));
  unicode.SetValue("Цвет", 1, Sz("second"));
  unicode.SetValue("Name", 1, Sz("日本語 😀"));
  unicode.SetValue("Emoji 😀", 2, Sz("%ДОМ%"));
  root->AddSubkey("Software").AddSubkey("Привет").AddSubkey("日本");
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
  Key& session = root->AddSubkey("Volatile Environment");
  session.MakeVolatile();
  session.SetValue("LOGONSERVER", 1, Sz("\\\\HOST"));
  session.AddSubkey("1").MakeVolatile();
  return root;
}

void ExpectSameTree(const Key& a, const Key& b) {
  EXPECT_EQ(a.Name(), b.Name());
  EXPECT_EQ(a.IsVolatile(), b.IsVolatile()) << a.Name();
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
  key.SetValue("Text", 1, Sz("a \"b\" c:\\d"));
  key.SetValue("Number", 4, std::string("\x2a\0\0\0", 4));
  key.SetValue("Bytes", 3, std::string("\x01\xff", 2));
  key.SetValue("Expand", 2, Sz("%A%"));
  key.SetValue("Имя", 1, Sz("日本語"));
  key.SetValue("Pair", 1, Sz("😀"));
  Key& session = key.AddSubkey("Session");
  session.MakeVolatile();
  session.SetValue("Id", 4, std::string("\x07\0\0\0", 4));
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
            "\"Имя\"=\"日本語\"\r\n"
            "\"Pair\"=hex(1):3d,d8,00,de,00,00\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\Maker\\Session]\r\n"
            ";volatile\r\n"
            "\"Id\"=dword:00000007\r\n"
            "\r\n");
}

// The marker belongs to the section it is in; the hive's root, and the text before the first
// section, take it as a plain comment.
TEST(HiveFormat, TheVolatileMarkerMarksItsSectionsKeyOnly) {
  auto tree = ParseHive(
      "Windows Registry Editor Version 5.00\n"
      ";volatile\n"
      "[HKEY_CURRENT_USER]\n"
      ";volatile\n"
      "\"Root\"=dword:1\n"
      "[HKEY_CURRENT_USER\\Session]\n"
      "\"Id\"=dword:1\n"
      ";volatile\n"
      "[HKEY_CURRENT_USER\\Session\\Kept]\n"
      "; volatile\n"
      "[HKEY_CURRENT_USER\\Other]\n",
      "HKEY_CURRENT_USER");
  ASSERT_NE(tree, nullptr);
  EXPECT_FALSE(tree->IsVolatile());
  ASSERT_NE(tree->FindValue("Root"), nullptr);
  const Key* session = tree->FindSubkey("Session");
  EXPECT_TRUE(session->IsVolatile());
  EXPECT_NE(session->FindValue("Id"), nullptr);
  EXPECT_FALSE(session->FindSubkey("Kept")->IsVolatile());  // another comment
  EXPECT_FALSE(tree->FindSubkey("Other")->IsVolatile());
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
  EXPECT_EQ(x->FindValue("")->data, Sz("default"));
  EXPECT_EQ(x->FindValue("bin")->data, "\x01\x02\x03\x04");
  EXPECT_EQ(x->FindValue("D")->data, std::string("\xff\0\0\0", 4));
  EXPECT_EQ(x->FindValue("E")->data, std::string("A\0\0\0", 4));
}

TEST(HiveFormat, AnEightBitFileIsReadInTheCodePage) {
  auto tree = ParseHive("Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\Caf\xe9]\r\n"
                        "\"\x80\"=\"\xe9\"\r\n",
                        "HKEY_CURRENT_USER");
  ASSERT_NE(tree, nullptr);
  const Key* key = tree->FindSubkey("Café");
  ASSERT_NE(key, nullptr);
  ASSERT_NE(key->FindValue("€"), nullptr);
  EXPECT_EQ(key->FindValue("€")->data, Sz("é"));
}

// A key `depth` levels deep, each name `length` letters, as one section of a hive file.
std::string DeepHive(std::size_t depth, std::size_t length) {
  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER";
  for (std::size_t i = 0; i < depth; ++i) text += "\\" + std::string(length, static_cast<char>('a' + i % 26));
  return text + "]\r\n";
}

TEST(HiveFormat, KeepsTheRegistrysBounds) {
  // At the bounds a hive loads and saves, and loads again the same; one past them it is damaged.
  // The deepest hive repeats its whole path in each level's section, so the file is as large as
  // the format makes it.
  auto deepest = ParseHive(DeepHive(kMaxKeyDepth, 40), "HKEY_CURRENT_USER");
  ASSERT_NE(deepest, nullptr);
  std::string saved = SerializeHive(*deepest, "HKEY_CURRENT_USER");
  auto again = ParseHive(saved, "HKEY_CURRENT_USER");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(SerializeHive(*again, "HKEY_CURRENT_USER"), saved);
  std::size_t depth = 0;
  for (const Key* k = again.get(); !k->Subkeys().empty(); k = k->Subkeys()[0].get()) ++depth;
  EXPECT_EQ(depth, kMaxKeyDepth);
  EXPECT_EQ(ParseHive(DeepHive(kMaxKeyDepth + 1, 1), "HKEY_CURRENT_USER"), nullptr);

  EXPECT_NE(ParseHive(DeepHive(2, kMaxKeyNameUnits), "HKEY_CURRENT_USER"), nullptr);
  EXPECT_EQ(ParseHive(DeepHive(2, kMaxKeyNameUnits + 1), "HKEY_CURRENT_USER"), nullptr);
  // Units count, not bytes: 255 emoji are 510 units.
  std::string emoji;
  for (int i = 0; i < 128; ++i) emoji += "😀";
  EXPECT_EQ(ParseHive("Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\" + emoji + "]\r\n",
                      "HKEY_CURRENT_USER"),
            nullptr);
  const std::string key = "Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\K]\r\n";
  EXPECT_NE(ParseHive(key + "\"" + std::string(kMaxValueNameUnits, 'v') + "\"=dword:1\r\n", "HKEY_CURRENT_USER"),
            nullptr);
  EXPECT_EQ(ParseHive(key + "\"" + std::string(kMaxValueNameUnits + 1, 'v') + "\"=dword:1\r\n", "HKEY_CURRENT_USER"),
            nullptr);
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

TEST(HiveModel, NamesOfEveryScriptFoldAndStayApart) {
  Key key("K");
  key.AddSubkey("Данные");
  key.AddSubkey("Привет");
  key.AddSubkey("ДАННЫЕ");  // the same key in another case
  key.AddSubkey("Été");
  EXPECT_EQ(key.Subkeys().size(), 3u);
  EXPECT_NE(key.FindSubkey("данные"), nullptr);
  EXPECT_NE(key.FindSubkey("ÉTÉ"), nullptr);
  EXPECT_EQ(key.FindSubkey("??????"), nullptr);
  // Two names that read alike in the code page remain two values.
  key.SetValue("Ключ", 1, "a");
  key.SetValue("Цвет", 1, "b");
  EXPECT_EQ(AnsiFromName("Ключ"), "????");
  EXPECT_EQ(key.FindValue("Ключ")->data, "a");
  EXPECT_EQ(key.FindValue("цвет")->data, "b");
}

TEST(HiveStrings, ConversionsKeepEveryUnit) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  std::string wide = WideFromAnsi(all);
  EXPECT_EQ(wide.size(), 512u);
  EXPECT_EQ(wide.substr(0x80 * 2, 2), "\xac\x20");  // the euro sign
  EXPECT_EQ(AnsiFromWide(wide), all);
  EXPECT_EQ(AnsiFromName(NameFromAnsi(all)), all);

  // Names: well-formed or not, every UTF-16 sequence comes back unchanged.
  const std::string samples[] = {WideFromName("Данные 日本語 😀"), std::string("\x3d\xd8", 2),
                                 std::string("\x00\xdc\x41\x00\x3d\xd8", 6)};
  for (const std::string& units : samples) EXPECT_EQ(WideFromName(NameFromWide(units)), units);
  EXPECT_EQ(NameUnits("a😀Ж"), 4u);
  // What the code page lacks reads as one '?' a unit; an odd last byte stays.
  EXPECT_EQ(AnsiFromName("é😀Ж"), "\xe9???");
  EXPECT_EQ(AnsiFromWide(WideFromName("€Ж") + "x"), "\x80?x");
}

}  // namespace
}  // namespace vp::registry
