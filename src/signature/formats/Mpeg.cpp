#include "signature/formats/Mpeg.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckMpeg(const uint8_t* block, int32_t length) {
    // A pack header followed by a system header, or a sequence header followed by a group of
    // pictures, within the first 32 bytes.
    if (!block || length < 16) return kNoMatchType;
    static constexpr uint8_t kPack[4] = {0x00, 0x00, 0x01, 0xBA};
    static constexpr uint8_t kSystem[4] = {0x00, 0x00, 0x01, 0xBB};
    static constexpr uint8_t kSequence[4] = {0x00, 0x00, 0x01, 0xB3};
    static constexpr uint8_t kGroup[4] = {0x00, 0x00, 0x01, 0xB8};
    const int32_t window = length < 32 ? length : 32;
    if (BytesAt(block, length, 0, kPack, 4) && FindBytes(block, window, 0, kSystem, 4) >= 0) {
        return 15;
    }
    if (BytesAt(block, length, 0, kSequence, 4) && FindBytes(block, window, 0, kGroup, 4) >= 0) {
        return 15;
    }
    return kNoMatchType;
}

uint64_t SizeMpeg(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
