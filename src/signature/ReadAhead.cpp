#include "signature/ReadAhead.h"

#include <algorithm>
#include <cstring>

#include "signature/SizeRulesStructure.h"
#include "storage/SectorDevice.h"

namespace keldrin {

namespace {

constexpr int32_t kMpegType = 15;

uint8_t ByteAt(const ReadAheadChunk& chunk, int64_t i) {
    return i < 0 ? chunk.join[int64_t(chunk.joinLength) + i] : chunk.bytes[i];
}

bool MatchesAt(const ReadAheadChunk& chunk, int64_t pos, const uint8_t* marker, uint32_t n) {
    for (uint32_t j = 0; j < n; ++j) {
        if (ByteAt(chunk, pos + int64_t(j)) != marker[j]) return false;
    }
    return true;
}

int32_t ScanBoundary(uint32_t bytes, const uint8_t* buffer, uint64_t* size, bool mpegIsData) {
    SignatureContext& ctx = GetSignatureContext();
    const int32_t ss = ctx.sectorSize;
    if (ss <= 0 || buffer == nullptr) return 0;
    const uint32_t sectors = bytes / uint32_t(ss);
    for (uint32_t k = 0; k < sectors; ++k) {
        // Checks that read the device look at the cursor, so it must name this sector.
        ++ctx.cursorSector;
        const uint8_t* sector = buffer + size_t(k) * size_t(ss);
        const SignatureHit hit = IdentifyBlock(sector, ss);
        bool boundary = hit.typeId != kNoMatchType && !(mpegIsData && hit.typeId == kMpegType);
        if (!boundary) boundary = IsStructureSector(sector, ss);
        if (boundary) {
            *size += uint64_t(k) * uint64_t(ss);
            return 1;
        }
    }
    return 0;
}

}  // namespace

uint8_t* EnsureScratchBuffer() {
    // Static storage: the buffer outlives every engine, so no engine's destructor can free it.
    alignas(64) static uint8_t storage[SignatureContext::kScratchSize];
    SignatureContext& ctx = GetSignatureContext();
    if (ctx.scratch == nullptr) ctx.scratch = storage;
    return ctx.scratch;
}

ReadAheadChunk FirstSectorView(const uint8_t* block, int32_t length, int32_t sectorSize) {
    ReadAheadChunk chunk;
    chunk.bytes = block;
    chunk.length = block != nullptr && length > 0 ? uint32_t(length) : 0;
    chunk.sectorSize = sectorSize;
    return chunk;
}

int64_t FindMarker(const ReadAheadChunk& chunk, const uint8_t* marker, uint32_t n, int64_t from) {
    if (n == 0 || chunk.bytes == nullptr) return kNoMarker;
    const int64_t length = chunk.length;
    // Markers that start in the join bytes and end inside this chunk.
    const int64_t joinStart =
        -int64_t(std::min<uint32_t>(chunk.joinLength, n - 1));
    for (int64_t p = std::max(from, joinStart); p < 0; ++p) {
        if (p + int64_t(n) > length) break;
        if (MatchesAt(chunk, p, marker, n)) return p;
    }
    int64_t p = std::max<int64_t>(from, 0);
    while (p + int64_t(n) <= length) {
        const void* hit = std::memchr(chunk.bytes + p, marker[0], size_t(length - int64_t(n) - p + 1));
        if (hit == nullptr) return kNoMarker;
        p = static_cast<const uint8_t*>(hit) - chunk.bytes;
        if (std::memcmp(chunk.bytes + p, marker, n) == 0) return p;
        ++p;
    }
    return kNoMarker;
}

int64_t FindLastMarker(const ReadAheadChunk& chunk, const uint8_t* marker, uint32_t n) {
    int64_t last = kNoMarker;
    for (int64_t p = FindMarker(chunk, marker, n, INT64_MIN + 1); p != kNoMarker;
         p = FindMarker(chunk, marker, n, p + 1)) {
        last = p;
    }
    return last;
}

bool IsPaddedEnd(const ReadAheadChunk& chunk, uint64_t c) {
    const uint64_t ss = chunk.sectorSize > 0 ? uint64_t(chunk.sectorSize) : 1;
    if (c % ss == 0) return true;
    const uint64_t sectorEnd = std::min<uint64_t>((c / ss + 1) * ss, chunk.length);
    for (uint64_t i = c; i < sectorEnd; ++i) {
        if (chunk.bytes[i] != 0) return false;
    }
    return true;
}

std::optional<uint64_t> PaddedMarkerEnd(const ReadAheadChunk& chunk, const uint8_t* marker,
                                        uint32_t n) {
    for (int64_t p = FindMarker(chunk, marker, n, INT64_MIN + 1); p != kNoMarker;
         p = FindMarker(chunk, marker, n, p + 1)) {
        const uint64_t c = uint64_t(p + int64_t(n));  // >= 1: the marker ends inside the chunk
        if (IsPaddedEnd(chunk, c)) return chunk.base + c;
    }
    return std::nullopt;
}

bool CopyFileBytes(const ReadAheadChunk& chunk, uint64_t fileOffset, uint32_t count,
                   uint8_t* out) {
    const uint64_t first = chunk.base - chunk.joinLength;
    if (fileOffset < first || fileOffset + count > chunk.End() || fileOffset + count < fileOffset) {
        return false;
    }
    const int64_t rel = int64_t(fileOffset - chunk.base);
    for (uint32_t i = 0; i < count; ++i) out[i] = ByteAt(chunk, rel + int64_t(i));
    return true;
}

ReadAheadResult RunReadAhead(const uint8_t* block, int32_t length, uint64_t limit,
                             BoundaryKind kind, ChunkTest test, void* state) {
    SignatureContext& ctx = GetSignatureContext();
    const int32_t ss = ctx.sectorSize;
    ReadAheadResult result;
    result.size = ss > 0 ? uint64_t(ss) : 0;
    if (ss <= 0 || uint64_t(ss) > SignatureContext::kScratchSize || ctx.device == nullptr) {
        return result;
    }
    uint8_t* scratch = EnsureScratchBuffer();
    const uint64_t chunkSectors = SignatureContext::kScratchSize / uint64_t(ss);

    uint8_t join[kJoinBytes];
    uint32_t joinLength = 0;
    if (block != nullptr && length > 0) {
        joinLength = std::min<uint32_t>(kJoinBytes, uint32_t(length));
        std::memcpy(join, block + length - joinLength, joinLength);
    }

    uint64_t base = ss;
    uint64_t remaining = limit / uint64_t(ss);
    uint64_t consumed = 0;
    uint64_t extra = 0;
    while (remaining != 0) {
        const uint64_t first = ctx.hitSector + 1 + consumed;
        const uint64_t deviceSectors = ctx.device->sectorCount;
        // A chunk that would cross the device end is cut to the sectors that exist, so a file
        // ending in the device's last chunk keeps its tail.
        if (first <= ctx.hitSector || first >= deviceSectors) break;
        const uint64_t n = std::min({chunkSectors, remaining, deviceSectors - first});
        uint32_t got = 0;
        if (ReadSectors(*ctx.device, scratch, first, int32_t(n), uint32_t(ss), &got) != 0 ||
            got == 0) {
            break;
        }
        extra += got;
        if (ctx.progress != nullptr) {
            const uint64_t done = ctx.sectorsScanned + extra;
            const uint64_t percent = ctx.sectorsTotal != 0 ? done * 100 / ctx.sectorsTotal : 0;
            const int32_t answer =
                ctx.progress(ctx.progressContext, int32_t(percent + 10), ctx.scale,
                             ctx.secondsLeft, done, ctx.sectorsTotal, ctx.filesFound, 0);
            ctx.cancelStatus = answer;
            if (answer != 0) break;
        }

        const uint32_t bytes = got * uint32_t(ss);
        ReadAheadChunk chunk;
        chunk.bytes = scratch;
        chunk.length = bytes;
        chunk.join = join;
        chunk.joinLength = joinLength;
        chunk.base = base;
        chunk.sectorSize = ss;
        uint64_t boundary = result.size;
        chunk.boundaryFound = (kind == BoundaryKind::kMpeg
                                   ? ScanForBoundaryMpeg(bytes, scratch, &boundary)
                                   : ScanForBoundary(bytes, scratch, &boundary)) != 0;
        chunk.boundary = boundary;

        if (test != nullptr) {
            if (std::optional<uint64_t> end = test(state, chunk)) {
                result.size = *end;
                result.endedByTest = true;
                return result;
            }
        }
        if (chunk.boundaryFound) {
            result.size = boundary;
            return result;
        }
        result.size += bytes;
        base += bytes;
        consumed += got;
        remaining -= got;
        joinLength = std::min<uint32_t>(kJoinBytes, bytes);
        std::memcpy(join, scratch + bytes - joinLength, joinLength);
    }
    return result;
}

uint64_t BoundaryRuleEstimate(const uint8_t* block, int32_t length, uint64_t limit) {
    return RunReadAhead(block, length, limit, BoundaryKind::kStandard, nullptr, nullptr).size;
}

int32_t ScanForBoundary(uint32_t bytes, const uint8_t* buffer, uint64_t* size) {
    return ScanBoundary(bytes, buffer, size, false);
}

int32_t ScanForBoundaryMpeg(uint32_t bytes, const uint8_t* buffer, uint64_t* size) {
    return ScanBoundary(bytes, buffer, size, true);
}

uint64_t HeaderFieldSize(uint64_t stated, uint64_t headerLength, uint64_t limit) {
    const uint64_t ss = uint64_t(std::max(GetSignatureContext().sectorSize, 1));
    const uint64_t size = std::min(stated, limit);
    return size < headerLength ? ss : size;
}

}  // namespace keldrin
