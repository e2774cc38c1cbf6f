#include "signature/formats/Midi.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckMidi(const uint8_t* block, int32_t length) {
    // "MTrk" at 14 ends at byte 18, so a shorter block cannot hold it.
    if (!block || length < 18) return kNoMatchType;
    return (TextAt(block, length, 0, "MThd") && Be32(block + 4) == 6 &&
            TextAt(block, length, 14, "MTrk"))
               ? 13
               : kNoMatchType;
}

uint64_t SizeMidi(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
