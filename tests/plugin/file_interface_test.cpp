// The file interface and the Recorder's take handling on activation and deactivation.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>

#include "params/parameter_ids.h"
#include "plugin/utility_plugin.h"
#include "support/host_objects.h"
#include "support/process_block.h"
#include "support/wav_file.h"

namespace varnolith::testing {
namespace {

namespace fs = std::filesystem;
using namespace Steinberg;
using namespace Steinberg::Vst;
using plugins::ModuleKind;
using plugins::UtilityPlugin;

class TempDir {
 public:
  TempDir() {
    path_ = fs::temp_directory_path() /
            ("varnolith-file-interface-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  static inline int counter_ = 0;
  fs::path path_;
};

IPtr<UtilityPlugin> makeRecorder(double rate = 48000.0) {
  auto plugin = IPtr<UtilityPlugin>::adopt(new UtilityPlugin(ModuleKind::Recorder));
  EXPECT_EQ(plugin->initialize(nullptr), kResultOk);
  ProcessSetup setup{kRealtime, kSample32, 256, rate};
  EXPECT_EQ(plugin->setupProcessing(setup), kResultOk);
  return plugin;
}

std::uint32_t dataBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  in.seekg(40);
  unsigned char b[4] = {};
  in.read(reinterpret_cast<char*>(b), 4);
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

TEST(RecorderActivation, ArmsTheStoredPathKeepsAMatchingTakeAndNamesTheNextOne) {
  TempDir dir;
  auto plugin = makeRecorder();
  const fs::path mix = dir / "mix.wav";
  plugin->modulePath = mix.u16string();

  ASSERT_EQ(plugin->setActive(1), kResultOk);
  EXPECT_TRUE(plugin->recorder.ready.load());
  EXPECT_EQ(plugin->recorder.channelCount, 2u);
  EXPECT_EQ(plugin->recorder.sampleRate, 48000u);
  EXPECT_EQ(plugin->modulePath, mix.u16string());
  EXPECT_TRUE(fs::exists(mix));

  // Unchanged channel count and rate: the armed take stays.
  ASSERT_EQ(plugin->setActive(1), kResultOk);
  EXPECT_FALSE(fs::exists(dir / "mix-take1.wav"));
  EXPECT_EQ(plugin->modulePath, mix.u16string());

  // Deactivation closes the take; the next activation arms the next free name.
  ASSERT_EQ(plugin->setActive(0), kResultOk);
  EXPECT_TRUE(plugin->recorder.finalized.load());
  EXPECT_FALSE(plugin->recorder.ready.load());
  EXPECT_EQ(fs::file_size(mix), 44u);
  ASSERT_EQ(plugin->setActive(1), kResultOk);
  EXPECT_EQ(plugin->modulePath, (dir / "mix-take1.wav").u16string());
  EXPECT_TRUE(plugin->recorder.ready.load());

  // A different channel count re-arms at once, as the following take.
  ASSERT_EQ(plugin->setActive(0), kResultOk);
  SpeakerArrangement mono = SpeakerArr::kMono;
  ASSERT_EQ(plugin->setBusArrangements(&mono, 1, &mono, 1), kResultOk);
  ASSERT_EQ(plugin->setActive(1), kResultOk);
  EXPECT_EQ(plugin->recorder.channelCount, 1u);
  EXPECT_EQ(plugin->modulePath, (dir / "mix-take1-take1.wav").u16string());
  ASSERT_EQ(plugin->setActive(0), kResultOk);
}

TEST(RecorderActivation, AFailingPreparationRefusesActivationAndKeepsThePath) {
  TempDir dir;
  auto plugin = makeRecorder();
  const std::u16string missing = (dir / "no-such-folder" / "mix.wav").u16string();
  plugin->modulePath = missing;
  EXPECT_EQ(plugin->setActive(1), kResultFalse);
  EXPECT_EQ(plugin->modulePath, missing);
  EXPECT_TRUE(plugin->recorder.failed.load());

  // Other kinds and an empty path arm nothing.
  auto input = IPtr<UtilityPlugin>::adopt(new UtilityPlugin(ModuleKind::Input));
  ASSERT_EQ(input->initialize(nullptr), kResultOk);
  input->modulePath = missing;
  EXPECT_EQ(input->setActive(1), kResultOk);
  auto empty = makeRecorder();
  EXPECT_EQ(empty->setActive(1), kResultOk);
  EXPECT_FALSE(empty->recorder.ready.load());
}

TEST(FileInterface, RefusalsCarryTheirMessagesAndKeepThePath) {
  TempDir dir;
  std::string error;
  for (ModuleKind kind : {ModuleKind::Input, ModuleKind::Summing, ModuleKind::FaderBank}) {
    auto plugin = IPtr<UtilityPlugin>::adopt(new UtilityPlugin(kind));
    ASSERT_EQ(plugin->initialize(nullptr), kResultOk);
    EXPECT_FALSE(plugin->setModuleFile(u"/tmp/x.wav", error));
    EXPECT_EQ(error, "Module has no file interface");
    EXPECT_TRUE(plugin->modulePath.empty());
  }

  auto recorder = makeRecorder();
  const fs::path existing = dir / "exists.wav";
  std::ofstream(existing).put('x');
  EXPECT_FALSE(recorder->setModuleFile(existing.u16string(), error));
  EXPECT_EQ(error, "Destination exists; choose a new file");
  EXPECT_TRUE(recorder->modulePath.empty());
  const fs::path fresh = dir / "fresh.wav";
  ASSERT_TRUE(recorder->setModuleFile(fresh.u16string(), error)) << error;
  EXPECT_EQ(recorder->modulePath, fresh.u16string());
  EXPECT_TRUE(recorder->recorder.ready.load());
  recorder->recorder.recording.store(true);
  EXPECT_FALSE(recorder->setModuleFile((dir / "other.wav").u16string(), error));
  EXPECT_EQ(error, "Stop recording first");
  EXPECT_EQ(recorder->modulePath, fresh.u16string());
  recorder->recorder.recording.store(false);

  auto player = IPtr<UtilityPlugin>::adopt(new UtilityPlugin(ModuleKind::Player));
  ASSERT_EQ(player->initialize(nullptr), kResultOk);
  const fs::path wav = dir / "loop.wav";
  writeFloatWav(wav, 2, 44100, std::vector<float>(200, 0.5f));
  ASSERT_TRUE(player->setModuleFile(wav.u16string(), error)) << error;
  EXPECT_EQ(player->player.frameCount.load(), 100u);
  EXPECT_FALSE(player->setModuleFile((dir / "missing.wav").u16string(), error));
  EXPECT_EQ(error, "Cannot open WAV file");
  player->player.playing.store(true);
  EXPECT_FALSE(player->setModuleFile(wav.u16string(), error));
  EXPECT_EQ(error, "Stop file playback before replacing WAV; the DAW audio engine can stay running");
  player->player.playing.store(false);
  EXPECT_EQ(player->modulePath, wav.u16string());
}

TEST(RecorderActivation, DeactivationDuringTheTailFinalizesAtOnce) {
  TempDir dir;
  auto plugin = makeRecorder();
  const fs::path take = dir / "tail.wav";
  plugin->modulePath = take.u16string();
  ASSERT_EQ(plugin->setActive(1), kResultOk);
  ASSERT_EQ(plugin->setProcessing(1), kResultOk);

  ProcessBlock block(kSample32, 256);
  block.addInput(2);
  block.addOutput(2);
  block.fillInputs(0.5);  // never silent, so only the deactivation can end the tail
  std::int64_t position = 0;
  auto run = [&](bool playing) {
    block.setTransport(playing, position);
    ASSERT_EQ(plugin->process(block.data(256)), kResultOk);
    position += 256;
  };
  for (int i = 0; i < 4; ++i) run(true);
  run(false);  // falling edge: the tail starts and keeps recording
  run(false);
  EXPECT_TRUE(plugin->recorder.recording.load());
  ASSERT_EQ(plugin->setProcessing(0), kResultOk);
  ASSERT_EQ(plugin->setActive(0), kResultOk);
  EXPECT_FALSE(plugin->recorder.recording.load());
  EXPECT_TRUE(plugin->recorder.finalized.load());
  const std::uint64_t frames = plugin->recorder.framesWritten.load();
  EXPECT_EQ(frames, 6u * 256u);
  EXPECT_EQ(dataBytes(take), frames * 2 * 4);
  const auto recorded = readWavFile(take);
  ASSERT_EQ(recorded.frameCount(), frames);
  for (float v : recorded.samples) ASSERT_EQ(v, 0.5f);
}

}  // namespace
}  // namespace varnolith::testing
