// The Windows test host: loads each cross-built bundle with LoadLibraryW like a Windows DAW, checks
// its export table and factory, and drives an instance through the whole lifecycle with audio.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/host_objects.h"
#include "support/module_loader.h"
#include "support/process_block.h"
#include "vst3/ivstaudioprocessor.h"
#include "vst3/ivstcomponent.h"
#include "vst3/ivsteditcontroller.h"

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
namespace fs = std::filesystem;
using varnolith::testing::ModuleLoader;
using varnolith::testing::ProcessBlock;

struct BundleCase {
  const char* bundle;
  const char* name;
  int kind;
};

void PrintTo(const BundleCase& c, std::ostream* out) { *out << c.bundle; }

const BundleCase kBundles[] = {
    {"VarnolithInput", "VARNOLITH INPUT", 1},       {"VarnolithOutput", "VARNOLITH OUTPUT", 2},
    {"VarnolithSumming", "VARNOLITH SUMMING", 3},   {"VarnolithBreakout", "VARNOLITH BREAKOUT", 4},
    {"VarnolithPlayer", "VARNOLITH PLAYER", 5},     {"VarnolithRecorder", "VARNOLITH RECORDER", 6},
    {"VarnolithFaderBank", "VARNOLITH FADER BANK", 7}, {"VarnolithDistributor", "VARNOLITH DISTRIBUTOR", 8},
};
constexpr int kPlayerKind = 5;

fs::path programDirectory() {
  std::wstring exe(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
    if (length < exe.size()) {
      exe.resize(length);
      break;
    }
    exe.resize(exe.size() * 2);
  }
  return fs::path(exe).parent_path();
}

// The bundles lie at a fixed place relative to this program in the build tree.
fs::path bundleDirectory() { return (programDirectory() / VARNOLITH_BUNDLES_FROM_TEST).lexically_normal(); }

fs::path libraryOf(const char* bundle) {
  return bundleDirectory() / (std::string(bundle) + ".vst3") / "Contents" / "x86_64-win" /
         (std::string(bundle) + ".vst3");
}

std::string utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// Owns one LoadLibraryW reference.
class Library {
 public:
  explicit Library(const fs::path& path) : module_(LoadLibraryW(path.wstring().c_str())) {}
  ~Library() {
    if (module_) FreeLibrary(module_);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  HMODULE get() const { return module_; }

 private:
  HMODULE module_;
};

struct ExportTable {
  DWORD functionCount = 0;
  std::set<std::string> names;
};

// Reads the export directory of a loaded image, as the loader sees it.
ExportTable exportsOf(HMODULE module) {
  ExportTable table;
  const auto* base = reinterpret_cast<const unsigned char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return table;
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) return table;
  const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (entry.VirtualAddress == 0) return table;
  const auto* directory = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
  table.functionCount = directory->NumberOfFunctions;
  const auto* names = reinterpret_cast<const DWORD*>(base + directory->AddressOfNames);
  for (DWORD i = 0; i < directory->NumberOfNames; ++i) {
    table.names.insert(reinterpret_cast<const char*>(base + names[i]));
  }
  return table;
}

