#include "common/product_profile.h"

ProductProfile g_profile;

namespace {

struct VariantNames {
  const char* appType;
  const char* productName;
  const char* dataFolder;
  const char* dbFolder;
  const char* dbFolderMixedCase;
  const char* setupBase;
  const char* terminalExe;
  const char* programFolder;
  const char* backupFolder;
  const char* terminalName;
};

constexpr VariantNames kVariants[] = {
    {"VANTPLUS", "VANTPLUS-TWS", "VANTProData-TWS", "VANTProDB-TWS", "VantProDB-TWS",
     "VANTProSetup", "\\VANTPlusTWS.exe", "VANTPro-TWS", "VNXTBackUpDB-TWS", "VANTPlusTWS"},
    {"FO", "VANTPLUSFO-TWS", "VANTFOData-TWS", "VantFODB-TWS", "VantFODB-TWS", "VANTFOSetup",
     "\\VANTPlusFOTWS.exe", "VANTProFO-TWS", "VANTFOBackUpDB-TWS", "VANTPlusFOTWS"},
    {"CM", "VANTPLUSCM-TWS", "VANTCMData-TWS", "VantCMDB-TWS", "VantCMDB-TWS", "VANTCMSetup",
     "\\VANTPlusCMTWS.exe", "VANTProCM-TWS", "VANTCMBackUpDB-TWS", "VANTPlusCMTWS"},
};

}  // namespace

void SelectProductProfile(const std::string& appType, const std::string& version) {
  for (const VariantNames& v : kVariants) {
    if (appType != v.appType) continue;
    ProductProfile p;
    p.RegistryProductName = v.productName;
    p.RegistryKeyPath = std::string("SOFTWARE\\KORAX\\") + v.productName;
    p.DataFolderName = v.dataFolder;
    p.DbFolderName = v.dbFolder;
    p.DbFolderNameB = v.dbFolderMixedCase;
    p.DbFolderNameC = v.dbFolderMixedCase;
    p.CommonDbSubPath = std::string(v.dbFolderMixedCase) + "\\ComVantPlusDB";
    p.BackupDbFolderName = v.backupFolder;
    p.SetupBaseName = v.setupBase;
    p.SetupExeName = "\\VANTPlusTWSSetup.exe";
    p.TerminalExeName = v.terminalExe;
    p.TerminalName = v.terminalName;
    p.ProgramFolderName = v.programFolder;
    p.InstallerCaption = "VANTPlusTWS Installer " + version;
    g_profile = std::move(p);
    return;
  }
}
