// Document texts for tests, composed by hand so that they do not depend on the writer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "params/parameter_ids.h"

namespace varnolith::testing {

// The parameter array of a fresh module in the digits the writer must produce.
inline std::string defaultParametersText() {
  using namespace varnolith::plugins;
  std::string text = "[";
  for (std::uint32_t i = 0; i < kParameterSlots; ++i) {
    if (i) text += ',';
    if (i == kActiveStrips) {
      text += "0.1111111111111111";
    } else if (i == kGain || (i >= kFaderGainBase && i < kFaderGainBase + kMaxStrips)) {
      text += "0.8823529411764706";
    } else if (i == kFollowTransport) {
      text += "1.0";
    } else if (i == kPlayRecord) {
      text += "0";
    } else if (i == kTailSilenceTime) {
      text += "0.05";
    } else if (i == kMaximumTail) {
      text += "0.008333333333333333";
    } else {
      text += "0.0";
    }
  }
  return text + "]";
}

// An array of `count` entries, all `fill`, with entry `at` (if any) replaced by `entry`.
inline std::string parametersText(std::size_t count, const std::string& fill = "0.5", std::size_t at = SIZE_MAX,
                                  const std::string& entry = "") {
  std::string text = "[";
  for (std::size_t i = 0; i < count; ++i) {
    if (i) text += ',';
    text += i == at ? entry : fill;
  }
  return text + "]";
}

// A document with each key present only when given, in the writer's key order.
inline std::string composeText(std::optional<std::string> kind, std::optional<std::string> parameters,
                               std::optional<std::string> path, std::optional<std::string> schema) {
  std::string text = "{";
  auto add = [&](const char* key, const std::optional<std::string>& value) {
    if (!value) return;
    if (text.size() > 1) text += ',';
    text += '"';
    text += key;
    text += "\":" + *value;
  };
  add("kind", kind);
  add("parameters", parameters);
  add("path", path);
  add("schema", schema);
  return text + "}";
}

// A JSON string literal of UTF-8 text that needs no escaping but for quotes and backslashes.
inline std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace varnolith::testing
