#include "signature/formats/FlashAuthoring.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckFlashAuthoring(const uint8_t* block, int32_t length) {
    // Only the first half of the compound-file signature: full compound files are taken by the
    // compound-document rows, which stand earlier in the table.
    if (!block || length < 16) return kNoMatchType;
    static constexpr uint8_t kPrefix[4] = {0xD0, 0xCF, 0x11, 0xE0};
    return BytesAt(block, length, 0, kPrefix, 4) ? 44 : kNoMatchType;
}

uint64_t SizeFlashAuthoring(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
