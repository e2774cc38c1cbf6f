#include "signature/formats/Gho.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckGho(const uint8_t* block, int32_t length) {
    if (!block || length < 4) return kNoMatchType;
    static constexpr uint8_t kSignature[4] = {0xFE, 0xEF, 0x00, 0x00};
    return BytesAt(block, length, 0, kSignature, 4) ? 9 : kNoMatchType;
}

}  // namespace keldrin
