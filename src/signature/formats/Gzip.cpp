#include "signature/formats/Gzip.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckGzip(const uint8_t* block, int32_t length) {
    // Deflate with no flags or only a stored name, written at maximum (2) or fastest (4)
    // compression, from a known operating system.
    if (!block || length < 16) return kNoMatchType;
    static constexpr uint8_t kMagic[3] = {0x1F, 0x8B, 0x08};
    if (!BytesAt(block, length, 0, kMagic, 3)) return kNoMatchType;
    const uint8_t flags = block[3];
    const uint8_t extraFlags = block[8];
    const uint8_t system = block[9];
    if (flags != 0 && flags != 8) return kNoMatchType;
    if (extraFlags != 2 && extraFlags != 4) return kNoMatchType;
    return (system <= 13 || system == 0xFF) ? 36 : kNoMatchType;
}

uint64_t SizeGzip(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
