// The state document in the host's stream: a 4-byte little-endian length, then the JSON text.
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>

#include "params/state_document.h"
#include "plugin/utility_plugin.h"

namespace varnolith::plugins {

using namespace Steinberg;

namespace {

constexpr int32 kPrefixBytes = 4;

void encodeLength(std::uint32_t length, unsigned char out[kPrefixBytes]) noexcept {
  for (int i = 0; i < kPrefixBytes; ++i) out[i] = static_cast<unsigned char>(length >> (8 * i));
}

std::int32_t decodeLength(const unsigned char in[kPrefixBytes]) noexcept {
  std::uint32_t length = 0;
  for (int i = 0; i < kPrefixBytes; ++i) length |= static_cast<std::uint32_t>(in[i]) << (8 * i);
  return static_cast<std::int32_t>(length);
}

// Exactly `size` bytes or nothing: a stream that reports any other count has failed.
bool writeExactly(IBStream* stream, void* data, int32 size) {
  int32 written = 0;
  return stream->write(data, size, &written) == kResultOk && written == size;
}

bool readExactly(IBStream* stream, void* data, int32 size) {
  int32 got = 0;
  return stream->read(data, size, &got) == kResultOk && got == size;
}

}  // namespace

tresult UtilityPlugin::readState(IBStream* state) {
  try {
    if (!state || processing.load()) return kResultFalse;

    unsigned char prefix[kPrefixBytes] = {};
    if (!readExactly(state, prefix, kPrefixBytes)) return kResultFalse;
    const std::int32_t length = decodeLength(prefix);
    if (length < 1 || length > kMaxStateBytes) return kResultFalse;

    std::string text(static_cast<std::size_t>(length), '\0');
    if (!readExactly(state, text.data(), length)) return kResultFalse;

    StateReadResult read = readStateDocument(text, static_cast<std::int32_t>(kind));
    if (!read.accepted()) return kResultFalse;
    StateDocument& document = read.document;

    // The only step that can still fail; it installs the audio only once the file has decoded.
    if (kind == ModuleKind::Player && !document.path.empty()) {
      player.loadFile(std::filesystem::path(document.path));
    }

    // From here on nothing throws, so the document is applied completely.
    modulePath.swap(document.path);
    for (std::uint32_t id = 0; id < kParameterSlots; ++id) {
      const double value = id == kPlayRecord ? 0.0 : document.values[id];
      parameters.storeParameter(id, value);
      if (Steinberg::Vst::Parameter* parameter = getParameterObject(id)) parameter->setNormalized(value);
    }
    return kResultOk;
  } catch (...) {
    return kResultFalse;
  }
}

tresult UtilityPlugin::writeState(IBStream* state) {
  if (!state) return kInvalidArgument;
  try {
    StateValues values{};
    for (std::uint32_t id = 0; id < kParameterSlots; ++id) values[id] = parameters.readParameter(id);
    std::string text = buildStateDocument(static_cast<std::int32_t>(kind), values, modulePath);
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<int32>::max())) return kResultFalse;

    const auto length = static_cast<int32>(text.size());
    unsigned char prefix[kPrefixBytes];
    encodeLength(static_cast<std::uint32_t>(length), prefix);
    if (!writeExactly(state, prefix, kPrefixBytes)) return kResultFalse;
    if (!writeExactly(state, text.data(), length)) return kResultFalse;
    return kResultOk;
  } catch (...) {
    return kResultFalse;
  }
}

}  // namespace varnolith::plugins
