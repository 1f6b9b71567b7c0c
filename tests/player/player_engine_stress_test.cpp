// One thread renders without pause while another installs hundreds of files; run under
// ThreadSanitizer too. Every file holds one constant, so any torn hand-over, use of a freed file
// or mix of two files shows up as a value that was never installed or as channels that disagree.
#include "player/player_engine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

namespace varnolith::plugins {
namespace {

constexpr int kInstalls = 300;
constexpr std::uint32_t kSlice = 32;

float valueOf(int file) { return static_cast<float>(file + 1) / 1024.0f; }

TEST(PlayerEngineStress, RenderWhileInstallingStaysConsistent) {
  PlayerEngine engine;
  std::atomic<bool> done{false};
  std::atomic<std::uint64_t> renders{0};
  std::vector<float> heard;  // written by the audio thread only, read after join
  bool channelsDisagreed = false;

  std::thread audioThread([&] {
    std::vector<float> left(kSlice), right(kSlice);
    float* outputs[2] = {left.data(), right.data()};
    std::uint64_t position = 0;
    float last = 0.0f;
    while (!done.load()) {
      engine.render(outputs, 2, kSlice, 48000.0, position);
      for (std::uint32_t i = 0; i < kSlice; ++i) {
        if (left[i] != right[i]) channelsDisagreed = true;
        if (left[i] != 0.0f && left[i] != last) {
          heard.push_back(left[i]);
          last = left[i];
        }
      }
      position += kSlice;
      // Like a transport that restarts whenever the file has stopped.
      if (!engine.playing.load()) engine.startAt(position, 0);
      renders.fetch_add(1);
    }
  });

  for (int file = 0; file < kInstalls; ++file) {
    DecodedAudio audio;
    audio.channelCount = 1 + static_cast<std::uint32_t>(file % 2);  // mono feeds both outputs
    audio.sampleRate = 8000 + 1000 * static_cast<std::uint32_t>(file % 50);
    audio.samples.assign(audio.channelCount * (1 + static_cast<std::size_t>(file * 7) % 200), valueOf(file));
    engine.installAudio(std::move(audio));
    ASSERT_EQ(engine.latest.load()->samples.front(), valueOf(file));  // control side may read latest
    // Every other install waits until the audio thread has taken the file over and played it;
    // the rest race with render or replace a file that is still pending.
    if (file % 2 == 0) {
      const std::uint64_t seen = renders.load();
      while (renders.load() < seen + 4) std::this_thread::yield();
    }
  }
  const std::uint64_t seen = renders.load();
  while (renders.load() < seen + 4) std::this_thread::yield();
  done.store(true);
  audioThread.join();

  EXPECT_FALSE(channelsDisagreed);
  std::set<float> installed;
  for (int file = 0; file < kInstalls; ++file) installed.insert(valueOf(file));
  std::set<float> heardSet(heard.begin(), heard.end());
  for (float v : heardSet) EXPECT_TRUE(installed.count(v)) << "rendered a value no file holds: " << v;
  // Each waited-for file was played before the next install.
  for (int file = 0; file < kInstalls; file += 2) EXPECT_TRUE(heardSet.count(valueOf(file))) << "file " << file;
  // And in install order: a file never plays after a later one.
  for (std::size_t i = 1; i < heard.size(); ++i) EXPECT_LT(heard[i - 1], heard[i]) << "at " << i;
}

}  // namespace
}  // namespace varnolith::plugins
