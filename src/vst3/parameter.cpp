#include "vst3/parameter.h"

#include <algorithm>
#include <cmath>

#include "vst3/string16.h"

namespace Steinberg::Vst {

Parameter::Parameter(const TChar* title, ParamID tag, const TChar* units, ParamValue defaultValueNormalized,
                     int32 stepCount, int32 flags, UnitID unitId, const TChar* shortTitle) {
  info_.id = tag;
  copyString16(title, info_.title, 128);
  copyString16(shortTitle, info_.shortTitle, 128);
  copyString16(units, info_.units, 128);
  info_.stepCount = stepCount;
  info_.defaultNormalizedValue = defaultValueNormalized;
  info_.unitId = unitId;
  info_.flags = flags;
  valueNormalized_ = defaultValueNormalized;
}

bool Parameter::setNormalized(ParamValue value) {
  if (value > 1.0) {
    value = 1.0;
  } else if (value < 0.0) {
    value = 0.0;
  }
  if (value == valueNormalized_) return false;
  valueNormalized_ = value;
  return true;
}

void Parameter::toString(ParamValue valueNormalized, String128 string) const {
  if (info_.stepCount == 1) {
    widenInto(valueNormalized > 0.5 ? "On" : "Off", string, 128);
    return;
  }
  printFloat(valueNormalized, precision_, string, 128);
}

bool Parameter::fromString(const TChar* string, ParamValue& valueNormalized) const {
  return scanFloat(string, 128, valueNormalized);
}

RangeParameter::RangeParameter(const TChar* title, ParamID tag, const TChar* units, ParamValue minPlain,
                               ParamValue maxPlain, ParamValue defaultValuePlain, int32 stepCount, int32 flags,
                               UnitID unitId, const TChar* shortTitle)
    : Parameter(title, tag, units, 0.0, stepCount, flags, unitId, shortTitle), minPlain_(minPlain), maxPlain_(maxPlain) {
  info_.defaultNormalizedValue = valueNormalized_ = toNormalized(defaultValuePlain);
}

ParamValue RangeParameter::toPlain(ParamValue valueNormalized) const {
  if (info_.stepCount > 1) {
    const double steps = info_.stepCount;
    return minPlain_ + std::min(steps, std::floor(valueNormalized * (steps + 1.0)));
  }
  return valueNormalized * (maxPlain_ - minPlain_) + minPlain_;
}

ParamValue RangeParameter::toNormalized(ParamValue plainValue) const {
  if (info_.stepCount > 1) return (plainValue - minPlain_) / info_.stepCount;
  return (plainValue - minPlain_) / (maxPlain_ - minPlain_);
}

void RangeParameter::toString(ParamValue valueNormalized, String128 string) const {
  if (info_.stepCount > 1) {
    printInt(static_cast<int64>(toPlain(valueNormalized)), string, 128);
    return;
  }
  Parameter::toString(toPlain(valueNormalized), string);
}

bool RangeParameter::fromString(const TChar* string, ParamValue& valueNormalized) const {
  if (info_.stepCount > 1) {
    int64 plain = 0;
    if (!scanInt(string, 128, plain)) return false;
    valueNormalized = toNormalized(static_cast<ParamValue>(plain));
    return true;
  }
  double plain = 0.0;
  if (!scanFloat(string, 128, plain)) return false;
  plain = std::clamp(plain, minPlain_, maxPlain_);
  valueNormalized = toNormalized(plain);
  return true;
}

Parameter* ParameterContainer::addParameter(std::unique_ptr<Parameter> parameter) {
  if (!parameter) return nullptr;
  const ParamID id = parameter->getInfo().id;
  if (index_.count(id)) return nullptr;
  index_.emplace(id, list_.size());
  list_.push_back(std::move(parameter));
  return list_.back().get();
}

Parameter* ParameterContainer::getParameter(ParamID id) const {
  const auto it = index_.find(id);
  return it == index_.end() ? nullptr : list_[it->second].get();
}

Parameter* ParameterContainer::getParameterByIndex(int32 index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= list_.size()) return nullptr;
  return list_[static_cast<std::size_t>(index)].get();
}

void ParameterContainer::removeAll() {
  index_.clear();
  list_.clear();
}

}  // namespace Steinberg::Vst
