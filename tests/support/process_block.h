// ProcessBlock: owns the buffers of a ProcessData for tests and tools (buses, context, silence
// flags, parameter changes and event lists).
#pragma once

#include <cstdint>
#include <vector>

#include "support/host_objects.h"
#include "vst3/ivstaudioprocessor.h"

namespace varnolith::testing {

class ProcessBlock {
 public:
  // sampleSize: kSample32 or kSample64; capacity: samples per channel.
  ProcessBlock(int32 sampleSize, int32 capacity);

  // Adds a bus with `channels` buffers (zeroed); returns its index.
  int32 addInput(int32 channels);
  int32 addOutput(int32 channels);

  float* in32(int32 bus, int32 channel) { return in_[bus].f32[channel].data(); }
  double* in64(int32 bus, int32 channel) { return in_[bus].f64[channel].data(); }
  float* out32(int32 bus, int32 channel) { return out_[bus].f32[channel].data(); }
  double* out64(int32 bus, int32 channel) { return out_[bus].f64[channel].data(); }
  // Sample i of an output channel as double, whatever the sample size.
  double out(int32 bus, int32 channel, int32 i) const;
  // Writes a value to sample i of an input channel, whatever the sample size.
  void setIn(int32 bus, int32 channel, int32 i, double value);
  // Fills every input channel with a constant.
  void fillInputs(double value);
  // Fills every output channel with a marker, to see what the plug-in wrote.
  void fillOutputs(double value);

  Steinberg::Vst::AudioBusBuffers& inputBus(int32 bus) { return inBuffers_[bus]; }
  Steinberg::Vst::AudioBusBuffers& outputBus(int32 bus) { return outBuffers_[bus]; }

  // Transport: playing flag and continuous sample position (kContTimeValid set).
  void setTransport(bool playing, std::int64_t continuousSamples);
  // No process context at all.
  void clearContext() { hasContext_ = false; }

  // The ProcessData for a block of numSamples; pointers refreshed on every call.
  Steinberg::Vst::ProcessData& data(int32 numSamples);

  Steinberg::IPtr<ParameterChanges> changes = makeHostObject<ParameterChanges>();
  Steinberg::IPtr<EventList> inputEvents = makeHostObject<EventList>();
  Steinberg::IPtr<EventList> outputEvents = makeHostObject<EventList>();
  bool attachChanges = true;
  bool attachInputEvents = true;
  bool attachOutputEvents = true;
  Steinberg::Vst::ProcessContext context{};

 private:
  struct Bus {
    std::vector<std::vector<float>> f32;
    std::vector<std::vector<double>> f64;
    std::vector<float*> ptr32;
    std::vector<double*> ptr64;
  };
  void bind(Bus& bus, Steinberg::Vst::AudioBusBuffers& buffers);
  Bus makeBus(int32 channels) const;

  int32 sampleSize_;
  int32 capacity_;
  bool hasContext_ = true;
  std::vector<Bus> in_;
  std::vector<Bus> out_;
  std::vector<Steinberg::Vst::AudioBusBuffers> inBuffers_;
  std::vector<Steinberg::Vst::AudioBusBuffers> outBuffers_;
  Steinberg::Vst::ProcessData data_{};
};

}  // namespace varnolith::testing
