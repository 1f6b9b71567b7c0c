// IEditController, IEditController2, IComponentHandler and ParameterInfo.
#pragma once

#include "vst3/ibstream.h"
#include "vst3/ipluginbase.h"
#include "vst3/iplugview.h"
#include "vst3/vsttypes.h"

namespace Steinberg::Vst {

#if defined(_WIN32)
#pragma pack(push, 8)
#endif

struct ParameterInfo {
  enum ParameterFlags : int32 {
    kNoFlags = 0,
    kCanAutomate = 1 << 0,
    kIsReadOnly = 1 << 1,
    kIsWrapAround = 1 << 2,
    kIsList = 1 << 3,
    kIsHidden = 1 << 4,
    kIsProgramChange = 1 << 15,
    kIsBypass = 1 << 16,
  };

  ParamID id;
  String128 title;
  String128 shortTitle;
  String128 units;
  int32 stepCount;
  ParamValue defaultNormalizedValue;
  UnitID unitId;
  int32 flags;
};

#if defined(_WIN32)
#pragma pack(pop)
#endif

inline constexpr FIDString kEditor = "editor";

class IComponentHandler : public FUnknown {
 public:
  // [main-thread] A user edit of the parameter starts.
  virtual tresult PLUGIN_API beginEdit(ParamID id) = 0;
  // [main-thread] The parameter takes a new normalized value.
  virtual tresult PLUGIN_API performEdit(ParamID id, ParamValue valueNormalized) = 0;
  // [main-thread] The user edit ends.
  virtual tresult PLUGIN_API endEdit(ParamID id) = 0;
  // [main-thread] Asks the host to re-read parts of the plug-in.
  virtual tresult PLUGIN_API restartComponent(int32 flags) = 0;

  VARNOLITH_DECLARE_IID(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);

 protected:
  ~IComponentHandler() = default;
};

class IEditController : public IPluginBase {
 public:
  // [main-thread] Receives the component's state (single object: the same document).
  virtual tresult PLUGIN_API setComponentState(IBStream* state) = 0;
  // [main-thread] Restores the controller's own state.
  virtual tresult PLUGIN_API setState(IBStream* state) = 0;
  // [main-thread] Saves the controller's own state.
  virtual tresult PLUGIN_API getState(IBStream* state) = 0;
  // [main-thread] Number of registered parameters.
  virtual int32 PLUGIN_API getParameterCount() = 0;
  // [main-thread] Information of the parameter at an index.
  virtual tresult PLUGIN_API getParameterInfo(int32 paramIndex, ParameterInfo& info) = 0;
  // [main-thread] Value string of a normalized value.
  virtual tresult PLUGIN_API getParamStringByValue(ParamID id, ParamValue valueNormalized, String128 string) = 0;
  // [main-thread] Parses a value string into a normalized value.
  virtual tresult PLUGIN_API getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized) = 0;
  virtual ParamValue PLUGIN_API normalizedParamToPlain(ParamID id, ParamValue valueNormalized) = 0;
  virtual ParamValue PLUGIN_API plainParamToNormalized(ParamID id, ParamValue plainValue) = 0;
  // [main-thread] Current normalized value.
  virtual ParamValue PLUGIN_API getParamNormalized(ParamID id) = 0;
  // [main-thread] Sets a normalized value from the host.
  virtual tresult PLUGIN_API setParamNormalized(ParamID id, ParamValue value) = 0;
  // [main-thread] Installs the host's handler for user edits.
  virtual tresult PLUGIN_API setComponentHandler(IComponentHandler* handler) = 0;
  // [main-thread] Creates an editor view by name.
  virtual IPlugView* PLUGIN_API createView(FIDString name) = 0;

  VARNOLITH_DECLARE_IID(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);

 protected:
  ~IEditController() = default;
};

class IEditController2 : public FUnknown {
 public:
  virtual tresult PLUGIN_API setKnobMode(KnobMode mode) = 0;
  virtual tresult PLUGIN_API openHelp(TBool onlyCheck) = 0;
  virtual tresult PLUGIN_API openAboutBox(TBool onlyCheck) = 0;

  VARNOLITH_DECLARE_IID(0x7F4EFE59, 0xF3204967, 0xAC27A3AE, 0xAFB63038);

 protected:
  ~IEditController2() = default;
};

}  // namespace Steinberg::Vst
