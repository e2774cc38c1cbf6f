#include "signature/formats/Jpeg.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

namespace {

// Markers a JPEG stream opens with after its start of image: an application segment (APP0 JFIF,
// APP1 Exif, APP2 ICC ... APP15), quantisation or Huffman tables, a start of frame, or a comment.
// Editors and cameras that strip the APP segments start directly with DQT (FF DB).
bool IsOpeningMarker(uint8_t marker) {
    if (marker >= 0xE0 && marker <= 0xEF) return true;                    // APPn
    if (marker == 0xDB || marker == 0xC4 || marker == 0xFE) return true;  // DQT, DHT, COM
    // SOF0-SOF15 less DHT (C4), JPG (C8) and DAC (CC), which are not frame headers.
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC8 && marker != 0xCC;
}

}  // namespace

int32_t CheckJpeg(const uint8_t* block, int32_t length) {
    if (!block || length < 16) return kNoMatchType;
    static constexpr uint8_t kStartOfImage[3] = {0xFF, 0xD8, 0xFF};
    if (!BytesAt(block, length, 0, kStartOfImage, 3)) return kNoMatchType;
    if (!IsOpeningMarker(block[3])) return kNoMatchType;
    // The segment length counts its own two bytes.
    return Be16(block + 4) >= 2 ? 10 : kNoMatchType;
}

uint64_t SizeJpeg(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
