// ParameterStore: the normalized value of every parameter ID, shared lock-free by all threads.
#pragma once

#include <atomic>
#include <cstdint>

#include "params/parameter_ids.h"

namespace varnolith::plugins {

class ParameterStore {
 public:
  // Every slot 0.0, then the defaults of the registered parameters (the same for every kind).
  ParameterStore() noexcept;
  ParameterStore(const ParameterStore&) = delete;
  ParameterStore& operator=(const ParameterStore&) = delete;

  // [any-thread] One atomic load; 0.0 for an ID of 512 or more. Never allocates or locks.
  double readParameter(std::uint32_t id) const noexcept;
  // [any-thread] Clamps to 0..1 and stores by atomic exchange; ignores IDs of 512 or more and
  // non-finite values. Never allocates or locks.
  void storeParameter(std::uint32_t id, double value) noexcept;

 private:
  std::atomic<double> slots_[kParameterSlots];
};

}  // namespace varnolith::plugins
