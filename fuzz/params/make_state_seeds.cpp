// Writes a few valid state documents as the seed corpus of state_fuzzer, in its input layout (a
// control byte for module and framing, then the stream bytes), and the small WAV file that the
// Player seeds name.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "params/parameter_store.h"
#include "params/state_document.h"

using namespace varnolith::plugins;

namespace {

void writeSeed(const std::filesystem::path& dir, const std::string& name, std::uint8_t control,
               const std::string& text, bool prefix) {
  std::string bytes(1, static_cast<char>(control));
  if (prefix) {
    const auto length = static_cast<std::uint32_t>(text.size());
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>(length >> (8 * i));
  }
  bytes += text;
  std::ofstream(dir / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void writeWav(const std::filesystem::path& path) {
  std::string bytes = "RIFF";
  auto u32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>(v >> (8 * i));
  };
  auto u16 = [&](std::uint16_t v) {
    bytes += static_cast<char>(v);
    bytes += static_cast<char>(v >> 8);
  };
  u32(36 + 64);
  bytes += "WAVEfmt ";
  u32(16);
  u16(1);  // PCM
  u16(1);  // mono
  u32(8000);
  u32(16000);
  u16(2);
  u16(16);
  bytes += "data";
  u32(64);
  for (int i = 0; i < 32; ++i) u16(static_cast<std::uint16_t>(i * 1000));
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_state_seeds <corpus-dir> <wav-file>\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  const std::filesystem::path wav = std::filesystem::absolute(argv[2]);
  std::filesystem::create_directories(dir);
  writeWav(wav);

  ParameterStore store;
  StateValues defaults{};
  for (std::uint32_t i = 0; i < kParameterSlots; ++i) defaults[i] = store.readParameter(i);
  StateValues mixed = defaults;
  for (std::uint32_t i = 0; i < kParameterSlots; i += 7) mixed[i] = 1.0 / (i + 2);

  // Control bits 0-1 pick Input, Player, Recorder, FaderBank; bit 2 frames the text for us.
  writeSeed(dir, "input-raw", 0, buildStateDocument(1, defaults, u""), true);
  writeSeed(dir, "player-file", 1 | 4, buildStateDocument(5, mixed, wav.u16string()), false);
  writeSeed(dir, "player-no-path", 1, buildStateDocument(5, defaults, u""), true);
  writeSeed(dir, "recorder-backslashes", 2 | 4, buildStateDocument(6, mixed, u"C:\\Takes\\t\u00e4ke.wav"), false);
  writeSeed(dir, "faderbank-controller", 3 | 8, buildStateDocument(7, mixed, u"/tmp/x"), true);
  return 0;
}
