#include "signature/formats/TrueType.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckTrueType(const uint8_t* block, int32_t length) {
    // An sfnt version 1.0 table directory, followed by a table that starts with version 1.0.
    if (!block || length < 16) return kNoMatchType;
    static constexpr uint8_t kVersion[4] = {0x00, 0x01, 0x00, 0x00};
    if (!BytesAt(block, length, 0, kVersion, 4)) return kNoMatchType;
    const uint32_t tables = Be16(block + 4);
    if (tables == 0) return kNoMatchType;
    if (Be16(block + 6) == 0 || Be16(block + 8) == 0 || Be16(block + 10) == 0) return kNoMatchType;
    if (16ull * tables + 16 > uint64_t(length)) return kNoMatchType;
    return BytesAt(block, length, int32_t(12 + 16 * tables), kVersion, 4) ? 45 : kNoMatchType;
}

uint64_t SizeTrueType(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
