// Parameter, RangeParameter and ParameterContainer: the controller's parameter objects.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "vst3/ivsteditcontroller.h"

namespace Steinberg::Vst {

// A normalized parameter; with one step it is a toggle whose plain value equals the normalized one.
class Parameter {
 public:
  Parameter(const TChar* title, ParamID tag, const TChar* units = nullptr, ParamValue defaultValueNormalized = 0.0,
            int32 stepCount = 0, int32 flags = ParameterInfo::kCanAutomate, UnitID unitId = kRootUnitId,
            const TChar* shortTitle = nullptr);
  virtual ~Parameter() = default;

  // [main-thread] The host-facing description.
  const ParameterInfo& getInfo() const noexcept { return info_; }
  // [main-thread] Sets the value, clamped to 0..1; true when it changed.
  virtual bool setNormalized(ParamValue value);
  // [main-thread] The object's own normalized value.
  virtual ParamValue getNormalized() const noexcept { return valueNormalized_; }
  // [main-thread] The value string: "On"/"Off" for toggles, else the value with `precision` decimals.
  virtual void toString(ParamValue valueNormalized, String128 string) const;
  // [main-thread] Parses a number as the normalized value.
  virtual bool fromString(const TChar* string, ParamValue& valueNormalized) const;
  virtual ParamValue toPlain(ParamValue valueNormalized) const { return valueNormalized; }
  virtual ParamValue toNormalized(ParamValue plainValue) const { return plainValue; }

  int32 getPrecision() const noexcept { return precision_; }
  void setPrecision(int32 precision) noexcept { precision_ = precision; }

 protected:
  ParameterInfo info_{};
  ParamValue valueNormalized_ = 0.0;
  int32 precision_ = 4;
};

// A parameter with a plain range; stepped when stepCount > 1.
class RangeParameter : public Parameter {
 public:
  RangeParameter(const TChar* title, ParamID tag, const TChar* units = nullptr, ParamValue minPlain = 0.0,
                 ParamValue maxPlain = 1.0, ParamValue defaultValuePlain = 0.0, int32 stepCount = 0,
                 int32 flags = ParameterInfo::kCanAutomate, UnitID unitId = kRootUnitId,
                 const TChar* shortTitle = nullptr);

  ParamValue getMin() const noexcept { return minPlain_; }
  ParamValue getMax() const noexcept { return maxPlain_; }

  void toString(ParamValue valueNormalized, String128 string) const override;
  bool fromString(const TChar* string, ParamValue& valueNormalized) const override;
  ParamValue toPlain(ParamValue valueNormalized) const override;
  ParamValue toNormalized(ParamValue plainValue) const override;

 private:
  ParamValue minPlain_;
  ParamValue maxPlain_;
};

// Owns the registered parameters in registration order; lookup by ID.
class ParameterContainer {
 public:
  // [main-thread] Registers a parameter; returns it, or null when the ID is taken.
  Parameter* addParameter(std::unique_ptr<Parameter> parameter);
  // [main-thread] The parameter with this ID, or null.
  Parameter* getParameter(ParamID id) const;
  // [main-thread] The parameter at a registration index, or null.
  Parameter* getParameterByIndex(int32 index) const;
  int32 getParameterCount() const noexcept { return static_cast<int32>(list_.size()); }
  // [main-thread] Removes and frees every parameter.
  void removeAll();

 private:
  std::vector<std::unique_ptr<Parameter>> list_;
  std::unordered_map<ParamID, std::size_t> index_;
};

}  // namespace Steinberg::Vst
