#include "signature/formats/Tiff.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckTiff(const uint8_t* block, int32_t length) {
    if (!block || length < 4) return kNoMatchType;
    static constexpr uint8_t kBigEndian[4] = {'M', 'M', 0x00, 0x2A};
    static constexpr uint8_t kLittleEndian[4] = {'I', 'I', 0x2A, 0x00};
    return (BytesAt(block, length, 0, kBigEndian, 4) || BytesAt(block, length, 0, kLittleEndian, 4))
               ? 32
               : kNoMatchType;
}

uint64_t SizeTiff(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
