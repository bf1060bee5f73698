// The shell link object through COM: properties set, saved as a ".lnk" file, loaded back into
// a fresh object; and the code-page conversions that turn a link path into a wide string.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "platform/win.h"
#include "link_reading.h"
#include "test_support.h"

using namespace vp::test;

namespace {

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

class ShellLink : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  void TearDown() override { CoUninitialize(); }

  static IShellLinkA* NewLink() {
    IShellLinkA* link = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<LPVOID*>(&link));
    EXPECT_EQ(hr, S_OK);
    return link;
  }

  static HRESULT SaveLink(IShellLinkA* link, const std::string& path) {
    IPersistFile* file = nullptr;
    HRESULT hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (FAILED(hr)) return hr;
    WCHAR wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, path.c_str(), -1, wide, MAX_PATH);
    hr = file->Save(wide, TRUE);
    file->Release();
    return hr;
  }
};

TEST_F(ShellLink, SavedPropertiesReadBack) {
  std::string dir = TestFolder();
  std::string target = dir + "\\Program\\Terminal.exe";
  ASSERT_TRUE(CreateDirectoryA((dir + "\\Program").c_str(), nullptr));
  ASSERT_TRUE(WriteTextFile(target, "MZ"));

  IShellLinkA* link = NewLink();
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->SetPath(target.c_str()), S_OK);
  EXPECT_EQ(link->SetArguments("\\LVantPlusUI"), S_OK);
  EXPECT_EQ(link->SetWorkingDirectory((dir + "\\Program").c_str()), S_OK);
  EXPECT_EQ(SaveLink(link, dir + "\\Terminal.lnk"), S_OK);
  link->Release();

  LinkProperties back = ReadLink(dir + "\\Terminal.lnk");
  EXPECT_TRUE(back.loaded);
  EXPECT_TRUE(SameNameIgnoringCase(back.target, target)) << back.target;
  EXPECT_EQ(back.arguments, "\\LVantPlusUI");
  EXPECT_EQ(back.workingFolder, dir + "\\Program");
}

TEST_F(ShellLink, MissingTargetAndEmptyTextsStillMakeALink) {
  std::string dir = TestFolder();
  std::string target = dir + "\\NotThere\\Help.chm";
  IShellLinkA* link = NewLink();
  ASSERT_NE(link, nullptr);
  EXPECT_TRUE(SUCCEEDED(link->SetPath(target.c_str())));
  EXPECT_EQ(link->SetArguments(""), S_OK);
  EXPECT_EQ(link->SetWorkingDirectory(""), S_OK);
  EXPECT_EQ(SaveLink(link, dir + "\\Help.lnk"), S_OK);
  link->Release();

  LinkProperties back = ReadLink(dir + "\\Help.lnk");
  EXPECT_TRUE(back.loaded);
  EXPECT_TRUE(SameNameIgnoringCase(back.target, target)) << back.target;
  EXPECT_EQ(back.arguments, "");
  EXPECT_EQ(back.workingFolder, "");
}

TEST_F(ShellLink, SaveOverwritesAndFailsCleanlyInAMissingFolder) {
  std::string dir = TestFolder();
  IShellLinkA* link = NewLink();
  ASSERT_NE(link, nullptr);
  link->SetPath((dir + "\\First.exe").c_str());
  ASSERT_EQ(SaveLink(link, dir + "\\a.lnk"), S_OK);
  link->SetPath((dir + "\\Second.exe").c_str());
  ASSERT_EQ(SaveLink(link, dir + "\\a.lnk"), S_OK);
  EXPECT_TRUE(SameNameIgnoringCase(ReadLink(dir + "\\a.lnk").target, dir + "\\Second.exe"));

  EXPECT_TRUE(FAILED(SaveLink(link, dir + "\\missing\\b.lnk")));
  EXPECT_FALSE(PathExists(dir + "\\missing"));
  link->Release();

  EXPECT_FALSE(ReadLink(dir + "\\none.lnk").loaded);
}

TEST_F(ShellLink, InterfacesAndInitialisation) {
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);  // SetUp initialised the thread already
  CoUninitialize();

  IShellLinkA* link = NewLink();
  ASSERT_NE(link, nullptr);
  IPersistFile* file = nullptr;
  IUnknown* fromLink = nullptr;
  IUnknown* fromFile = nullptr;
  ASSERT_EQ(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)), S_OK);
  ASSERT_EQ(link->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromLink)), S_OK);
  ASSERT_EQ(file->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromFile)), S_OK);
  EXPECT_EQ(fromLink, fromFile);  // one object behind both interfaces
  CLSID classId{};
  EXPECT_EQ(file->GetClassID(&classId), S_OK);
  EXPECT_TRUE(IsEqualGUID(classId, CLSID_ShellLink));
  fromFile->Release();
  fromLink->Release();
  file->Release();
  EXPECT_EQ(link->Release(), 0u);

  const CLSID unknownClass = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  void* object = &classId;
  EXPECT_EQ(CoCreateInstance(unknownClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(object, nullptr);
}

TEST(CodePages, WideConversionBufferRules) {
  const char* text = "C:\\Users\\Desktop\\Link.lnk";
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, -1, nullptr, 0), 26);
  WCHAR wide[26];
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, -1, wide, 26), 26);
  EXPECT_EQ(wide[3], L'U');
  EXPECT_EQ(wide[25], L'\0');

  WCHAR small[10];
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, -1, small, 10), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  char back[40];
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, back, sizeof back, nullptr, nullptr), 26);
  EXPECT_STREQ(back, text);
  // An explicit length converts no terminator.
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, 2, wide, 26), 2);
}

}  // namespace
