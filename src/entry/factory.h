// The library's exported entry points and the factory of its one class.
#pragma once

#include "entry/module_kind.h"
#include "vst3/ipluginbase.h"

#if defined(_WIN32)
#define VARNOLITH_EXPORT extern "C" __declspec(dllexport)
#else
#define VARNOLITH_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace varnolith::plugins {

// [main-thread] Creates a plug-in of this build's kind as its component interface; null when it
// cannot be allocated. The context is ignored.
Steinberg::FUnknown* createModuleInstance(void* context);

}  // namespace varnolith::plugins

// [main-thread] Each call returns the library's one factory with one more reference.
VARNOLITH_EXPORT Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory();
// [main-thread] Library load and unload hooks (Windows hosts); do nothing.
VARNOLITH_EXPORT bool InitDll();
VARNOLITH_EXPORT bool ExitDll();
#if !defined(_WIN32)
// [main-thread] Linux hosts call these after dlopen and before dlclose.
VARNOLITH_EXPORT bool ModuleEntry(void* sharedLibraryHandle);
VARNOLITH_EXPORT bool ModuleExit();
#endif
