// Bus, AudioBus, EventBus and BusList: the component's bus descriptions.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "vst3/ivstcomponent.h"

namespace Steinberg::Vst {

class Bus {
 public:
  // Buses flagged kDefaultActive start active, so a host that never calls activateBus still
  // gets audio through the main buses.
  Bus(const TChar* name, BusType busType, int32 flags);
  virtual ~Bus() = default;

  // [any-thread] Whether the host enabled the bus; read by the audio thread.
  bool isActive() const noexcept { return active_.load(std::memory_order_relaxed); }
  // [main-thread] Enables or disables the bus.
  void setActive(bool state) noexcept { active_.store(state, std::memory_order_relaxed); }
  BusType getBusType() const noexcept { return busType_; }
  int32 getFlags() const noexcept { return flags_; }
  const TChar* getName() const noexcept { return name_; }
  // [main-thread] Fills name, type and flags (and the channel count in subclasses).
  virtual bool getInfo(BusInfo& info) const;

 private:
  String128 name_{};
  BusType busType_;
  int32 flags_;
  std::atomic<bool> active_;
};

class AudioBus : public Bus {
 public:
  AudioBus(const TChar* name, BusType busType, int32 flags, SpeakerArrangement arrangement);

  // [any-thread] The current speaker arrangement.
  SpeakerArrangement getArrangement() const noexcept { return arrangement_.load(std::memory_order_relaxed); }
  // [main-thread] Stores a new arrangement; only while not processing.
  void setArrangement(SpeakerArrangement arrangement) noexcept {
    arrangement_.store(arrangement, std::memory_order_relaxed);
  }
  bool getInfo(BusInfo& info) const override;

 private:
  std::atomic<SpeakerArrangement> arrangement_;
};

class EventBus : public Bus {
 public:
  EventBus(const TChar* name, BusType busType, int32 flags, int32 channelCount);
  bool getInfo(BusInfo& info) const override;

 private:
  int32 channelCount_;
};

// The buses of one media type and direction, in creation order.
class BusList {
 public:
  BusList(MediaType type, BusDirection direction) : type_(type), direction_(direction) {}

  MediaType getType() const noexcept { return type_; }
  BusDirection getDirection() const noexcept { return direction_; }
  int32 size() const noexcept { return static_cast<int32>(buses_.size()); }
  // [any-thread] The bus at an index, or null; the list does not change while processing.
  Bus* at(int32 index) const noexcept {
    return index >= 0 && index < size() ? buses_[static_cast<std::size_t>(index)].get() : nullptr;
  }
  // [main-thread] Appends a bus and returns it.
  Bus* append(std::unique_ptr<Bus> bus);
  // [main-thread] Removes every bus.
  void clear() noexcept { buses_.clear(); }

 private:
  MediaType type_;
  BusDirection direction_;
  std::vector<std::unique_ptr<Bus>> buses_;
};

}  // namespace Steinberg::Vst
