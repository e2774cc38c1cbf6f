// A header check together with the bytes it requires: the key bytes let IdentifyBlock run only the
// rows that can answer for a block, and still give the answer of the table walk in order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "signature/FileTypeSignature.h"

namespace keldrin {

// The block's byte at offset is one of values[0..count). A check keyed by it answers kNoMatchType
// for every block where this does not hold.
struct KeyByte {
    uint8_t offset = 0;
    uint8_t count = 0;
    uint8_t values[4] = {};
};

struct FormatCheck {
    HeaderCheck check = nullptr;
    // Alternatives: the check can match only if one of them holds. keyCount 0: no key, the check
    // runs on every block.
    KeyByte keys[2] = {};
    uint8_t keyCount = 0;
};

constexpr KeyByte Key(uint8_t offset, uint8_t v0) {
    return {offset, 1, {v0, 0, 0, 0}};
}
constexpr KeyByte Key(uint8_t offset, uint8_t v0, uint8_t v1) {
    return {offset, 2, {v0, v1, 0, 0}};
}

constexpr FormatCheck Keyed(HeaderCheck check, KeyByte key) {
    return {check, {key, {}}, 1};
}
constexpr FormatCheck Keyed(HeaderCheck check, KeyByte a, KeyByte b) {
    return {check, {a, b}, 2};
}

// The check of table row index (0 <= index < SignatureTableSize()) with its key bytes.
const FormatCheck& SignatureRowCheck(size_t index);

}  // namespace keldrin
