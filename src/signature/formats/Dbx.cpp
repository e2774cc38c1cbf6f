#include "signature/formats/Dbx.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckDbx(const uint8_t* block, int32_t length) {
    if (!block || length < 16) return kNoMatchType;
    static constexpr uint8_t kSignature[4] = {0xCF, 0xAD, 0x12, 0xFE};
    return BytesAt(block, length, 0, kSignature, 4) ? 40 : kNoMatchType;
}

uint64_t SizeDbx(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
