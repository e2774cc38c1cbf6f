#include "signature/formats/CompoundDocument.h"

#include <array>
#include <vector>

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

namespace {

constexpr int32_t kTypeWord = 0;
constexpr int32_t kTypeOle = 2;
constexpr int32_t kTypeExcel = 3;
constexpr int32_t kTypePowerPoint = 5;

constexpr int32_t kDirectoryEntrySize = 128;
constexpr int32_t kRootClassIdOffset = 80;  // the root entry's class id within the sector
constexpr int32_t kFirstDirectorySectorOffset = 48;

// Compares the first n UTF-16LE units of a directory entry name with ASCII text, ignoring case.
bool NameStartsWith(const uint8_t* entry, const char* text, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        const uint16_t unit = Le16(entry + 2 * i);
        if (unit > 0x7F) return false;
        if (AsciiLowerChar(char(unit)) != AsciiLowerChar(text[i])) return false;
    }
    return true;
}

int32_t TypeFromRootClassId(const uint8_t* directory) {
    const uint8_t* id = directory + kRootClassIdOffset;
    const uint32_t a = Le32(id), b = Le32(id + 4), c = Le32(id + 8), d = Le32(id + 12);
    // {00020906-0000-0000-C000-000000000046}: Word document.
    if (a == 0x00020906 && b == 0 && c == 0xC0 && d == 0x46000000) return kTypeWord;
    // {00020820-...} and {00020810-...}: Excel workbook.
    if ((a == 0x00020820 || a == 0x00020810) && b == 0 && c == 0xC0 && d == 0x46000000) {
        return kTypeExcel;
    }
    // {64818D10-4F9B-11CF-86EA-00AA00B929E8}: PowerPoint presentation.
    if (a == 0x64818D10 && b == 0x11CF4F9B && c == 0xAA00EA86 && d == 0xE829B900) {
        return kTypePowerPoint;
    }
    return kNoMatchType;
}

// Decides the kind of a compound file from the sector after its header (the first data sector of
// a file written front to back) and then from its first directory sector. Every failure to read
// names it a compound file of no known kind.
int32_t SniffCompoundDocument(const uint8_t* header, int32_t headerLength) {
    const SignatureContext& context = GetSignatureContext();
    const int32_t sectorSize = context.sectorSize;
    if (sectorSize <= 0 || sectorSize > kMaxSignatureSectorSize) return kTypeOle;
    std::array<uint8_t, 4096> local{};
    std::vector<uint8_t> large;
    uint8_t* buffer = local.data();
    size_t capacity = local.size();
    if (size_t(sectorSize) > capacity) {
        large.assign(size_t(sectorSize), 0);
        buffer = large.data();
        capacity = large.size();
    }

    if (!ReadContextSectors(context.cursorSector + 1, 1, buffer, capacity)) return kTypeOle;
    if (Le16(buffer) == 0xA5EC) return kTypeWord;  // Word file information block
    if (Le16(buffer) == 0x0809 && Le16(buffer + 2) == 0x0010 && Le16(buffer + 4) == 0x0600) {
        return kTypeExcel;  // BIFF8 beginning of file, workbook globals
    }

    // The first directory sector, counted from the sector after the header.
    if (headerLength < kFirstDirectorySectorOffset + 4) return kTypeOle;
    const uint64_t directory = Le32(header + kFirstDirectorySectorOffset);
    if (context.cursorSector > UINT64_MAX - directory - 1) return kTypeOle;
    if (!ReadContextSectors(context.cursorSector + directory + 1, 1, buffer, capacity)) {
        return kTypeOle;
    }
    const int32_t byClassId = TypeFromRootClassId(buffer);
    if (byClassId != kNoMatchType) return byClassId;

    const int32_t entries = sectorSize / kDirectoryEntrySize;
    for (int32_t i = 0; i < entries; ++i) {
        const uint8_t* entry = buffer + size_t(i) * kDirectoryEntrySize;
        if (NameStartsWith(entry, "WordDocument", 12)) return kTypeWord;
        // BIFF8 workbooks keep their data in a stream named "Workbook".
        if (NameStartsWith(entry, "Wordbook", 8) || NameStartsWith(entry, "Workbook", 8)) {
            return kTypeExcel;
        }
        if (NameStartsWith(entry, "PowerPoint Document", 19)) return kTypePowerPoint;
    }
    return kTypeOle;
}

}  // namespace

int32_t CheckCompoundDocument(const uint8_t* block, int32_t length) {
    if (!block || length < 8) return kNoMatchType;
    static constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (!BytesAt(block, length, 0, kSignature, 8)) return kNoMatchType;
    return SniffCompoundDocument(block, length);
}

uint64_t SizeCompoundDocument(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
