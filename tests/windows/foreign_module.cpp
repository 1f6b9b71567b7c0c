// A DLL that looks like a bundle from outside but is not one: its factory is missing and it
// exports a Linux entry point. The export check and the test host must both refuse it.
#include <windows.h>

extern "C" __declspec(dllexport) bool InitDll() { return true; }
extern "C" __declspec(dllexport) bool ExitDll() { return true; }
extern "C" __declspec(dllexport) void* GetPluginFactory() { return nullptr; }
extern "C" __declspec(dllexport) bool ModuleEntry(void*) { return true; }
// Imports from a DLL that no Windows installation has.
extern "C" __declspec(dllimport) int foreignHelper();
extern "C" __declspec(dllexport) int callHelper() { return foreignHelper(); }
