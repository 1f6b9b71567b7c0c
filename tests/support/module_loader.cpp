#include "support/module_loader.h"

#include <dlfcn.h>

#include <filesystem>

namespace varnolith::testing {

namespace fs = std::filesystem;

ModuleLoader::~ModuleLoader() { unload(); }

std::string ModuleLoader::resolveLibrary(const std::string& path) {
  fs::path p(path);
  while (!p.empty() && !p.has_filename()) p = p.parent_path();  // trailing slash
  if (p.extension() == ".vst3") {
    return (p / "Contents" / "x86_64-linux" / (p.stem().string() + ".so")).string();
  }
  return p.string();
}

bool ModuleLoader::load(const std::string& path, std::string& error) {
  unload();
  libraryPath_ = resolveLibrary(path);
  std::error_code ec;
  if (!fs::exists(libraryPath_, ec)) {
    error = "cannot load '" + path + "': no such file (" + libraryPath_ + ")";
    return false;
  }
  int flags = RTLD_NOW | RTLD_LOCAL;
#if defined(__SANITIZE_ADDRESS__)
  // The editor's text stack (GLib's type registry) keeps process-lifetime allocations that
  // LeakSanitizer reports as leaks once dlclose has unmapped the library holding them.
  flags |= RTLD_NODELETE;
#endif
  handle_ = dlopen(libraryPath_.c_str(), flags);
  if (!handle_) {
    const char* why = dlerror();
    error = "cannot load '" + path + "': " + (why ? why : "unknown dlopen error");
    return false;
  }
  using EntryFn = bool (*)(void*);
  using FactoryFn = Steinberg::IPluginFactory* (*)();
  auto getFactory = reinterpret_cast<FactoryFn>(dlsym(handle_, "GetPluginFactory"));
  if (!getFactory) {
    error = "'" + path + "' is not a VST 3 module: it exports no GetPluginFactory";
    unload();
    return false;
  }
  if (auto entry = reinterpret_cast<EntryFn>(dlsym(handle_, "ModuleEntry")); entry && !entry(handle_)) {
    error = "'" + path + "': ModuleEntry failed";
    unload();
    return false;
  }
  factory_ = Steinberg::IPtr<Steinberg::IPluginFactory>::adopt(getFactory());
  if (!factory_) {
    error = "'" + path + "': GetPluginFactory returned no factory";
    unload();
    return false;
  }
  return true;
}

void ModuleLoader::unload() {
  factory_.reset();
  if (handle_) {
    using ExitFn = bool (*)();
    if (auto exitFn = reinterpret_cast<ExitFn>(dlsym(handle_, "ModuleExit"))) exitFn();
    dlclose(handle_);
    handle_ = nullptr;
  }
}

}  // namespace varnolith::testing
