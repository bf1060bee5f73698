// The launch screen and its transparent buttons on the window model: what they draw (through
// the recording canvas), which GDI objects they hold (through the ledger), the private font, and
// the choices a user makes through the script front end.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

#include "driven_front_end.h"
#include "launch_font.h"
#include "launch_screen_dialog.h"
#include "launch_screen_dlg.h"
#include "bitmap_file.h"
#include "test_support.h"

namespace {

using Calls = std::vector<std::string>;

// Each test works in a folder of its own, the launch screen's current folder.
class LaunchScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = vp::test::TestFolder();
    ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
  }
  void WriteWatermark(int width, int height) {
    ASSERT_TRUE(vp::test::WriteTextFile(folder_ + "\\TXE-WM.bmp", vp::test::BitmapFile(width, height)));
  }
  void WriteFontFile() { ASSERT_TRUE(vp::test::WriteTextFile(folder_ + "\\VENUSRIS.ttf", std::string("\0\1\0\0font", 8))); }
  std::string folder_;
};

vp::ui::Window* Model(const CWnd& window) { return vp::ui::FromHandle(window.m_hWnd); }

// What a window drew since the last call, with object serial numbers left out ("bitmap#").
Calls Drawn(const CWnd& window) {
  static const std::regex serial("#[0-9]+");
  vp::ui::Window* model = Model(window);
  Calls calls;
  if (!model) return calls;
  for (const std::string& call : model->canvas) calls.push_back(std::regex_replace(call, serial, "#"));
  model->surface.Clear();
  return calls;
}

// The edges of a 138 x 37 button (the PLUS button's client area).
const Calls kRaised{"FillRect 0 0 137 1 rgb(255,255,255)", "FillRect 0 0 1 36 rgb(255,255,255)",
                    "FillRect 137 0 138 37 rgb(128,128,128)", "FillRect 0 36 138 37 rgb(128,128,128)"};
const Calls kSunken{"FillRect 0 0 137 1 rgb(128,128,128)", "FillRect 0 0 1 36 rgb(128,128,128)",
                    "FillRect 137 0 138 37 rgb(255,255,255)", "FillRect 0 36 138 37 rgb(255,255,255)"};
const std::string kSnapshot = "BitBlt 0 0 138 37 from bitmap# 138x37 0 0 SRCCOPY";
const std::string kHoverFace = "FillRect 0 0 138 37 rgb(240,216,215)";

Calls Join(std::initializer_list<Calls> parts) {
  Calls all;
  for (const Calls& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

std::string Text(int x, int y, const std::string& text, const std::string& color) {
  return "TextOut " + std::to_string(x) + " " + std::to_string(y) + " \"" + text + "\" font=Venus Rising color=" +
         color + " transparent";
}

// The screen's dialog template as a plain modeless dialog, with a transparent button on the
// PLUS control: nothing but the button's own behaviour.
struct ButtonHost {
  vp::test::DrivenFrontEnd frontEnd;
  CDialog dialog{IDD_LAUNCH_SCREEN};
  CTransParentButton button;
  ButtonHost() {
    EXPECT_TRUE(dialog.Create(IDD_LAUNCH_SCREEN));
    EXPECT_TRUE(button.SubclassDlgItem(IDC_LAUNCH_PLUS, &dialog));
  }
  ~ButtonHost() { dialog.DestroyWindow(); }
  // The window system asks for a drawing (after an erase when `erase`).
  Calls Paint(bool erase = false) {
    Drawn(button);
    button.Invalidate(erase);
    button.UpdateWindow();
    return Drawn(button);
  }
  void Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    button.SendMessage(message, wParam, lParam);
    Drawn(button);
  }
};

}  // namespace

