// POSIX: what windows draw goes to their recording surfaces, every GDI object is in the ledger,
// .bmp files are read, private fonts come from the built-in gdi32.dll, and the script front
// end drives a modeless window through the message loop.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "framework/framework.h"
#include "framework/ui_model.h"
#include "platform/win.h"
#include "test_dialog.hpp"
#include "bitmap_file.h"
#include "test_support.h"

namespace {

using Calls = std::vector<std::string>;

// A window that paints a white client area, a picture through a memory context, and a caption
// in a font of its own.
class PaintingWindow : public CWnd {
 public:
  std::string picture;

 protected:
  const MessageMap* GetMessageMap() const override {
    static const MessageMap map{CWnd::GetMessageMap(), {MapPaint(&PaintingWindow::OnPaint)}};
    return &map;
  }

 private:
  void OnPaint() {
    // The font outlives the context it is selected into, so that it can be deleted.
    CFont font;
    CPaintDC dc(this);
    RECT client;
    GetClientRect(&client);
    CBrush white(RGB(255, 255, 255));
    dc.FillRect(&client, &white);
    CBitmap bitmap;
    bitmap.Attach(LoadImageA(nullptr, picture.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    BITMAP size{};
    bitmap.GetBitmap(&size);
    CDC memory;
    memory.CreateCompatibleDC(&dc);
    memory.SelectObject(&bitmap);
    dc.BitBlt(client.right / 2 - size.bmWidth / 2, client.bottom / 2 - size.bmHeight / 2, size.bmWidth,
              size.bmHeight, &memory, 0, 0, SRCCOPY);
    LOGFONT look{};
    look.lfHeight = -MulDiv(9, dc.GetDeviceCaps(LOGPIXELSY), 72);
    std::strcpy(look.lfFaceName, "Venus Rising");
    font.CreateFontIndirect(&look);
    dc.SelectObject(&font);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(RGB(255, 255, 255));
    dc.TextOut(20, 5, "Hello");
  }
};

}  // namespace

TEST(GdiCanvas, APaintRecordsEachCallWithItsContextAndTheLedgerBalances) {
  std::string picture = vp::test::TestFolder() + "\\picture.bmp";
  vp::test::WriteTextFile(picture, vp::test::BitmapFile(40, 20));
  int liveBefore = vp::gdi::LiveObjectCount();
  vp::gdi::ResetLedger();
  {
    PaintingWindow window;
    window.picture = picture;
    RECT where{0, 0, 206, 125};
    ASSERT_TRUE(window.CreateEx(0, "Painting", WS_POPUP, where, nullptr));
    window.Invalidate(FALSE);
    window.UpdateWindow();
    auto* model = vp::ui::FromHandle(window.m_hWnd);
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(model->surface.calls.size(), 3u);
    for (const auto& call : model->surface.calls) EXPECT_EQ(call.dc, vp::gdi::DcKind::Paint);
    EXPECT_EQ(model->canvas[0], "FillRect 0 0 206 125 rgb(255,255,255)");
    EXPECT_EQ(model->canvas[1].rfind("BitBlt 83 52 40 20 from bitmap#", 0), 0u) << model->canvas[1];
    EXPECT_NE(model->canvas[1].find("40x20 " + picture + " 0 0 SRCCOPY"), std::string::npos) << model->canvas[1];
    EXPECT_EQ(model->canvas[2], "TextOut 20 5 \"Hello\" font=Venus Rising color=rgb(255,255,255) transparent");
    window.DestroyWindow();
  }
  EXPECT_EQ(vp::gdi::LiveObjectCount(), liveBefore);
  int created = 0, deleted = 0;
  for (const auto& entry : vp::gdi::Ledger()) {
    created += entry.event == "create";
    deleted += entry.event == "delete";
  }
  EXPECT_EQ(created, 5);  // brush, bitmap, memory context, font, the paint context
  EXPECT_EQ(deleted, created);
}

TEST(GdiCanvas, TheLedgerSeesALeakAndASelectedBitmapCannotBeDeleted) {
  int liveBefore = vp::gdi::LiveObjectCount();
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(memory, 8, 8);
  HGDIOBJ original = SelectObject(memory, bitmap);
  ASSERT_NE(original, nullptr);
  EXPECT_FALSE(DeleteObject(bitmap));  // still selected
  EXPECT_EQ(vp::gdi::LiveObjectCount(), liveBefore + 2);
  SelectObject(memory, original);
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_FALSE(DeleteObject(bitmap));  // a stale handle is refused, not followed
  EXPECT_TRUE(DeleteDC(memory));
  EXPECT_EQ(vp::gdi::LiveObjectCount(), liveBefore);
}

TEST(GdiCanvas, OnlyWholeUncompressedBitmapFilesAreRead) {
  std::string folder = vp::test::TestFolder();
  struct Case {
    std::string file;
    bool readable;
  } cases[] = {{vp::test::BitmapFile(3, 2), true}, {vp::test::BitmapFile(3, 2, 1), false}, {vp::test::BitmapFile(3, 2, 0, 1), false},
               {"BM", false}, {vp::test::BitmapFile(0, 2), false}};
  int n = 0;
  for (const Case& c : cases) {
    std::string path = folder + "\\case" + std::to_string(n++) + ".bmp";
    vp::test::WriteTextFile(path, c.file);
    HANDLE image = LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    EXPECT_EQ(image != nullptr, c.readable) << path;
    if (!image) continue;
    BITMAP size{};
    EXPECT_EQ(GetObjectA(image, sizeof size, &size), static_cast<int>(sizeof size));
    EXPECT_EQ(size.bmWidth, 3);
    EXPECT_EQ(size.bmHeight, 2);
    DeleteObject(image);
  }
  EXPECT_EQ(LoadImageA(nullptr, (folder + "\\missing.bmp").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
}

TEST(GdiCanvas, PrivateFontsComeFromTheBuiltInGdi32AndAreRemovedOnce) {
  std::string folder = vp::test::TestFolder();
  std::string font = folder + "\\FACE.ttf";
  vp::test::WriteTextFile(font, std::string("\0\1\0\0rest", 8));
  std::string notFont = folder + "\\notes.ttf";
  vp::test::WriteTextFile(notFont, "plain text");
  HMODULE gdi32 = LoadLibraryA("gdi32.dll");
  ASSERT_NE(gdi32, nullptr);
  using AddProc = int(WINAPI*)(LPCSTR, DWORD, PVOID);
  using RemoveProc = BOOL(WINAPI*)(LPCSTR, DWORD, PVOID);
  auto add = reinterpret_cast<AddProc>(reinterpret_cast<void (*)()>(GetProcAddress(gdi32, "AddFontResourceExA")));
  auto remove =
      reinterpret_cast<RemoveProc>(reinterpret_cast<void (*)()>(GetProcAddress(gdi32, "RemoveFontResourceExA")));
  ASSERT_NE(add, nullptr);
  ASSERT_NE(remove, nullptr);
  EXPECT_EQ(add(notFont.c_str(), FR_PRIVATE, nullptr), 0);
  EXPECT_EQ(add(font.c_str(), FR_PRIVATE, nullptr), 1);
  EXPECT_EQ(vp::gdi::PrivateFonts(), std::vector<std::string>{font});
  EXPECT_TRUE(remove(font.c_str(), FR_PRIVATE, nullptr));
  EXPECT_FALSE(remove(font.c_str(), FR_PRIVATE, nullptr));
  EXPECT_TRUE(vp::gdi::PrivateFonts().empty());
  FreeLibrary(gdi32);
}

namespace {

class ScriptApp : public CWinApp {
 public:
  int preTranslated = 0;
  BOOL PreTranslateMessage(MSG* msg) override {
    ++preTranslated;
    return CWinApp::PreTranslateMessage(msg);
  }
};

}  // namespace

TEST(ScriptFrontEndWindows, TheScriptDrivesAModelessMainWindowThroughTheMessageLoop) {
  std::istringstream in(
      "focus 121\n"
      "down 120 3 3\n"
      "move 120 200 3\n"
      "up 120 200 3\n"
      "down 120 3 3\n"
      "up 120 3 3\n"
      "paint\n"
      "canvas 0\n"
      "tick 10\n"
      "click 2\n");
  std::ostringstream out;
  auto frontEnd = vp::ui::MakeScriptFrontEnd(in, out);
  vp::ui::SetFrontEnd(frontEnd.get());
  ScriptApp app;
  TestDialog dialog;
  ASSERT_TRUE(dialog.Create(IDD_TEST_DIALOG));
  dialog.ShowWindow(SW_SHOW);
  app.m_pMainWnd = &dialog;
  EXPECT_EQ(app.Run(), 0);
  vp::ui::SetFrontEnd(nullptr);
  std::string report = out.str();
  EXPECT_EQ(report.rfind("dialog 900 Framework test\n", 0), 0u) << report;
  // A release away from the button is no click; the second press and release is one.
  EXPECT_EQ(dialog.events, (std::vector<std::string>{"init", "go"}));
  EXPECT_NE(report.find("draw 0 paint FillRect 0 0 240 162 rgb(192,192,192)"), std::string::npos) << report;
  EXPECT_NE(report.find("destroy 900"), std::string::npos) << report;
  EXPECT_EQ(report.find("error"), std::string::npos) << report;
  EXPECT_GE(app.preTranslated, 6);  // the pointer's messages were posted and pre-translated
}

#endif
