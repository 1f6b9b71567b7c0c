#include "scan.h"

#include <cstdio>
#include <iomanip>
#include <sstream>

#include "support/host_objects.h"
#include "support/module_loader.h"
#include "vst3/ivstaudioprocessor.h"
#include "vst3/ivstcomponent.h"
#include "vst3/ivsteditcontroller.h"
#include "vst3/string16.h"

namespace varnolith::host {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

std::string narrow(const char16* text) { return utf16ToUtf8(std::u16string_view(text, string16Length(text, 128))); }

std::string hexId(const char* cid) {
  std::ostringstream s;
  for (int i = 0; i < 16; ++i) {
    s << std::hex << std::uppercase << std::setw(2) << std::setfill('0')
      << static_cast<int>(static_cast<unsigned char>(cid[i]));
  }
  return s.str();
}

const char* check(tresult result) { return result == kResultOk ? "ok" : "FAILED"; }

void printBuses(IComponent& component, std::ostream& out) {
  const std::pair<MediaType, const char*> media[] = {{kAudio, "audio"}, {kEvent, "event"}};
  const std::pair<BusDirection, const char*> dirs[] = {{kInput, "in"}, {kOutput, "out"}};
  for (const auto& [type, typeName] : media) {
    for (const auto& [dir, dirName] : dirs) {
      const int32 count = component.getBusCount(type, dir);
      if (count == 0) continue;
      out << "  " << typeName << " " << dirName << ": " << count << " bus" << (count == 1 ? "" : "es") << "\n";
      for (int32 i = 0; i < count; ++i) {
        BusInfo info{};
        if (component.getBusInfo(type, dir, i, info) != kResultOk) continue;
        if (i >= 2 && i + 1 < count) {
          if (i == 2) out << "    ...\n";
          continue;
        }
        out << "    [" << i << "] \"" << narrow(info.name) << "\" " << info.channelCount << " ch, "
            << (info.busType == kMain ? "main" : "aux")
            << ((info.flags & BusInfo::kDefaultActive) ? ", default active" : "") << "\n";
      }
    }
  }
}

void printParameters(IEditController& controller, std::ostream& out) {
  const int32 count = controller.getParameterCount();
  out << "  parameters: " << count << "\n";
  for (int32 i = 0; i < count; ++i) {
    ParameterInfo info{};
    if (controller.getParameterInfo(i, info) != kResultOk) continue;
    if (i >= 4 && i + 2 < count) {
      if (i == 4) out << "    ...\n";
      continue;
    }
    String128 value{};
    controller.getParamStringByValue(info.id, info.defaultNormalizedValue, value);
    out << "    id " << std::setw(3) << info.id << "  \"" << narrow(info.title) << "\"  default " << narrow(value);
    const std::string units = narrow(info.units);
    if (!units.empty()) out << " " << units;
    out << "  (steps " << info.stepCount << ")\n";
  }
}

bool scanOne(const std::string& bundle, std::ostream& out, std::ostream& err) {
  testing::ModuleLoader loader;
  std::string error;
  if (!loader.load(bundle, error)) {
    err << "error: " << error << "\n";
    return false;
  }
  IPluginFactory* factory = loader.factory();
  PFactoryInfo factoryInfo{};
  factory->getFactoryInfo(&factoryInfo);
  out << loader.libraryPath() << "\n";
  out << "  factory: vendor \"" << factoryInfo.vendor << "\", " << factory->countClasses() << " class(es)\n";
  auto factory2 = queryInterfacePtr<IPluginFactory2>(factory);
  for (int32 c = 0; c < factory->countClasses(); ++c) {
    PClassInfo2 info{};
    if (!factory2 || factory2->getClassInfo2(c, &info) != kResultOk) {
      err << "error: " << bundle << ": class " << c << " has no extended class information\n";
      return false;
    }
    out << "  class \"" << info.name << "\" category \"" << info.category << "\" sub \"" << info.subCategories
        << "\" version " << info.version << " (" << info.sdkVersion << ")\n    cid " << hexId(info.cid) << "\n";
    if (std::string(info.category) != kVstAudioEffectClass) continue;

    void* obj = nullptr;
    if (factory->createInstance(info.cid, IComponent::iid.bytes, &obj) != kResultOk || !obj) {
      err << "error: " << bundle << ": createInstance failed\n";
      return false;
    }
    auto component = IPtr<IComponent>::adopt(static_cast<IComponent*>(obj));
    auto processor = queryInterfacePtr<IAudioProcessor>(component.get());
    auto controller = queryInterfacePtr<IEditController>(component.get());
    if (!processor || !controller) {
      err << "error: " << bundle << ": the component answers no audio processor or edit controller\n";
      return false;
    }
    auto hostContext = testing::makeHostObject<testing::HostApplication>();
    bool ok = component->initialize(hostContext.get()) == kResultOk;
    printBuses(*component, out);
    printParameters(*controller, out);
    ProcessSetup setup{kRealtime, kSample32, 512, 48000.0};
    const tresult setupResult = processor->setupProcessing(setup);
    const tresult activeOn = component->setActive(1);
    const tresult processingOn = processor->setProcessing(1);
    ProcessData empty{};
    const tresult processResult = processor->process(empty);
    const tresult processingOff = processor->setProcessing(0);
    const tresult activeOff = component->setActive(0);
    const tresult terminated = component->terminate();
    out << "  lifecycle: setupProcessing " << check(setupResult) << ", setActive " << check(activeOn)
        << ", setProcessing " << check(processingOn) << ", process " << check(processResult) << ", back "
        << check(processingOff) << "/" << check(activeOff) << ", terminate " << check(terminated) << "\n";
    ok = ok && setupResult == kResultOk && activeOn == kResultOk && processingOn == kResultOk &&
         processResult == kResultOk && processingOff == kResultOk && activeOff == kResultOk &&
         terminated == kResultOk;
    processor.reset();
    controller.reset();
    IComponent* raw = component.get();
    raw->addRef();
    component.reset();
    const uint32 left = raw->release();
    out << "  released: " << (left == 0 ? "destroyed" : "STILL REFERENCED") << "\n";
    if (!ok || left != 0) {
      err << "error: " << bundle << ": lifecycle failed\n";
      return false;
    }
  }
  return true;
}

}  // namespace

int scanBundles(const std::vector<std::string>& bundles, std::ostream& out, std::ostream& err) {
  int failures = 0;
  for (const auto& bundle : bundles) {
    if (!scanOne(bundle, out, err)) ++failures;
  }
  return failures;
}

}  // namespace varnolith::host
