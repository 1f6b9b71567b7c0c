// Loads each built bundle like a host: dlopen, exported functions, factory and queryInterface only.
#include <gtest/gtest.h>
#include <dlfcn.h>

#include <array>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "support/host_objects.h"
#include "support/module_loader.h"
#include "vst3/ivstaudioprocessor.h"
#include "vst3/ivstcomponent.h"
#include "vst3/ivsteditcontroller.h"
#include "vst3/ivstmessage.h"
#include "vst3/ivstunits.h"

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using varnolith::testing::ModuleLoader;

struct BundleCase {
  const char* bundle;
  const char* name;
  int kind;
};

const BundleCase kBundles[] = {
    {"VarnolithInput", "VARNOLITH INPUT", 1},       {"VarnolithOutput", "VARNOLITH OUTPUT", 2},
    {"VarnolithSumming", "VARNOLITH SUMMING", 3},   {"VarnolithBreakout", "VARNOLITH BREAKOUT", 4},
    {"VarnolithPlayer", "VARNOLITH PLAYER", 5},     {"VarnolithRecorder", "VARNOLITH RECORDER", 6},
    {"VarnolithFaderBank", "VARNOLITH FADER BANK", 7}, {"VarnolithDistributor", "VARNOLITH DISTRIBUTOR", 8},
};

std::string bundlePath(const char* name) { return std::string(VARNOLITH_BUNDLE_DIR) + "/" + name + ".vst3"; }

class BundleTest : public ::testing::TestWithParam<BundleCase> {};

