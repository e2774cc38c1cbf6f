// UTF-8 text helpers. Names in ScanEntry and DirInfoRecord are UTF-8, cut at a character boundary
// when they do not fit their field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace keldrin {

// Copies text into a field of capacity bytes (terminator included), cut at a UTF-8 character
// boundary; the rest of the field is zero-filled.
void CopyToField(char* field, size_t capacity, std::string_view text);
// The longest prefix of text of at most maxBytes bytes that ends on a character boundary.
std::string_view CutAtCharBoundary(std::string_view text, size_t maxBytes);

std::string AsciiLower(std::string_view text);
int CompareIgnoreAsciiCase(std::string_view a, std::string_view b);  // <0, 0, >0
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

// The text after the last "." of a name; empty when there is none.
std::string_view ExtensionOf(std::string_view name);
// The extension test of the type lists: the lower-cased extension searched as a plain substring
// of a list written as "*.a|*.b" (so "ts" matches "*.mts"). An empty extension never matches.
bool ExtensionInList(std::string_view extension, std::string_view list);

// Decodes UTF-16LE code units to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16LeToUtf8(const uint8_t* units, size_t unitCount);
// Encodes UTF-8 as UTF-16LE code units (for the catalogue's fixed wide fields).
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
// Code page 437 (what Linux mounts FAT with by default) to UTF-8.
std::string Cp437ToUtf8(std::string_view bytes);

}  // namespace keldrin
