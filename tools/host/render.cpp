#include "render.h"

#include <algorithm>
#include <cmath>

#include "hosted_plugin.h"
#include "progress.h"
#include "support/process_block.h"
#include "support/wav_file.h"

namespace varnolith::host {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

bool isSyncMessage(const Event& e, int command) {
  static const std::uint8_t prefix[] = {0xF0, 0x7D, 0x56, 0x53, 0x53};
  return e.type == Event::kDataEvent && e.data.size == 7 && e.data.bytes &&
         std::equal(std::begin(prefix), std::end(prefix), e.data.bytes) && e.data.bytes[5] == command &&
         e.data.bytes[6] == 0xF7;
}

}  // namespace

int renderCommand(const RenderOptions& options, std::ostream& out, std::ostream& err) {
  if (options.blockSize < 1 || options.blockSize > 65536) {
    err << "error: --block must be between 1 and 65536\n";
    return 2;
  }
  if (options.sampleBits != 32 && options.sampleBits != 64) {
    err << "error: --bits must be 32 or 64\n";
    return 2;
  }
  HostedPlugin plugin;
  std::string error;
  if (!plugin.open(options.bundle, error)) {
    err << "error: " << error << "\n";
    return 1;
  }
  if (!options.stateIn.empty() && !plugin.loadStateFile(options.stateIn, error)) {
    err << "error: " << error << "\n";
    return 1;
  }
  if (!options.file.empty() && !plugin.setModulePath(options.file, error)) {
    err << "error: " << error << "\n";
    return 1;
  }

  plugins::DecodedAudio input;
  if (!options.input.empty()) {
    try {
      input = testing::readWavFile(options.input);
    } catch (const std::exception& e) {
      err << "error: cannot read '" << options.input << "': " << e.what() << "\n";
      return 1;
    }
  }
  const int inputChannels = static_cast<int>(input.channelCount);
  if (inputChannels > 0 && plugin.busCount(kInput) == 0) {
    err << "error: " << plugin.className() << " has no audio input for '" << options.input << "'\n";
    return 1;
  }
  if (inputChannels > 0 && !plugin.setMainChannels(inputChannels, inputChannels) &&
      !plugin.setMainChannels(inputChannels, 0)) {
    err << "error: " << plugin.className() << " refuses a " << inputChannels << "-channel input\n";
    return 1;
  }
  plugin.activateAllAudioBuses();

  std::vector<std::pair<ParamID, double>> parameters;
  for (const auto& [key, value] : options.parameters) {
    ParamID id = 0;
    if (!plugin.findParameter(key, id)) {
      err << "error: " << plugin.className() << " has no parameter '" << key << "'\n";
      return 2;
    }
    plugin.controller()->setParamNormalized(id, value);
    parameters.emplace_back(id, value);
  }

  std::uint64_t totalFrames = 0;
  if (inputChannels > 0) {
    totalFrames = input.frameCount();
  } else if (options.seconds >= 0) {
    totalFrames = static_cast<std::uint64_t>(std::llround(options.seconds * options.sampleRate));
  } else if (!options.file.empty()) {
    try {
      const auto file = testing::readWavFile(options.file);
      totalFrames = static_cast<std::uint64_t>(
          std::ceil(static_cast<double>(file.frameCount()) * options.sampleRate / file.sampleRate));
    } catch (const std::exception& e) {
      err << "error: cannot read '" << options.file << "': " << e.what() << "\n";
      return 1;
    }
  } else {
    err << "error: nothing to render: give --in, --file or --seconds\n";
    return 2;
  }

  const int32 sampleSize = options.sampleBits == 64 ? kSample64 : kSample32;
  ProcessSetup setup{kOffline, sampleSize, options.blockSize, options.sampleRate};
  if (plugin.processor()->setupProcessing(setup) != kResultOk) {
    err << "error: " << plugin.className() << " refuses " << options.sampleRate << " Hz, block "
        << options.blockSize << ", " << options.sampleBits << "-bit samples\n";
    return 1;
  }
  if (plugin.component()->setActive(1) != kResultOk) {
    err << "error: " << plugin.className() << " could not be activated\n";
    return 1;
  }
  plugin.processor()->setProcessing(1);

  testing::ProcessBlock block(sampleSize, options.blockSize);
  for (int b = 0; b < plugin.busCount(kInput); ++b) block.addInput(plugin.busChannels(kInput, b));
  int outputChannels = 0;
  for (int b = 0; b < plugin.busCount(kOutput); ++b) {
    outputChannels += plugin.busChannels(kOutput, b);
    block.addOutput(plugin.busChannels(kOutput, b));
  }
  std::vector<float> rendered;
  rendered.reserve(static_cast<std::size_t>(totalFrames) * static_cast<std::size_t>(outputChannels));
  ProgressBar progress(err, "rendering", totalFrames);
  std::uint64_t done = 0;
  bool firstBlock = true;
  while (done < totalFrames) {
    const int32 n = static_cast<int32>(std::min<std::uint64_t>(options.blockSize, totalFrames - done));
    for (int32 i = 0; i < n; ++i) {
      for (int c = 0; c < inputChannels; ++c) {
        block.setIn(0, c, i, input.samples[(done + static_cast<std::uint64_t>(i)) * input.channelCount + c]);
      }
    }
    block.changes->clear();
    if (firstBlock) {
      for (const auto& [id, value] : parameters) block.changes->add(id, 0, value);
    }
    block.outputEvents->clear();
    block.setTransport(options.transport, static_cast<std::int64_t>(done));
    ProcessData& data = block.data(n);
    if (plugin.processor()->process(data) != kResultOk) {
      err << "error: process failed at sample " << done << "\n";
      return 1;
    }
    for (const Event& e : block.outputEvents->events) {
      const std::uint64_t at = done + static_cast<std::uint64_t>(e.sampleOffset);
      if (isSyncMessage(e, 1)) out << "sync start at sample " << at << "\n";
      if (isSyncMessage(e, 2)) out << "sync stop at sample " << at << "\n";
    }
    for (int32 i = 0; i < n; ++i) {
      for (int b = 0; b < plugin.busCount(kOutput); ++b) {
        for (int c = 0; c < plugin.busChannels(kOutput, b); ++c) {
          rendered.push_back(static_cast<float>(block.out(b, c, i)));
        }
      }
    }
    done += static_cast<std::uint64_t>(n);
    firstBlock = false;
    progress.update(done);
  }
  progress.finish();
  plugin.processor()->setProcessing(0);
  plugin.component()->setActive(0);

  if (!options.stateOut.empty() && !plugin.saveStateFile(options.stateOut, error)) {
    err << "error: " << error << "\n";
    return 1;
  }
  if (!options.output.empty()) {
    try {
      testing::writeFloatWav(options.output, static_cast<std::uint32_t>(outputChannels),
                             static_cast<std::uint32_t>(options.sampleRate), rendered);
    } catch (const std::exception& e) {
      err << "error: " << e.what() << "\n";
      return 1;
    }
  }
  float peak = 0.0f;
  for (float v : rendered) peak = std::max(peak, std::fabs(v));
  out << plugin.className() << ": rendered " << totalFrames << " frames, " << outputChannels
      << " output channel(s), peak " << peak;
  if (!options.output.empty()) out << " -> " << options.output;
  out << "\n";
  return 0;
}

}  // namespace varnolith::host