// GetProcAddress with the function's real type.
template <class Fn>
Fn procAddress(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

using Bytes = std::array<unsigned char, 16>;

Bytes bytesOf(const char* cid) {
  Bytes out{};
  std::memcpy(out.data(), cid, 16);
  return out;
}

class WindowsHost : public ::testing::TestWithParam<BundleCase> {};

TEST_P(WindowsHost, ExportsExactlyTheThreeWindowsEntryPoints) {
  const BundleCase& c = GetParam();
  Library library(libraryOf(c.bundle));
  ASSERT_NE(library.get(), nullptr) << "LoadLibraryW failed: " << GetLastError();

  const ExportTable table = exportsOf(library.get());
  EXPECT_EQ(table.names, (std::set<std::string>{"ExitDll", "GetPluginFactory", "InitDll"}));
  EXPECT_EQ(table.functionCount, 3u) << "no exports by ordinal only";
  for (const char* linuxOnly : {"ModuleEntry", "ModuleExit"}) {
    EXPECT_EQ(GetProcAddress(library.get(), linuxOnly), nullptr) << linuxOnly;
  }

  using BoolFn = bool (*)();
  auto initDll = procAddress<BoolFn>(library.get(), "InitDll");
  auto exitDll = procAddress<BoolFn>(library.get(), "ExitDll");
  ASSERT_TRUE(initDll && exitDll);
  EXPECT_TRUE(initDll());
  EXPECT_TRUE(exitDll());
}

TEST_P(WindowsHost, FactoryRegistersOneClassWithItsComOrderClassId) {
  const BundleCase& c = GetParam();
  Library library(libraryOf(c.bundle));
  ASSERT_NE(library.get(), nullptr);
  using FactoryFn = IPluginFactory*(PLUGIN_API*)();
  auto getFactory = procAddress<FactoryFn>(library.get(), "GetPluginFactory");
  ASSERT_NE(getFactory, nullptr);
  auto factory = IPtr<IPluginFactory>::adopt(getFactory());
  ASSERT_TRUE(factory);
  // Every call hands out the same factory with one more reference.
  IPluginFactory* again = getFactory();
  EXPECT_EQ(again, factory.get());
  EXPECT_EQ(again->release(), 1u);

  PFactoryInfo info{};
  ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
  EXPECT_STREQ(info.vendor, "VARNOLITH");
  EXPECT_EQ(info.flags, PFactoryInfo::kUnicode);
  ASSERT_EQ(factory->countClasses(), 1);

  // 'VRAC' 'KUTI' 'LITY' 0x0010000k in the COM byte order: the first word and the two halves
  // of the second little-endian.
  const Bytes expected{0x43, 0x41, 0x52, 0x56, 0x55, 0x4B, 0x49, 0x54, 0x4C, 0x49, 0x54, 0x59,
                       0x00, 0x10, 0x00, static_cast<unsigned char>(c.kind)};
  PClassInfo plain{};
  ASSERT_EQ(factory->getClassInfo(0, &plain), kResultOk);
  EXPECT_EQ(bytesOf(plain.cid), expected);
  EXPECT_EQ(plain.cardinality, PClassInfo::kManyInstances);
  EXPECT_STREQ(plain.category, "Audio Module Class");
  EXPECT_STREQ(plain.name, c.name);
  EXPECT_NE(factory->getClassInfo(1, &plain), kResultOk);

  auto factory2 = queryInterfacePtr<IPluginFactory2>(factory.get());
  auto factory3 = queryInterfacePtr<IPluginFactory3>(factory.get());
  ASSERT_TRUE(factory2 && factory3);
  PClassInfo2 cls{};
  ASSERT_EQ(factory2->getClassInfo2(0, &cls), kResultOk);
  EXPECT_EQ(bytesOf(cls.cid), expected);
  EXPECT_STREQ(cls.name, c.name);
  EXPECT_STREQ(cls.subCategories, "Fx|Tools");
  EXPECT_STREQ(cls.version, "0.1.0-beta.1");
  EXPECT_STREQ(cls.sdkVersion, "VST 3.8.1");
  PClassInfoW wide{};
  ASSERT_EQ(factory3->getClassInfoUnicode(0, &wide), kResultOk);
  EXPECT_EQ(bytesOf(wide.cid), expected);
  EXPECT_EQ(std::u16string(wide.name), std::u16string(c.name, c.name + std::strlen(c.name)));

  // An ID in the other byte order is someone else's class.
  const UidBytes linuxOrder = makeUidInOrder(false, 0x56524143, 0x4B555449, 0x4C495459,
                                             0x00100000u | static_cast<uint32>(c.kind));
  void* obj = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(factory->createInstance(linuxOrder.bytes, IComponent::iid.bytes, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
}

// Input bus b, channel c, sample i of the test signal: a different tone on every channel.
double signal(int32 bus, int32 channel, int64 i) {
  return 0.5 * std::sin(0.01 * static_cast<double>(i + 1) * (1 + channel + 3 * bus));
}

void runLifecycle(IPluginFactory* factory, const BundleCase& c, int32 sampleSize) {
  SCOPED_TRACE(sampleSize == kSample64 ? "64-bit samples" : "32-bit samples");
  PClassInfo cls{};
  ASSERT_EQ(factory->getClassInfo(0, &cls), kResultOk);
  void* obj = nullptr;
  ASSERT_EQ(factory->createInstance(cls.cid, IComponent::iid.bytes, &obj), kResultOk);
  auto component = IPtr<IComponent>::adopt(static_cast<IComponent*>(obj));
  auto processor = queryInterfacePtr<IAudioProcessor>(component.get());
  auto controller = queryInterfacePtr<IEditController>(component.get());
  ASSERT_TRUE(processor && controller);

  auto host = varnolith::testing::makeHostObject<varnolith::testing::HostApplication>();
  ASSERT_EQ(component->initialize(host.get()), kResultOk);
  EXPECT_GT(controller->getParameterCount(), 0);
  ASSERT_EQ(processor->canProcessSampleSize(sampleSize), kResultOk);

  constexpr int32 kBlock = 256;
  ProcessBlock block(sampleSize, kBlock);
  for (int32 b = 0; b < component->getBusCount(kAudio, kInput); ++b) {
    SpeakerArrangement arrangement = 0;
    ASSERT_EQ(processor->getBusArrangement(kInput, b, arrangement), kResultOk);
    block.addInput(SpeakerArr::getChannelCount(arrangement));
  }
  const int32 outputBuses = component->getBusCount(kAudio, kOutput);
  ASSERT_GT(outputBuses, 0);
  std::vector<int32> outputChannels;
  for (int32 b = 0; b < outputBuses; ++b) {
    SpeakerArrangement arrangement = 0;
    ASSERT_EQ(processor->getBusArrangement(kOutput, b, arrangement), kResultOk);
    outputChannels.push_back(SpeakerArr::getChannelCount(arrangement));
    block.addOutput(outputChannels.back());
  }

  ProcessSetup setup{kRealtime, sampleSize, kBlock, 48000.0};
  ASSERT_EQ(processor->setupProcessing(setup), kResultOk);
  ASSERT_EQ(component->setActive(1), kResultOk);
  ASSERT_EQ(processor->setProcessing(1), kResultOk);

  // A host's audio thread calls process; the host thread waits for it.
  constexpr int kBlocks = 8;
  std::vector<tresult> results;
  bool outputsAsExpected = true;
  std::string firstMismatch;
  std::thread audio([&] {
    for (int n = 0; n < kBlocks; ++n) {
      const int64 start = int64{n} * kBlock;
      for (std::size_t b = 0; b < static_cast<std::size_t>(block.data(kBlock).numInputs); ++b) {
        for (int32 ch = 0; ch < block.inputBus(static_cast<int32>(b)).numChannels; ++ch) {
          for (int32 i = 0; i < kBlock; ++i) {
            block.setIn(static_cast<int32>(b), ch, i, signal(static_cast<int32>(b), ch, start + i));
          }
        }
      }
      block.fillOutputs(7.0);  // a marker the plug-in must overwrite
      block.setTransport(false, start);
      results.push_back(processor->process(block.data(kBlock)));
      // Default settings: every kind but the PLAYER (no file) hands input bus 0 to output bus 0 at
      // unity gain; the aux buses are inactive and silent.
      for (int32 b = 0; b < outputBuses && outputsAsExpected; ++b) {
        for (int32 ch = 0; ch < outputChannels[b] && outputsAsExpected; ++ch) {
          for (int32 i = 0; i < kBlock; ++i) {
            const double expected = (b == 0 && c.kind != kPlayerKind) ? signal(0, ch, start + i) : 0.0;
            const double actual = block.out(b, ch, i);
            if (!std::isfinite(actual) || std::fabs(actual - expected) > 1e-6) {
              outputsAsExpected = false;
              firstMismatch = "block " + std::to_string(n) + " bus " + std::to_string(b) + " channel " +
                              std::to_string(ch) + " sample " + std::to_string(i) + ": " + std::to_string(actual) +
                              " instead of " + std::to_string(expected);
              break;
            }
          }
        }
      }
    }
  });
  audio.join();
  EXPECT_EQ(results, std::vector<tresult>(kBlocks, kResultOk));
  EXPECT_TRUE(outputsAsExpected) << firstMismatch;

  ASSERT_EQ(processor->setProcessing(0), kResultOk);
  ASSERT_EQ(component->setActive(0), kResultOk);
  ASSERT_EQ(component->terminate(), kResultOk);

  processor.reset();
  controller.reset();
  IComponent* raw = component.get();
  raw->addRef();
  component.reset();
  EXPECT_EQ(raw->release(), 0u) << "the last reference destroys the plug-in";
  EXPECT_EQ(host->refCount(), 1u) << "the plug-in let go of the host context";
}

TEST_P(WindowsHost, RunsTheLifecycleAndProcessesAudioInBothSampleSizes) {
  const BundleCase& c = GetParam();
  ModuleLoader loader;
  std::string error;
  ASSERT_TRUE(loader.load(utf8(bundleDirectory() / (std::string(c.bundle) + ".vst3")), error)) << error;
  EXPECT_EQ(fs::path(std::u8string(loader.libraryPath().begin(), loader.libraryPath().end())), libraryOf(c.bundle));
  runLifecycle(loader.factory(), c, kSample32);
  runLifecycle(loader.factory(), c, kSample64);
}

INSTANTIATE_TEST_SUITE_P(AllKinds, WindowsHost, ::testing::ValuesIn(kBundles),
                         [](const auto& param) { return std::string(param.param.bundle); });

// Hosts hand UTF-16 paths to LoadLibraryW; a bundle in a folder whose name is not ASCII loads.
TEST(WindowsHostPaths, LoadsABundleFromANonAsciiFolder) {
  std::error_code ec;
  const fs::path folder = fs::temp_directory_path() / u8"Varnolith Ünïcødé ✓ 音" / "VarnolithInput.vst3" /
                          "Contents" / "x86_64-win";
  fs::remove_all(folder.parent_path().parent_path().parent_path(), ec);
  ASSERT_TRUE(fs::create_directories(folder, ec)) << ec.message();
  ASSERT_TRUE(CopyFileW(libraryOf("VarnolithInput").wstring().c_str(),
                        (folder / "VarnolithInput.vst3").wstring().c_str(), TRUE));
  {
    ModuleLoader loader;
    std::string error;
    ASSERT_TRUE(loader.load(utf8(folder.parent_path().parent_path()), error)) << error;
    PClassInfo cls{};
    ASSERT_EQ(loader.factory()->getClassInfo(0, &cls), kResultOk);
    EXPECT_STREQ(cls.name, "VARNOLITH INPUT");
  }
  fs::remove_all(folder.parent_path().parent_path().parent_path(), ec);
}

TEST(WindowsHostPaths, MissingBundlesAndForeignLibrariesAreClearErrors) {
  ModuleLoader loader;
  std::string error;
  EXPECT_FALSE(loader.load(utf8(bundleDirectory() / "Nothing.vst3"), error));
  EXPECT_NE(error.find("no such file"), std::string::npos) << error;
  EXPECT_FALSE(loader.load(utf8(programDirectory() / "foreign_module.dll"), error));
  EXPECT_NE(error.find("GetPluginFactory returned no factory"), std::string::npos) << error;
  EXPECT_EQ(ModuleLoader::resolveLibrary("C:\\x\\VarnolithInput.vst3\\"),
            "C:\\x\\VarnolithInput.vst3\\Contents\\x86_64-win\\VarnolithInput.vst3");
}

}  // namespace
