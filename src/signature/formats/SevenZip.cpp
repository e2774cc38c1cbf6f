#include "signature/formats/SevenZip.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckSevenZip(const uint8_t* block, int32_t length) {
    if (!block || length < 5) return kNoMatchType;
    static constexpr uint8_t kSignature[5] = {0x37, 0x7A, 0xBC, 0xAF, 0x27};
    return BytesAt(block, length, 0, kSignature, 5) ? 34 : kNoMatchType;
}

uint64_t SizeSevenZip(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
