#include "signature/formats/IsoMedia.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckMp4(const uint8_t* block, int32_t length) {
    if (!block || length < 32) return kNoMatchType;
    if (!TextAt(block, length, 4, "ftyp")) return kNoMatchType;
    return (TextAt(block, length, 8, "iso") || TextAt(block, length, 8, "mp42")) ? 18
                                                                                 : kNoMatchType;
}

int32_t Check3gp(const uint8_t* block, int32_t length) {
    if (!block || length < 32) return kNoMatchType;
    return (TextAt(block, length, 4, "ftyp") && TextAt(block, length, 8, "3gp")) ? 16
                                                                                 : kNoMatchType;
}

int32_t CheckQuickTime(const uint8_t* block, int32_t length) {
    if (!block || length < 16) return kNoMatchType;
    if (TextAt(block, length, 0, "moov")) return 17;
    return (TextAt(block, length, 4, "ftyp") && TextAt(block, length, 8, "qt  ")) ? 17
                                                                                  : kNoMatchType;
}

uint64_t SizeMp4(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

uint64_t Size3gp(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

uint64_t SizeQuickTime(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
