#include "signature/formats/Bmp.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckBmp(const uint8_t* block, int32_t length) {
    // Only the 40-byte info header: the larger ones are not recognised.
    if (!block || length < 40) return kNoMatchType;
    if (!TextAt(block, length, 0, "BM") && !TextAt(block, length, 0, "BA")) return kNoMatchType;
    return (Le16(block + 6) == 0 && Le16(block + 8) == 0 && Le32(block + 14) == 40) ? 29
                                                                                    : kNoMatchType;
}

uint64_t SizeBmp(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
