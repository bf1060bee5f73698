#include "launch_screen_dlg.h"

#include "launch_font.h"
#include "launch_screen_dialog.h"

CLaunchScreenDlg::CLaunchScreenDlg() : CDialog(IDD_LAUNCH_SCREEN, nullptr) {}

CLaunchScreenDlg::~CLaunchScreenDlg() { UnregisterLaunchFont(); }

const MessageMap* CLaunchScreenDlg::GetMessageMap() const {
  static const MessageMap map{CDialog::GetMessageMap(),
                              {MapPaint(&CLaunchScreenDlg::OnPaint), MapNcPaint(&CLaunchScreenDlg::OnNcPaint),
                               MapNcActivate(&CLaunchScreenDlg::OnNcActivate),
                               MapClicked(IDC_LAUNCH_FO, &CLaunchScreenDlg::OnFO),
                               MapClicked(IDC_LAUNCH_PLUS, &CLaunchScreenDlg::OnPlus)}};
  return &map;
}

void CLaunchScreenDlg::DoDataExchange(CDataExchange* exchange) {
  CDialog::DoDataExchange(exchange);
  DDX_Control(exchange, IDC_LAUNCH_PLUS, m_btnPlus);
  DDX_Control(exchange, IDC_LAUNCH_FO, m_btnFO);
}

BOOL CLaunchScreenDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  // From the current folder, at its natural size; without it the screen is plain white.
  m_bmpWatermark.Attach(LoadImageA(nullptr, kWatermarkFile, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  RegisterLaunchFont();
  m_btnPlus.SetIcons(IDI_LAUNCH_FIRST, IDI_LAUNCH_SECOND);
  m_btnFO.SetIcons(IDI_LAUNCH_FIRST, IDI_LAUNCH_SECOND);
  return TRUE;
}

void CLaunchScreenDlg::OnFO() {
  m_strSelectedModule = kFOModule;
  CDialog::OnOK();
}

void CLaunchScreenDlg::OnPlus() {
  m_strSelectedModule = kPlusModule;
  CDialog::OnOK();
}

void CLaunchScreenDlg::OnOK() {
  CWnd* focus = CWnd::GetFocus();
  if (focus && focus->m_hWnd == m_btnFO.m_hWnd && m_btnFO.m_hWnd) OnFO();
  else OnPlus();
}

void CLaunchScreenDlg::OnPaint() {
  Default();  // validates the update region
  CClientDC dc(this);
  RECT client;
  GetClientRect(&client);
  CBrush white(RGB(255, 255, 255));
  dc.FillRect(&client, &white);
  BITMAP picture{};
  if (m_bmpWatermark.GetBitmap(&picture)) {
    CDC memory;
    memory.CreateCompatibleDC(&dc);
    memory.SelectObject(&m_bmpWatermark);
    int x = client.right / 2 - picture.bmWidth / 2, y = client.bottom / 2 - picture.bmHeight / 2;
    dc.BitBlt(x, y, picture.bmWidth, picture.bmHeight, &memory, 0, 0, SRCCOPY);
  }
  // The buttons draw themselves again over the new background.
  m_btnFO.Invalidate(TRUE);
  m_btnPlus.Invalidate(TRUE);
}

void CLaunchScreenDlg::OnNcPaint() {
  Default();
  CWindowDC dc(this);
  if (HFONT font = ScreenCaptionFont().Get(dc)) dc.SelectObject(font);
  // Transparent also when the face could not be made: no white box behind the white text.
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(RGB(255, 255, 255));
  dc.TextOut(20, 5, kCaption);
}

BOOL CLaunchScreenDlg::OnNcActivate(BOOL) { return FALSE; }
