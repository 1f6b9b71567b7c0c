// Proof that process never allocates or frees: the global allocation functions (and, outside the
// sanitizer builds, malloc and friends) count every call made on an armed thread, and full blocks
// of every heavy configuration run with the counter armed.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <new>
#include <vector>
#if defined(_WIN32)
#include <malloc.h>
#endif

#include "params/parameter_ids.h"
#include "plugin/process_harness.h"

namespace {

thread_local bool armed = false;
thread_local long allocations = 0;

inline void noteAllocation() noexcept {
  if (armed) ++allocations;
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) && defined(__GLIBC__)
// The C allocator too, so that a stray malloc in C code or a library is caught. The sanitizers
// own these functions in their builds; there only the C++ functions above are counted.
}  // namespace

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);

void* malloc(std::size_t size) {
  noteAllocation();
  return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
  noteAllocation();
  return __libc_calloc(count, size);
}
void* realloc(void* p, std::size_t size) {
  noteAllocation();
  return __libc_realloc(p, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
  noteAllocation();
  return __libc_memalign(alignment, size);
}
void free(void* p) {
  if (p) noteAllocation();
  __libc_free(p);
}
}
namespace {
constexpr bool kCountsMalloc = true;
#else
constexpr bool kCountsMalloc = false;
#endif

// With the C allocator counted, the C++ functions leave the counting to it.
inline void noteNew() noexcept {
  if (!kCountsMalloc) noteAllocation();
}

void* allocateOrThrow(std::size_t size) {
  noteNew();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

void* allocateAligned(std::size_t size, std::align_val_t align) {
  noteNew();
  const auto alignment = static_cast<std::size_t>(align);
  const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
#if defined(_WIN32)
  // The Windows C runtime has no aligned_alloc; its aligned blocks need _aligned_free.
  if (void* p = _aligned_malloc(rounded == 0 ? alignment : rounded, alignment)) return p;
#else
  if (void* p = std::aligned_alloc(alignment, rounded == 0 ? alignment : rounded)) return p;
#endif
  throw std::bad_alloc();
}

void release(void* p) noexcept {
  if (p) noteNew();
  std::free(p);
}

void releaseAligned(void* p) noexcept {
#if defined(_WIN32)
  if (p) noteNew();
  _aligned_free(p);
#else
  release(p);
#endif
}

}  // namespace

void* operator new(std::size_t size) { return allocateOrThrow(size); }
void* operator new[](std::size_t size) { return allocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocateOrThrow(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocateOrThrow(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new(std::size_t size, std::align_val_t align) { return allocateAligned(size, align); }
void* operator new[](std::size_t size, std::align_val_t align) { return allocateAligned(size, align); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, std::align_val_t) noexcept { releaseAligned(p); }
void operator delete[](void* p, std::align_val_t) noexcept { releaseAligned(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { releaseAligned(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { releaseAligned(p); }


namespace varnolith::testing {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using plugins::kActiveStrips;
using plugins::kFaderGainBase;
using plugins::kFaderMuteBase;
using plugins::kGain;
using plugins::kPlayRecord;
using plugins::kFollowTransport;

// Counts allocations made on this thread while alive.
class AllocationWatch {
 public:
  AllocationWatch() {
    allocations = 0;
    armed = true;
  }
  ~AllocationWatch() { armed = false; }
  long count() const { return allocations; }
};

// An output event list that never allocates while processing: room is reserved up front.
class FixedEventList : public HostObject<IEventList> {
 public:
  FixedEventList() { events.reserve(4096); }
  int32 PLUGIN_API getEventCount() override { return static_cast<int32>(events.size()); }
  tresult PLUGIN_API getEvent(int32 index, Event& e) override {
    if (index < 0 || index >= getEventCount()) return kInvalidArgument;
    e = events[static_cast<std::size_t>(index)];
    return kResultOk;
  }
  tresult PLUGIN_API addEvent(Event& e) override {
    if (events.size() == events.capacity()) return kOutOfMemory;
    events.push_back(e);
    return kResultOk;
  }
  std::vector<Event> events;
};

TEST(NoAllocation, TheCounterSeesAllocations) {
  long seen = 0;
  {
    AllocationWatch watch;
    auto* probe = new int(3);
    delete probe;
    if (kCountsMalloc) {
      void* raw = std::malloc(16);
      std::free(raw);
    }
    seen = watch.count();
  }
  EXPECT_EQ(seen, kCountsMalloc ? 4 : 2);
}

// Fills the block's parameter changes with 4096 points over `ids`, spread over the block.
void addPoints(ProcessBlock& block, const std::vector<ParamID>& ids, int32 numSamples, int32 total) {
  for (int32 i = 0; i < total; ++i) {
    const ParamID id = ids[static_cast<std::size_t>(i) % ids.size()];
    block.changes->add(id, (i * 7) % (numSamples + 1), (i % 17) / 16.0);
  }
}

struct Config {
  ModuleKind kind;
  int32 inputs;
  int32 outputs;
};

class ProcessDoesNotAllocate : public ::testing::TestWithParam<std::tuple<Config, int32>> {};

TEST_P(ProcessDoesNotAllocate, WithFullBusesAndAFullPointArray) {
  const auto [config, size] = GetParam();
  ProcessHarness h(config.kind, size);
  ASSERT_TRUE(h.ok);
  h.activateAll(kInput);
  h.activateAll(kOutput);
  for (int32 b = 0; b < config.inputs; ++b) h.block.addInput(2);
  for (int32 b = 0; b < config.outputs; ++b) h.block.addOutput(2);
  h.block.fillInputs(0.25);
  h.block.setTransport(true, 0);

  std::vector<ParamID> ids{kActiveStrips, kGain, kFollowTransport, kPlayRecord, 999};
  for (uint32 n = 0; n < 64; ++n) {
    ids.push_back(kFaderGainBase + n);
    ids.push_back(kFaderMuteBase + n);
  }
  auto outputEvents = makeHostObject<FixedEventList>();
  for (int32 round = 0; round < 4; ++round) {
    SCOPED_TRACE(round);
    h.block.changes->clear();
    h.block.inputEvents->clear();
    // The Recorder also gets sync messages; they share the 4096 points with the changes.
    const int32 syncEvents = config.kind == ModuleKind::Recorder ? 64 : 0;
    for (int32 e = 0; e < syncEvents; ++e) {
      h.block.inputEvents->addSysEx((e * 13) % 512, {0xF0, 0x7D, 0x56, 0x53, 0x53, std::uint8_t(1 + e % 2), 0xF7});
    }
    addPoints(h.block, ids, 512, 4096 - syncEvents + 100);  // more than fit
    h.block.setTransport(round % 2 == 0, round * 512);
    ProcessData& data = h.block.data(512);  // binds buffers (the harness allocates here)
    data.outputEvents = outputEvents.get();
    outputEvents->events.clear();
    tresult result = kResultFalse;
    long counted = 0;
    {
      AllocationWatch watch;
      result = h.plugin->process(data);
      counted = watch.count();
    }
    ASSERT_EQ(result, kResultOk);
    EXPECT_EQ(counted, 0) << "allocations or frees inside process";
  }
}

std::string configName(const ::testing::TestParamInfo<std::tuple<Config, int32>>& info) {
  return std::string(kindName(std::get<0>(info.param).kind)) + "_" + formatName(std::get<1>(info.param));
}

INSTANTIATE_TEST_SUITE_P(
    Heavy, ProcessDoesNotAllocate,
    ::testing::Combine(::testing::Values(Config{ModuleKind::FaderBank, 64, 64}, Config{ModuleKind::Summing, 64, 1},
                                         Config{ModuleKind::Distributor, 1, 64}, Config{ModuleKind::Breakout, 1, 64},
                                         Config{ModuleKind::Recorder, 1, 1}, Config{ModuleKind::Player, 0, 1},
                                         Config{ModuleKind::Input, 1, 1}),
                       ::testing::Values(kSample32, kSample64)),
    configName);

}  // namespace
}  // namespace varnolith::testing
