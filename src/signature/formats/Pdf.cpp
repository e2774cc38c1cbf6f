#include "signature/formats/Pdf.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckPdf(const uint8_t* block, int32_t length) {
    if (!block || length < 5) return kNoMatchType;
    return TextAt(block, length, 0, "%PDF-") ? 8 : kNoMatchType;
}

uint64_t SizePdf(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
