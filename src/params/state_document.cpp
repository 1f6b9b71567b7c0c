#include "params/state_document.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <nlohmann/json.hpp>

#include "vst3/string16.h"

namespace varnolith::plugins {

namespace {

using Json = nlohmann::json;  // std::map objects: keys come out in ascending byte order

constexpr std::size_t kPlayRecordEntry = kPlayRecord;

// The library's numeric conversion to a 32-bit integer (floats truncated toward zero, booleans
// 1/0), except that a value outside the 32-bit range is refused: the library would wrap an
// integer into a different number and its float cast is undefined there.
bool readInt32(const Json& value, std::int32_t& out) noexcept {
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  switch (value.type()) {
    case Json::value_t::boolean:
      out = value.get_ref<const Json::boolean_t&>() ? 1 : 0;
      return true;
    case Json::value_t::number_integer: {
      const auto n = value.get_ref<const Json::number_integer_t&>();
      if (n < kMin || n > kMax) return false;
      out = static_cast<std::int32_t>(n);
      return true;
    }
    case Json::value_t::number_unsigned: {
      const auto n = value.get_ref<const Json::number_unsigned_t&>();
      if (n > static_cast<Json::number_unsigned_t>(kMax)) return false;
      out = static_cast<std::int32_t>(n);
      return true;
    }
    case Json::value_t::number_float: {
      const double d = std::trunc(value.get_ref<const Json::number_float_t&>());
      if (!(d >= static_cast<double>(kMin) && d <= static_cast<double>(kMax))) return false;
      out = static_cast<std::int32_t>(d);
      return true;
    }
    default:
      return false;
  }
}

// A missing key reads as 0, as the library's value() lookup with default 0 would.
bool readIntKey(const Json& object, const char* key, std::int32_t& out) noexcept {
  const auto it = object.find(key);
  if (it == object.end()) {
    out = 0;
    return true;
  }
  return readInt32(*it, out);
}

StateRefusal readParameters(const Json& object, StateValues& values) noexcept {
  const auto it = object.find("parameters");
  if (it == object.end() || !it->is_array() || it->size() != kParameterSlots) return StateRefusal::Parameters;
  for (std::size_t i = 0; i < kParameterSlots; ++i) {
    const Json& entry = (*it)[i];
    if (!entry.is_number()) return StateRefusal::Parameters;  // is_number() is false for booleans
    const double v = entry.get<double>();
    if (!std::isfinite(v) || v < 0.0 || v > 1.0) return StateRefusal::Parameters;
    values[i] = v;
  }
  return StateRefusal::None;
}

StateRefusal readPath(const Json& object, std::u16string& path) {
  const auto it = object.find("path");
  if (it == object.end()) {
    path.clear();
    return StateRefusal::None;
  }
  if (!it->is_string()) return StateRefusal::Path;
  if (!Steinberg::utf8ToUtf16(it->get_ref<const std::string&>(), path)) return StateRefusal::Path;
  if (path.size() > kMaxPathUnits) return StateRefusal::Path;
  // A NUL cannot be part of a file name; the file system would see a shorter path than we store.
  if (path.find(u'\0') != std::u16string::npos) return StateRefusal::Path;
  return StateRefusal::None;
}

}  // namespace

std::string buildStateDocument(std::int32_t kind, const StateValues& values, std::u16string_view path) {
  std::string utf8Path = Steinberg::utf16ToUtf8(path);
  std::replace(utf8Path.begin(), utf8Path.end(), '\\', '/');

  Json parameters = Json::array();
  parameters.get_ref<Json::array_t&>().reserve(kParameterSlots);
  for (std::size_t i = 0; i < kParameterSlots; ++i) {
    if (i == kPlayRecordEntry) {
      // A saved module never starts playing or recording on load.
      parameters.push_back(0);
    } else {
      // The store never holds a non-finite value; should one appear, keep the document readable.
      const double v = std::isfinite(values[i]) ? values[i] : 0.0;
      parameters.push_back(v);
    }
  }

  Json document = Json::object();
  document["kind"] = kind;
  document["parameters"] = std::move(parameters);
  document["path"] = std::move(utf8Path);
  document["schema"] = kStateSchema;
  // Compact, raw UTF-8; utf16ToUtf8 always yields valid UTF-8, so `replace` never changes a byte
  // and only guarantees that dumping cannot throw.
  return document.dump(-1, ' ', false, Json::error_handler_t::replace);
}

StateReadResult readStateDocument(std::string_view text, std::int32_t ownKind) noexcept {
  StateReadResult result;
  try {
    // Strict: no comments, nothing but whitespace after the one value; the parser also refuses
    // trailing commas and invalid UTF-8 inside strings.
    const Json document = Json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false,
                                      /*ignore_comments=*/false);
    if (document.is_discarded()) return result;
    if (!document.is_object()) {
      result.refusal = StateRefusal::NotObject;
      return result;
    }
    std::int32_t schema = 0;
    if (!readIntKey(document, "schema", schema) || schema != kStateSchema) {
      result.refusal = StateRefusal::Schema;
      return result;
    }
    std::int32_t kind = 0;
    if (!readIntKey(document, "kind", kind) || kind != ownKind) {
      result.refusal = StateRefusal::Kind;
      return result;
    }
    result.refusal = readParameters(document, result.document.values);
    if (result.refusal != StateRefusal::None) return result;
    result.refusal = readPath(document, result.document.path);
    return result;
  } catch (...) {
    // Only allocation can throw here; a document we cannot hold is not accepted.
    result.refusal = StateRefusal::Parse;
    result.document = StateDocument{};
    return result;
  }
}

}  // namespace varnolith::plugins
