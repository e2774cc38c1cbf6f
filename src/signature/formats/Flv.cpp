#include "signature/formats/Flv.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckFlv(const uint8_t* block, int32_t length) {
    if (!block || length < 16) return kNoMatchType;
    static constexpr uint8_t kHeaderSize[4] = {0x00, 0x00, 0x00, 0x09};
    return (TextAt(block, length, 0, "FLV") && block[3] == 1 &&
            BytesAt(block, length, 5, kHeaderSize, 4))
               ? 27
               : kNoMatchType;
}

uint64_t SizeFlv(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
