#include "signature/formats/Mp3.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckMp3(const uint8_t* block, int32_t length) {
    // An ID3v2 tag header: version bytes not FF, no undefined flag bits, a syncsafe size.
    if (!block || length < 10) return kNoMatchType;
    if (!TextAt(block, length, 0, "ID3")) return kNoMatchType;
    if (block[3] == 0xFF || block[4] == 0xFF) return kNoMatchType;
    if ((block[5] & 0x1F) != 0) return kNoMatchType;
    for (int i = 6; i < 10; ++i) {
        if (block[i] >= 0x80) return kNoMatchType;
    }
    return 12;
}

uint64_t SizeMp3(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
