// Placeholders for the Install and Uninstall buttons, so that the program links while the
// sequences are being written. The install sequence (installer/install/install_sequence.cpp)
// and the uninstall sequence (installer/uninstall/uninstall_sequence.cpp) replace them: each
// placeholder drops out as soon as its sequence's file exists. They show nothing.
#include "installer_dlg.h"

#if !__has_include("../install/install_sequence.cpp")
void CInstallerDlg::OnInstall() {}
#endif

#if !__has_include("../uninstall/uninstall_sequence.cpp")
void CInstallerDlg::OnUninstall() {}
#endif
