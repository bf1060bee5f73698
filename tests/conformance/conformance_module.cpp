// A module for the dynamic-loading cases.
#ifdef _WIN32
#define EXPORT extern "C" __declspec(dllexport)
#else
#define EXPORT extern "C" __attribute__((visibility("default")))
#endif

EXPORT int ConfAdd(int a, int b) { return a + b; }
