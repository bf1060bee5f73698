// The installer program's entry: the one application object and the system's entry point.
#include "framework/app.h"
#include "installer_app.h"

CInstallerApp theApp;

#ifdef _WIN32
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  return vp::fw::RunApplication(instance, showCommand);
}
#else
int main(int argc, char** argv) { return vp::fw::RunApplication(argc, argv); }
#endif
