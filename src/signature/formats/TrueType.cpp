#include "signature/formats/TrueType.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

namespace {

constexpr uint8_t kVersion[4] = {0x00, 0x01, 0x00, 0x00};

// The binary-search fields of the table directory as the format defines them for n tables, and
// table records with printable tags that point past the directory. Fonts whose first table is not
// one starting with version 1.0 (FontForge puts its 'FFTM' table first) are found this way.
bool DirectoryIsConsistent(const uint8_t* block, uint32_t tables) {
    uint32_t power = 1, selector = 0;
    while (power * 2 <= tables) {
        power *= 2;
        ++selector;
    }
    if (Be16(block + 6) != 16 * power || Be16(block + 8) != selector ||
        Be16(block + 10) != 16 * tables - 16 * power) {
        return false;
    }
    const uint64_t directoryEnd = 12 + 16ull * tables;
    for (uint32_t i = 0; i < tables; ++i) {
        const uint8_t* record = block + 12 + 16 * i;
        for (int k = 0; k < 4; ++k) {
            if (record[k] < 0x20 || record[k] > 0x7E) return false;
        }
        if (Be32(record + 8) < directoryEnd) return false;
    }
    return true;
}

}  // namespace

int32_t CheckTrueType(const uint8_t* block, int32_t length) {
    if (!block || length < 16) return kNoMatchType;
    if (!BytesAt(block, length, 0, kVersion, 4)) return kNoMatchType;
    const uint32_t tables = Be16(block + 4);
    if (tables == 0) return kNoMatchType;
    if (16ull * tables + 16 > uint64_t(length)) return kNoMatchType;
    // A table that starts with version 1.0 right after the directory ('head', 'GDEF', ...).
    if (Be16(block + 6) != 0 && Be16(block + 8) != 0 && Be16(block + 10) != 0 &&
        BytesAt(block, length, int32_t(12 + 16 * tables), kVersion, 4)) {
        return 45;
    }
    return DirectoryIsConsistent(block, tables) ? 45 : kNoMatchType;
}

uint64_t SizeTrueType(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
