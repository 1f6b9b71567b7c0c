// Host-side objects for tests and tools: component handler, memory stream, parameter changes,
// event lists and a host application context.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/host_object.h"
#include "vst3/ibstream.h"
#include "vst3/ivstaudioprocessor.h"
#include "vst3/ivsteditcontroller.h"
#include "vst3/ivstevents.h"
#include "vst3/ivsthostapplication.h"
#include "vst3/ivstparameterchanges.h"

namespace varnolith::testing {

using Steinberg::int32;
using Steinberg::tresult;
using Steinberg::Vst::ParamID;
using Steinberg::Vst::ParamValue;

// Records every begin/perform/end/restart call in order.
class RecordingComponentHandler : public HostObject<Steinberg::Vst::IComponentHandler> {
 public:
  enum class Call { Begin, Perform, End, Restart };
  struct Entry {
    Call call;
    ParamID id;
    ParamValue value;
    bool operator==(const Entry&) const = default;
  };

  tresult PLUGIN_API beginEdit(ParamID id) override;
  tresult PLUGIN_API performEdit(ParamID id, ParamValue value) override;
  tresult PLUGIN_API endEdit(ParamID id) override;
  tresult PLUGIN_API restartComponent(int32 flags) override;

  std::vector<Entry> calls;
};

// A growable byte stream; writes and reads can be made to fail or fall short for tests.
class MemoryStream : public HostObject<Steinberg::IBStream> {
 public:
  MemoryStream() = default;
  explicit MemoryStream(std::vector<char> bytes) : data(std::move(bytes)) {}

  tresult PLUGIN_API read(void* buffer, int32 numBytes, int32* numBytesRead) override;
  tresult PLUGIN_API write(void* buffer, int32 numBytes, int32* numBytesWritten) override;
  tresult PLUGIN_API seek(Steinberg::int64 pos, int32 mode, Steinberg::int64* result) override;
  tresult PLUGIN_API tell(Steinberg::int64* pos) override;

  std::vector<char> data;
  std::size_t position = 0;
  // Writes fail (kResultFalse) once this many bytes were written; -1 never.
  std::int64_t failWritesAfter = -1;
  // Writes accept at most this many bytes per call (a short write); -1 unlimited.
  std::int64_t shortWriteLimit = -1;
};

class ParamValueQueue : public HostObject<Steinberg::Vst::IParamValueQueue> {
 public:
  explicit ParamValueQueue(ParamID id) : id_(id) {}

  ParamID PLUGIN_API getParameterId() override { return id_; }
  int32 PLUGIN_API getPointCount() override { return static_cast<int32>(points.size()); }
  tresult PLUGIN_API getPoint(int32 index, int32& sampleOffset, ParamValue& value) override;
  tresult PLUGIN_API addPoint(int32 sampleOffset, ParamValue value, int32& index) override;

  struct Point {
    int32 offset;
    ParamValue value;
  };
  std::vector<Point> points;

 private:
  ParamID id_;
};

class ParameterChanges : public HostObject<Steinberg::Vst::IParameterChanges> {
 public:
  ~ParameterChanges() override;
  int32 PLUGIN_API getParameterCount() override { return static_cast<int32>(queues_.size()); }
  Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(int32 index) override;
  Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const ParamID& id, int32& index) override;

  // Appends a point to the queue of `id` (creating the queue); returns this for chaining.
  ParameterChanges& add(ParamID id, int32 offset, ParamValue value);
  // Appends a queue slot that answers null, as some hosts do.
  void addNullQueue() { queues_.push_back(nullptr); }
  void clear();

 private:
  std::vector<ParamValueQueue*> queues_;
};

class EventList : public HostObject<Steinberg::Vst::IEventList> {
 public:
  int32 PLUGIN_API getEventCount() override { return static_cast<int32>(events.size()); }
  tresult PLUGIN_API getEvent(int32 index, Steinberg::Vst::Event& e) override;
  tresult PLUGIN_API addEvent(Steinberg::Vst::Event& e) override;

  // Adds a System Exclusive data event; the bytes are kept alive by the list.
  void addSysEx(int32 sampleOffset, std::vector<std::uint8_t> bytes, int32 busIndex = 0);
  void clear();

  std::vector<Steinberg::Vst::Event> events;
  // Copies of data-event payloads added through addEvent (the sender's buffer may be temporary).
  std::vector<std::vector<std::uint8_t>> payloads;
};

class HostApplication : public HostObject<Steinberg::Vst::IHostApplication> {
 public:
  tresult PLUGIN_API getName(Steinberg::Vst::String128 name) override;
  tresult PLUGIN_API createInstance(Steinberg::TUID, Steinberg::TUID, void** obj) override;
};

}  // namespace varnolith::testing
