#include <gtest/gtest.h>

#include "shell/product_profile.h"

TEST(ProductProfile, EachVariantGetsItsOwnNamesAndTheCaptionItsVersion) {
  SelectProductProfile("FO", "7.0.3");
  EXPECT_EQ(g_profile.RegistryKeyPath, "SOFTWARE\\KORAX\\VANTPLUSFO-TWS");
  EXPECT_EQ(g_profile.DbFolderName, "VantFODB-TWS");
  EXPECT_EQ(g_profile.DataFolderName, "VANTFOData-TWS");
  EXPECT_EQ(g_profile.TerminalExeName, "\\VANTPlusFOTWS.exe");
  EXPECT_EQ(g_profile.CommonDbSubPath, "VantFODB-TWS\\ComVantPlusDB");
  EXPECT_EQ(g_profile.InstallerCaption, "VANTPlusTWS Installer 7.0.3");

  SelectProductProfile("CM", "");
  EXPECT_EQ(g_profile.SetupBaseName, "VANTCMSetup");
  EXPECT_EQ(g_profile.BackupDbFolderName, "VANTCMBackUpDB-TWS");
  EXPECT_EQ(g_profile.ProgramFolderName, "VANTProCM-TWS");
  EXPECT_EQ(g_profile.InstallerCaption, "VANTPlusTWS Installer ");
}

TEST(ProductProfile, GoingBackToTheMainVariantRestoresEveryField) {
  SelectProductProfile("VANTPLUS", "1");
  ProductProfile main = g_profile;
  SelectProductProfile("FO", "1");
  SelectProductProfile("VANTPLUS", "1");
  EXPECT_EQ(g_profile.DbFolderName, "VANTProDB-TWS");
  EXPECT_EQ(g_profile.DbFolderNameB, "VantProDB-TWS");
  EXPECT_EQ(g_profile.DbFolderNameC, "VantProDB-TWS");
  EXPECT_EQ(g_profile.RegistryProductName, "VANTPLUS-TWS");
  EXPECT_EQ(g_profile.TerminalName, "VANTPlusTWS");
  EXPECT_EQ(g_profile.SetupExeName, "\\VANTPlusTWSSetup.exe");
  EXPECT_EQ(g_profile.BackupDbFolderName, "VNXTBackUpDB-TWS");
  EXPECT_EQ(g_profile.InstallerCaption, main.InstallerCaption);
}

TEST(ProductProfile, AnUnknownTypeChangesNothing) {
  SelectProductProfile("CM", "2");
  for (const char* type : {"vantplus", "Fo", "", "VANTPLUS "}) {
    SelectProductProfile(type, "9");
    EXPECT_EQ(g_profile.DbFolderName, "VantCMDB-TWS") << type;
    EXPECT_EQ(g_profile.InstallerCaption, "VANTPlusTWS Installer 2") << type;
  }
}
