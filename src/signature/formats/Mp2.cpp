#include "signature/formats/Mp2.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckMp2(const uint8_t* block, int32_t length) {
    if (!block || length < 4) return kNoMatchType;
    static constexpr uint8_t kFrameHeader[4] = {0xFF, 0xFD, 0xE4, 0x00};
    return BytesAt(block, length, 0, kFrameHeader, 4) ? 11 : kNoMatchType;
}

uint64_t SizeMp2(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
