// libFuzzer target: any byte string handed to setState or setComponentState is either applied as a
// whole or changes nothing, never crashes, and an applied document saves and restores again.
//
// Input layout: byte 0 picks the module (bits 0-1: Input, Player, Recorder, FaderBank), whether
// the rest is framed for the fuzzer with its own length (bit 2) and the entry point (bit 3,
// setComponentState). The Player seeds name a small WAV file that the seed generator wrote beside
// the corpus, so that loading and its all-or-nothing order are exercised too.
#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "params/state_document.h"
#include "plugin/utility_plugin.h"
#include "support/host_objects.h"

namespace {

using namespace varnolith::plugins;
using Steinberg::kResultOk;
using Steinberg::tresult;
using Steinberg::Vst::IComponent;
using Steinberg::Vst::IEditController;
using varnolith::testing::makeHostObject;
using varnolith::testing::MemoryStream;

constexpr ModuleKind kKinds[4] = {ModuleKind::Input, ModuleKind::Player, ModuleKind::Recorder, ModuleKind::FaderBank};

struct Snapshot {
  std::array<std::uint64_t, kParameterSlots> slots{};
  std::array<std::optional<std::uint64_t>, kParameterSlots> objects{};
  std::u16string path;
  const DecodedAudio* audio = nullptr;
  std::uint64_t frames = 0;
  bool operator==(const Snapshot&) const = default;
};

Snapshot snapshot(UtilityPlugin& plugin) {
  Snapshot s;
  for (std::uint32_t id = 0; id < kParameterSlots; ++id) {
    s.slots[id] = std::bit_cast<std::uint64_t>(plugin.parameters.readParameter(id));
    if (auto* object = plugin.getParameterObject(id)) s.objects[id] = std::bit_cast<std::uint64_t>(object->getNormalized());
  }
  s.path = plugin.modulePath;
  s.audio = plugin.player.latest.load();
  s.frames = plugin.player.frameCount.load();
  return s;
}

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "state_fuzzer: %s\n", what);
  std::abort();
}

UtilityPlugin* makePlugin(ModuleKind kind) {
  auto* plugin = new UtilityPlugin(kind);
  if (plugin->initialize(nullptr) != kResultOk) fail("initialize failed");
  return plugin;
}

// One long-lived module per kind, so that later inputs meet the state earlier ones left behind.
UtilityPlugin& module(std::size_t index) {
  static UtilityPlugin* const modules[4] = {makePlugin(kKinds[0]), makePlugin(kKinds[1]), makePlugin(kKinds[2]),
                                            makePlugin(kKinds[3])};
  return *modules[index];
}

tresult apply(UtilityPlugin& plugin, bool controller, const std::vector<char>& bytes) {
  auto stream = makeHostObject<MemoryStream>(bytes);
  return controller ? static_cast<IEditController&>(plugin).setComponentState(stream.get())
                    : static_cast<IComponent&>(plugin).setState(stream.get());
}

// What must hold after any accepted document.
void checkAccepted(UtilityPlugin& plugin) {
  if (plugin.parameters.readParameter(kPlayRecord) != 0.0) fail("slot 3 not 0.0 after a load");
  if (plugin.modulePath.size() > kMaxPathUnits) fail("path longer than the limit");
  for (std::uint32_t id = 0; id < kParameterSlots; ++id) {
    const double v = plugin.parameters.readParameter(id);
    if (!(v >= 0.0 && v <= 1.0)) fail("slot out of range");
    if (auto* object = plugin.getParameterObject(id); object && object->getNormalized() != v) {
      fail("parameter object disagrees with the store");
    }
  }
  // What it saves now must load into a new module of the same kind with the same values.
  auto out = makeHostObject<MemoryStream>();
  if (static_cast<IComponent&>(plugin).getState(out.get()) != kResultOk) fail("getState failed");
  UtilityPlugin* copy = makePlugin(plugin.kind);
  if (apply(*copy, false, out->data) != kResultOk) fail("a saved document was refused");
  for (std::uint32_t id = 0; id < kParameterSlots; ++id) {
    if (std::bit_cast<std::uint64_t>(copy->parameters.readParameter(id)) !=
        std::bit_cast<std::uint64_t>(plugin.parameters.readParameter(id))) {
      fail("a slot changed in the save and restore");
    }
  }
  std::u16string path = plugin.modulePath;
  for (char16_t& c : path) {
    if (c == u'\\') c = u'/';
  }
  if (copy->modulePath != path) fail("the path changed in the save and restore");
  copy->terminate();
  copy->release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t control = data[0];
  UtilityPlugin& plugin = module(control & 3u);
  const bool frameIt = (control & 4u) != 0;
  const bool controller = (control & 8u) != 0;

  std::vector<char> bytes;
  if (frameIt) {
    const auto length = static_cast<std::uint32_t>(size - 1);
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(length >> (8 * i)));
  }
  bytes.insert(bytes.end(), data + 1, data + size);

  const Snapshot before = snapshot(plugin);
  if (apply(plugin, controller, bytes) == kResultOk) {
    checkAccepted(plugin);
  } else if (!(snapshot(plugin) == before)) {
    fail("a refused document changed the module");
  }
  plugin.player.drainRetired();
  return 0;
}
