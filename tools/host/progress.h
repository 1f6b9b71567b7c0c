// A progress bar on stderr for work that runs longer than a second.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

namespace varnolith::host {

class ProgressBar {
 public:
  ProgressBar(std::ostream& out, std::string label, std::uint64_t total)
      : out_(out), label_(std::move(label)), total_(total ? total : 1), start_(std::chrono::steady_clock::now()) {}

  // [main-thread] Redraws at most ten times a second, and only after the first second.
  void update(std::uint64_t done) {
    const auto now = std::chrono::steady_clock::now();
    if (now - start_ < std::chrono::seconds(1) || now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    draw(done);
  }
  // [main-thread] Completes the bar if it was shown.
  void finish() {
    if (shown_) {
      draw(total_);
      out_ << "\n";
    }
  }

 private:
  void draw(std::uint64_t done) {
    shown_ = true;
    const int width = 40;
    const double fraction = static_cast<double>(done > total_ ? total_ : done) / static_cast<double>(total_);
    const int filled = static_cast<int>(fraction * width);
    out_ << "\r" << label_ << " [" << std::string(static_cast<std::size_t>(filled), '#')
         << std::string(static_cast<std::size_t>(width - filled), '.') << "] " << static_cast<int>(fraction * 100)
         << "%" << std::flush;
  }

  std::ostream& out_;
  std::string label_;
  std::uint64_t total_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_{};
  bool shown_ = false;
};

}  // namespace varnolith::host
