// IComponent: the processing side's buses, activation and state.
#pragma once

#include "vst3/ibstream.h"
#include "vst3/ipluginbase.h"
#include "vst3/vsttypes.h"

namespace Steinberg::Vst {

#if defined(_WIN32)
#pragma pack(push, 8)
#endif

struct BusInfo {
  enum BusFlags : uint32 { kDefaultActive = 1 << 0, kIsControlVoltage = 1 << 1 };

  MediaType mediaType;
  BusDirection direction;
  int32 channelCount;
  String128 name;
  BusType busType;
  uint32 flags;
};

struct RoutingInfo {
  MediaType mediaType;
  int32 busIndex;
  int32 channel;
};

#if defined(_WIN32)
#pragma pack(pop)
#endif

class IComponent : public IPluginBase {
 public:
  // [main-thread] The edit controller's class ID when processor and controller are split.
  virtual tresult PLUGIN_API getControllerClassId(TUID classId) = 0;
  // [main-thread] Simple, advanced or offline-processing mode.
  virtual tresult PLUGIN_API setIoMode(IoMode mode) = 0;
  // [main-thread] Number of buses of a media type and direction.
  virtual int32 PLUGIN_API getBusCount(MediaType type, BusDirection dir) = 0;
  // [main-thread] Describes one bus.
  virtual tresult PLUGIN_API getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& bus) = 0;
  // [main-thread] Routing of an input channel to an output channel.
  virtual tresult PLUGIN_API getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) = 0;
  // [main-thread] Switches a bus on or off; only while inactive.
  virtual tresult PLUGIN_API activateBus(MediaType type, BusDirection dir, int32 index, TBool state) = 0;
  // [main-thread] Activates or deactivates the component.
  virtual tresult PLUGIN_API setActive(TBool state) = 0;
  // [main-thread] Restores the component state.
  virtual tresult PLUGIN_API setState(IBStream* state) = 0;
  // [main-thread] Saves the component state.
  virtual tresult PLUGIN_API getState(IBStream* state) = 0;

  VARNOLITH_DECLARE_IID(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);

 protected:
  ~IComponent() = default;
};

}  // namespace Steinberg::Vst
