// Writes a few valid state documents as the seed corpus of state_fuzzer, in its input layout:
// a control byte (module and framing), then the stream bytes.
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_state_seeds <corpus-dir>\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);

  ParameterStore store;
  StateValues defaults{};
  for (std::uint32_t i = 0; i < kParameterSlots; ++i) defaults[i] = store.readParameter(i);
  StateValues mixed = defaults;
  for (std::uint32_t i = 0; i < kParameterSlots; i += 7) mixed[i] = 1.0 / (i + 2);

  // Control bits 0-1 pick Input, Player, Recorder, FaderBank; bit 2 frames the text for us.
  writeSeed(dir, "input-raw", 0, buildStateDocument(1, defaults, u""), true);
  writeSeed(dir, "player-file", 1 | 4, buildStateDocument(5, mixed, u"seed.wav"), false);
  writeSeed(dir, "player-no-path", 1, buildStateDocument(5, defaults, u""), true);
  writeSeed(dir, "recorder-backslashes", 2 | 4, buildStateDocument(6, mixed, u"C:\\Takes\\t\u00e4ke.wav"), false);
  writeSeed(dir, "faderbank-controller", 3 | 8, buildStateDocument(7, mixed, u"/tmp/x"), true);
  return 0;
}
