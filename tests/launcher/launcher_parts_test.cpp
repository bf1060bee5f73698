// The launcher's own rules: which executable names it accepts, what the command line may and
// may not change, and the single-instance mutex across processes.
#include <gtest/gtest.h>

#include <string>

#include "framework/command_line.h"
#include "instance_mutex.h"
#include "platform/win.h"
#include "test_support.h"
#include "variant_table.h"
#include "vnxt_command_line_info.h"

TEST(VariantTable, AcceptsTheThreeNamesInAnyCaseAndNothingElse) {
  struct Case {
    const char* name;
    const char* mutex;
  } accepted[] = {{"VANTPlusTWS.exe", "SWTSULPTNAV"},   {"vantplustws.exe", "SWTSULPTNAV"},
                  {"VANTPLUSFOTWS.EXE", "OFSWTSULPTNAV"}, {"VantPlusCMTws.Exe", "MCSWTSULPTNAV"}};
  for (const Case& c : accepted) {
    const LauncherVariant* v = FindLauncherVariant(c.name);
    ASSERT_NE(v, nullptr) << c.name;
    EXPECT_STREQ(v->mutexName, c.mutex) << c.name;
  }
  for (const char* refused : {"VantPro.exe", "VANTPlusTWS", "VANTPlusTWS.exe.bak", "",
                              "xVANTPlusTWS.exe", "VANTPlusTWS.ex"}) {
    EXPECT_EQ(FindLauncherVariant(refused), nullptr) << refused;
  }
}

TEST(VariantTable, NameIsTheTextAfterTheLastBackslash) {
  EXPECT_EQ(FileNameOfPath("D:\\VANTProDB-TWS\\VANTPlusTWS.exe"), "VANTPlusTWS.exe");
  EXPECT_EQ(FileNameOfPath("VANTPlusTWS.exe"), "VANTPlusTWS.exe");
  EXPECT_EQ(FileNameOfPath("C:\\folder\\"), "");
}

TEST(CommandLine, LastParameterDecidesButTheModuleStaysFixed) {
  CVNXTCommandLineInfo info;
  vp::fw::ParseArguments(info, {});
  EXPECT_EQ(info.m_strModuleArg, "");
  vp::fw::ParseArguments(info, {"\\LVantFOUI"});
  EXPECT_EQ(info.m_strModuleArg, "VantFOUI");
  vp::fw::ParseArguments(info, {"\\LVantFOUI", "other"});
  EXPECT_EQ(info.m_strModuleArg, "VantPlusUI.dll");
  // "\l" is not the switch: the comparison is exact.
  vp::fw::ParseArguments(info, {"\\lVantCMUI"});
  EXPECT_EQ(info.m_strModuleArg, "VantPlusUI.dll");
  for (const char* argument : {"\\LVantFOUI", "\\LVantCMUI", "\\LSomething.dll"}) {
    CVNXTCommandLineInfo asked;
    vp::fw::ParseArguments(asked, {argument});
    EXPECT_EQ(SettleUIModuleName(asked), "VantPlusUI.dll") << argument;
  }
}

TEST(CommandLine, OnlyABareLaunchSwitchAsLastParameterAsksForTheLaunchScreen) {
  struct Case {
    std::vector<std::string> arguments;
    bool screen;
  } cases[] = {{{"\\L"}, true},           {{"\\LVantFOUI", "\\L"}, true}, {{}, false},
               {{"\\LVantPlusUI"}, false}, {{"\\L", "\\LVantFOUI"}, false}, {{"\\L", "other"}, false},
               {{"\\L "}, false},          {{"\\l"}, false},               {{"/L"}, false},
               {{"-\\L"}, true}};  // the framework strips one switch character
  for (const Case& c : cases) {
    CVNXTCommandLineInfo info;
    vp::fw::ParseArguments(info, c.arguments);
    EXPECT_EQ(WantsLaunchScreen(info), c.screen) << (c.arguments.empty() ? "" : c.arguments.back());
  }
}

namespace {
std::string UniqueMutexName() { return "VPTestMutex" + std::to_string(GetCurrentProcessId()); }
}  // namespace

VP_CHILD(create_instance_mutex) {
  CInstanceMutex mutex(argument.c_str());
  return mutex.m_hMutex ? static_cast<int>(mutex.m_dwCreationError) : -2;
}

TEST(InstanceMutex, ASecondProcessSeesTheNameWhileTheFirstHoldsIt) {
  std::string name = UniqueMutexName();
  {
    CInstanceMutex first(name.c_str());
    ASSERT_NE(first.m_hMutex, nullptr);
    EXPECT_EQ(first.m_dwCreationError, 0u);
    EXPECT_EQ(vp::test::RunChild("create_instance_mutex", name), ERROR_ALREADY_EXISTS);
    // Another variant's name is free all the same.
    EXPECT_EQ(vp::test::RunChild("create_instance_mutex", name + "FO"), 0);
  }
  // Closed with its holder: the name is free again.
  EXPECT_EQ(vp::test::RunChild("create_instance_mutex", name), 0);
}
