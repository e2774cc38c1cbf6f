#include "signature/formats/PeImage.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckPeImage(const uint8_t* block, int32_t length) {
    // A DOS stub whose PE header lies in the first sector and says "executable image".
    if (!block || length < 512) return kNoMatchType;
    if (!TextAt(block, length, 0, "MZ")) return kNoMatchType;
    const uint32_t peOffset = Le32(block + 60);
    if (peOffset > 488) return kNoMatchType;
    static constexpr uint8_t kPeSignature[4] = {'P', 'E', 0x00, 0x00};
    if (!BytesAt(block, length, int32_t(peOffset), kPeSignature, 4)) return kNoMatchType;
    const uint16_t characteristics = Le16(block + peOffset + 22);
    if ((characteristics & 0x0002) == 0) return kNoMatchType;
    if (characteristics & 0x1000) return 43;
    if (characteristics & 0x2000) return 42;
    return 41;
}

}  // namespace keldrin
