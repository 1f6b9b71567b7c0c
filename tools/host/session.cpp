#include "session.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "hosted_plugin.h"
#include "progress.h"
#include "support/process_block.h"
#include "support/wav_file.h"

namespace varnolith::host {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Two seconds of a stereo chord with a fade, so a take is easy to recognise.
std::vector<float> testSignal(std::uint32_t rate, std::uint32_t& frames) {
  frames = rate * 2;
  std::vector<float> samples(static_cast<std::size_t>(frames) * 2);
  for (std::uint32_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double envelope = std::min(1.0, std::min(t * 20.0, (2.0 - t) * 20.0));
    samples[2 * i] = static_cast<float>(0.25 * envelope * std::sin(2 * kPi * 220.0 * t));
    samples[2 * i + 1] = static_cast<float>(0.25 * envelope * std::sin(2 * kPi * 330.0 * t));
  }
  return samples;
}

bool isSync(const Event& e, int command) {
  return e.type == Event::kDataEvent && e.data.size == 7 && e.data.bytes && e.data.bytes[0] == 0xF0 &&
         e.data.bytes[5] == command;
}

std::string statePath(HostedPlugin& plugin) {
  const auto document = nlohmann::json::parse(plugin.stateText(), nullptr, false);
  if (document.is_discarded() || !document.contains("path") || !document["path"].is_string()) return {};
  return document["path"].get<std::string>();
}

}  // namespace

