#include "signature/formats/Cab.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckCab(const uint8_t* block, int32_t length) {
    if (!block || length < 36) return kNoMatchType;
    return TextAt(block, length, 0, "MSCF") ? 33 : kNoMatchType;
}

uint64_t SizeCab(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
