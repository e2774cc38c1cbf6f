#include "signature/formats/Asf.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckAsf(const uint8_t* block, int32_t length) {
    if (!block || length < 24) return kNoMatchType;
    // The ASF header object GUID 75B22630-668E-11CF-A6D9-00AA0062CE6C as stored.
    static constexpr uint8_t kHeaderGuid[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                                0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
    return BytesAt(block, length, 0, kHeaderGuid, 16) ? 24 : kNoMatchType;
}

uint64_t SizeAsf(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
