// The VantPro executable: the instance mutex first, then the application object, both made
// during static initialisation in this order; the framework runs the rest.
#include "instance_mutex.h"
#include "vant_plus_app.h"

CInstanceMutex InstanceMutex;
CVantPlusApp theApp(InstanceMutex);

#ifdef _WIN32
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  return vp::fw::RunApplication(instance, showCommand);
}
#else
int main(int argc, char** argv) { return vp::fw::RunApplication(argc, argv); }
#endif
