// The process entry: validation, host clock, point intake, ordering and slicing of one block.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "plugin/utility_plugin.h"

namespace varnolith::plugins {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

constexpr std::uint8_t kSyncPrefix[5] = {0xF0, 0x7D, 0x56, 0x53, 0x53};

// The command (1 start, 2 stop) of an exact sync message, else 0.
int syncCommand(const Event& event, int32 numSamples) noexcept {
  if (event.type != Event::kDataEvent || event.data.type != DataEvent::kMidiSysEx) return 0;
  if (event.sampleOffset < 0 || event.sampleOffset >= numSamples) return 0;
  if (!event.data.bytes || event.data.size != 7) return 0;
  const std::uint8_t* bytes = event.data.bytes;
  if (std::memcmp(bytes, kSyncPrefix, sizeof kSyncPrefix) != 0 || bytes[6] != 0xF7) return 0;
  return bytes[5] == 1 || bytes[5] == 2 ? bytes[5] : 0;
}

}  // namespace

tresult PLUGIN_API UtilityPlugin::process(ProcessData& data) {
  if (data.numSamples < 0 || static_cast<std::uint32_t>(data.numSamples) > maxBlockSize) return kInvalidArgument;
  if (data.numInputs < 0 || data.numOutputs < 0) return kInvalidArgument;
  if (data.numInputs > static_cast<int32>(kMaxBuses) || data.numOutputs > static_cast<int32>(kMaxBuses)) {
    return kInvalidArgument;
  }
  if ((data.numInputs > 0 && !data.inputs) || (data.numOutputs > 0 && !data.outputs)) return kInvalidArgument;
  for (int32 b = 0; b < data.numInputs; ++b) {
    if (static_cast<uint32>(data.inputs[b].numChannels) > kMaxChannels) return kInvalidArgument;
  }
  for (int32 b = 0; b < data.numOutputs; ++b) {
    if (static_cast<uint32>(data.outputs[b].numChannels) > kMaxChannels) return kInvalidArgument;
  }
  // A host that skipped setupProcessing would have the kernels write into storage that does not
  // exist yet.
  if (scratchStorage.size() < std::size_t{kMaxChannels} * maxBlockSize ||
      audioWork.gainCurve.size() < maxBlockSize) {
    return kNotInitialized;
  }

  if (const ProcessContext* context = data.processContext;
      context && (context->state & ProcessContext::kContTimeValid) != 0 && context->continousTimeSamples >= 0) {
    sampleCounter = static_cast<std::uint64_t>(context->continousTimeSamples);
  }

  collectPoints(data);
  const BlockPoint* points = sortPoints(data.numSamples);
  const std::uint32_t count = audioWork.pointCount;

  resolveBuses(data);
  const int32 outputCount = data.numOutputs;
  for (int32 b = 0; b < outputCount; ++b) {
    audioWork.written[b] = 0;
    audioWork.heard[b] = 0;
  }

  const int32 numSamples = data.numSamples;
  std::uint32_t next = 0;
  int32 start = 0;
  for (;;) {
    while (next < count && points[next].offset == start) applyPoint(points[next++]);
    const int32 end = next < count ? points[next].offset : numSamples;
    if (start < end) {
      if (data.symbolicSampleSize == kSample32) {
        processSlice32(data, start, end - start);
      } else if (data.symbolicSampleSize == kSample64) {
        processSlice64(data, start, end - start);
      } else {
        return kInvalidArgument;
      }
      sampleCounter += static_cast<std::uint64_t>(end - start);
    }
    start = end;
    if (end == numSamples) break;
  }

  for (int32 b = 0; b < outputCount; ++b) {
    data.outputs[b].silenceFlags = audioWork.written[b] & ~audioWork.heard[b];
  }
  return kResultOk;
}

