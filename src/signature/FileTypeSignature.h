// The signature table: an ordered list of file kinds, each row with an extension, a type id, a
// header check and a size rule. A format's check and size rule are defined side by side in one
// file under signature/formats/ and the table names them; adding a format touches that file and
// one table row.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "storage/SectorDevice.h"

namespace keldrin {

inline constexpr int32_t kNoMatchType = 49;
// Largest sector size the checks read through the context; larger ones make every read fail.
inline constexpr int32_t kMaxSignatureSectorSize = 65536;

// Returns a type id, or kNoMatchType. May read the device through the SignatureContext.
using HeaderCheck = int32_t (*)(const uint8_t* block, int32_t length);
// Estimated file length in bytes; block is the file's first sector (length = sector size).
using SizeRule = uint64_t (*)(const uint8_t* block, int32_t length);

struct FileTypeSignature {
    const char* extension;  // lower case, no dot; null in the terminator
    int32_t typeId;
    HeaderCheck check;
    SizeRule sizeRule;  // null: recognised (and a boundary) but never recorded
};

// The table in its order, ending with the terminator row {nullptr, 49, nullptr, nullptr}.
const FileTypeSignature* SignatureTable();
size_t SignatureTableSize();  // rows before the terminator (84)

// Process-wide state shared by the checks, the size rules and the signature scan. Not
// thread-safe: used from one scan or one content check at a time. The scratch buffer lives as
// long as the process.
struct SignatureContext {
    SectorDevice* device = nullptr;
    int32_t sectorSize = 512;
    uint64_t hitSector = 0;
    uint64_t cursorSector = 0;
    bool tsContinuation = false;
    bool previousHitWasMts = false;
    std::vector<std::pair<uint64_t, uint64_t>> tsRegions;  // (first sector, last sector)
    // Progress of the surrounding scan, read by the size rules' read-ahead loop.
    uint64_t sectorsScanned = 0;
    uint64_t sectorsTotal = 0;
    int32_t secondsLeft = -1;
    uint64_t filesFound = 0;
    int32_t (*progress)(void* context, int32_t units, int32_t scale, int32_t secondsLeft,
                        uint64_t sectorsDone, uint64_t sectorsTotal, uint64_t filesFound,
                        int32_t reserved) = nullptr;
    void* progressContext = nullptr;
    int32_t scale = 100;
    int32_t cancelStatus = 0;
    uint8_t* scratch = nullptr;  // 64 KiB
    static constexpr size_t kScratchSize = 65536;
};

SignatureContext& GetSignatureContext();

struct SignatureHit {
    const FileTypeSignature* row;  // first row whose check answered
    int32_t typeId;
};

// The first row in table order whose check matches, or {nullptr, 49}. Runs only the rows whose
// key bytes the block carries (see FormatCheck.h), in table order.
SignatureHit IdentifyBlock(const uint8_t* block, int32_t length);
// The same answer by calling every row's check in table order: the reference for IdentifyBlock.
SignatureHit IdentifyBlockByWalk(const uint8_t* block, int32_t length);
const FileTypeSignature* FindSignatureByType(int32_t typeId);
const FileTypeSignature* FindSignatureByExtension(std::string_view extension);
// 1 if the block begins like a file of that extension, else 0. Used by the FAT and NTFS content
// checks.
int32_t MatchesExtension(const uint8_t* block, int32_t length, std::string_view extension,
                         SectorDevice* device, int32_t sectorSize, uint64_t sector);

}  // namespace keldrin
