// The launch screen: a small modal dialog that asks which product to start, FO or PLUS, and
// answers with the UI module's file name. A watermark centred on white, a caption the dialog
// writes in its own title bar, and two transparent picture buttons.
#pragma once

#include <string>

#include "framework/framework.h"
#include "transparent_button.h"

class CLaunchScreenDlg : public CDialog {
 public:
  static constexpr const char* kFOModule = "VANTFOUI.dll";
  static constexpr const char* kPlusModule = "VantPlusUI.dll";
  static constexpr const char* kWatermarkFile = "TXE-WM.bmp";
  static constexpr const char* kCaption = "TXE Integrated Front End";

  CLaunchScreenDlg();
  ~CLaunchScreenDlg() override;

  // After IDOK: the chosen module's file name; empty after a cancel.
  std::string GetSelectedModule() const { return m_strSelectedModule; }

  CTransParentButton m_btnPlus;
  CTransParentButton m_btnFO;
  CBitmap m_bmpWatermark;

 protected:
  void DoDataExchange(CDataExchange* exchange) override;
  BOOL OnInitDialog() override;
  // Enter: the FO choice when its button has the focus, else the PLUS choice.
  void OnOK() override;
  const MessageMap* GetMessageMap() const override;

 private:
  void OnFO();
  void OnPlus();
  void OnPaint();
  void OnNcPaint();
  BOOL OnNcActivate(BOOL active);

  std::string m_strSelectedModule;
};
