// Helpers shared by the recorder tests: temp folders, reading back recorded WAV files and feeding
// the engine from the test thread as the audio thread would.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "recorder/recorder_engine.h"

namespace varnolith::plugins::testing {

// A fresh folder removed again at the end of the test.
class TempDir {
 public:
  TempDir() {
    static std::atomic<unsigned> serial{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "varnolith-rec-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
    if (info != nullptr) name += std::string("-") + info->name();
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    path_ = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void touch(const std::filesystem::path& path) { std::ofstream(path, std::ios::binary) << ""; }

inline std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 |
         std::uint32_t{b[at + 3]} << 24;
}
inline std::uint16_t le16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

// A recorded file read back; `headerOk` says whether all 44 header bytes are exactly what a file of
// this channel count, rate and length must carry.
struct RecordedWav {
  std::vector<std::uint8_t> bytes;
  std::vector<float> samples;  // the data chunk, interleaved
  std::uint32_t channels = 0;
  std::uint32_t rate = 0;
  std::uint32_t dataBytes = 0;

  std::size_t frames() const { return channels == 0 ? 0 : samples.size() / channels; }
  float at(std::size_t frame, std::uint32_t channel) const { return samples[frame * channels + channel]; }
};

inline RecordedWav readRecordedWav(const std::filesystem::path& path) {
  RecordedWav wav;
  wav.bytes = readBytes(path);
  const auto& b = wav.bytes;
  EXPECT_GE(b.size(), 44u) << path;
  if (b.size() < 44) return wav;
  EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
  EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(le32(b, 16), 16u);
  EXPECT_EQ(le16(b, 20), 3u);
  wav.channels = le16(b, 22);
  wav.rate = le32(b, 24);
  EXPECT_EQ(le32(b, 28), wav.channels * wav.rate * 4u);
  EXPECT_EQ(le16(b, 32), wav.channels * 4u);
  EXPECT_EQ(le16(b, 34), 32u);
  EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
  wav.dataBytes = le32(b, 40);
  EXPECT_EQ(le32(b, 4), 36u + wav.dataBytes);
  EXPECT_EQ(b.size(), 44u + wav.dataBytes) << "no other chunk, no trailing bytes";
  EXPECT_EQ(wav.dataBytes % (4u * std::max<std::uint32_t>(wav.channels, 1)), 0u) << "whole frames only";
  const std::size_t count = std::min<std::size_t>(wav.dataBytes, b.size() - 44) / 4;
  wav.samples.resize(count);
  if (count > 0) std::memcpy(wav.samples.data(), b.data() + 44, count * 4);
  return wav;
}

// Polls until `done` holds; fails the test after a generous limit instead of hanging.
inline bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

// Drives capture from the test thread with planar blocks produced by `sample(frame, channel)`,
// where frame is the host sample position. With `waitForRoom` it never lets the ring overflow, so
// a test can record long takes without drops.
class Feeder {
 public:
  using Source = std::function<float(std::uint64_t frame, std::uint32_t channel)>;

  Feeder(RecorderEngine& engine, std::uint32_t inputs, Source source, std::uint32_t block = 512)
      : engine_(engine), source_(std::move(source)), block_(block), buffers_(inputs, std::vector<float>(block)) {
    for (auto& b : buffers_) pointers_.push_back(b.data());
  }

  // Captures frames [position, position + frames) in slices of at most `block` samples.
  void feed(std::uint64_t frames, bool waitForRoom = false) {
    while (frames > 0) {
      const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(frames, block_));
      for (std::uint32_t c = 0; c < buffers_.size(); ++c) {
        for (std::uint32_t i = 0; i < n; ++i) buffers_[c][i] = source_(position_ + i, c);
      }
      if (waitForRoom) {
        const std::uint64_t need = std::uint64_t{n} * engine_.channelCount;
        EXPECT_TRUE(waitFor([&] {
          return engine_.writePosition.load() - engine_.readPosition.load() + need <= kRingSamples;
        }));
      }
      engine_.capture(pointers_.data(), static_cast<std::uint32_t>(pointers_.size()), n, position_);
      position_ += n;
      frames -= n;
    }
  }

  std::uint64_t position() const { return position_; }
  void seek(std::uint64_t position) { position_ = position; }

 private:
  RecorderEngine& engine_;
  Source source_;
  std::uint32_t block_;
  std::vector<std::vector<float>> buffers_;
  std::vector<const float*> pointers_;
  std::uint64_t position_ = 0;
};

}  // namespace varnolith::plugins::testing
