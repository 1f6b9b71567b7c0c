// ModuleLoader: loads a built bundle the way a host does (dlopen and ModuleEntry on Linux,
// LoadLibraryW and InitDll on Windows, then GetPluginFactory).
#pragma once

#include <string>

#include "vst3/funknown.h"
#include "vst3/ipluginbase.h"

namespace varnolith::testing {

class ModuleLoader {
 public:
  ModuleLoader() = default;
  ModuleLoader(const ModuleLoader&) = delete;
  ModuleLoader& operator=(const ModuleLoader&) = delete;
  ~ModuleLoader();

  // [main-thread] Loads a bundle directory (Name.vst3) or a library file; false with `error` set
  // when it is missing, not loadable or not a VST 3 module.
  bool load(const std::string& path, std::string& error);
  // [main-thread] The factory (one reference owned by the loader), or null.
  Steinberg::IPluginFactory* factory() const noexcept { return factory_.get(); }
  // [main-thread] Releases the factory, calls ModuleExit (ExitDll) and unloads the library.
  void unload();
  // The library file that was loaded.
  const std::string& libraryPath() const noexcept { return libraryPath_; }

  // [main-thread] Resolves the bundle Name.vst3 to Name.vst3/Contents/x86_64-linux/Name.so
  // (Windows: Name.vst3/Contents/x86_64-win/Name.vst3); other paths unchanged. Paths are UTF-8.
  static std::string resolveLibrary(const std::string& path);

 private:
  void* handle_ = nullptr;
  Steinberg::IPtr<Steinberg::IPluginFactory> factory_;
  std::string libraryPath_;
};

}  // namespace varnolith::testing
