#include "recorder/take_naming.h"

#include <filesystem>
#include <system_error>

namespace varnolith::plugins {
namespace {

constexpr unsigned kTakeLimit = 100000;

bool isSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool isDriveLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// Stored paths may come from Windows (backslashes, drive prefixes) whatever platform runs us, so
// the split is done on the text rather than with std::filesystem.
struct SplitPath {
  std::u16string directoryPrefix;  // directory plus exactly one separator, a bare drive, or empty
  std::u16string stem;
};

SplitPath splitForTakes(std::u16string_view path) {
  std::size_t nameStart = 0;
  for (std::size_t i = path.size(); i > 0; --i) {
    if (isSeparator(path[i - 1])) {
      nameStart = i;
      break;
    }
  }
  if (nameStart == 0 && path.size() >= 2 && path[1] == u':' && isDriveLetter(path[0])) nameStart = 2;

  SplitPath out;
  std::u16string_view prefix = path.substr(0, nameStart);
  if (!prefix.empty() && isSeparator(prefix.back())) {
    // Collapse the trailing separator run to the last one, but keep it: "/mix.wav" must stay in
    // the root, not turn into a relative name.
    const char16_t sep = prefix.back();
    while (!prefix.empty() && isSeparator(prefix.back())) prefix.remove_suffix(1);
    out.directoryPrefix.assign(prefix);
    out.directoryPrefix.push_back(sep);
  } else {
    out.directoryPrefix.assign(prefix);
  }

  const std::u16string_view name = path.substr(nameStart);
  std::u16string_view stem = name;
  if (name != u"." && name != u"..") {
    const std::size_t dot = name.rfind(u'.');
    if (dot != std::u16string_view::npos && dot != 0) stem = name.substr(0, dot);
  }
  out.stem.assign(stem);
  return out;
}

std::u16string decimal(unsigned value) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
    value /= 10;
  } while (value != 0);
  return digits;
}

}  // namespace

std::u16string chooseTakePath(std::u16string_view modulePath, const TakeExistsQuery& exists) {
  const SplitPath split = splitForTakes(modulePath);
  std::u16string candidate(modulePath);
  for (unsigned i = 1;; ++i) {
    if (!exists(candidate) || i >= kTakeLimit) return candidate;
    candidate = split.directoryPrefix + split.stem + u"-take" + decimal(i) + u".wav";
  }
}

std::u16string chooseTakePath(std::u16string_view modulePath) {
  return chooseTakePath(modulePath, [](const std::u16string& candidate) {
    // UTF-16 to the platform's path encoding (UTF-8 bytes on Linux).
    const std::filesystem::path path(candidate);
    std::error_code ec;
    const std::filesystem::file_status st = std::filesystem::symlink_status(path, ec);
    if (st.type() == std::filesystem::file_type::not_found) return false;
    if (ec) throw std::filesystem::filesystem_error("exists", path, ec);
    return true;
  });
}

}  // namespace varnolith::plugins
