// The UI module binding: the four exports by name, the failure rows of the launcher's start-up,
// message forwarding and shut-down, with test modules that lack one export each.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher_test_support.h"
#include "platform/win.h"
#include "test_support.h"

using vp::test::ProbeLog;
using vp::test::ProbeModule;
using vp::test::RecordingHost;
using Lines = std::vector<std::string>;

namespace {

class UIModuleBinding : public testing::Test {
 protected:
  void SetUp() override { vp::test::StartProbeLog(vp::test::TestFolder()); }
  void TearDown() override { host.StopUIModule(); }

  bool Load(const std::string& module) {
    host.m_strUIModule = ProbeModule(module);
    return host.LoadUIModule();
  }

  RecordingHost host;
};

}  // namespace

TEST_F(UIModuleBinding, AModuleThatCannotBeLoadedIsReportedByName) {
  host.m_strUIModule = "NoSuchModule.dll";
  EXPECT_FALSE(host.LoadUIModule());
  EXPECT_EQ(host.messages, Lines{"Unable to load DLL: NoSuchModule.dll"});
  EXPECT_EQ(host.m_bUIModuleLoaded, 0u);
  EXPECT_EQ(host.m_hUIModule, nullptr);
}

TEST_F(UIModuleBinding, FullModuleSeesStartMessagesAndShutDownInOrder) {
  ASSERT_TRUE(Load("probe"));
  EXPECT_EQ(host.m_bUIModuleLoaded, 1u);
  CWnd* window = reinterpret_cast<CWnd*>(1);
  ASSERT_TRUE(host.StartUIModule(nullptr, 1, nullptr, &window));
  EXPECT_EQ(window, nullptr);  // the probe has no main window
  MSG msg{};
  host.ForwardMessage(&msg);
  host.ForwardMessage(&msg);
  host.StopUIModule();
  EXPECT_EQ(host.m_bUIModuleLoaded, 0u);
  EXPECT_EQ(host.m_hUIModule, nullptr);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(ProbeLog(), (Lines{"DLLInitInstance", "DLLPreTranslateMessage",
                               "DLLPreTranslateMessage", "DLLExitInstance"}));
}

TEST_F(UIModuleBinding, MissingInitInstanceFailsStartButShutDownStillRunsAndFrees) {
  ASSERT_TRUE(Load("probe-no-init"));
  CWnd* window = nullptr;
  EXPECT_FALSE(host.StartUIModule(nullptr, 1, nullptr, &window));
  EXPECT_EQ(host.messages, Lines{"Unable to load FUNCTION: DLLInitInstance"});
  EXPECT_EQ(host.m_bUIModuleLoaded, 1u);  // stays loaded until the shut-down
  host.StopUIModule();
  EXPECT_EQ(ProbeLog(), Lines{"DLLExitInstance"});
  EXPECT_EQ(host.m_bUIModuleLoaded, 0u);
  EXPECT_EQ(GetModuleHandleA("probe-no-init.dll"), nullptr);
}

TEST_F(UIModuleBinding, MissingExitInstanceIsReportedAndTheModuleFreedAllTheSame) {
  ASSERT_TRUE(Load("probe-no-exit"));
  host.StopUIModule();
  EXPECT_EQ(host.messages, Lines{"Unable to load FUNCTION: DLLExitInstance"});
  EXPECT_EQ(GetModuleHandleA("probe-no-exit.dll"), nullptr);
  host.StopUIModule();  // a second shut-down finds nothing to do
  EXPECT_EQ(host.messages.size(), 1u);
}

TEST_F(UIModuleBinding, MissingPreTranslateIsReportedOnceForManyMessages) {
  ASSERT_TRUE(Load("probe-no-pretranslate"));
  MSG msg{};
  for (int i = 0; i < 5; ++i) host.ForwardMessage(&msg);
  EXPECT_EQ(host.messages, Lines{"Unable to load FUNCTION: DLLPreTranslateMessage"});
}

TEST_F(UIModuleBinding, NothingIsForwardedOnceTheModuleIsGone) {
  ASSERT_TRUE(Load("probe"));
  host.StopUIModule();
  MSG msg{};
  host.ForwardMessage(&msg);
  char folder[1040] = {};
  EXPECT_FALSE(host.AskDumpFolder(folder));
  EXPECT_EQ(ProbeLog(), Lines{"DLLExitInstance"});
  EXPECT_TRUE(host.messages.empty());
}
