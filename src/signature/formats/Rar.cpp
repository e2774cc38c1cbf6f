#include "signature/formats/Rar.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckRar(const uint8_t* block, int32_t length) {
    if (!block || length < 7) return kNoMatchType;
    static constexpr uint8_t kSignature[7] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
    return BytesAt(block, length, 0, kSignature, 7) ? 37 : kNoMatchType;
}

uint64_t SizeRar(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
