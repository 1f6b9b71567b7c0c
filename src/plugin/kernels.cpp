// The signal kernels: targets, smoothers, run step, engine calls and per-kind routing of one slice.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "params/gain_law.h"
#include "plugin/utility_plugin.h"

namespace varnolith::plugins {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// The event list keeps only a pointer to the bytes, so they must outlive the process call.
const std::uint8_t kSyncStartMessage[7] = {0xF0, 0x7D, 0x56, 0x53, 0x53, 0x01, 0xF7};
const std::uint8_t kSyncStopMessage[7] = {0xF0, 0x7D, 0x56, 0x53, 0x53, 0x02, 0xF7};

void sendSync(ProcessData& data, const std::uint8_t* message, int32 offset) noexcept {
  IEventList* events = data.outputEvents;
  if (!events) return;
  Event event{};
  event.busIndex = 0;
  event.sampleOffset = offset;
  event.ppqPosition = 0.0;
  event.flags = 0;
  event.type = Event::kDataEvent;
  event.data.size = 7;
  event.data.type = DataEvent::kMidiSysEx;
  event.data.bytes = message;
  events->addEvent(event);
}

// Non-finite results become 0.0; written as comparisons so the loops stay vectorisable.
inline float finiteSample(double value, float*) noexcept {
  const float narrowed = static_cast<float>(value);
  return std::fabs(narrowed) <= FLT_MAX ? narrowed : 0.0f;
}
inline double finiteSample(double value, double*) noexcept { return std::fabs(value) <= DBL_MAX ? value : 0.0; }

struct CurveGain {
  const double* curve;
  double operator[](int32 k) const noexcept { return curve[k]; }
};
struct ConstantGain {
  double gain;
  double operator[](int32) const noexcept { return gain; }
};

// out[k] = finite(in[k] × gain[k]); true when a written sample is not zero. Host buffers may be
// the same for input and output (in-place), so no restrict: the compiler checks overlap itself.
template <class Sample, class Source, class Gain>
[[gnu::always_inline]] inline bool scaleBody(Sample* out, const Source* in, Gain gain, int32 n) noexcept {
  unsigned nonZero = 0;
  for (int32 k = 0; k < n; ++k) {
    const Sample value = finiteSample(static_cast<double>(in[k]) * gain[k], out);
    out[k] = value;
    nonZero |= static_cast<unsigned>(value != Sample(0));
  }
  return nonZero != 0;
}

// The sample loops are built twice, for AVX2 and for the baseline instruction set, and the loader
// picks one per machine; the arithmetic is the same IEEE double either way.
// PE images have no ifunc, which the clones need, so the Windows build uses the baseline loops; so
// do thread-sanitizer builds, whose runtime is not up yet when the loader runs the selectors.
#if defined(_WIN32) || defined(__SANITIZE_THREAD__)
#define VARNOLITH_SAMPLE_LOOP
#else
#define VARNOLITH_SAMPLE_LOOP [[gnu::target_clones("avx2", "default")]]
#endif

VARNOLITH_SAMPLE_LOOP bool scale(float* out, const float* in, double gain, int32 n) noexcept {
  return scaleBody(out, in, ConstantGain{gain}, n);
}
VARNOLITH_SAMPLE_LOOP bool scale(float* out, const double* in, double gain, int32 n) noexcept {
  return scaleBody(out, in, ConstantGain{gain}, n);
}
VARNOLITH_SAMPLE_LOOP bool scale(double* out, const double* in, double gain, int32 n) noexcept {
  return scaleBody(out, in, ConstantGain{gain}, n);
}
VARNOLITH_SAMPLE_LOOP bool scale(double* out, const float* in, double gain, int32 n) noexcept {
  return scaleBody(out, in, ConstantGain{gain}, n);
}
VARNOLITH_SAMPLE_LOOP bool scale(float* out, const float* in, const double* curve, int32 n) noexcept {
  return scaleBody(out, in, CurveGain{curve}, n);
}
VARNOLITH_SAMPLE_LOOP bool scale(float* out, const double* in, const double* curve, int32 n) noexcept {
  return scaleBody(out, in, CurveGain{curve}, n);
}
VARNOLITH_SAMPLE_LOOP bool scale(double* out, const double* in, const double* curve, int32 n) noexcept {
  return scaleBody(out, in, CurveGain{curve}, n);
}

// mix[k] += in[k], widened to double.
VARNOLITH_SAMPLE_LOOP void accumulate(double* mix, const float* in, int32 n) noexcept {
  for (int32 k = 0; k < n; ++k) mix[k] += static_cast<double>(in[k]);
}
VARNOLITH_SAMPLE_LOOP void accumulate(double* mix, const double* in, int32 n) noexcept {
  for (int32 k = 0; k < n; ++k) mix[k] += in[k];
}

template <class Sample, class Source>
bool writeScaledBy(Sample* out, const Source* in, bool constant, double gain, const double* curve,
                   int32 n) noexcept {
  return constant ? scale(out, in, gain, n) : scale(out, in, curve, n);
}

template <class Sample>
void writeZeros(Sample* out, int32 n) noexcept {
  std::fill(out, out + n, Sample(0));
}

// The per-sample one-pole curve from `start` towards `target`, each sample one step further (the
// first sample already carries one step). Once a step no longer moves the value, every later step
// gives that same value; then the curve is flat and `constant` says so when it is flat from the
// first sample on.
struct Curve {
  bool constant;
  double value;  // the flat value when constant
};

Curve smootherCurve(double start, double target, double coefficient, double* curve, int32 n) noexcept {
  double gain = start;
  int32 k = 0;
  for (; k < n; ++k) {
    const double next = gain + (target - gain) * coefficient;
    if (next == gain) break;
    gain = next;
    curve[k] = gain;
  }
  if (k == 0) return {true, gain};
  std::fill(curve + k, curve + n, gain);
  return {false, gain};
}

// The linear gain of a normalized value, computed once per distinct value of a target slot.
double memoGain(AudioWork& work, std::size_t slot, double normalized) noexcept {
  if (work.memoValue[slot] != normalized) {
    work.memoValue[slot] = normalized;
    work.memoGain[slot] = linearGain(normalized);
  }
  return work.memoGain[slot];
}

template <class Sample>
Sample* const* outputChannels(const AudioBusBuffers& bus) noexcept;
template <>
float* const* outputChannels<float>(const AudioBusBuffers& bus) noexcept {
  return bus.channelBuffers32;
}
template <>
double* const* outputChannels<double>(const AudioBusBuffers& bus) noexcept {
  return bus.channelBuffers64;
}

}  // namespace