TEST_P(BundleTest, RegistersOneClassAndRunsTheLifecycleThroughItsInterfaces) {
  const BundleCase& c = GetParam();
  ModuleLoader loader;
  std::string error;
  ASSERT_TRUE(loader.load(bundlePath(c.bundle), error)) << error;
  IPluginFactory* factory = loader.factory();

  PFactoryInfo info{};
  ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
  EXPECT_STREQ(info.vendor, "VARNOLITH");
  EXPECT_EQ(info.flags, PFactoryInfo::kUnicode);
  ASSERT_EQ(factory->countClasses(), 1);

  auto factory2 = queryInterfacePtr<IPluginFactory2>(factory);
  auto factory3 = queryInterfacePtr<IPluginFactory3>(factory);
  ASSERT_TRUE(factory2 && factory3);
  PClassInfo2 cls{};
  ASSERT_EQ(factory2->getClassInfo2(0, &cls), kResultOk);
  const std::array<unsigned char, 16> expectedCid{0x56, 0x52, 0x41, 0x43, 0x4B, 0x55, 0x54, 0x49,
                                                  0x4C, 0x49, 0x54, 0x59, 0x00, 0x10, 0x00,
                                                  static_cast<unsigned char>(c.kind)};
  EXPECT_EQ(std::memcmp(cls.cid, expectedCid.data(), 16), 0);
  EXPECT_EQ(cls.cardinality, PClassInfo::kManyInstances);
  EXPECT_STREQ(cls.category, "Audio Module Class");
  EXPECT_STREQ(cls.name, c.name);
  EXPECT_EQ(cls.classFlags, 0u);
  EXPECT_STREQ(cls.subCategories, "Fx|Tools");
  EXPECT_STREQ(cls.vendor, "");
  EXPECT_STREQ(cls.version, "0.1.0-beta.1");
  EXPECT_STREQ(cls.sdkVersion, "VST 3.8.1");
  PClassInfoW wide{};
  ASSERT_EQ(factory3->getClassInfoUnicode(0, &wide), kResultOk);
  EXPECT_EQ(std::u16string(wide.name), std::u16string(c.name, c.name + std::strlen(c.name)));

  factory2.reset();
  factory3.reset();
  // A second GetPluginFactory hands out the same factory with one more reference.
  using FactoryFn = IPluginFactory* (*)();
  void* handle = dlopen(loader.libraryPath().c_str(), RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(handle, nullptr);
  auto getFactory = reinterpret_cast<FactoryFn>(dlsym(handle, "GetPluginFactory"));
  IPluginFactory* again = getFactory();
  EXPECT_EQ(again, factory);
  EXPECT_EQ(again->release(), 1u);
  dlclose(handle);
  for (const char* symbol : {"InitDll", "ExitDll", "ModuleEntry", "ModuleExit"}) {
    EXPECT_NE(dlsym(handle, symbol), nullptr) << symbol;
  }

  void* obj = nullptr;
  ASSERT_EQ(factory->createInstance(cls.cid, IComponent::iid.bytes, &obj), kResultOk);
  auto component = IPtr<IComponent>::adopt(static_cast<IComponent*>(obj));
  auto processor = queryInterfacePtr<IAudioProcessor>(component.get());
  auto controller = queryInterfacePtr<IEditController>(component.get());
  ASSERT_TRUE(processor && controller);
  for (const UidBytes* id : {&IProcessContextRequirements::iid, &IEditController2::iid, &IUnitInfo::iid,
                             &IConnectionPoint::iid, &IPluginBase::iid, &FUnknown::iid}) {
    void* other = nullptr;
    ASSERT_EQ(component->queryInterface(id->bytes, &other), kResultOk);
    static_cast<FUnknown*>(other)->release();
  }
  void* none = reinterpret_cast<void*>(0x1);
  const UidBytes unknown = makeUid(0x12345678, 1, 2, 3);
  EXPECT_EQ(component->queryInterface(unknown.bytes, &none), kNoInterface);
  EXPECT_EQ(none, nullptr);
  obj = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(factory->createInstance(unknown.bytes, IComponent::iid.bytes, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);

  auto host = varnolith::testing::makeHostObject<varnolith::testing::HostApplication>();
  ASSERT_EQ(component->initialize(host.get()), kResultOk);
  EXPECT_GT(component->getBusCount(kAudio, kOutput), 0);
  EXPECT_GT(controller->getParameterCount(), 0);

  // Hosts probe rates and block sizes far outside the range; refusing is fine, crashing is not.
  for (double rate : {1234.5678, 1234567.8}) {
    ProcessSetup probe{kRealtime, kSample32, 512, rate};
    EXPECT_EQ(processor->setupProcessing(probe), kInvalidArgument);
  }
  ProcessSetup setup{kRealtime, kSample32, 512, 48000.0};
  ASSERT_EQ(processor->setupProcessing(setup), kResultOk);
  ASSERT_EQ(component->setActive(1), kResultOk);
  ASSERT_EQ(processor->setProcessing(1), kResultOk);
  // Hosts call process with 0 samples and from another thread.
  std::thread audio([&] {
    ProcessData empty{};
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(processor->process(empty), kResultOk);
  });
  audio.join();
  ASSERT_EQ(processor->setProcessing(0), kResultOk);
  ASSERT_EQ(component->setActive(0), kResultOk);
  ASSERT_EQ(component->terminate(), kResultOk);

  processor.reset();
  controller.reset();
  IComponent* raw = component.get();
  raw->addRef();
  component.reset();
  EXPECT_EQ(raw->release(), 0u);  // the last reference destroys the object
  EXPECT_EQ(host->refCount(), 1u);
}

INSTANTIATE_TEST_SUITE_P(AllKinds, BundleTest, ::testing::ValuesIn(kBundles),
                         [](const auto& param) { return std::string(param.param.bundle); });

TEST(BundleLoading, MissingPathsAndForeignLibrariesAreClearErrors) {
  ModuleLoader loader;
  std::string error;
  EXPECT_FALSE(loader.load("/nonexistent/Nothing.vst3", error));
  EXPECT_NE(error.find("no such file"), std::string::npos) << error;
  EXPECT_FALSE(loader.load(VARNOLITH_FOREIGN_LIBRARY, error));
  EXPECT_NE(error.find("not a VST 3 module"), std::string::npos) << error;
  EXPECT_EQ(ModuleLoader::resolveLibrary("/x/VarnolithInput.vst3/"),
            "/x/VarnolithInput.vst3/Contents/x86_64-linux/VarnolithInput.so");
}

}  // namespace
