// Shared by the recorder benchmarks: a scratch folder next to the build and a 64-channel source.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace varnolith::plugins::bench {

// Files go below the working directory, so writer and baseline hit the same disk.
class ScratchDir {
 public:
  ScratchDir() : path_(std::filesystem::current_path() / ("varnolith-bench-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  std::filesystem::path file(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// One block of planar noise per channel, reused for every block.
struct PlanarBlock {
  PlanarBlock(std::uint32_t channels, std::uint32_t frames) : data(channels, std::vector<float>(frames)) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    for (auto& ch : data) {
      for (float& v : ch) v = dist(rng);
      pointers.push_back(ch.data());
    }
  }
  std::vector<std::vector<float>> data;
  std::vector<const float*> pointers;
};

}  // namespace varnolith::plugins::bench
