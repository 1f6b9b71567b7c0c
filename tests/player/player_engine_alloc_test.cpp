// The audio-thread calls must not touch the heap. This binary replaces the global allocation
// functions with counting ones; a window opened around the calls must stay at zero.
#include "player/player_engine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#ifdef _WIN32
#include <malloc.h>
#endif
#include <vector>

namespace {

std::atomic<bool> counting{false};
std::atomic<int> allocations{0};
std::atomic<int> deallocations{0};

void* allocate(std::size_t size) {
  if (counting.load()) allocations.fetch_add(1);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* allocateAligned(std::size_t size, std::align_val_t align) {
  if (counting.load()) allocations.fetch_add(1);
  const auto a = static_cast<std::size_t>(align);
#ifdef _WIN32
  // The Windows C runtime has no aligned_alloc; its aligned blocks need _aligned_free.
  if (void* p = _aligned_malloc(size ? size : 1, a)) return p;
#else
  if (void* p = std::aligned_alloc(a, (size + a - 1) / a * a)) return p;
#endif
  throw std::bad_alloc();
}
void release(void* p) noexcept {
  if (p && counting.load()) deallocations.fetch_add(1);
  std::free(p);
}
void releaseAligned(void* p) noexcept {
#ifdef _WIN32
  if (p && counting.load()) deallocations.fetch_add(1);
  _aligned_free(p);
#else
  release(p);
#endif
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, std::align_val_t a) { return allocateAligned(size, a); }
void* operator new[](std::size_t size, std::align_val_t a) { return allocateAligned(size, a); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try { return allocate(size); } catch (...) { return nullptr; }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try { return allocate(size); } catch (...) { return nullptr; }
}
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, std::align_val_t) noexcept { releaseAligned(p); }
void operator delete[](void* p, std::align_val_t) noexcept { releaseAligned(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { releaseAligned(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { releaseAligned(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }

namespace varnolith::plugins {
namespace {

DecodedAudio stereo(std::uint32_t frames, float value) {
  DecodedAudio audio;
  audio.channelCount = 2;
  audio.sampleRate = 44100;
  audio.samples.assign(2 * frames, value);
  return audio;
}

struct Window {
  Window() {
    allocations = 0;
    deallocations = 0;
    counting = true;
  }
  ~Window() { counting = false; }
};

// The counters must see an ordinary allocation, or a zero below would prove nothing.
TEST(PlayerEngineAllocation, CountingHookIsActive) {
  int seen = 0;
  {
    Window window;
    delete new int(1);
    seen = allocations.load() + deallocations.load();
  }
  EXPECT_EQ(seen, 2);
}

TEST(PlayerEngineAllocation, AudioThreadCallsNeverAllocateOrFree) {
  PlayerEngine engine;
  engine.installAudio(stereo(1000, 0.25f));
  std::vector<float> a(256), b(256), c(256);
  float* outputs[3] = {a.data(), b.data(), c.data()};
  int allocs = 0, frees = 0;
  std::uint64_t endAfterPlayback = kNoEndSample;
  {
    Window window;
    // First render takes the pending file over and retires the construction-time one.
    engine.render(outputs, 3, 256, 48000.0, 0);
    engine.startAt(100, 0);
    for (std::uint64_t s = 0; s < 256 * 8; s += 256) engine.render(outputs, 3, 256, 48000.0, s);  // plays and ends
    endAfterPlayback = engine.endSample.load();
    engine.startAt(5000, 0);
    engine.render(outputs, 3, 256, 48000.0, 5000);
    engine.stop();
    engine.render(outputs, 3, 256, 0.0, 5256);
    allocs = allocations.load();
    frees = deallocations.load();
  }
  EXPECT_EQ(allocs, 0);
  EXPECT_EQ(frees, 0);
  // The window covered real playback: the file was taken over, played and ended.
  EXPECT_EQ(engine.retiredWrite.load(), 1u);
  EXPECT_GT(endAfterPlayback, 1100u);
  EXPECT_LT(endAfterPlayback, 1300u);

  // A take-over of a second pending file is just as free of heap traffic.
  engine.installAudio(stereo(10, 0.5f));
  {
    Window window;
    engine.render(outputs, 3, 256, 48000.0, 6000);
    engine.startAt(6256, 0);
    engine.render(outputs, 3, 256, 48000.0, 6256);
    allocs = allocations.load();
    frees = deallocations.load();
  }
  EXPECT_EQ(allocs, 0);
  EXPECT_EQ(frees, 0);
  EXPECT_EQ(engine.retiredWrite.load(), 2u);
  EXPECT_EQ(a[0], 0.5f);
}

}  // namespace
}  // namespace varnolith::plugins
