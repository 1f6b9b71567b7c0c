#include "support/module_loader.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <filesystem>

namespace varnolith::testing {

namespace fs = std::filesystem;

namespace {

// Paths cross this interface as UTF-8; on Windows they must reach the system as UTF-16.
fs::path pathFromUtf8(const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); }

std::string utf8FromPath(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

#if defined(_WIN32)
constexpr const char* kEntryName = "InitDll";
constexpr const char* kExitName = "ExitDll";

void* openLibrary(const fs::path& path, std::string& why) {
  HMODULE module = LoadLibraryW(path.wstring().c_str());
  if (!module) why = "LoadLibraryW failed with error " + std::to_string(GetLastError());
  return reinterpret_cast<void*>(module);
}
void* findSymbol(void* handle, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void closeLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
#else
constexpr const char* kEntryName = "ModuleEntry";
constexpr const char* kExitName = "ModuleExit";

void* openLibrary(const fs::path& path, std::string& why) {
  int flags = RTLD_NOW | RTLD_LOCAL;
#if defined(__SANITIZE_ADDRESS__)
  // The editor's text stack (GLib's type registry) keeps process-lifetime allocations that
  // LeakSanitizer reports as leaks once dlclose has unmapped the library holding them.
  flags |= RTLD_NODELETE;
#endif
  void* handle = dlopen(path.c_str(), flags);
  if (!handle) {
    const char* text = dlerror();
    why = text ? text : "unknown dlopen error";
  }
  return handle;
}
void* findSymbol(void* handle, const char* name) { return dlsym(handle, name); }
void closeLibrary(void* handle) { dlclose(handle); }
#endif

}  // namespace

ModuleLoader::~ModuleLoader() { unload(); }

std::string ModuleLoader::resolveLibrary(const std::string& path) {
  fs::path p = pathFromUtf8(path);
  while (!p.empty() && !p.has_filename()) p = p.parent_path();  // trailing slash
  if (p.extension() != ".vst3") return utf8FromPath(p);
#if defined(_WIN32)
  // The library inside a Windows bundle carries the bundle's own name and extension.
  std::error_code ec;
  if (fs::is_regular_file(p, ec)) return utf8FromPath(p);
  return utf8FromPath(p / "Contents" / "x86_64-win" / p.filename());
#else
  return utf8FromPath(p / "Contents" / "x86_64-linux" / (p.stem().string() + ".so"));
#endif
}

bool ModuleLoader::load(const std::string& path, std::string& error) {
  unload();
  libraryPath_ = resolveLibrary(path);
  const fs::path library = pathFromUtf8(libraryPath_);
  std::error_code ec;
  if (!fs::exists(library, ec)) {
    error = "cannot load '" + path + "': no such file (" + libraryPath_ + ")";
    return false;
  }
  std::string why;
  handle_ = openLibrary(library, why);
  if (!handle_) {
    error = "cannot load '" + path + "': " + why;
    return false;
  }
  using FactoryFn = Steinberg::IPluginFactory* (PLUGIN_API*)();
  auto getFactory = reinterpret_cast<FactoryFn>(findSymbol(handle_, "GetPluginFactory"));
  if (!getFactory) {
    error = "'" + path + "' is not a VST 3 module: it exports no GetPluginFactory";
    unload();
    return false;
  }
  if (void* entry = findSymbol(handle_, kEntryName)) {
#if defined(_WIN32)
    const bool entered = reinterpret_cast<bool (*)()>(entry)();
#else
    const bool entered = reinterpret_cast<bool (*)(void*)>(entry)(handle_);
#endif
    if (!entered) {
      error = "'" + path + "': " + kEntryName + " failed";
      unload();
      return false;
    }
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
    if (auto exitFn = reinterpret_cast<ExitFn>(findSymbol(handle_, kExitName))) exitFn();
    closeLibrary(handle_);
    handle_ = nullptr;
  }
}

}  // namespace varnolith::testing
