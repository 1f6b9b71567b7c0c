// The audio-thread calls must not allocate. Global operator new/delete are replaced by counting
// versions; only calls made by the test thread while `tCounting` is set are counted, so the
// writer thread's own work does not interfere.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>

#include "recorder/recorder_engine.h"
#include "recorder_test_support.h"

namespace {
thread_local bool tCounting = false;
std::atomic<std::size_t> gAllocations{0};
std::atomic<std::size_t> gReleases{0};

void* countedAlloc(std::size_t size) {
  if (tCounting) ++gAllocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void countedFree(void* p) noexcept {
  if (tCounting && p != nullptr) ++gReleases;
  std::free(p);
}
}  // namespace

void* operator new(std::size_t size) { return countedAlloc(size); }
void* operator new[](std::size_t size) { return countedAlloc(size); }
void operator delete(void* p) noexcept { countedFree(p); }
void operator delete[](void* p) noexcept { countedFree(p); }
void operator delete(void* p, std::size_t) noexcept { countedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { countedFree(p); }

namespace varnolith::plugins {
namespace {

struct Counting {
  Counting() {
    gAllocations = 0;
    gReleases = 0;
    tCounting = true;
  }
  ~Counting() { tCounting = false; }
};

int* volatile gSink = nullptr;

TEST(AudioThreadAllocation, CounterSeesAllocations) {
  {
    Counting counting;
    gSink = new int(1);
    delete gSink;
  }
  EXPECT_EQ(gAllocations.load(), 1u);
  EXPECT_EQ(gReleases.load(), 1u);
}

TEST(AudioThreadAllocation, StartTailAndCaptureNeverAllocate) {
  testing::TempDir dir;
  std::atomic<bool> stall{true};  // keep the ring filling so the drop path runs too
  RecorderTestSeams seams;
  seams.stallWriter = &stall;
  RecorderEngine engine(seams);
  engine.prepareDestination(dir / "take.wav", 4, 48000);

  std::vector<std::vector<float>> channels(4, std::vector<float>(512, 0.5f));
  channels[1][7] = std::numeric_limits<float>::quiet_NaN();
  channels[3][9] = std::numeric_limits<float>::infinity();
  std::vector<const float*> inputs;
  for (auto& c : channels) inputs.push_back(c.data());

  std::uint64_t s = 0;
  {
    Counting counting;
    engine.startCapture(0);
    for (int block = 0; block < 600; ++block, s += 512) {  // 1.2 M samples: the ring overflows
      engine.capture(inputs.data(), 3, 512, s);  // fewer inputs than channels
    }
    engine.beginTail(s, 0.01, 0.01, -80.0);
    engine.startCapture(s);  // restart during the tail
    engine.beginTail(s, 0.0, 0.0, -80.0);
    for (int block = 0; block < 4; ++block, s += 512) engine.capture(inputs.data(), 4, 512, s);
  }
  EXPECT_EQ(gAllocations.load(), 0u);
  EXPECT_EQ(gReleases.load(), 0u);
  EXPECT_GT(engine.droppedFrames.load(), 0u);
  EXPECT_FALSE(engine.recording.load()) << "the maximum tail ended the capture";
  stall = false;
  engine.finish();
}

}  // namespace
}  // namespace varnolith::plugins
