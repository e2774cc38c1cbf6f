#include "signature/formats/Ape.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckApe(const uint8_t* block, int32_t length) {
    if (!block || length < 4) return kNoMatchType;
    return TextAt(block, length, 0, "MAC ") ? 25 : kNoMatchType;
}

uint64_t SizeApe(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