void UtilityPlugin::collectPoints(ProcessData& data) noexcept {
  AudioWork& work = audioWork;
  work.pointCount = 0;
  const int32 numSamples = data.numSamples;

  if (IParameterChanges* changes = data.inputParameterChanges) {
    for (int32 q = 0; q < std::min<int32>(changes->getParameterCount(), kParameterSlots); ++q) {
      if (work.pointCount >= kMaxBlockPoints) break;
      IParamValueQueue* queue = changes->getParameterData(q);
      if (!queue) continue;
      const ParamID id = queue->getParameterId();
      for (int32 i = 0; i < std::min<int32>(queue->getPointCount(), kMaxBlockPoints); ++i) {
        if (work.pointCount >= kMaxBlockPoints) break;
        int32 offset = 0;
        ParamValue value = 0.0;
        if (queue->getPoint(i, offset, value) != kResultOk) continue;
        if (offset < 0 || offset > numSamples || !std::isfinite(value)) continue;
        work.points[work.pointCount++] = {offset, id, value, false};
      }
    }
  }

  if (kind != ModuleKind::Recorder) return;
  if (IEventList* events = data.inputEvents) {
    for (int32 i = 0; i < std::min<int32>(events->getEventCount(), kMaxBlockPoints); ++i) {
      if (work.pointCount >= kMaxBlockPoints) break;
      Event event{};
      if (events->getEvent(i, event) != kResultOk) continue;
      const int command = syncCommand(event, numSamples);
      if (command == 0) continue;
      work.points[work.pointCount++] = {event.sampleOffset, 600u + static_cast<std::uint32_t>(command), 0.0, true};
    }
  }
}

// Offsets lie in 0..numSamples, so a counting sort orders 4096 points in two passes; it also keeps
// the intake order among points of one offset.
const BlockPoint* UtilityPlugin::sortPoints(int32 numSamples) noexcept {
  AudioWork& work = audioWork;
  std::uint32_t* starts = work.offsetStarts.data();
  const auto buckets = static_cast<std::size_t>(numSamples) + 2;
  std::fill(starts, starts + buckets, 0u);
  for (std::uint32_t i = 0; i < work.pointCount; ++i) ++starts[work.points[i].offset + 1];
  for (std::size_t b = 1; b < buckets; ++b) starts[b] += starts[b - 1];
  for (std::uint32_t i = 0; i < work.pointCount; ++i) work.sorted[starts[work.points[i].offset]++] = work.points[i];
  return work.sorted;
}

void UtilityPlugin::applyPoint(const BlockPoint& point) noexcept {
  if (!point.sync) {
    parameters.storeParameter(point.id, point.value);  // ignores IDs of 512 or more
    return;
  }
  if (point.id == kSyncStartPoint) {
    parameters.storeParameter(kFollowTransport, 0.0);
    parameters.storeParameter(kPlayRecord, 1.0);
    previousRun = true;
    recorder.startCapture(sampleCounter);
  } else if (point.id == kSyncStopPoint) {
    parameters.storeParameter(kFollowTransport, 0.0);
    parameters.storeParameter(kPlayRecord, 0.0);
    previousRun = false;
    recorder.beginTail(sampleCounter, std::max(10.0 * parameters.readParameter(kTailSilenceTime), 0.01),
                       std::max(3600.0 * parameters.readParameter(kMaximumTail), 0.01), -80.0);
  }
}

void UtilityPlugin::resolveBuses(ProcessData& data) noexcept {
  AudioWork& work = audioWork;
  const BusList& inputBuses = audioBuses(kInput);
  for (int32 b = 0; b < data.numInputs; ++b) {
    const AudioBusBuffers& bus = data.inputs[b];
    const Bus* moduleBus = inputBuses.at(b);
    const bool live = moduleBus && moduleBus->isActive();
    for (int32 c = 0; c < bus.numChannels; ++c) {
      const void* channel = nullptr;
      if (live && (bus.silenceFlags & (std::uint64_t{1} << c)) == 0) {
        if (data.symbolicSampleSize == kSample64) {
          if (bus.channelBuffers64) channel = bus.channelBuffers64[c];
        } else if (bus.channelBuffers32) {
          channel = bus.channelBuffers32[c];
        }
      }
      work.inputs[b][c] = channel;
    }
  }
  const BusList& outputBuses = audioBuses(kOutput);
  work.outputsLive = 0;
  for (int32 b = 0; b < data.numOutputs; ++b) {
    const Bus* moduleBus = outputBuses.at(b);
    if (moduleBus && moduleBus->isActive()) work.outputsLive |= std::uint64_t{1} << b;
  }
}

}  // namespace varnolith::plugins
