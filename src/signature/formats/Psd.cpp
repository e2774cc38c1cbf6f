#include "signature/formats/Psd.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckPsd(const uint8_t* block, int32_t length) {
    if (!block || length < 40) return kNoMatchType;
    return TextAt(block, length, 0, "8BPS") ? 28 : kNoMatchType;
}

uint64_t SizePsd(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
