// IParameterChanges and IParamValueQueue: sample-accurate parameter changes of one block.
#pragma once

#include "vst3/funknown.h"
#include "vst3/vsttypes.h"

namespace Steinberg::Vst {

class IParamValueQueue : public FUnknown {
 public:
  // [audio-thread] The parameter this queue changes.
  virtual ParamID PLUGIN_API getParameterId() = 0;
  // [audio-thread] Number of points in the queue.
  virtual int32 PLUGIN_API getPointCount() = 0;
  // [audio-thread] One point: its sample offset and normalized value.
  virtual tresult PLUGIN_API getPoint(int32 index, int32& sampleOffset, ParamValue& value) = 0;
  // [audio-thread] Adds a point (output queues).
  virtual tresult PLUGIN_API addPoint(int32 sampleOffset, ParamValue value, int32& index) = 0;

  VARNOLITH_DECLARE_IID(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);

 protected:
  ~IParamValueQueue() = default;
};

class IParameterChanges : public FUnknown {
 public:
  // [audio-thread] Number of queues (one per changed parameter).
  virtual int32 PLUGIN_API getParameterCount() = 0;
  // [audio-thread] One queue, or null.
  virtual IParamValueQueue* PLUGIN_API getParameterData(int32 index) = 0;
  // [audio-thread] Adds a queue for a parameter (output changes).
  virtual IParamValueQueue* PLUGIN_API addParameterData(const ParamID& id, int32& index) = 0;

  VARNOLITH_DECLARE_IID(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);

 protected:
  ~IParameterChanges() = default;
};

}  // namespace Steinberg::Vst
