#include "signature/formats/Ico.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckIco(const uint8_t* block, int32_t length) {
    // The directory must describe images stored back to back right after it.
    if (!block || length < 16) return kNoMatchType;
    static constexpr uint8_t kIconHeader[4] = {0x00, 0x00, 0x01, 0x00};
    if (!BytesAt(block, length, 0, kIconHeader, 4)) return kNoMatchType;
    const uint32_t count = Le16(block + 4);
    if (count == 0) return kNoMatchType;
    const uint64_t directoryEnd = 16ull * count + 6;
    if (directoryEnd > uint64_t(length)) return kNoMatchType;
    uint64_t expectedOffset = directoryEnd;  // 64-bit: byte counts from the medium cannot wrap it
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* entry = block + 6 + 16 * i;
        if (entry[3] != 0) return kNoMatchType;
        if (Le32(entry + 12) != expectedOffset) return kNoMatchType;
        expectedOffset += Le32(entry + 8);
    }
    return 46;
}

uint64_t SizeIco(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
