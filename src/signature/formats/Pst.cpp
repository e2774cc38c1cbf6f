#include "signature/formats/Pst.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckPst(const uint8_t* block, int32_t length) {
    if (!block || length < 16) return kNoMatchType;
    return (TextAt(block, length, 0, "!BDN") && TextAt(block, length, 8, "SM")) ? 38 : kNoMatchType;
}

uint64_t SizePst(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
