// The state document: the JSON text that carries a module's kind, its 512 parameter slots and its
// file path. Pure functions; the stream framing and the application live with the plug-in.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "params/parameter_ids.h"

namespace varnolith::plugins {

inline constexpr std::int32_t kStateSchema = 1;
inline constexpr std::int32_t kMaxStateBytes = 1048576;
inline constexpr std::size_t kMaxPathUnits = 32767;

using StateValues = std::array<double, kParameterSlots>;

// Why a text was not accepted, in the order the checks run.
enum class StateRefusal {
  None,
  Parse,       // not exactly one strict JSON value, or the parser ran out of memory
  NotObject,   // the top-level value is not an object
  Schema,      // "schema" is not 1 (or not readable as a 32-bit integer)
  Kind,        // "kind" is not the reader's own kind
  Parameters,  // "parameters" missing, not 512 entries, or an entry not a number in 0..1
  Path,        // "path" not a string, longer than kMaxPathUnits, or holding a NUL
};

struct StateDocument {
  StateValues values{};  // entry i for parameter slot i; entry 3 as read (the caller zeroes it)
  std::u16string path;   // as read: slashes of either kind kept
};

struct StateReadResult {
  StateRefusal refusal = StateRefusal::Parse;
  StateDocument document;  // meaningful only when refusal is None

  bool accepted() const noexcept { return refusal == StateRefusal::None; }
};

// [main-thread] The compact document text: keys "kind", "parameters", "path", "schema"; entry 3
// written as the integer 0; the path as raw UTF-8 with backslashes turned into forward slashes
// (an unpaired surrogate becomes U+FFFD). Allocates; throws only std::bad_alloc. Never call on the
// audio thread.
std::string buildStateDocument(std::int32_t kind, const StateValues& values, std::u16string_view path);

// [main-thread] Parses and checks a document for a module of `ownKind`; never throws, and changes
// nothing outside its result. Allocates; never call on the audio thread.
StateReadResult readStateDocument(std::string_view text, std::int32_t ownKind) noexcept;

}  // namespace varnolith::plugins