TEST_F(LaunchScreen, ButtonDrawsEachLookInFourStepsOverItsSnapshot) {
  ButtonHost host;
  // Before the first erase there is no snapshot to copy.
  DRAWITEMSTRUCT item{};
  host.button.DrawItem(&item);
  EXPECT_EQ(Drawn(host.button), Join({kRaised, {Text(45, 12, "VANTPLUS", "rgb(0,0,0)")}}));
  EXPECT_FALSE(host.button.HasBackground());

  host.button.SetIcons(IDI_LAUNCH_FIRST, IDI_LAUNCH_SECOND);
  Calls normal = host.Paint(true);
  ASSERT_TRUE(host.button.HasBackground());
  EXPECT_EQ(normal, Join({{kSnapshot}, kRaised, {"DrawIcon 2 2 15001", Text(62, 12, "VANTPLUS", "rgb(0,0,0)")}}));

  host.Send(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(host.button.GetState(), CTransParentButton::kHover);
  Calls hover = Join({{kSnapshot}, kRaised, {kHoverFace}, kRaised,
                      {"DrawIcon 2 2 15000", Text(62, 12, "VANTPLUS", "rgb(0,0,128)")}});
  EXPECT_EQ(host.Paint(), hover);

  host.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  host.button.SetFocus();  // the press took it already; this draws nothing new
  Calls pressed = Join({{kSnapshot}, kSunken,
                        {"DrawFocusRect 2 2 136 35", "DrawIcon 3 3 15000", Text(63, 13, "VANTPLUS", "rgb(0,0,0)")}});
  EXPECT_EQ(host.Paint(), pressed);

  host.button.EnableWindow(FALSE);
  EXPECT_EQ(host.Paint(), (Calls{kSnapshot, "DrawState icon 2 2 32 32 15001 disabled",
                                 "DrawState text 62 12 0 0 \"VANTPLUS\" disabled"}));
  EXPECT_EQ(host.button.GetState(), CTransParentButton::kNormal);
}

TEST_F(LaunchScreen, ButtonPlacesItsIconAndCaptionByWhatItHas) {
  ButtonHost host;
  host.Paint(true);
  host.button.SetWindowText("");
  // No icons, no caption: an empty caption in the middle.
  EXPECT_EQ(host.Paint(), Join({{kSnapshot}, kRaised, {Text(69, 12, "", "rgb(0,0,0)")}}));
  // Icons without a caption: the icon in the middle, the caption after it.
  host.button.SetIcons(IDI_LAUNCH_FIRST, IDI_LAUNCH_SECOND);
  EXPECT_EQ(host.Paint(), Join({{kSnapshot}, kRaised, {"DrawIcon 53 2 15001", Text(86, 12, "", "rgb(0,0,0)")}}));
}

TEST_F(LaunchScreen, ButtonSnapshotIsTakenOnceAndEveryObjectGoesWithTheButton) {
  int liveBefore = vp::gdi::LiveObjectCount();
  vp::gdi::ResetLedger();
  {
    ButtonHost host;
    host.button.SetIcons(IDI_LAUNCH_FIRST, IDI_LAUNCH_SECOND);
    host.button.SetIcons(IDI_LAUNCH_SECOND, IDI_LAUNCH_FIRST);  // the first pair is destroyed
    host.Paint(true);
    host.Paint(true);
    host.Send(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));  // the hover brush
    int snapshots = 0, icons = 0, fonts = 0;
    for (const auto& entry : vp::gdi::Ledger()) {
      if (entry.event != "create") continue;
      snapshots += entry.object.find("138x37") != std::string::npos;
      icons += entry.object.rfind("icon#", 0) == 0;
      fonts += entry.object.rfind("font#", 0) == 0;
    }
    EXPECT_EQ(snapshots, 1);
    EXPECT_EQ(icons, 4);
    // Held now: the snapshot's context and bitmap, two icons, the process's caption font.
    EXPECT_EQ(vp::gdi::LiveObjectCount(), liveBefore + 4 + fonts);
    host.dialog.DestroyWindow();
  }
  int fonts = 0;
  for (const auto& entry : vp::gdi::Ledger()) fonts += entry.event == "create" && entry.object.rfind("font#", 0) == 0;
  EXPECT_EQ(vp::gdi::LiveObjectCount(), liveBefore + fonts);
}

