#include "support/wav_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "player/wav_decoder.h"

namespace varnolith::testing {

namespace {

void put16(std::vector<char>& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void put32(std::vector<char>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void writeWav(const std::filesystem::path& path, std::uint16_t format, std::uint16_t bits, std::uint32_t channels,
              std::uint32_t rate, const std::vector<char>& data) {
  std::vector<char> out;
  out.reserve(44 + data.size());
  const std::uint32_t blockAlign = channels * (bits / 8u);
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  put32(out, static_cast<std::uint32_t>(36 + data.size()));
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put32(out, 16);
  put16(out, format);
  put16(out, static_cast<std::uint16_t>(channels));
  put32(out, rate);
  put32(out, rate * blockAlign);
  put16(out, static_cast<std::uint16_t>(blockAlign));
  put16(out, bits);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  put32(out, static_cast<std::uint32_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(out.data(), static_cast<std::streamsize>(out.size()));
  if (!file) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

plugins::DecodedAudio readWavFile(const std::filesystem::path& path) {
  return plugins::decodeWavFile(path, plugins::kPreloadLimitBytes);
}

void writeFloatWav(const std::filesystem::path& path, std::uint32_t channels, std::uint32_t sampleRate,
                   const std::vector<float>& interleaved) {
  std::vector<char> data(interleaved.size() * sizeof(float));
  if (!data.empty()) std::memcpy(data.data(), interleaved.data(), data.size());
  writeWav(path, 3, 32, channels, sampleRate, data);
}

void writePcm16Wav(const std::filesystem::path& path, std::uint32_t channels, std::uint32_t sampleRate,
                   const std::vector<float>& interleaved) {
  std::vector<char> data;
  data.reserve(interleaved.size() * 2);
  for (float v : interleaved) {
    const long s = std::lround(std::clamp(static_cast<double>(v), -1.0, 32767.0 / 32768.0) * 32768.0);
    put16(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(s)));
  }
  writeWav(path, 1, 16, channels, sampleRate, data);
}

}  // namespace varnolith::testing
