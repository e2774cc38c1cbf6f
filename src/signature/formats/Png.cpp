#include "signature/formats/Png.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckPng(const uint8_t* block, int32_t length) {
    if (!block || length < 8) return kNoMatchType;
    static constexpr uint8_t kPngSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    return BytesAt(block, length, 0, kPngSignature, 8) ? 30 : kNoMatchType;
}

uint64_t SizePng(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