TEST_F(LaunchScreen, HoverEndsOnTheVirtualClockAndAPressDraggedOffEndsInTheNormalLook) {
  ButtonHost host;
  host.dialog.ShowWindow(SW_SHOW);
  HWND button = host.button.m_hWnd, dialog = host.dialog.m_hWnd;
  auto run = [] { vp::ui::PumpPending(); };

  vp::ui::MovePointer(button, POINT{10, 10});
  run();
  EXPECT_EQ(host.button.GetState(), CTransParentButton::kHover);
  vp::ui::AdvanceClock(10);
  run();
  EXPECT_EQ(host.button.GetState(), CTransParentButton::kHover);  // the pointer is still over it
  vp::ui::MovePointer(dialog, POINT{2, 2});
  vp::ui::AdvanceClock(9);
  run();
  EXPECT_EQ(host.button.GetState(), CTransParentButton::kHover);  // not due yet
  Drawn(host.button);
  vp::ui::AdvanceClock(1);
  run();
  EXPECT_EQ(host.button.GetState(), CTransParentButton::kNormal);
  EXPECT_FALSE(host.button.IsHovering());
  Calls left = Drawn(host.button);
  ASSERT_FALSE(left.empty());
  EXPECT_EQ(left.back(), Text(45, 12, "VANTPLUS", "rgb(0,0,0)"));

  // Released over the button: the hover look stays until the pointer leaves.
  vp::ui::PressButton(button, POINT{10, 10});
  run();
  EXPECT_EQ(host.button.GetState(), CTransParentButton::kPressed);
  vp::ui::ReleaseButton(button, POINT{10, 10});
  run();
  EXPECT_EQ(host.button.GetState(), CTransParentButton::kReleased);
  vp::ui::MovePointer(dialog, POINT{2, 2});
  vp::ui::AdvanceClock(10);
  run();
  EXPECT_EQ(host.button.GetState(), CTransParentButton::kNormal);

  // Pressed, dragged off (the timer leaves a pressed button alone), released outside.
  vp::ui::MovePointer(button, POINT{10, 10});
  vp::ui::PressButton(button, POINT{10, 10});
  run();
  vp::ui::MovePointer(dialog, POINT{2, 2});
  vp::ui::AdvanceClock(30);
  run();
  EXPECT_EQ(host.button.GetState(), CTransParentButton::kPressed);
  Drawn(host.button);
  vp::ui::ReleaseButton(dialog, POINT{2, 2});
  run();
  EXPECT_EQ(host.button.GetState(), CTransParentButton::kNormal);
  EXPECT_FALSE(host.button.IsHovering());
  Calls released = Drawn(host.button);
  EXPECT_EQ(std::count(released.begin(), released.end(), kHoverFace), 0);
  vp::ui::AdvanceClock(100);
  run();
  EXPECT_EQ(host.button.GetState(), CTransParentButton::kNormal);

  // A move with the left button down changes nothing.
  host.Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(host.button.GetState(), CTransParentButton::kNormal);
}

TEST_F(LaunchScreen, PrivateFontIsRegisteredOncePerScreenAndAgainForTheNext) {
  WriteFontFile();
  EXPECT_TRUE(vp::gdi::PrivateFonts().empty());
  for (int screen = 0; screen < 2; ++screen) {
    vp::test::DrivenFrontEnd frontEnd;
    {
      CLaunchScreenDlg dialog;  // each button asks, and so does the initialisation
      frontEnd.user = [&](vp::ui::DialogWindow&) {
        EXPECT_TRUE(LaunchFontRegistered());
        EXPECT_EQ(vp::gdi::PrivateFonts(), std::vector<std::string>{"VENUSRIS.ttf"});
      };
      EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    }
    // One removal undoes the one registration.
    EXPECT_FALSE(LaunchFontRegistered());
    EXPECT_TRUE(vp::gdi::PrivateFonts().empty());
  }
  // Without the file the screen works all the same, in the substitute face.
  ASSERT_TRUE(DeleteFileA("VENUSRIS.ttf"));
  vp::test::DrivenFrontEnd frontEnd;
  frontEnd.user = [](vp::ui::DialogWindow& window) { window.Click(IDC_LAUNCH_PLUS); };
  CLaunchScreenDlg dialog;
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_FALSE(LaunchFontRegistered());
}

