// getState / setState / setComponentState on real plug-in objects: the stream framing, the
// all-or-nothing application and the Player's file load.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "params/state_document.h"
#include "params/state_text.h"
#include "plugin/utility_plugin.h"
#include "support/host_objects.h"
#include "vst3/string16.h"

namespace varnolith::plugins {
namespace {

using Steinberg::IPtr;
using Steinberg::kInvalidArgument;
using Steinberg::kNotImplemented;
using Steinberg::kResultFalse;
using Steinberg::kResultOk;
using Steinberg::Vst::IComponent;
using Steinberg::Vst::IEditController;
using varnolith::testing::composeText;
using varnolith::testing::defaultParametersText;
using varnolith::testing::jsonString;
using varnolith::testing::makeHostObject;
using varnolith::testing::MemoryStream;
using varnolith::testing::parametersText;

struct PluginRelease {
  void operator()(UtilityPlugin* plugin) const {
    plugin->terminate();
    plugin->release();
  }
};
using PluginPtr = std::unique_ptr<UtilityPlugin, PluginRelease>;

PluginPtr makePlugin(ModuleKind kind) {
  PluginPtr plugin(new UtilityPlugin(kind));
  EXPECT_EQ(plugin->initialize(nullptr), kResultOk);
  return plugin;
}

std::vector<char> framed(const std::string& text, std::optional<std::int32_t> length = std::nullopt) {
  const auto l = static_cast<std::uint32_t>(length.value_or(static_cast<std::int32_t>(text.size())));
  std::vector<char> bytes;
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(l >> (8 * i)));
  bytes.insert(bytes.end(), text.begin(), text.end());
  return bytes;
}

tresult setState(UtilityPlugin& plugin, IBStream* stream) { return static_cast<IComponent&>(plugin).setState(stream); }
tresult setComponentState(UtilityPlugin& plugin, IBStream* stream) {
  return static_cast<IEditController&>(plugin).setComponentState(stream);
}

tresult load(UtilityPlugin& plugin, const std::string& text) {
  auto stream = makeHostObject<MemoryStream>(framed(text));
  return setState(plugin, stream.get());
}

// getState into a fresh stream; the text after a checked length prefix.
std::string save(UtilityPlugin& plugin) {
  auto stream = makeHostObject<MemoryStream>();
  EXPECT_EQ(static_cast<IComponent&>(plugin).getState(stream.get()), kResultOk);
  const std::vector<char>& bytes = stream->data;
  if (bytes.size() < 4) {
    ADD_FAILURE() << "no length prefix";
    return {};
  }
  std::uint32_t length = 0;
  for (int i = 0; i < 4; ++i) length |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
  EXPECT_EQ(length, bytes.size() - 4);
  return std::string(bytes.begin() + 4, bytes.end());
}

std::string utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// Everything a state document may change.
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

// The 0-based entry `index` of the "parameters" array, as written.
std::string arrayEntry(const std::string& text, std::size_t index) {
  std::size_t begin = text.find("\"parameters\":[") + 14;
  for (std::size_t i = 0; i < index; ++i) begin = text.find(',', begin) + 1;
  return text.substr(begin, text.find_first_of(",]", begin) - begin);
}

// A scratch folder with small mono 16-bit WAV files.
class StateFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           (std::string("varnolith_state_") + std::to_string(::getpid()) + "_" + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path writeWav(const std::string& name, std::uint32_t frames) {
    const std::filesystem::path path = dir_ / std::filesystem::u8path(name);
    const std::uint32_t rate = 8000;
    const std::uint32_t dataBytes = frames * 2;
    std::string bytes;
    auto u32 = [&](std::uint32_t v) {
      for (int i = 0; i < 4; ++i) bytes += static_cast<char>(v >> (8 * i));
    };
    auto u16 = [&](std::uint16_t v) {
      bytes += static_cast<char>(v);
      bytes += static_cast<char>(v >> 8);
    };
    bytes += "RIFF";
    u32(36 + dataBytes);
    bytes += "WAVEfmt ";
    u32(16);
    u16(1);  // PCM
    u16(1);  // mono
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    bytes += "data";
    u32(dataBytes);
    for (std::uint32_t i = 0; i < frames; ++i) u16(static_cast<std::uint16_t>(i * 300));
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  std::filesystem::path dir_;
};

TEST_F(StateFiles, FreshPlayerSavesTheExactDocumentAndItLoadsBack) {
  PluginPtr player = makePlugin(ModuleKind::Player);
  player->modulePath = u"C:\\Audio\\loop.wav";  // as chosen on Windows; getState loads nothing
  auto stream = makeHostObject<MemoryStream>();
  ASSERT_EQ(static_cast<IComponent&>(*player).getState(stream.get()), kResultOk);
  const std::string expected =
      "{\"kind\":5,\"parameters\":" + defaultParametersText() + ",\"path\":\"C:/Audio/loop.wav\",\"schema\":1}";
  EXPECT_EQ(stream->data, framed(expected));

  // The same document naming a real file here: a new Player loads it and takes everything over.
  const std::filesystem::path wav = writeWav("loop.wav", 480);
  PluginPtr restored = makePlugin(ModuleKind::Player);
  restored->parameters.storeParameter(kFollowTransport, 0.0);
  const std::string local = "{\"kind\":5,\"parameters\":" + defaultParametersText() +
                            ",\"path\":" + jsonString(utf8(wav)) + ",\"schema\":1}";
  ASSERT_EQ(load(*restored, local), kResultOk);
  EXPECT_EQ(restored->player.frameCount.load(), 480u);
  EXPECT_EQ(restored->modulePath, wav.u16string());
  EXPECT_EQ(restored->parameters.readParameter(kFollowTransport), 1.0);
  EXPECT_EQ(restored->getParameterObject(kFollowTransport)->getNormalized(), 1.0);
}

TEST_F(StateFiles, RoundTripRestoresEverySlotBitForBitInEveryKind) {
  const std::filesystem::path wav = writeWav("round trip.wav", 100);
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (std::int32_t k = 1; k <= 8; ++k) {
    SCOPED_TRACE(k);
    const auto kind = static_cast<ModuleKind>(k);
    PluginPtr source = makePlugin(kind);
    for (std::uint32_t id = 0; id < kParameterSlots; ++id) source->setParamNormalized(id, unit(random));
    source->setParamNormalized(kPlayRecord, 1.0);  // playing or recording right now
    source->modulePath = kind == ModuleKind::Player ? wav.u16string() : u"C:\\Takes\\take.wav";

    const std::string text = save(*source);
    EXPECT_EQ(arrayEntry(text, kPlayRecord), "0");
    PluginPtr target = makePlugin(kind);
    ASSERT_EQ(load(*target, text), kResultOk) << text;

    for (std::uint32_t id = 0; id < kParameterSlots; ++id) {
      const double expected = id == kPlayRecord ? 0.0 : source->parameters.readParameter(id);
      EXPECT_EQ(std::bit_cast<std::uint64_t>(target->parameters.readParameter(id)),
                std::bit_cast<std::uint64_t>(expected))
          << "slot " << id;
      if (auto* object = target->getParameterObject(id)) { EXPECT_EQ(object->getNormalized(), expected) << id; }
    }
    std::u16string expectedPath = source->modulePath;
    std::replace(expectedPath.begin(), expectedPath.end(), u'\\', u'/');
    EXPECT_EQ(target->modulePath, expectedPath);
    if (kind == ModuleKind::Player) { EXPECT_EQ(target->player.frameCount.load(), 100u); }
    // Saving the restored module gives the same document again.
    EXPECT_EQ(save(*target), text);
  }
}

struct Refusal {
  const char* name;
  std::function<IPtr<MemoryStream>()> stream;  // null stream when it returns null
  std::optional<std::size_t> position;         // where reading must have stopped, when it matters
};

// Every refusal leaves store, parameter objects, path and loaded audio as they were, through both
// entry points. The base document is valid and would change all of them (the last check shows it).
TEST_F(StateFiles, EveryRefusalChangesNothing) {
  const std::filesystem::path loaded = writeWav("loaded.wav", 200);
  const std::filesystem::path other = writeWav("other.wav", 300);
  const std::string otherPath = jsonString(utf8(other));
  const std::string params = parametersText(kParameterSlots, "0.25");
  const std::string valid = composeText("5", params, otherPath, "1");
  const std::string longPath = jsonString(utf8(dir_) + "/" + std::string(kMaxPathUnits, 'x') + ".wav");

  auto text = [](std::string t) { return [t] { return makeHostObject<MemoryStream>(framed(t)); }; };
  auto bytes = [](std::vector<char> b) { return [b] { return makeHostObject<MemoryStream>(b); }; };
  std::string padded = valid;
  padded.resize(static_cast<std::size_t>(kMaxStateBytes) + 1, ' ');
  std::vector<char> shortText = framed(valid);
  shortText.pop_back();

  const std::vector<Refusal> cases = {
      {"null stream", [] { return IPtr<MemoryStream>(); }, {}},
      {"empty stream", bytes({}), {}},
      {"three-byte prefix", bytes({1, 0, 0}), {}},
      {"length 0", bytes(framed(valid, 0)), 4},
      {"length -1", bytes(framed(valid, -1)), 4},
      {"length 1048577 of a valid padded document", bytes(framed(padded)), 4},
      {"text one byte short", bytes(shortText), {}},
      {"schema 2", text(composeText("5", params, otherPath, "2")), {}},
      {"other kind", text(composeText("6", params, otherPath, "1")), {}},
      {"511 entries", text(composeText("5", parametersText(511, "0.25"), otherPath, "1")), {}},
      {"513 entries", text(composeText("5", parametersText(513, "0.25"), otherPath, "1")), {}},
      {"entry 1.0000001", text(composeText("5", parametersText(512, "0.25", 511, "1.0000001"), otherPath, "1")), {}},
      {"entry -0.5", text(composeText("5", parametersText(512, "0.25", 1, "-0.5"), otherPath, "1")), {}},
      {"entry \"0.5\"", text(composeText("5", parametersText(512, "0.25", 2, "\"0.5\""), otherPath, "1")), {}},
      {"entry true", text(composeText("5", parametersText(512, "0.25", 2, "true"), otherPath, "1")), {}},
      {"comment", text(valid + " /* saved */"), {}},
      {"trailing comma", text(composeText("5", params, otherPath, "1,")), {}},
      {"second value", text(valid + valid), {}},
      {"top-level array", text("[" + valid + "]"), {}},
      {"invalid UTF-8 in path", text(composeText("5", params, "\"" + utf8(dir_) + "/\xc3(.wav\"", "1")), {}},
      {"path over 32767 units", text(composeText("5", params, longPath, "1")), {}},
      {"path to a missing file", text(composeText("5", params, jsonString(utf8(dir_ / "missing.wav")), "1")), {}},
      {"path to a file that is not WAV",
       text(composeText("5", params, jsonString(utf8(dir_)), "1")), {}},
  };

  using Entry = tresult (*)(UtilityPlugin&, IBStream*);
  const std::pair<const char*, Entry> entries[] = {{"setState", &setState}, {"setComponentState", &setComponentState}};
  for (const auto& [entryName, entry] : entries) {
    SCOPED_TRACE(entryName);
    PluginPtr player = makePlugin(ModuleKind::Player);
    ASSERT_EQ(load(*player, composeText("5", parametersText(512, "0.75"), jsonString(utf8(loaded)), "1")), kResultOk);
    ASSERT_EQ(player->player.frameCount.load(), 200u);
    const Snapshot before = snapshot(*player);

    for (const Refusal& c : cases) {
      IPtr<MemoryStream> stream = c.stream();
      EXPECT_EQ(entry(*player, stream.get()), kResultFalse) << c.name;
      EXPECT_TRUE(snapshot(*player) == before) << c.name;
      if (c.position) { EXPECT_EQ(stream->position, *c.position) << c.name; }
    }

    ASSERT_EQ(player->setProcessing(true), kResultOk);
    auto stream = makeHostObject<MemoryStream>(framed(valid));
    EXPECT_EQ(entry(*player, stream.get()), kResultFalse) << "while processing";
    EXPECT_TRUE(snapshot(*player) == before) << "while processing";
    ASSERT_EQ(player->setProcessing(false), kResultOk);

    // The base document itself is accepted and changes every part of the state.
    stream = makeHostObject<MemoryStream>(framed(valid));
    EXPECT_EQ(entry(*player, stream.get()), kResultOk);
    EXPECT_EQ(player->player.frameCount.load(), 300u);
    EXPECT_EQ(player->modulePath, other.u16string());
    EXPECT_EQ(player->parameters.readParameter(kGain), 0.25);
    EXPECT_EQ(player->getParameterObject(kFollowTransport)->getNormalized(), 0.25);
  }
}

TEST_F(StateFiles, DocumentWithoutPathKeepsTheAudioAndClearsThePath) {
  const std::filesystem::path wav = writeWav("kept.wav", 64);
  PluginPtr player = makePlugin(ModuleKind::Player);
  ASSERT_EQ(load(*player, composeText("5", parametersText(512), jsonString(utf8(wav)), "1")), kResultOk);
  const DecodedAudio* audio = player->player.latest.load();

  // Integer entries 0 and 1, and entry 3 asking to play: accepted, but nothing starts playing.
  ASSERT_EQ(load(*player, composeText("5", parametersText(512, "1", 200, "0"), std::nullopt, "1")), kResultOk);
  EXPECT_TRUE(player->modulePath.empty());
  EXPECT_EQ(player->player.latest.load(), audio);
  EXPECT_EQ(player->player.frameCount.load(), 64u);
  EXPECT_EQ(player->parameters.readParameter(kFollowTransport), 1.0);
  EXPECT_EQ(player->parameters.readParameter(200), 0.0);
  EXPECT_EQ(player->parameters.readParameter(kPlayRecord), 0.0);
  EXPECT_EQ(player->getParameterObject(kPlayRecord)->getNormalized(), 0.0);
}

TEST(StatePlugin, PathsAreKeptAsReadAndWrittenWithForwardSlashes) {
  struct Case {
    ModuleKind kind;
    std::string jsonPath;
    std::u16string stored;
    std::string written;
  };
  const Case cases[] = {
      {ModuleKind::Recorder, "\"C:\\\\Takes\\\\night.wav\"", u"C:\\Takes\\night.wav", "\"C:/Takes/night.wav\""},
      {ModuleKind::Input, "\"D:\\\\Gr\xc3\xb6\xc3\x9f" "e\\\\\xe9\x9f\xb3/\xf0\x9f\x8e\xb5.wav\"",
       u"D:\\Gr\u00f6\u00dfe\\\u97f3/\U0001F3B5.wav", "\"D:/Gr\xc3\xb6\xc3\x9f" "e/\xe9\x9f\xb3/\xf0\x9f\x8e\xb5.wav\""},
  };
  for (const Case& c : cases) {
    PluginPtr plugin = makePlugin(c.kind);
    const std::string kind = std::to_string(static_cast<int>(c.kind));
    ASSERT_EQ(load(*plugin, composeText(kind, parametersText(512), c.jsonPath, "1")), kResultOk) << c.jsonPath;
    EXPECT_EQ(plugin->modulePath, c.stored);
    EXPECT_NE(save(*plugin).find("\"path\":" + c.written + ","), std::string::npos) << c.written;
  }
}

TEST(StatePlugin, UnpairedSurrogateInThePathStillSavesAReadableDocument) {
  PluginPtr plugin = makePlugin(ModuleKind::Output);
  plugin->modulePath = u"C:\\a";
  plugin->modulePath += static_cast<char16_t>(0xDBFF);
  plugin->modulePath += u".wav";
  const std::string text = save(*plugin);
  EXPECT_NE(text.find("\"path\":\"C:/a\xef\xbf\xbd.wav\""), std::string::npos) << text;

  PluginPtr restored = makePlugin(ModuleKind::Output);
  ASSERT_EQ(load(*restored, text), kResultOk);
  EXPECT_EQ(restored->modulePath, u"C:/a\ufffd.wav");
}

TEST(StatePlugin, ReadsExactlyTheFramedBytesAndAcceptsTheLargestLength) {
  PluginPtr plugin = makePlugin(ModuleKind::Summing);
  std::string text = composeText("3", parametersText(512, "0.125"), "\"\"", "1");
  text.resize(static_cast<std::size_t>(kMaxStateBytes), '\n');
  std::vector<char> bytes = framed(text);
  bytes.insert(bytes.end(), {'t', 'r', 'a', 'i', 'l'});  // whatever follows belongs to the host
  auto stream = makeHostObject<MemoryStream>(bytes);
  ASSERT_EQ(setState(*plugin, stream.get()), kResultOk);
  EXPECT_EQ(stream->position, 4u + static_cast<std::size_t>(kMaxStateBytes));
  EXPECT_EQ(plugin->parameters.readParameter(kActiveStrips), 0.125);
  EXPECT_EQ(plugin->getParameterObject(kActiveStrips)->getNormalized(), 0.125);
}

TEST(StatePlugin, GetStateReportsEveryFailedOrShortWrite) {
  PluginPtr plugin = makePlugin(ModuleKind::FaderBank);
  EXPECT_EQ(static_cast<IComponent&>(*plugin).getState(nullptr), kInvalidArgument);
  struct Case {
    const char* name;
    std::int64_t failAfter;
    std::int64_t shortLimit;
  };
  const Case cases[] = {
      {"prefix fails", 0, -1},
      {"text fails at once", 4, -1},
      {"text fails part way", 1000, -1},
      {"prefix short", -1, 3},
      {"text short", -1, 100},
  };
  for (const Case& c : cases) {
    auto stream = makeHostObject<MemoryStream>();
    stream->failWritesAfter = c.failAfter;
    stream->shortWriteLimit = c.shortLimit;
    EXPECT_EQ(static_cast<IComponent&>(*plugin).getState(stream.get()), kResultFalse) << c.name;
  }
}

TEST(StatePlugin, ControllerSideKeepsNoStateOfItsOwn) {
  PluginPtr plugin = makePlugin(ModuleKind::Input);
  auto* controller = static_cast<IEditController*>(plugin.get());
  auto stream = makeHostObject<MemoryStream>(framed(composeText("1", parametersText(512), "\"\"", "1")));
  EXPECT_EQ(controller->setState(stream.get()), kNotImplemented);
  EXPECT_EQ(stream->position, 0u);
  EXPECT_EQ(plugin->parameters.readParameter(kGain), 15.0 / 17.0);
  auto out = makeHostObject<MemoryStream>();
  EXPECT_EQ(controller->getState(out.get()), kNotImplemented);
  EXPECT_TRUE(out->data.empty());
  // The component state reaches the controller through setComponentState, with the same reader.
  EXPECT_EQ(controller->setComponentState(stream.get()), kResultOk);
  EXPECT_EQ(plugin->parameters.readParameter(kGain), 0.5);
}

}  // namespace
}  // namespace varnolith::plugins
