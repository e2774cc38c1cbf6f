#include "signature/formats/Mxf.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckMxf(const uint8_t* block, int32_t length) {
    if (!block || length < 16) return kNoMatchType;
    static constexpr uint8_t kHeaderPartition[16] = {0x06, 0x0E, 0x2B, 0x34, 0x02, 0x05,
                                                     0x01, 0x01, 0x0D, 0x01, 0x02, 0x01,
                                                     0x01, 0x02, 0x04, 0x00};
    return BytesAt(block, length, 0, kHeaderPartition, 16) ? 48 : kNoMatchType;
}

uint64_t SizeMxf(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