TEST_F(LaunchScreen, ScreenPaintsWhiteWithTheWatermarkCentredAndItsCaptionInTheTitleBar) {
  struct Case {
    int width, height, x, y;
  } cases[] = {{41, 21, 150, 69},         // integer halves: 340 / 2 - 41 / 2, 159 / 2 - 21 / 2
               {401, 201, -30, -21}};     // larger than the client area: clipped on every side
  for (const Case& c : cases) {
    WriteWatermark(c.width, c.height);
    vp::test::DrivenFrontEnd frontEnd;
    CLaunchScreenDlg screen;
    Calls window, client;
    frontEnd.user = [&](vp::ui::DialogWindow& dialog) {
      dialog.Redraw();
      for (const auto& call : dialog.surface.calls) {
        (call.dc == vp::gdi::DcKind::Window ? window : client).push_back(call.call);
      }
    };
    screen.DoModal();
    EXPECT_EQ(window, Calls{"TextOut 20 5 \"TXE Integrated Front End\" font=Venus Rising color=rgb(255,255,255) transparent"});
    ASSERT_EQ(client.size(), 3u);
    EXPECT_EQ(client[0], "FillRect 0 0 340 159 rgb(192,192,192)");  // the default erase
    EXPECT_EQ(client[1], "FillRect 0 0 340 159 rgb(255,255,255)");
    std::string blit = "BitBlt " + std::to_string(c.x) + " " + std::to_string(c.y) + " " + std::to_string(c.width) +
                       " " + std::to_string(c.height) + " from bitmap#";
    EXPECT_EQ(client[2].rfind(blit, 0), 0u) << client[2];
  }
  // Without the picture the client area is only white.
  ASSERT_TRUE(DeleteFileA("TXE-WM.bmp"));
  vp::test::DrivenFrontEnd frontEnd;
  Calls drawn;
  frontEnd.user = [&](vp::ui::DialogWindow& dialog) {
    dialog.Redraw();
    drawn = dialog.canvas;
  };
  CLaunchScreenDlg screen;
  screen.DoModal();
  EXPECT_EQ(drawn.back(), "FillRect 0 0 340 159 rgb(255,255,255)");
}

TEST_F(LaunchScreen, CaptionFontsAreMadeOnceAtTheirHeightsFor96Dpi) {
  vp::test::DrivenFrontEnd frontEnd;
  frontEnd.user = [](vp::ui::DialogWindow& dialog) {
    dialog.Redraw();
    dialog.Redraw();
  };
  vp::gdi::ResetLedger();
  CLaunchScreenDlg screen;
  screen.DoModal();
  struct Case {
    LaunchFaceFont& font;
    LONG height;
  } cases[] = {{ScreenCaptionFont(), -13}, {ButtonCaptionFont(), -12}};  // MulDiv(10, 96, 75), MulDiv(9, 96, 71)
  for (const Case& c : cases) {
    LOGFONT look{};
    ASSERT_EQ(GetObjectA(c.font.Handle(), sizeof look, &look), static_cast<int>(sizeof look));
    EXPECT_EQ(look.lfHeight, c.height);
    EXPECT_EQ(look.lfWeight, FW_NORMAL);
    EXPECT_EQ(look.lfOutPrecision, OUT_TT_ONLY_PRECIS);
    EXPECT_STREQ(look.lfFaceName, "Venus Rising");
  }
  int fonts = 0;
  for (const auto& entry : vp::gdi::Ledger()) fonts += entry.event == "create" && entry.object.rfind("font#", 0) == 0;
  EXPECT_LE(fonts, 2);  // none when an earlier screen of this process made them
}

