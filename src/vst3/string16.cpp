#include "vst3/string16.h"

#include <charconv>
#include <cinttypes>
#include <cstdio>

namespace Steinberg {

void widenInto(std::string_view text, char16* dest, std::size_t capacity) noexcept {
  if (!dest || capacity == 0) return;
  std::size_t i = 0;
  for (; i < text.size() && i + 1 < capacity; ++i) {
    dest[i] = static_cast<char16>(static_cast<unsigned char>(text[i]));
  }
  dest[i] = 0;
}

std::size_t string16Length(const char16* text, std::size_t capacity) noexcept {
  if (!text) return 0;
  std::size_t n = 0;
  while (n < capacity && text[n] != 0) ++n;
  return n;
}

void copyString16(const char16* source, char16* dest, std::size_t capacity) noexcept {
  if (!dest || capacity == 0) return;
  std::size_t n = source ? string16Length(source, capacity - 1) : 0;
  for (std::size_t i = 0; i < n; ++i) dest[i] = source[i];
  dest[n] = 0;
}

bool utf8ToUtf16(std::string_view text, std::u16string& out) {
  std::u16string result;
  result.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    char32_t cp = 0;
    std::size_t len = 0;
    if (b0 < 0x80) {
      cp = b0;
      len = 1;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
      cp = b0 & 0x1Fu;
      len = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      cp = b0 & 0x0Fu;
      len = 3;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      cp = b0 & 0x07u;
      len = 4;
    } else {
      return false;
    }
    if (i + len > text.size()) return false;
    for (std::size_t k = 1; k < len; ++k) {
      const auto b = static_cast<unsigned char>(text[i + k]);
      if ((b & 0xC0u) != 0x80u) return false;
      cp = (cp << 6) | (b & 0x3Fu);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return false;
    if (cp >= 0xD800 && cp <= 0xDFFF) return false;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      result.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      result.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      result.push_back(static_cast<char16_t>(cp));
    }
    i += len;
  }
  out = std::move(result);
  return true;
}

std::string utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

bool printFloat(double value, int precision, char16* dest, std::size_t capacity) noexcept {
  char buffer[512];
  const int n = std::snprintf(buffer, sizeof buffer, "%.*f", precision, value);
  if (n < 0 || static_cast<std::size_t>(n) >= capacity || static_cast<std::size_t>(n) >= sizeof buffer) {
    if (dest && capacity) dest[0] = 0;
    return false;
  }
  std::string_view text(buffer, static_cast<std::size_t>(n));
  // A value a hair below zero rounds to "-0.0000"; a readout with a signed zero reads as a fault.
  if (text.size() > 1 && text[0] == '-' && text.find_first_of("123456789") == std::string_view::npos &&
      text.find_first_of("0") != std::string_view::npos) {
    text.remove_prefix(1);
  }
  widenInto(text, dest, capacity);
  return true;
}

bool printInt(int64 value, char16* dest, std::size_t capacity) noexcept {
  char buffer[32];
  const int n = std::snprintf(buffer, sizeof buffer, "%" PRId64, value);
  if (n < 0 || static_cast<std::size_t>(n) >= capacity) {
    if (dest && capacity) dest[0] = 0;
    return false;
  }
  widenInto(std::string_view(buffer, static_cast<std::size_t>(n)), dest, capacity);
  return true;
}

namespace {

// Narrows the ASCII prefix of a 16-bit string after leading blanks; a unit outside ASCII ends it.
std::size_t asciiPrefix(const char16* text, std::size_t capacity, char* out, std::size_t outSize) noexcept {
  std::size_t n = 0;
  std::size_t i = 0;
  const std::size_t len = string16Length(text, capacity);
  while (i < len && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\n' || text[i] == u'\r')) ++i;
  if (i < len && text[i] == u'+') ++i;  // from_chars takes no plus sign
  for (; i < len && n + 1 < outSize && text[i] < 0x80; ++i) out[n++] = static_cast<char>(text[i]);
  out[n] = 0;
  return n;
}

}  // namespace

bool scanFloat(const char16* text, std::size_t capacity, double& value) noexcept {
  if (!text) return false;
  char buffer[128];
  const std::size_t n = asciiPrefix(text, capacity, buffer, sizeof buffer);
  double parsed = 0.0;
  const auto result = std::from_chars(buffer, buffer + n, parsed);
  if (result.ec != std::errc() || result.ptr == buffer) return false;
  value = parsed;
  return true;
}

bool scanInt(const char16* text, std::size_t capacity, int64& value) noexcept {
  if (!text) return false;
  char buffer[128];
  const std::size_t n = asciiPrefix(text, capacity, buffer, sizeof buffer);
  int64 parsed = 0;
  const auto result = std::from_chars(buffer, buffer + n, parsed);
  if (result.ec != std::errc() || result.ptr == buffer) return false;
  value = parsed;
  return true;
}

}  // namespace Steinberg