int sessionCommand(const SessionOptions& options, std::ostream& out, std::ostream& err) {
  namespace fs = std::filesystem;
  std::string error;
  std::string file = options.file;
  const auto rate = static_cast<std::uint32_t>(options.sampleRate);
  try {
    if (file.empty()) {
      std::uint32_t frames = 0;
      file = (fs::path(options.destination).parent_path() / "varnolith-test-signal.wav").string();
      testing::writeFloatWav(file, 2, rate, testSignal(rate, frames));
      out << "generated test signal " << file << " (" << frames << " frames, 2 channels, " << rate << " Hz)\n";
    }
  } catch (const std::exception& e) {
    err << "error: " << e.what() << "\n";
    return 1;
  }
  plugins::DecodedAudio played;
  try {
    played = testing::readWavFile(file);
  } catch (const std::exception& e) {
    err << "error: cannot read '" << file << "': " << e.what() << "\n";
    return 1;
  }
  const int channels = static_cast<int>(played.channelCount);

  HostedPlugin player, recorder;
  if (!player.open(options.playerBundle, error) || !recorder.open(options.recorderBundle, error)) {
    err << "error: " << error << "\n";
    return 1;
  }
  if (!player.setModulePath(file, error)) {
    err << "error: PLAYER: " << error << "\n";
    return 1;
  }
  if (!recorder.setModulePath(options.destination, error)) {
    err << "error: RECORDER: " << error << "\n";
    return 1;
  }
  if (!player.setMainChannels(0, channels) || !recorder.setMainChannels(channels, channels)) {
    err << "error: the modules refuse " << channels << " channels\n";
    return 1;
  }
  ProcessSetup setup{kRealtime, kSample32, options.blockSize, options.sampleRate};
  if (player.processor()->setupProcessing(setup) != kResultOk ||
      recorder.processor()->setupProcessing(setup) != kResultOk) {
    err << "error: the modules refuse " << options.sampleRate << " Hz with blocks of " << options.blockSize << "\n";
    return 1;
  }
  if (player.component()->setActive(1) != kResultOk) {
    err << "error: the PLAYER could not be activated\n";
    return 1;
  }
  if (recorder.component()->setActive(1) != kResultOk) {
    err << "error: the RECORDER could not arm a take at '" << options.destination << "'\n";
    return 1;
  }
  const std::string take = statePath(recorder);
  out << "RECORDER armed take " << take << "\n";
  player.processor()->setProcessing(1);
  recorder.processor()->setProcessing(1);

  testing::ProcessBlock playerBlock(kSample32, options.blockSize);
  playerBlock.addOutput(channels);
  testing::ProcessBlock recorderBlock(kSample32, options.blockSize);
  recorderBlock.addInput(channels);
  recorderBlock.addOutput(channels);

  const std::uint64_t fileFrames = played.frameCount();
  const auto tailFrames = static_cast<std::uint64_t>(options.tailSeconds * options.sampleRate);
  // After the effect tail the recorder needs its silence time (0.5 s by default) to end the take.
  const std::uint64_t totalFrames = fileFrames + tailFrames + rate;
  std::uint64_t position = 0;
  std::int64_t syncStart = -1, syncStop = -1;
  ProgressBar progress(err, "session", totalFrames);
  while (position < totalFrames) {
    const int32 n = static_cast<int32>(std::min<std::uint64_t>(options.blockSize, totalFrames - position));
    playerBlock.outputEvents->clear();
    playerBlock.setTransport(true, static_cast<std::int64_t>(position));
    if (player.processor()->process(playerBlock.data(n)) != kResultOk) {
      err << "error: PLAYER process failed\n";
      return 1;
    }
    // Route audio and sync events from the PLAYER to the RECORDER, as the DAW's graph does.
    recorderBlock.inputEvents->clear();
    for (Event e : playerBlock.outputEvents->events) {
      if (isSync(e, 1)) syncStart = static_cast<std::int64_t>(position) + e.sampleOffset;
      if (isSync(e, 2)) syncStop = static_cast<std::int64_t>(position) + e.sampleOffset;
      recorderBlock.inputEvents->addEvent(e);
    }
    for (int c = 0; c < channels; ++c) {
      for (int32 i = 0; i < n; ++i) {
        double v = playerBlock.out(0, c, i);
        const std::uint64_t s = position + static_cast<std::uint64_t>(i);
        if (tailFrames && s >= fileFrames && s < fileFrames + tailFrames) {
          const double t = static_cast<double>(s - fileFrames) / options.sampleRate;
          v += 0.2 * std::exp(-t * 6.0 / options.tailSeconds) * std::sin(2 * kPi * 440.0 * t);
        }
        recorderBlock.setIn(0, c, i, v);
      }
    }
    recorderBlock.setTransport(true, static_cast<std::int64_t>(position));
    if (recorder.processor()->process(recorderBlock.data(n)) != kResultOk) {
      err << "error: RECORDER process failed\n";
      return 1;
    }
    position += static_cast<std::uint64_t>(n);
    progress.update(position);
  }
  progress.finish();
  player.processor()->setProcessing(0);
  recorder.processor()->setProcessing(0);
  player.component()->setActive(0);
  recorder.component()->setActive(0);  // the writer finalizes the take

  out << "PLAYER sync start at sample " << syncStart << ", sync stop at sample " << syncStop << "\n";
  plugins::DecodedAudio recorded;
  try {
    recorded = testing::readWavFile(take);
  } catch (const std::exception& e) {
    err << "error: cannot read the take '" << take << "': " << e.what() << "\n";
    return 1;
  }
  const std::uint64_t recordedFrames = recorded.frameCount();
  std::uint64_t mismatches = 0;
  const std::uint64_t compared = std::min(recordedFrames, fileFrames) * played.channelCount;
  if (recorded.channelCount == played.channelCount) {
    for (std::uint64_t i = 0; i < compared; ++i) mismatches += recorded.samples[i] != played.samples[i];
  }
  out << "take " << take << ": " << recordedFrames << " frames (" << fileFrames << " played + "
      << (recordedFrames > fileFrames ? recordedFrames - fileFrames : 0) << " of tail), " << recorded.channelCount
      << " channels, " << recorded.sampleRate << " Hz\n";
  out << "played audio " << (mismatches == 0 && recordedFrames >= fileFrames ? "matches" : "DIFFERS")
      << " the take sample for sample";
  if (mismatches) out << " (" << mismatches << " samples differ)";
  out << "\n";
  return mismatches == 0 && recordedFrames >= fileFrames && syncStart == 0 ? 0 : 1;
}

}  // namespace varnolith::host
