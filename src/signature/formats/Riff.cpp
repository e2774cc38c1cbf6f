#include "signature/formats/Riff.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckAvi(const uint8_t* block, int32_t length) {
    if (!block || length < 16) return kNoMatchType;
    return (TextAt(block, length, 0, "RIFF") && TextAt(block, length, 8, "AVI ") &&
            TextAt(block, length, 12, "LIST"))
               ? 22
               : kNoMatchType;
}

int32_t CheckWav(const uint8_t* block, int32_t length) {
    if (!block || length < 16) return kNoMatchType;
    return (TextAt(block, length, 0, "RIFF") && TextAt(block, length, 8, "WAVE") &&
            TextAt(block, length, 12, "fmt "))
               ? 21
               : kNoMatchType;
}

uint64_t SizeAvi(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

uint64_t SizeWav(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
