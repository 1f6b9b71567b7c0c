#include "vst3/bus.h"

#include "vst3/string16.h"

namespace Steinberg::Vst {

Bus::Bus(const TChar* name, BusType busType, int32 flags)
    : busType_(busType), flags_(flags), active_((flags & BusInfo::kDefaultActive) != 0) {
  copyString16(name, name_, 128);
}

bool Bus::getInfo(BusInfo& info) const {
  copyString16(name_, info.name, 128);
  info.busType = busType_;
  info.flags = static_cast<uint32>(flags_);
  return true;
}

AudioBus::AudioBus(const TChar* name, BusType busType, int32 flags, SpeakerArrangement arrangement)
    : Bus(name, busType, flags), arrangement_(arrangement) {}

bool AudioBus::getInfo(BusInfo& info) const {
  info.channelCount = SpeakerArr::getChannelCount(getArrangement());
  return Bus::getInfo(info);
}

EventBus::EventBus(const TChar* name, BusType busType, int32 flags, int32 channelCount)
    : Bus(name, busType, flags), channelCount_(channelCount) {}

bool EventBus::getInfo(BusInfo& info) const {
  info.channelCount = channelCount_;
  return Bus::getInfo(info);
}

Bus* BusList::append(std::unique_ptr<Bus> bus) {
  buses_.push_back(std::move(bus));
  return buses_.back().get();
}

}  // namespace Steinberg::Vst
