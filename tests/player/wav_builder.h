// Tiny RIFF/WAVE byte builder for decoder and engine tests, plus a scratch directory per test.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace varnolith::plugins::testing {

using Bytes = std::vector<std::uint8_t>;

inline void putLe(Bytes& out, std::uint64_t value, int byteCount) {
  for (int i = 0; i < byteCount; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline Bytes pcm16(std::initializer_list<std::int16_t> values) {
  Bytes out;
  for (auto v : values) putLe(out, static_cast<std::uint16_t>(v), 2);
  return out;
}
inline Bytes pcm24(std::initializer_list<std::int32_t> values) {  // low 24 bits of each value
  Bytes out;
  for (auto v : values) putLe(out, static_cast<std::uint32_t>(v) & 0xFFFFFFu, 3);
  return out;
}
inline Bytes pcm32(std::initializer_list<std::int64_t> values) {  // low 32 bits of each value
  Bytes out;
  for (auto v : values) putLe(out, static_cast<std::uint64_t>(v), 4);
  return out;
}
inline Bytes float32(std::initializer_list<float> values) {
  Bytes out;
  for (float v : values) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    putLe(out, bits, 4);
  }
  return out;
}

// Builds a file chunk by chunk. The RIFF size field is filled in by bytes() unless overridden.
class WavBuilder {
 public:
  explicit WavBuilder(std::string_view riff = "RIFF", std::string_view wave = "WAVE") {
    bytes_.insert(bytes_.end(), riff.begin(), riff.end());
    putLe(bytes_, 0, 4);
    bytes_.insert(bytes_.end(), wave.begin(), wave.end());
  }

  // A chunk with its own size field; odd payloads get the pad byte.
  WavBuilder& chunk(std::string_view id, const Bytes& payload) { return chunkWithSize(id, payload.size(), payload, true); }
  // A chunk whose size field says `declared` whatever the payload holds; no pad byte.
  WavBuilder& chunkWithSize(std::string_view id, std::uint64_t declared, const Bytes& payload, bool pad = false) {
    bytes_.insert(bytes_.end(), id.begin(), id.end());
    putLe(bytes_, declared, 4);
    bytes_.insert(bytes_.end(), payload.begin(), payload.end());
    if (pad && payload.size() % 2) bytes_.push_back(0xEE);
    return *this;
  }

  // A plain 16-byte "fmt " chunk; block align is derived unless given.
  WavBuilder& fmt(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                  int blockAlign = -1) {
    return chunk("fmt ", fmtBody(tag, channels, rate, bits, blockAlign));
  }
  // A 40-byte extensible "fmt " chunk whose sub-format GUID starts with `subTag`.
  WavBuilder& fmtExtensible(std::uint16_t subTag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                            std::uint16_t validBits) {
    Bytes body = fmtBody(0xFFFE, channels, rate, bits, -1);
    putLe(body, 22, 2);         // extension size
    putLe(body, validBits, 2);  // valid bits
    putLe(body, 3, 4);          // channel mask
    putLe(body, subTag, 2);
    const std::uint8_t guidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    body.insert(body.end(), std::begin(guidTail), std::end(guidTail));
    return chunk("fmt ", body);
  }
  WavBuilder& data(const Bytes& payload) { return chunk("data", payload); }
  WavBuilder& raw(const Bytes& tail) {
    bytes_.insert(bytes_.end(), tail.begin(), tail.end());
    return *this;
  }
  WavBuilder& riffSize(std::uint32_t size) {
    riffSize_ = size;
    return *this;
  }

  Bytes bytes() const {
    Bytes out = bytes_;
    const std::uint64_t size = riffSize_ ? *riffSize_ : out.size() - 8;
    for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    return out;
  }

  static Bytes fmtBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                       int blockAlign) {
    const std::uint16_t align =
        blockAlign >= 0 ? static_cast<std::uint16_t>(blockAlign) : static_cast<std::uint16_t>(channels * ((bits + 7) / 8));
    Bytes body;
    putLe(body, tag, 2);
    putLe(body, channels, 2);
    putLe(body, rate, 4);
    putLe(body, static_cast<std::uint64_t>(rate) * align, 4);
    putLe(body, align, 2);
    putLe(body, bits, 2);
    return body;
  }

 private:
  Bytes bytes_;
  std::optional<std::uint32_t> riffSize_;
};

// A fresh directory under the system temp dir, removed again at the end of the test.
class ScratchDir {
 public:
  ScratchDir() {
    static int counter = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("varnolith-player-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::filesystem::path write(const std::string& name, const Bytes& bytes) const {
    const auto file = path_ / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return file;
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace varnolith::plugins::testing
