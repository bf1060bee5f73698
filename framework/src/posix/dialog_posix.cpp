// Modal dialogs on the dialog model: the template becomes a DialogWindow, OnInitDialog runs,
// and the front end lets the user work until EndDialog.
#include <map>

#include "framework/dialog.h"
#include "framework/dialog_template.h"
#include "framework/ui_model.h"
#include "../common/window_internal.h"

namespace vp::fw {

static std::map<UINT, const DialogTemplate*>& Templates() {
  static std::map<UINT, const DialogTemplate*> templates;
  return templates;
}

void RegisterDialogTemplate(const DialogTemplate* dialogTemplate) {
  Templates()[dialogTemplate->id] = dialogTemplate;
}

const DialogTemplate* FindDialogTemplate(UINT id) {
  auto found = Templates().find(id);
  return found == Templates().end() ? nullptr : found->second;
}

}  // namespace vp::fw

namespace vp::fw {
void ShowNewTopWindow(vp::ui::DialogWindow& window);
}

namespace {

// As the dialog manager does when OnInitDialog answers TRUE: the first visible, enabled tab
// stop gets the keyboard focus.
void FocusFirstTabStop(vp::ui::DialogWindow& window) {
  for (const auto& control : window.controls) {
    if (control->IsTabStop() && control->visible && control->enabled) {
      vp::ui::SetFocusTo(vp::ui::ToHandle(control.get()));
      return;
    }
  }
}

}  // namespace

INT_PTR CDialog::DoModal() {
  const vp::fw::DialogTemplate* dialogTemplate = vp::fw::FindDialogTemplate(m_nIDTemplate);
  if (!dialogTemplate || m_hWnd) return -1;
  std::unique_ptr<vp::ui::DialogWindow> window = vp::ui::CreateDialogWindow(*dialogTemplate, this);
  window->ownerWindow = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
  m_bModal = true;
  HWND handle = vp::ui::ToHandle(window.get());
  Attach(handle);
  if (OnInitDialog()) FocusFirstTabStop(*window);
  if (!window->ended) {
    window->shown = true;
    vp::ui::CurrentFrontEnd().RunModal(*window);
  }
  INT_PTR result = window->result;
  // The focus does not outlive the dialog's controls.
  vp::ui::Window* focused = vp::ui::FromHandle(vp::ui::Focus());
  if (focused && focused->dialog == window.get()) vp::ui::SetFocusTo(nullptr);
  window->Send(WM_DESTROY, 0, 0);
  for (const auto& control : window->controls) vp::fw::WindowDestroyed(vp::ui::ToHandle(control.get()));
  window->Send(WM_NCDESTROY, 0, 0);
  vp::fw::WindowDestroyed(handle);
  m_bModal = false;
  return result;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  const vp::fw::DialogTemplate* dialogTemplate = vp::fw::FindDialogTemplate(templateId);
  if (!dialogTemplate || m_hWnd) return FALSE;
  m_nIDTemplate = templateId;
  m_pParentWnd = parent;
  m_bModal = false;
  auto window = vp::ui::CreateDialogWindow(*dialogTemplate, this);
  window->ownerWindow = parent ? parent->m_hWnd : nullptr;
  vp::ui::DialogWindow* made = vp::ui::AddTopWindow(std::move(window));
  Attach(vp::ui::ToHandle(made));
  OnInitDialog();
  vp::fw::ShowNewTopWindow(*made);
  return m_hWnd != nullptr;
}

void CDialog::EndDialog(int result) {
  if (auto* window = vp::ui::DialogFromHandle(m_hWnd)) {
    window->ended = true;
    window->result = result;
  }
}

BOOL CDialog::PreTranslateMessage(MSG*) { return FALSE; }
