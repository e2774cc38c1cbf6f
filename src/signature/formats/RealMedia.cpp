#include "signature/formats/RealMedia.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckRealMedia(const uint8_t* block, int32_t length) {
    if (!block || length < 4) return kNoMatchType;
    return TextAt(block, length, 0, ".RMF") ? 23 : kNoMatchType;
}

uint64_t SizeRealMedia(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