void UtilityPlugin::processSlice32(ProcessData& data, int32 offset, int32 length) noexcept {
  processSlice<float>(data, offset, length);
}

void UtilityPlugin::processSlice64(ProcessData& data, int32 offset, int32 length) noexcept {
  processSlice<double>(data, offset, length);
}

template <class Sample>
void UtilityPlugin::processSlice(ProcessData& data, int32 offset, int32 length) noexcept {
  AudioWork& work = audioWork;
  const int32 n = length;

  // Targets.
  const int32 active = activeStripCount(parameters.readParameter(kActiveStrips));
  const double masterTarget = memoGain(work, 0, parameters.readParameter(kGain));
  double stripTargets[kMaxStrips];
  for (std::uint32_t i = 0; i < kMaxStrips; ++i) {
    const double gain = parameters.readParameter(kFaderGainBase + i);
    const double mute = parameters.readParameter(kFaderMuteBase + i);
    stripTargets[i] = static_cast<int32>(i) < active && mute < 0.5 ? memoGain(work, 1 + i, gain) : 0.0;
  }

  // Priming.
  if (!smoothingPrimed) {
    std::copy(stripTargets, stripTargets + kMaxStrips, smoothedStripGains);
    smoothedMasterGain = masterTarget;
    smoothingPrimed = true;
  }

  // Smoother bookkeeping: the slice-end state in closed form.
  if (work.memoRate != sampleRate) {
    work.memoRate = sampleRate;
    work.memoCoefficient = 1.0 - std::exp(-1.0 / (sampleRate * 0.003));
    work.memoLength = -1;
  }
  const double coefficient = work.memoCoefficient;
  if (work.memoLength != n) {
    work.memoLength = n;
    work.memoDecay = std::pow(1.0 - coefficient, static_cast<double>(n));
  }
  const double decay = work.memoDecay;
  double stripStart[kMaxStrips];
  for (std::uint32_t i = 0; i < kMaxStrips; ++i) {
    stripStart[i] = smoothedStripGains[i];
    smoothedStripGains[i] = stripTargets[i] + (stripStart[i] - stripTargets[i]) * decay;
  }
  const double masterStart = smoothedMasterGain;
  smoothedMasterGain = masterTarget + (masterStart - masterTarget) * decay;

  // Run step.
  const ProcessContext* context = data.processContext;
  const bool running = parameters.readParameter(kFollowTransport) > 0.5
                           ? context && (context->state & ProcessContext::kPlaying) != 0
                           : parameters.readParameter(kPlayRecord) > 0.5;
  if (running && !previousRun) {
    if (kind == ModuleKind::Player) {
      player.startAt(sampleCounter, 0);
      sendSync(data, kSyncStartMessage, offset);
      if (player.frameCount.load() == 0) sendSync(data, kSyncStopMessage, offset);
    } else if (kind == ModuleKind::Recorder) {
      recorder.startCapture(sampleCounter);
    }
  } else if (!running && previousRun) {
    player.stop();
    if (kind == ModuleKind::Player) {
      sendSync(data, kSyncStopMessage, offset);
    } else if (kind == ModuleKind::Recorder) {
      recorder.beginTail(sampleCounter, std::max(10.0 * parameters.readParameter(kTailSilenceTime), 0.01),
                         std::max(3600.0 * parameters.readParameter(kMaximumTail), 0.01), -80.0);
    }
  }
  previousRun = running;

  // Engines.
  if (kind == ModuleKind::Player) {
    const auto rendered = static_cast<std::uint32_t>(data.numOutputs > 0 ? data.outputs[0].numChannels : 0);
    const bool wasPlaying = player.playing.load();
    player.render(scratchChannels, rendered, static_cast<std::uint32_t>(n), sampleRate, sampleCounter);
    if (wasPlaying && !player.playing.load()) {
      const std::uint64_t end = player.endSample.load();
      if (sampleCounter <= end && end < sampleCounter + static_cast<std::uint64_t>(n)) {
        sendSync(data, kSyncStopMessage, offset + static_cast<int32>(end - sampleCounter));
      }
    }
  } else if (kind == ModuleKind::Recorder) {
    const int32 channels = std::min<int32>(data.numInputs > 0 ? data.inputs[0].numChannels : 0, kMaxChannels);
    for (int32 c = 0; c < channels; ++c) {
      float* copy = scratchChannels[c];
      if (const auto* in = static_cast<const Sample*>(work.inputs[0][c])) {
        for (int32 k = 0; k < n; ++k) copy[k] = static_cast<float>(in[offset + k]);
      } else {
        std::fill(copy, copy + n, 0.0f);
      }
    }
    recorder.capture(captureChannels, static_cast<std::uint32_t>(channels), static_cast<std::uint32_t>(n),
                     sampleCounter);
  }

  // Outputs.
  const auto input = [&](int32 bus, int32 channel) -> const Sample* {
    if (bus >= data.numInputs || channel >= data.inputs[bus].numChannels) return nullptr;
    const auto* samples = static_cast<const Sample*>(work.inputs[bus][channel]);
    return samples ? samples + offset : nullptr;
  };
  const auto lastChannel = [&](int32 bus) -> int32 {
    if (bus >= data.numInputs || data.inputs[bus].numChannels <= 0) return 0;
    return data.inputs[bus].numChannels - 1;
  };

  const bool usesMaster = kind != ModuleKind::Player && kind != ModuleKind::FaderBank;
  Curve master{true, masterStart};
  if (usesMaster) master = smootherCurve(masterStart, masterTarget, coefficient, work.gainCurve.data(), n);
  double* curve = work.gainCurve.data();

  // Hosts may process in place: output bus l channel m then shares its buffer with input bus l
  // channel m. Writing buses and channels from the last to the first means an output that reads
  // another input channel (Summing and Distributor from a mono input, Distributor and Breakout
  // branches) always reads it before the output sharing that buffer overwrites it.
  // Every active Distributor branch carries the same samples (one source channel, one master
  // curve): the first branch written for a channel is copied to the others.
  const Sample* branchWritten[kMaxChannels] = {};
  bool branchHeard[kMaxChannels] = {};
  for (int32 l = data.numOutputs - 1; l >= 0; --l) {
    const AudioBusBuffers& bus = data.outputs[l];
    Sample* const* channels = outputChannels<Sample>(bus);
    if (!channels || bus.numChannels <= 0) continue;
    const bool live = (work.outputsLive >> l) & 1u;
    Curve gain = master;
    if (live && kind == ModuleKind::FaderBank) {
      gain = smootherCurve(stripStart[l], stripTargets[l], coefficient, curve, n);
    }
    for (int32 m = bus.numChannels - 1; m >= 0; --m) {
      Sample* out = channels[m];
      if (!out) continue;
      out += offset;
      bool nonZero = false;
      const Sample* source = nullptr;
      bool summing = false;
      if (live) {
        switch (kind) {
          case ModuleKind::Summing: summing = true; break;
          case ModuleKind::Breakout:
            if (l < active) source = input(0, l);
            break;
          case ModuleKind::Player: break;
          case ModuleKind::FaderBank: source = input(l, m); break;
          case ModuleKind::Distributor:
            if (l < active) source = input(0, std::min(m, lastChannel(0)));
            break;
          default: source = input(0, m); break;  // Input, Output, Recorder
        }
      }
      if (live && kind == ModuleKind::Player) {
        // The rendered file has no gain; × 1.0 is exact and keeps one loop for both formats.
        if (l == 0) {
          nonZero = scale(out, static_cast<const float*>(scratchChannels[m]), 1.0, n);
        } else {
          writeZeros(out, n);
        }
      } else if (summing) {
        const int32 sources = std::min(data.numInputs, active);
        double* mix = work.mix.data();
        std::fill(mix, mix + n, 0.0);
        bool any = false;
        for (int32 b = 0; b < sources; ++b) {
          const Sample* in = input(b, std::min(m, lastChannel(b)));
          if (!in) continue;
          any = true;
          accumulate(mix, in, n);
        }
        if (any) {
          nonZero = writeScaledBy(out, static_cast<const double*>(mix), gain.constant, gain.value, curve, n);
        } else {
          writeZeros(out, n);
        }
      } else if (source && kind == ModuleKind::Distributor && branchWritten[m]) {
        if (branchWritten[m] != out) std::memmove(out, branchWritten[m], sizeof(Sample) * static_cast<std::size_t>(n));
        nonZero = branchHeard[m];
      } else if (source) {
        nonZero = writeScaledBy(out, source, gain.constant, gain.value, curve, n);
        if (kind == ModuleKind::Distributor) {
          branchWritten[m] = out;
          branchHeard[m] = nonZero;
        }
      } else {
        writeZeros(out, n);
      }
      work.written[l] |= std::uint64_t{1} << m;
      if (nonZero) work.heard[l] |= std::uint64_t{1} << m;
    }
  }
}

template void UtilityPlugin::processSlice<float>(ProcessData&, int32, int32) noexcept;
template void UtilityPlugin::processSlice<double>(ProcessData&, int32, int32) noexcept;

}  // namespace varnolith::plugins
