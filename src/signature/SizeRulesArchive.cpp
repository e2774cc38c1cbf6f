#include "signature/SizeRulesArchive.h"

#include "platform/ByteOrder.h"

namespace keldrin {

namespace {

constexpr uint8_t kEndOfCentralDirectory[4] = {'P', 'K', 5, 6};
constexpr uint32_t kEndRecordBytes = 22;

// The archive end the record at chunk position p states, when its central directory ends right
// where the record begins.
std::optional<uint64_t> ExactEndAt(const ReadAheadChunk& chunk, int64_t p) {
    const uint64_t at = uint64_t(int64_t(chunk.base) + p);
    uint8_t record[kEndRecordBytes];
    if (!CopyFileBytes(chunk, at, kEndRecordBytes, record)) return std::nullopt;
    const uint64_t directorySize = Le32(record + 12);
    const uint64_t directoryOffset = Le32(record + 16);
    if (directoryOffset + directorySize != at) return std::nullopt;
    const uint64_t end = at + kEndRecordBytes;
    const uint64_t withComment = end + Le16(record + 20);
    return withComment <= chunk.End() ? withComment : end;
}

}  // namespace

std::optional<uint64_t> ZipExactEnd(const ReadAheadChunk& chunk) {
    for (int64_t p = FindMarker(chunk, kEndOfCentralDirectory, 4, INT64_MIN + 1); p != kNoMarker;
         p = FindMarker(chunk, kEndOfCentralDirectory, 4, p + 1)) {
        if (std::optional<uint64_t> end = ExactEndAt(chunk, p)) return end;
    }
    return std::nullopt;
}

std::optional<uint64_t> ZipEndInChunk(const ReadAheadChunk& chunk) {
    if (std::optional<uint64_t> end = ZipExactEnd(chunk)) return end;
    const int64_t last = FindLastMarker(chunk, kEndOfCentralDirectory, 4);
    if (last == kNoMarker) return std::nullopt;
    return uint64_t(int64_t(chunk.base) + last) + kEndRecordBytes;
}

uint64_t ZipArchiveEstimate(const uint8_t* block, int32_t length, uint64_t limit) {
    const ReadAheadChunk first = FirstSectorView(block, length, GetSignatureContext().sectorSize);
    if (std::optional<uint64_t> end = ZipExactEnd(first)) return *end;
    return ReadAhead(block, length, limit, BoundaryKind::kStandard, ZipEndInChunk).size;
}

}  // namespace keldrin
