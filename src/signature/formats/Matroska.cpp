#include "signature/formats/Matroska.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckMatroska(const uint8_t* block, int32_t length) {
    if (!block || length < 16) return kNoMatchType;
    static constexpr uint8_t kEbml[4] = {0x1A, 0x45, 0xDF, 0xA3};
    return BytesAt(block, length, 0, kEbml, 4) ? 19 : kNoMatchType;
}

uint64_t SizeMatroska(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
