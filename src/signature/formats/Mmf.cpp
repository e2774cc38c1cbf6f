#include "signature/formats/Mmf.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckMmf(const uint8_t* block, int32_t length) {
    if (!block || length < 4) return kNoMatchType;
    return TextAt(block, length, 0, "MMMD") ? 14 : kNoMatchType;
}

uint64_t SizeMmf(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