TEST_F(LaunchScreen, AfterTheScreenOnlyTheTwoProcessFontsRemain) {
  WriteWatermark(41, 21);
  vp::test::DrivenFrontEnd frontEnd;
  frontEnd.user = [](vp::ui::DialogWindow& dialog) {
    dialog.Redraw();
    vp::ui::MovePointer(vp::ui::ToHandle(dialog.Find(IDC_LAUNCH_FO)), POINT{4, 4});
    vp::ui::PumpPending();
    dialog.Redraw();
  };
  int liveBefore = vp::gdi::LiveObjectCount();
  vp::gdi::ResetLedger();
  {
    CLaunchScreenDlg screen;
    screen.DoModal();
  }
  // Any font made now is one of the two process-wide ones, made once (the other tests of this
  // process may have made them before).
  int fonts = 0;
  for (const auto& entry : vp::gdi::Ledger()) fonts += entry.event == "create" && entry.object.rfind("font#", 0) == 0;
  EXPECT_LE(fonts, 2);
  EXPECT_EQ(vp::gdi::LiveObjectCount(), liveBefore + fonts);
}

TEST_F(LaunchScreen, ScriptChoosesByClickAndByEnterAndCancelsByEscapeAndTheCloseBox) {
  struct Case {
    const char* script;
    INT_PTR result;
    const char* module;
  } cases[] = {{"click 20000\n", IDOK, "VANTFOUI.dll"},
               {"click 20001\n", IDOK, "VantPlusUI.dll"},
               {"key enter\n", IDOK, "VANTFOUI.dll"},  // the first tab stop has the focus
               {"focus 20001\nkey enter\n", IDOK, "VantPlusUI.dll"},
               {"focus 20001\nfocus 20000\nkey enter\n", IDOK, "VANTFOUI.dll"},
               {"focus 0\nkey enter\n", IDOK, "VantPlusUI.dll"},
               {"down 20000 5 5\nup 20000 5 5\n", IDOK, "VANTFOUI.dll"},
               {"down 20001 5 5\nmove 0 1 1\nup 0 1 1\nkey escape\n", IDCANCEL, ""},
               {"key escape\n", IDCANCEL, ""},
               {"key close\n", IDCANCEL, ""}};
  for (const Case& c : cases) {
    std::istringstream in(c.script);
    std::ostringstream out;
    auto frontEnd = vp::ui::MakeScriptFrontEnd(in, out);
    vp::ui::SetFrontEnd(frontEnd.get());
    CLaunchScreenDlg screen;
    EXPECT_EQ(screen.DoModal(), c.result) << c.script;
    vp::ui::SetFrontEnd(nullptr);
    EXPECT_EQ(screen.GetSelectedModule(), c.module) << c.script;
    EXPECT_NE(out.str().find("dialog 15003 \n"), std::string::npos) << out.str();
    EXPECT_EQ(out.str().find("error"), std::string::npos) << out.str();
  }
}

TEST_F(LaunchScreen, ScriptSeesTheHoverLookComeAndGoOnTheVirtualClock) {
  std::istringstream in("move 20001 10 10\ncanvas 20001\ntick 10\nmove 0 2 2\ntick 10\ncanvas 20001\n");
  std::ostringstream out;
  auto frontEnd = vp::ui::MakeScriptFrontEnd(in, out);
  vp::ui::SetFrontEnd(frontEnd.get());
  CLaunchScreenDlg screen;
  screen.DoModal();
  vp::ui::SetFrontEnd(nullptr);
  std::string report = out.str();
  std::string face = "draw 20001 client FillRect 0 0 138 37 rgb(240,216,215)\n";
  std::string normal = "draw 20001 client TextOut 62 12 \"VANTPLUS\" font=Venus Rising color=rgb(0,0,0) transparent\n";
  // The first listing has the hover look; the second ends in the normal look once more.
  size_t firstListingEnd = report.rfind(face);
  ASSERT_NE(report.find(face), std::string::npos) << report;
  ASSERT_NE(firstListingEnd, std::string::npos);
  EXPECT_NE(report.find(normal, firstListingEnd), std::string::npos) << report;
}

#endif
