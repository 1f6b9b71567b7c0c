#include "support/host_objects.h"

#include <algorithm>
#include <cstring>

#include "vst3/string16.h"

namespace varnolith::testing {

using namespace Steinberg;
using namespace Steinberg::Vst;

tresult PLUGIN_API RecordingComponentHandler::beginEdit(ParamID id) {
  calls.push_back({Call::Begin, id, 0.0});
  return kResultOk;
}

tresult PLUGIN_API RecordingComponentHandler::performEdit(ParamID id, ParamValue value) {
  calls.push_back({Call::Perform, id, value});
  return kResultOk;
}

tresult PLUGIN_API RecordingComponentHandler::endEdit(ParamID id) {
  calls.push_back({Call::End, id, 0.0});
  return kResultOk;
}

tresult PLUGIN_API RecordingComponentHandler::restartComponent(int32 flags) {
  calls.push_back({Call::Restart, 0, static_cast<double>(flags)});
  return kResultOk;
}

tresult PLUGIN_API MemoryStream::read(void* buffer, int32 numBytes, int32* numBytesRead) {
  if (numBytes < 0 || (numBytes > 0 && !buffer)) return kInvalidArgument;
  const std::size_t available = position < data.size() ? data.size() - position : 0;
  const std::size_t n = std::min<std::size_t>(available, static_cast<std::size_t>(numBytes));
  if (n) std::memcpy(buffer, data.data() + position, n);
  position += n;
  if (numBytesRead) *numBytesRead = static_cast<int32>(n);
  return kResultOk;
}

tresult PLUGIN_API MemoryStream::write(void* buffer, int32 numBytes, int32* numBytesWritten) {
  if (numBytesWritten) *numBytesWritten = 0;
  if (numBytes < 0 || (numBytes > 0 && !buffer)) return kInvalidArgument;
  if (failWritesAfter >= 0 && static_cast<std::int64_t>(position) + numBytes > failWritesAfter) return kResultFalse;
  std::size_t n = static_cast<std::size_t>(numBytes);
  if (shortWriteLimit >= 0) n = std::min<std::size_t>(n, static_cast<std::size_t>(shortWriteLimit));
  if (position + n > data.size()) data.resize(position + n);
  if (n) std::memcpy(data.data() + position, buffer, n);
  position += n;
  if (numBytesWritten) *numBytesWritten = static_cast<int32>(n);
  return kResultOk;
}

tresult PLUGIN_API MemoryStream::seek(int64 pos, int32 mode, int64* result) {
  int64 base = 0;
  if (mode == kIBSeekCur) base = static_cast<int64>(position);
  if (mode == kIBSeekEnd) base = static_cast<int64>(data.size());
  const int64 target = base + pos;
  if (target < 0) return kInvalidArgument;
  position = static_cast<std::size_t>(target);
  if (result) *result = target;
  return kResultOk;
}

tresult PLUGIN_API MemoryStream::tell(int64* pos) {
  if (!pos) return kInvalidArgument;
  *pos = static_cast<int64>(position);
  return kResultOk;
}

tresult PLUGIN_API ParamValueQueue::getPoint(int32 index, int32& sampleOffset, ParamValue& value) {
  if (index < 0 || index >= getPointCount()) return kInvalidArgument;
  sampleOffset = points[static_cast<std::size_t>(index)].offset;
  value = points[static_cast<std::size_t>(index)].value;
  return kResultOk;
}

tresult PLUGIN_API ParamValueQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index) {
  index = getPointCount();
  points.push_back({sampleOffset, value});
  return kResultOk;
}

ParameterChanges::~ParameterChanges() { clear(); }

IParamValueQueue* PLUGIN_API ParameterChanges::getParameterData(int32 index) {
  if (index < 0 || index >= getParameterCount()) return nullptr;
  return queues_[static_cast<std::size_t>(index)];
}

IParamValueQueue* PLUGIN_API ParameterChanges::addParameterData(const ParamID& id, int32& index) {
  for (std::size_t i = 0; i < queues_.size(); ++i) {
    if (queues_[i] && queues_[i]->getParameterId() == id) {
      index = static_cast<int32>(i);
      return queues_[i];
    }
  }
  index = static_cast<int32>(queues_.size());
  queues_.push_back(new ParamValueQueue(id));
  return queues_.back();
}

ParameterChanges& ParameterChanges::add(ParamID id, int32 offset, ParamValue value) {
  int32 index = 0;
  IParamValueQueue* queue = addParameterData(id, index);
  int32 pointIndex = 0;
  queue->addPoint(offset, value, pointIndex);
  return *this;
}

void ParameterChanges::clear() {
  for (auto* queue : queues_) {
    if (queue) queue->release();
  }
  queues_.clear();
}

tresult PLUGIN_API EventList::getEvent(int32 index, Event& e) {
  if (index < 0 || index >= getEventCount()) return kInvalidArgument;
  e = events[static_cast<std::size_t>(index)];
  return kResultOk;
}

tresult PLUGIN_API EventList::addEvent(Event& e) {
  Event copy = e;
  if (copy.type == Event::kDataEvent && copy.data.bytes && copy.data.size) {
    payloads.emplace_back(copy.data.bytes, copy.data.bytes + copy.data.size);
    copy.data.bytes = payloads.back().data();
  }
  events.push_back(copy);
  return kResultOk;
}

void EventList::addSysEx(int32 sampleOffset, std::vector<std::uint8_t> bytes, int32 busIndex) {
  Event e{};
  e.busIndex = busIndex;
  e.sampleOffset = sampleOffset;
  e.type = Event::kDataEvent;
  e.data.type = DataEvent::kMidiSysEx;
  e.data.size = static_cast<uint32>(bytes.size());
  e.data.bytes = bytes.data();
  addEvent(e);
}

void EventList::clear() {
  events.clear();
  payloads.clear();
}

tresult PLUGIN_API HostApplication::getName(String128 name) {
  widenInto("varnolith-host", name, 128);
  return kResultOk;
}

tresult PLUGIN_API HostApplication::createInstance(TUID, TUID, void** obj) {
  if (obj) *obj = nullptr;
  return kResultFalse;
}

}  // namespace varnolith::testing
