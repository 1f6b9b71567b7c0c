#include "support/process_block.h"

namespace varnolith::testing {

using namespace Steinberg;
using namespace Steinberg::Vst;

ProcessBlock::ProcessBlock(int32 sampleSize, int32 capacity) : sampleSize_(sampleSize), capacity_(capacity) {
  context.sampleRate = 48000.0;
  context.state = ProcessContext::kContTimeValid;
}

ProcessBlock::Bus ProcessBlock::makeBus(int32 channels) const {
  Bus bus;
  for (int32 c = 0; c < channels; ++c) {
    bus.f32.emplace_back(static_cast<std::size_t>(capacity_), 0.0f);
    bus.f64.emplace_back(static_cast<std::size_t>(capacity_), 0.0);
  }
  return bus;
}

int32 ProcessBlock::addInput(int32 channels) {
  in_.push_back(makeBus(channels));
  inBuffers_.emplace_back();
  inBuffers_.back().numChannels = channels;
  return static_cast<int32>(in_.size()) - 1;
}

int32 ProcessBlock::addOutput(int32 channels) {
  out_.push_back(makeBus(channels));
  outBuffers_.emplace_back();
  outBuffers_.back().numChannels = channels;
  return static_cast<int32>(out_.size()) - 1;
}

double ProcessBlock::out(int32 bus, int32 channel, int32 i) const {
  const Bus& b = out_[static_cast<std::size_t>(bus)];
  return sampleSize_ == kSample64 ? b.f64[channel][i] : static_cast<double>(b.f32[channel][i]);
}

void ProcessBlock::setIn(int32 bus, int32 channel, int32 i, double value) {
  Bus& b = in_[static_cast<std::size_t>(bus)];
  b.f64[channel][i] = value;
  b.f32[channel][i] = static_cast<float>(value);
}

void ProcessBlock::fillInputs(double value) {
  for (auto& bus : in_) {
    for (auto& ch : bus.f32) std::fill(ch.begin(), ch.end(), static_cast<float>(value));
    for (auto& ch : bus.f64) std::fill(ch.begin(), ch.end(), value);
  }
}

void ProcessBlock::fillOutputs(double value) {
  for (auto& bus : out_) {
    for (auto& ch : bus.f32) std::fill(ch.begin(), ch.end(), static_cast<float>(value));
    for (auto& ch : bus.f64) std::fill(ch.begin(), ch.end(), value);
  }
}

void ProcessBlock::setTransport(bool playing, std::int64_t continuousSamples) {
  hasContext_ = true;
  context.state = ProcessContext::kContTimeValid | (playing ? ProcessContext::kPlaying : 0u);
  context.continousTimeSamples = continuousSamples;
  context.projectTimeSamples = continuousSamples;
}

void ProcessBlock::bind(Bus& bus, AudioBusBuffers& buffers) {
  bus.ptr32.clear();
  bus.ptr64.clear();
  for (auto& ch : bus.f32) bus.ptr32.push_back(ch.data());
  for (auto& ch : bus.f64) bus.ptr64.push_back(ch.data());
  if (sampleSize_ == kSample64) {
    buffers.channelBuffers64 = bus.ptr64.empty() ? nullptr : bus.ptr64.data();
  } else {
    buffers.channelBuffers32 = bus.ptr32.empty() ? nullptr : bus.ptr32.data();
  }
}

ProcessData& ProcessBlock::data(int32 numSamples) {
  for (std::size_t b = 0; b < in_.size(); ++b) bind(in_[b], inBuffers_[b]);
  for (std::size_t b = 0; b < out_.size(); ++b) bind(out_[b], outBuffers_[b]);
  data_.processMode = kRealtime;
  data_.symbolicSampleSize = sampleSize_;
  data_.numSamples = numSamples;
  data_.numInputs = static_cast<int32>(inBuffers_.size());
  data_.numOutputs = static_cast<int32>(outBuffers_.size());
  data_.inputs = inBuffers_.empty() ? nullptr : inBuffers_.data();
  data_.outputs = outBuffers_.empty() ? nullptr : outBuffers_.data();
  data_.inputParameterChanges = attachChanges ? changes.get() : nullptr;
  data_.outputParameterChanges = nullptr;
  data_.inputEvents = attachInputEvents ? inputEvents.get() : nullptr;
  data_.outputEvents = attachOutputEvents ? outputEvents.get() : nullptr;
  data_.processContext = hasContext_ ? &context : nullptr;
  return data_;
}

}  // namespace varnolith::testing
