#include "signature/SignatureBytes.h"

#include "signature/FileTypeSignature.h"
#include "storage/SectorDevice.h"

namespace keldrin {

int32_t FindBytes(const uint8_t* data, int32_t length, int32_t from, const void* pattern,
                  int32_t patternLength) {
    if (!data || !pattern || patternLength <= 0 || from < 0 || length < patternLength) return -1;
    const auto* pat = static_cast<const uint8_t*>(pattern);
    const int32_t last = length - patternLength;  // last start position that fits
    int32_t pos = from;
    while (pos <= last) {
        const void* hit = std::memchr(data + pos, pat[0], size_t(last - pos + 1));
        if (!hit) return -1;
        pos = int32_t(static_cast<const uint8_t*>(hit) - data);
        if (std::memcmp(data + pos + 1, pat + 1, size_t(patternLength - 1)) == 0) return pos;
        ++pos;
    }
    return -1;
}

bool BytesAtIgnoreCase(const uint8_t* block, int32_t length, int32_t offset, const char* lowerText,
                       int32_t n) {
    if (!block || offset < 0 || n < 0 || int64_t(offset) + n > length) return false;
    for (int32_t i = 0; i < n; ++i) {
        if (AsciiLowerChar(char(block[offset + i])) != lowerText[i]) return false;
    }
    return true;
}

uint64_t OneSectorBytes() {
    const int32_t sectorSize = GetSignatureContext().sectorSize;
    return sectorSize > 0 ? uint64_t(sectorSize) : 1;
}

bool ReadContextSectors(uint64_t firstSector, int32_t count, uint8_t* buffer, size_t capacity) {
    SignatureContext& context = GetSignatureContext();
    if (!context.device || !buffer || count <= 0) return false;
    if (context.sectorSize <= 0 || context.sectorSize > kMaxSignatureSectorSize) return false;
    if (uint64_t(count) * uint64_t(context.sectorSize) > capacity) return false;
    uint32_t sectorsRead = 0;
    return ReadSectors(*context.device, buffer, firstSector, count, uint32_t(context.sectorSize),
                       &sectorsRead) == 0;
}

}  // namespace keldrin
