#include "signature/formats/Zip.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckZip(const uint8_t* block, int32_t length) {
    if (!block || length < 48) return kNoMatchType;
    static constexpr uint8_t kLocalHeader[4] = {'P', 'K', 0x03, 0x04};
    return BytesAt(block, length, 0, kLocalHeader, 4) ? 35 : kNoMatchType;
}

uint64_t SizeZip(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
