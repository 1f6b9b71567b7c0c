// Writes a handful of small valid WAV files (one per encoding and layout family) as the seed corpus.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void put(Bytes& out, std::uint64_t value, int byteCount) {
  for (int i = 0; i < byteCount; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}
void putId(Bytes& out, const char* id) { out.insert(out.end(), id, id + 4); }

Bytes wav(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, int frames,
          bool extensible, bool listFirst) {
  const std::uint16_t align = static_cast<std::uint16_t>(channels * (bits / 8));
  Bytes out;
  putId(out, "RIFF");
  put(out, 0, 4);
  putId(out, "WAVE");
  if (listFirst) {
    putId(out, "LIST");
    put(out, 5, 4);
    out.insert(out.end(), {'I', 'N', 'F', 'O', 'x', 0});
  }
  putId(out, "fmt ");
  put(out, extensible ? 40 : 16, 4);
  put(out, extensible ? 0xFFFE : tag, 2);
  put(out, channels, 2);
  put(out, rate, 4);
  put(out, std::uint64_t{rate} * align, 4);
  put(out, align, 2);
  put(out, bits, 2);
  if (extensible) {
    put(out, 22, 2);
    put(out, bits, 2);
    put(out, channels == 1 ? 4 : 3, 4);
    put(out, tag, 2);
    const std::uint8_t tail[14] = {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    out.insert(out.end(), tail, tail + 14);
  }
  putId(out, "data");
  const int bytes = frames * align;
  put(out, static_cast<std::uint64_t>(bytes), 4);
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(i * 37 + 11));
  const std::uint64_t riff = out.size() - 8;
  for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<std::uint8_t>(riff >> (8 * i));
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus-dir>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  const struct {
    const char* name;
    Bytes bytes;
  } seeds[] = {
      {"pcm16_stereo.wav", wav(1, 2, 44100, 16, 8, false, false)},
      {"pcm24_mono_list.wav", wav(1, 1, 48000, 24, 5, false, true)},
      {"pcm32_stereo.wav", wav(1, 2, 96000, 32, 4, false, false)},
      {"float32_mono.wav", wav(3, 1, 8000, 32, 6, false, false)},
      {"extensible_pcm24_quad.wav", wav(1, 4, 48000, 24, 3, true, false)},
      {"extensible_float_stereo.wav", wav(3, 2, 384000, 32, 2, true, true)},
      {"empty_data.wav", wav(1, 2, 44100, 16, 0, false, false)},
  };
  for (const auto& seed : seeds) {
    std::FILE* f = std::fopen((dir / seed.name).string().c_str(), "wb");
    if (f == nullptr) return 1;
    const bool ok = std::fwrite(seed.bytes.data(), 1, seed.bytes.size(), f) == seed.bytes.size();
    if (std::fclose(f) != 0 || !ok) return 1;
  }
  return 0;
}
