// decodeWavFile: a RIFF/WAVE chunk walk that converts the data chunk to floats block by block.
#include "player/wav_decoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <fstream>
#include <memory>
#include <system_error>

namespace varnolith::plugins {
namespace {

constexpr std::size_t kFmtMaxBytes = 4096;
constexpr std::size_t kReadBufferBytes = 64 * 1024;

constexpr std::uint16_t kTagPcm = 1;
constexpr std::uint16_t kTagFloat = 3;
constexpr std::uint16_t kTagExtensible = 0xFFFE;

std::uint16_t le16(const unsigned char* p) noexcept {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t le32(const unsigned char* p) noexcept {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Reads the file front to back through a small buffer, so that the many 8-byte chunk headers of a
// hostile file cost no system call each; a skip inside the buffer is free, a longer one seeks, and a
// large read (the data chunk) goes straight from the file into the caller's memory.
class SequentialReader {
 public:
  explicit SequentialReader(const std::filesystem::path& path) : buffer_(new unsigned char[kReadBufferBytes]) {
    // Unbuffered stream: our own buffer sits on top, and bulk reads reach the OS in one call.
    file_.rdbuf()->pubsetbuf(nullptr, 0);
    file_.open(path, std::ios::binary);
  }

  bool isOpen() const { return file_.is_open(); }

  // Reads exactly n bytes at the current position; false (with an unknown amount consumed) if the
  // file ends first.
  bool read(void* destination, std::size_t n) {
    auto* out = static_cast<unsigned char*>(destination);
    const std::size_t buffered = std::min(n, length_ - offset_);
    std::memcpy(out, buffer_.get() + offset_, buffered);
    offset_ += buffered;
    out += buffered;
    n -= buffered;
    if (n == 0) return true;
    // The buffer is empty now.
    if (n >= kReadBufferBytes) {
      const std::size_t got = readFile(out, n);
      bufferStart_ += length_ + got;
      length_ = offset_ = 0;
      return got == n;
    }
    bufferStart_ += length_;
    length_ = readFile(buffer_.get(), kReadBufferBytes);
    offset_ = 0;
    if (length_ < n) {
      offset_ = length_;
      return false;
    }
    std::memcpy(out, buffer_.get(), n);
    offset_ = n;
    return true;
  }

  // Moves forward by n bytes without reading them.
  void skip(std::uint64_t n) {
    if (n <= length_ - offset_) {
      offset_ += static_cast<std::size_t>(n);
      return;
    }
    seekTo(bufferStart_ + offset_ + n);
  }

  // Continues reading at the absolute file offset `target`.
  void seekTo(std::uint64_t target) {
    if (target >= bufferStart_ && target - bufferStart_ <= length_) {
      offset_ = static_cast<std::size_t>(target - bufferStart_);
      return;
    }
    file_.clear();
    file_.seekg(static_cast<std::streamoff>(target), std::ios::beg);
    bufferStart_ = target;
    length_ = offset_ = 0;
  }

 private:
  std::size_t readFile(unsigned char* out, std::size_t n) {
    if (!file_.good()) return 0;
    file_.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(n));
    return static_cast<std::size_t>(file_.gcount());
  }

  std::ifstream file_;
  std::unique_ptr<unsigned char[]> buffer_;
  std::uint64_t bufferStart_ = 0;  // file offset of buffer_[0]
  std::size_t length_ = 0;         // valid bytes in buffer_
  std::size_t offset_ = 0;         // next unread byte in buffer_
};

struct Format {
  std::uint16_t tag = 0;
  std::uint16_t channels = 0;
  std::uint32_t rate = 0;
  std::uint16_t blockAlign = 0;
  std::uint16_t bits = 0;
};

// The conversion loops below are written so the compiler can vectorise them: one load, one
// convert, one multiply per sample, no branches.
constexpr bool kLittleEndianHost = std::endian::native == std::endian::little;

void convertPcm16(const unsigned char* in, float* out, std::size_t count) noexcept {
  for (std::size_t i = 0; i < count; ++i) {
    std::int16_t v;
    if constexpr (kLittleEndianHost) {
      std::memcpy(&v, in + 2 * i, 2);
    } else {
      v = static_cast<std::int16_t>(le16(in + 2 * i));
    }
    out[i] = static_cast<float>(v) * 0x1p-15f;
  }
}

void convertPcm24(const unsigned char* in, float* out, std::size_t count) noexcept {
  std::size_t i = 0;
  if constexpr (kLittleEndianHost) {
    // One unaligned 4-byte load per sample (its top byte belongs to the next sample, so the last
    // sample is left to the byte loop below): shift the 24 bits to the top, then an arithmetic
    // shift back extends bit 23 as the sign.
    for (; i + 1 < count; ++i) {
      std::uint32_t word;
      std::memcpy(&word, in + 3 * i, 4);
      out[i] = static_cast<float>(static_cast<std::int32_t>(word << 8) >> 8) * 0x1p-23f;
    }
  }
  for (; i < count; ++i) {
    const unsigned char* p = in + 3 * i;
    const std::uint32_t word = (static_cast<std::uint32_t>(p[0]) << 8) | (static_cast<std::uint32_t>(p[1]) << 16) |
                               (static_cast<std::uint32_t>(p[2]) << 24);
    out[i] = static_cast<float>(static_cast<std::int32_t>(word) >> 8) * 0x1p-23f;
  }
}

void convertPcm32(const unsigned char* in, float* out, std::size_t count) noexcept {
  for (std::size_t i = 0; i < count; ++i) {
    std::int32_t v;
    if constexpr (kLittleEndianHost) {
      std::memcpy(&v, in + 4 * i, 4);
    } else {
      v = static_cast<std::int32_t>(le32(in + 4 * i));
    }
    // int -> nearest float first (0x7FFFFFFF rounds to 2^31), then the scale: exactly +1.0 at the top.
    out[i] = static_cast<float>(v) * 0x1p-31f;
  }
}

void convertFloat32(const unsigned char* in, float* out, std::size_t count) noexcept {
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t bits;
    if constexpr (kLittleEndianHost) {
      std::memcpy(&bits, in + 4 * i, 4);
    } else {
      bits = le32(in + 4 * i);
    }
    // An all-ones exponent is NaN or infinity; both become 0.0 so every decoded sample is finite.
    const bool finite = (bits & 0x7F800000u) != 0x7F800000u;
    bits = finite ? bits : 0u;
    std::memcpy(out + i, &bits, 4);
  }
}

[[noreturn]] void fail(const char* message) { throw WavError(message); }

// The layout checks, in their fixed order; true when `format` with `dataSize` bytes is playable.
bool acceptable(const Format& format, std::uint64_t dataSize) {
  if (format.channels < 1 || format.channels > 64) return false;
  if (format.rate < 8000 || format.rate > 384000) return false;
  const std::uint32_t bytesPerSample = (static_cast<std::uint32_t>(format.bits) + 7) / 8;
  if (format.blockAlign == 0 || format.blockAlign != format.channels * bytesPerSample) return false;
  if (dataSize % format.blockAlign != 0) return false;
  const bool pcm = format.tag == kTagPcm && (format.bits == 16 || format.bits == 24 || format.bits == 32);
  const bool ieee = format.tag == kTagFloat && format.bits == 32;
  return pcm || ieee;
}

bool operator==(const Format& a, const Format& b) {
  return a.tag == b.tag && a.channels == b.channels && a.rate == b.rate && a.blockAlign == b.blockAlign &&
         a.bits == b.bits;
}

// Samples per conversion block: the raw block (up to 128 KiB) and the float block (128 KiB) stay in
// cache, and every read is large enough to bypass the reader's buffer.
constexpr std::size_t kBlockSamples = 32768;

// Reads `dataSize` bytes of an acceptable `format` at the reader's position and appends the
// converted samples to `out` (emptied first). Reading and converting block by block keeps one copy
// of the audio in memory (the floats) instead of a raw copy next to it, and the raw bytes are still
// in cache when they are converted.
void readAndConvert(SequentialReader& reader, const Format& format, std::uint64_t dataSize, std::vector<float>& out) {
  const std::uint32_t bytesPerSample = format.bits / 8u;
  const auto total = static_cast<std::size_t>(dataSize / bytesPerSample);
  out.clear();
  out.reserve(total);
  const auto raw = std::make_unique_for_overwrite<unsigned char[]>(kBlockSamples * 4);
  for (std::size_t done = 0; done < total;) {
    const std::size_t n = std::min(kBlockSamples, total - done);
    // The chunk-size test guarantees these bytes were in the file; a short read means it shrank.
    if (!reader.read(raw.get(), n * bytesPerSample)) fail("Truncated WAV chunk");
    // Growing block by block: the vector's zero fill and the conversion meet in cache, so memory
    // sees each output byte written once.
    out.resize(done + n);
    if (format.tag == kTagFloat) {
      convertFloat32(raw.get(), out.data() + done, n);
    } else if (format.bits == 16) {
      convertPcm16(raw.get(), out.data() + done, n);
    } else if (format.bits == 24) {
      convertPcm24(raw.get(), out.data() + done, n);
    } else {
      convertPcm32(raw.get(), out.data() + done, n);
    }
    done += n;
  }
}

}  // namespace

DecodedAudio decodeWavFile(const std::filesystem::path& path, std::uint64_t limit) {
  SequentialReader reader(path);
  if (!reader.isOpen()) fail("Cannot open WAV file");

  unsigned char riff[12];
  if (!reader.read(riff, sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) {
    fail("Only RIFF WAV supported");
  }

  DecodedAudio result;
  std::error_code sizeError;
  const std::uint64_t fileSize = std::filesystem::file_size(path, sizeError);
  if (sizeError) throw std::filesystem::filesystem_error("file_size", path, sizeError);

  Format format;
  std::uint64_t dataSize = 0;    // size of the last "data" chunk; 0 when there was none
  std::uint64_t dataOffset = 0;  // file offset of its first byte
  // The usual file has "fmt " before its one "data" chunk: then the data is converted as the walk
  // passes it, and the file is read strictly front to back. Whether that conversion stands is only
  // known at the end (a later "fmt " or "data" chunk overrides it, a later chunk may be truncated),
  // so it remembers the format it used.
  bool converted = false;
  Format convertedWith;

  if (fileSize >= 20) {
    std::uint64_t position = 12;
    while (position + 8 <= fileSize) {
      unsigned char header[8];
      if (!reader.read(header, sizeof header)) break;
      const std::uint32_t size = le32(header + 4);
      position += 8;
      if (size > fileSize - position) fail("Truncated WAV chunk");

      if (std::memcmp(header, "fmt ", 4) == 0) {
        if (size < 16 || size > kFmtMaxBytes) fail("Invalid WAV format");
        std::array<unsigned char, kFmtMaxBytes> fmt{};
        if (!reader.read(fmt.data(), size)) fail("Truncated WAV chunk");
        format.tag = le16(&fmt[0]);
        format.channels = le16(&fmt[2]);
        format.rate = le32(&fmt[4]);
        format.blockAlign = le16(&fmt[12]);
        format.bits = le16(&fmt[14]);
        if (format.tag == kTagExtensible) {
          if (size < 40) fail("Invalid extensible WAV");
          format.tag = le16(&fmt[24]);  // first two bytes of the sub-format GUID
        }
      } else if (std::memcmp(header, "data", 4) == 0) {
        if (size > limit) fail("WAV exceeds preload limit");
        dataSize = size;
        dataOffset = position;
        // Release an earlier chunk's samples before taking on this one.
        converted = false;
        std::vector<float>().swap(result.samples);
        // Convert now only if this chunk would pass every later test with the format known so far,
        // the decoded limit included, so nothing beyond the limits is ever allocated.
        if (acceptable(format, size) && size / (format.bits / 8u) <= limit / 4) {
          readAndConvert(reader, format, size, result.samples);
          converted = true;
          convertedWith = format;
        } else {
          reader.skip(size);
        }
      } else {
        reader.skip(size);
      }

      position += size;
      if (size & 1u) {
        reader.skip(1);
        position += 1;
      }
    }
  }

  if (!acceptable(format, dataSize)) fail("Unsupported WAV encoding/layout");
  const std::uint64_t sampleCount = dataSize / (format.bits / 8u);
  if (sampleCount > limit / 4) fail("Decoded WAV exceeds preload limit");

  if (!converted || !(convertedWith == format)) {
    // "fmt " came after the data or changed it: go back for the data chunk once.
    std::vector<float>().swap(result.samples);
    reader.seekTo(dataOffset);
    readAndConvert(reader, format, dataSize, result.samples);
  }

  result.channelCount = format.channels;
  result.sampleRate = format.rate;
  return result;
}

}  // namespace varnolith::plugins
