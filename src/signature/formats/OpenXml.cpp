#include "signature/formats/OpenXml.h"

#include <cstring>
#include <new>
#include <vector>

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

namespace {

constexpr int32_t kTypeDocx = 1;
constexpr int32_t kTypeXlsx = 4;
constexpr int32_t kTypePptx = 6;

constexpr int32_t kWindowSectors = 4;
constexpr int32_t kMaxSectors = 20;
constexpr int32_t kCarry = 4;  // a signature split between two windows is still found

constexpr uint8_t kLocalHeader[4] = {'P', 'K', 0x03, 0x04};
constexpr uint8_t kCentralHeader[4] = {'P', 'K', 0x01, 0x02};
constexpr uint8_t kEndOfCentralDirectory[4] = {'P', 'K', 0x05, 0x06};

// The package kind a part name gives, compared only where the window holds the bytes.
int32_t TypeFromPartName(const uint8_t* window, int32_t length, int32_t name) {
    if (BytesAtIgnoreCase(window, length, name, "word", 4)) return kTypeDocx;
    if (BytesAtIgnoreCase(window, length, name, "ppt", 3)) return kTypePptx;
    if (BytesAtIgnoreCase(window, length, name, "xl", 2)) return kTypeXlsx;
    return kNoMatchType;
}

// Looks for the first part name of a known package kind among the local and central headers of
// the window, up to its first end-of-central-directory record.
int32_t TypeInWindow(const uint8_t* window, int32_t length) {
    const int32_t end = FindBytes(window, length, 0, kEndOfCentralDirectory, 4);
    int32_t localFrom = 0, centralFrom = 0;
    bool localDone = false, centralDone = false;
    while (!localDone || !centralDone) {
        if (!localDone) {
            const int32_t at = FindBytes(window, length, localFrom, kLocalHeader, 4);
            if (at < 0 || (end >= 0 && at > end)) {
                localDone = true;
            } else {
                localFrom = at + 4;
                const int32_t type = TypeFromPartName(window, length, at + 30);
                if (type != kNoMatchType) return type;
            }
        }
        if (!centralDone) {
            const int32_t at = FindBytes(window, length, centralFrom, kCentralHeader, 4);
            if (at < 0 || (end >= 0 && at > end) || length - at < 48) {
                centralDone = true;
            } else {
                centralFrom = at + 4;
                const int32_t type = TypeFromPartName(window, length, at + 46);
                if (type != kNoMatchType) return type;
            }
        }
    }
    return kNoMatchType;
}

// Reads the package from the cursor in windows of four sectors, up to twenty sectors.
int32_t SniffOpenXml() {
    const SignatureContext& context = GetSignatureContext();
    const int32_t sectorSize = context.sectorSize;
    if (sectorSize <= 0 || sectorSize > kMaxSignatureSectorSize) return kNoMatchType;
    const int32_t windowBytes = kWindowSectors * sectorSize;
    const int32_t total = windowBytes + kCarry;
    std::vector<uint8_t> window;
    try {
        window.assign(size_t(total), 0);
    } catch (const std::bad_alloc&) {
        return kNoMatchType;
    }
    uint8_t* data = window.data();
    if (!ReadContextSectors(context.cursorSector, kWindowSectors, data + kCarry,
                            size_t(windowBytes))) {
        return kNoMatchType;
    }
    int32_t consumed = 0;
    for (;;) {
        consumed += kWindowSectors;
        const int32_t type = TypeInWindow(data, total);
        if (type != kNoMatchType) return type;
        std::memmove(data, data + total - kCarry, kCarry);
        if (consumed >= kMaxSectors) break;
        if (context.cursorSector > UINT64_MAX - uint64_t(consumed)) break;
        if (!ReadContextSectors(context.cursorSector + uint64_t(consumed), kWindowSectors,
                                data + kCarry, size_t(windowBytes))) {
            break;
        }
    }
    return kNoMatchType;
}

}  // namespace

int32_t CheckOpenXml(const uint8_t* block, int32_t length) {
    if (!block || length < 31) return kNoMatchType;
    const bool localHeader = BytesAt(block, length, 0, kLocalHeader, 4);
    const bool contentTypes = length >= 50 && TextAt(block, length, 31, "[Content_Types].xml");
    if (!localHeader && !contentTypes) return kNoMatchType;
    return SniffOpenXml();
}

uint64_t SizeOpenXml(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
