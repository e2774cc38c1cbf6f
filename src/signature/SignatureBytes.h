// Byte helpers shared by the header checks and the size rules: bounded pattern tests and searches
// over a block, and sector reads through the process-wide SignatureContext. Every helper takes the
// block length and never reads past it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace keldrin {

// True when the n bytes at offset lie inside the block and equal pattern.
inline bool BytesAt(const uint8_t* block, int32_t length, int32_t offset, const void* pattern,
                    int32_t n) {
    if (!block || offset < 0 || n < 0 || int64_t(offset) + n > length) return false;
    return std::memcmp(block + offset, pattern, size_t(n)) == 0;
}

// The same for a text literal, its terminator not compared.
template <size_t N>
inline bool TextAt(const uint8_t* block, int32_t length, int32_t offset, const char (&text)[N]) {
    return BytesAt(block, length, offset, text, int32_t(N - 1));
}

// Position of the first occurrence of pattern that lies wholly inside [from, length), or -1.
int32_t FindBytes(const uint8_t* data, int32_t length, int32_t from, const void* pattern,
                  int32_t patternLength);

// ASCII case-insensitive comparison of n bytes at offset with text (text already lower case).
// False when the bytes do not all lie inside the block.
bool BytesAtIgnoreCase(const uint8_t* block, int32_t length, int32_t offset, const char* lowerText,
                       int32_t n);

inline char AsciiLowerChar(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// The context's sector size in bytes, at least 1: the length given to a file whose own structure
// states nothing usable.
uint64_t OneSectorBytes();

// Reads count sectors at firstSector (absolute) of the context's device, in the context's sector
// size, into buffer of capacity bytes. False when there is no device, the geometry is unusable,
// the sectors do not fit the buffer or the read fails; the buffer may then hold partial data.
bool ReadContextSectors(uint64_t firstSector, int32_t count, uint8_t* buffer, size_t capacity);

}  // namespace keldrin
