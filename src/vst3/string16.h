// UTF-16 strings of the API: widening, UTF-8 conversion and the number formats of value strings.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "vst3/ftypes.h"

namespace Steinberg {

// [any-thread] Copies 8-bit text into a 16-bit buffer character by character, zero-terminated and
// truncated to capacity - 1 units; never allocates.
void widenInto(std::string_view text, char16* dest, std::size_t capacity) noexcept;

// [any-thread] Copies a zero-terminated 16-bit string into a buffer, truncated and terminated.
void copyString16(const char16* source, char16* dest, std::size_t capacity) noexcept;

// [any-thread] Length of a zero-terminated 16-bit string, at most capacity.
std::size_t string16Length(const char16* text, std::size_t capacity) noexcept;

// [any-thread] UTF-8 to UTF-16; false for invalid UTF-8 (overlong forms, surrogates, bad bytes).
bool utf8ToUtf16(std::string_view text, std::u16string& out);

// [any-thread] UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);

// [any-thread] Writes value with `precision` decimals ("%.*f", a rounded zero without sign);
// returns false if it did not fit. Never allocates.
bool printFloat(double value, int precision, char16* dest, std::size_t capacity) noexcept;
// [any-thread] Writes a signed decimal integer.
bool printInt(int64 value, char16* dest, std::size_t capacity) noexcept;
// [any-thread] Reads a decimal number at the start of the text (leading blanks allowed, trailing
// text ignored); false when no number is there.
bool scanFloat(const char16* text, std::size_t capacity, double& value) noexcept;
// [any-thread] Reads a decimal integer at the start of the text, like scanFloat.
bool scanInt(const char16* text, std::size_t capacity, int64& value) noexcept;

}  // namespace Steinberg
