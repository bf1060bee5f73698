// The variant table's rules rather than its words: the names derived from one another agree in
// every variant, no two variants share a place on the disk or in the registry, and a selection
// replaces the whole profile or nothing. The literal names are checked where they are used (the
// operations' tests and the install road).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>

#include "common/product_profile.h"

namespace {

constexpr const char* kVariants[] = {"VANTPLUS", "FO", "CM"};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

TEST(ProductProfile, DerivedNamesAgreeInEveryVariant) {
  for (const char* variant : kVariants) {
    SelectProductProfile(variant, "7.0.3");
    const ProductProfile& p = g_profile;
    EXPECT_EQ(p.RegistryKeyPath, "SOFTWARE\\KORAX\\" + p.RegistryProductName) << variant;
    EXPECT_EQ(p.CommonDbSubPath, p.DbFolderNameB + "\\ComVantPlusDB") << variant;
    EXPECT_EQ(p.DbFolderNameC, p.DbFolderNameB) << variant;
    // One folder, named in two letter cases.
    EXPECT_EQ(Lower(p.DbFolderName), Lower(p.DbFolderNameB)) << variant;
    // The shortcut carries the name of the terminal it starts.
    EXPECT_EQ(p.TerminalExeName, "\\" + p.TerminalName + ".exe") << variant;
    // Every variant's uninstaller is this one program.
    EXPECT_EQ(p.SetupExeName, "\\VANTPlusTWSSetup.exe") << variant;
    EXPECT_EQ(p.InstallerCaption, "VANTPlusTWS Installer 7.0.3") << variant;
  }
  SelectProductProfile("CM", "");
  EXPECT_EQ(g_profile.InstallerCaption, "VANTPlusTWS Installer ");
}

TEST(ProductProfile, NoTwoVariantsShareAFolderAKeyOrATerminal) {
  // Letter case aside, as Windows compares: an uninstall of one variant must not reach another's.
  std::set<std::string> seen;
  for (const char* variant : kVariants) {
    SelectProductProfile(variant, "");
    const ProductProfile& p = g_profile;
    for (const std::string* name : {&p.RegistryProductName, &p.DataFolderName, &p.DbFolderName,
                                    &p.BackupDbFolderName, &p.SetupBaseName, &p.TerminalName,
                                    &p.ProgramFolderName})
      EXPECT_TRUE(seen.insert(Lower(*name)).second) << variant << ": " << *name;
  }
}

TEST(ProductProfile, GoingBackToAVariantRestoresEveryField) {
  SelectProductProfile("VANTPLUS", "1");
  const ProductProfile main = g_profile;
  SelectProductProfile("FO", "1");
  EXPECT_NE(g_profile.DbFolderNameB, main.DbFolderNameB);
  SelectProductProfile("VANTPLUS", "1");
  EXPECT_EQ(g_profile, main);
}

TEST(ProductProfile, AnUnknownTypeChangesNothing) {
  SelectProductProfile("CM", "2");
  const ProductProfile cm = g_profile;
  for (const char* type : {"vantplus", "Fo", "", "VANTPLUS "}) {
    SelectProductProfile(type, "9");
    EXPECT_EQ(g_profile, cm) << type;
  }
}

}  // namespace
