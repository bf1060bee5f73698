// Modal dialogs on the dialog model: the template becomes a DialogWindow, OnInitDialog runs,
// and the front end lets the user work until EndDialog.
#include <map>

#include "framework/dialog.h"
#include "framework/dialog_template.h"
#include "framework/ui_model.h"

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

INT_PTR CDialog::DoModal() {
  const vp::fw::DialogTemplate* dialogTemplate = vp::fw::FindDialogTemplate(m_nIDTemplate);
  if (!dialogTemplate || m_hWnd) return -1;
  std::unique_ptr<vp::ui::DialogWindow> window = vp::ui::CreateDialogWindow(*dialogTemplate, this);
  window->ownerWindow = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
  m_hWnd = vp::ui::ToHandle(window.get());
  OnInitDialog();
  if (!window->ended) {
    window->shown = true;
    vp::ui::CurrentFrontEnd().RunModal(*window);
  }
  INT_PTR result = window->result;
  ReleaseChildWrappers();
  m_hWnd = nullptr;
  return result;
}

void CDialog::EndDialog(int result) {
  if (auto* window = vp::ui::DialogFromHandle(m_hWnd)) {
    window->ended = true;
    window->result = result;
  }
}
