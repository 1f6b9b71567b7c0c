// AudioWork: the audio thread's own storage for one process call and its kernel slices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace varnolith::plugins {

// Most points (parameter changes and sync commands together) one block carries.
inline constexpr std::uint32_t kMaxBlockPoints = 4096;
// Internal point IDs of the two sync commands; never registered, never stored.
inline constexpr std::uint32_t kSyncStartPoint = 601;
inline constexpr std::uint32_t kSyncStopPoint = 602;

// One change to apply at a sample offset of the block.
struct BlockPoint {
  std::int32_t offset;
  std::uint32_t id;
  double value;
  // Sync commands come only from the event intake; a host parameter queue that happens to use
  // ID 601 or 602 must not start or stop a recording.
  bool sync;
};

// Everything here belongs to the audio thread while processing runs. setupProcessing (main
// thread, processing off) sizes the per-slice buffers; nothing in process allocates.
struct AudioWork {
  static constexpr std::size_t kTargetSlots = 65;  // master gain, then the 64 strips

  // Points of the current block in intake order, and the same points ordered by offset; only the
  // first pointCount are valid.
  BlockPoint points[kMaxBlockPoints];
  BlockPoint sorted[kMaxBlockPoints];
  std::uint32_t pointCount = 0;
  // Counting-sort buckets, one per offset 0..maxBlockSize plus one.
  std::vector<std::uint32_t> offsetStarts;

  // Input channel pointers of the current block, resolved once per block (bus present and
  // active, channel present, silence flag clear); null reads as silence. Samples are float or
  // double by the block's sample size.
  const void* inputs[64][64];
  // Output buses present in the module and active, one bit per host output bus index.
  std::uint64_t outputsLive = 0;

  // Silence bookkeeping over the slices of one block: channels written, and channels that
  // received a non-zero sample.
  std::uint64_t written[64];
  std::uint64_t heard[64];

  // One gain curve per output bus and slice, shared by the bus's channels; and the Summing mix.
  std::vector<double> gainCurve;
  std::vector<double> mix;

  // Memo of the gain law per target slot: the same normalized value always gives the same
  // linear factor, so unchanged slots skip the power function.
  double memoValue[kTargetSlots];
  double memoGain[kTargetSlots];
  // Memo of the smoothing coefficient per sample rate and of its slice decay per length.
  double memoRate = -1.0;
  double memoCoefficient = 0.0;
  std::int32_t memoLength = -1;
  double memoDecay = 1.0;

  AudioWork() noexcept {
    for (std::size_t i = 0; i < kTargetSlots; ++i) {
      memoValue[i] = std::numeric_limits<double>::quiet_NaN();
      memoGain[i] = 0.0;
    }
  }

  // [main-thread] Sizes the per-slice buffers for blocks of up to maxBlockSize samples; throws
  // std::bad_alloc. Only while processing is off.
  void allocate(std::uint32_t maxBlockSize) {
    offsetStarts.resize(std::size_t{maxBlockSize} + 2);
    gainCurve.resize(maxBlockSize);
    mix.resize(maxBlockSize);
    memoRate = -1.0;
    memoLength = -1;
  }
};

}  // namespace varnolith::plugins
