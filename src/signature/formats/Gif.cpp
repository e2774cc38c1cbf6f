#include "signature/formats/Gif.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckGif(const uint8_t* block, int32_t length) {
    if (!block || length < 8) return kNoMatchType;
    auto isDigit = [](uint8_t c) { return c >= '0' && c <= '9'; };
    return (TextAt(block, length, 0, "GIF") && isDigit(block[3]) && isDigit(block[4]) &&
            block[5] >= 'a' && block[5] <= 'z')
               ? 31
               : kNoMatchType;
}

uint64_t SizeGif(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
