#include "signature/formats/Swf.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckSwf(const uint8_t* block, int32_t length) {
    if (!block || length < 8) return kNoMatchType;
    const uint8_t version = block[3];
    if (TextAt(block, length, 0, "CWS") && version >= 6 && version <= 15) return 26;
    if (TextAt(block, length, 0, "FWS") && version < 6) return 26;
    return kNoMatchType;
}

uint64_t SizeSwf(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
