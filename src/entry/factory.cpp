// Compiled once per bundle with VARNOLITH_BUILD_KIND set to the module kind it registers.
#include "entry/factory.h"

#include <cstring>
#include <mutex>
#include <new>

#include "plugin/utility_plugin.h"
#include "vst3/pluginfactory.h"

#ifndef VARNOLITH_BUILD_KIND
#error "VARNOLITH_BUILD_KIND must name the module kind of this bundle"
#endif

namespace varnolith::plugins {

using namespace Steinberg;

namespace {

constexpr ModuleKind kBuildModuleKind = static_cast<ModuleKind>(VARNOLITH_BUILD_KIND);
static_assert(VARNOLITH_BUILD_KIND >= 1 && VARNOLITH_BUILD_KIND <= 8, "unknown module kind");

// 'VRAC' 'KUTI' 'LITY' and 0x0010000k for kind k.
const FUID kClassId(0x56524143, 0x4B555449, 0x4C495459, 0x00100000u | static_cast<uint32>(VARNOLITH_BUILD_KIND));

std::mutex factoryMutex;
CPluginFactory* theFactory = nullptr;

// Clears the library-wide pointer when the host drops the last reference, so the next
// GetPluginFactory builds a new one.
class ModuleFactory final : public CPluginFactory {
 public:
  using CPluginFactory::CPluginFactory;
  ~ModuleFactory() override {
    std::lock_guard<std::mutex> lock(factoryMutex);
    if (theFactory == this) theFactory = nullptr;
  }
};

template <std::size_t N>
void copyText(char (&dest)[N], const char* text) {
  const std::size_t n = text ? strnlen(text, N - 1) : 0;
  std::memcpy(dest, text, n);
  std::memset(dest + n, 0, N - n);
}

const PClassInfo2& classInfo() {
  static const PClassInfo2 info = [] {
    PClassInfo2 result{};
    kClassId.toTUID(result.cid);
    result.cardinality = PClassInfo::kManyInstances;
    copyText(result.category, kVstAudioEffectClass);
    copyText(result.name, moduleDisplayName(kBuildModuleKind));
    result.classFlags = 0;
    copyText(result.subCategories, "Fx|Tools");
    copyText(result.vendor, "");
    copyText(result.version, "0.1.0-beta.1");
    copyText(result.sdkVersion, "VST 3.8.1");
    return result;
  }();
  return info;
}

PFactoryInfo factoryInfo() {
  PFactoryInfo info{};
  copyText(info.vendor, "VARNOLITH");
  copyText(info.url, "https://varnolith.example");
  copyText(info.email, "mailto:support@varnolith.example");
  info.flags = PFactoryInfo::kUnicode;
  return info;
}

}  // namespace

FUnknown* createModuleInstance(void*) {
  auto* plugin = new (std::nothrow) UtilityPlugin(kBuildModuleKind);
  if (!plugin) return nullptr;
  return static_cast<Vst::IComponent*>(plugin);
}

}  // namespace varnolith::plugins

VARNOLITH_EXPORT Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory() {
  using namespace varnolith::plugins;
  std::lock_guard<std::mutex> lock(factoryMutex);
  if (theFactory) {
    theFactory->addRef();
    return theFactory;
  }
  auto* factory = new (std::nothrow) ModuleFactory(factoryInfo());
  if (!factory) return nullptr;
  factory->registerClass(classInfo(), &createModuleInstance, nullptr);
  theFactory = factory;
  return factory;
}

VARNOLITH_EXPORT bool InitDll() { return true; }
VARNOLITH_EXPORT bool ExitDll() { return true; }

#if !defined(_WIN32)
VARNOLITH_EXPORT bool ModuleEntry(void*) { return true; }
VARNOLITH_EXPORT bool ModuleExit() { return true; }
#endif
