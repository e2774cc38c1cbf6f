// The machinery every read-ahead size rule shares: reading on from a file's first sector in
// chunks of at most 64 KiB into the context's scratch buffer, reporting progress once per chunk,
// honouring cancel, stopping at the next sector that begins another file or a file-system
// structure (the boundary scan), and finding end markers, including markers split across two
// chunks. A size rule is one function beside its format's check that runs this loop with its own
// limit and end test; it never copies the loop.
//
// Everything here runs on the scan worker thread through the process-wide SignatureContext.
// Offsets called "file offsets" are bytes from the start of the candidate file (its hit sector).
#pragma once

#include <cstdint>
#include <optional>
#include <type_traits>

#include "signature/FileTypeSignature.h"

namespace keldrin {

// The longest end marker any rule searches (26 bytes) minus one: that many bytes of the data
// before a chunk are searched together with it, so that a marker split across two chunks is found.
inline constexpr uint32_t kJoinBytes = 25;
inline constexpr int64_t kNoMarker = INT64_MIN;

enum class BoundaryKind { kStandard, kMpeg };

// One piece of the candidate file as seen by an end test: a chunk read ahead, or the first sector
// itself (see FirstSectorView).
struct ReadAheadChunk {
    const uint8_t* bytes = nullptr;  // the chunk's own bytes
    uint32_t length = 0;             // B, a whole number of sectors
    const uint8_t* join = nullptr;   // the last joinLength bytes of the data before bytes[0]
    uint32_t joinLength = 0;         // at most kJoinBytes; 0 for the first sector
    uint64_t base = 0;               // file offset of bytes[0]
    int32_t sectorSize = 512;
    // Set when the boundary scan found a boundary sector in this chunk; boundary is then its file
    // offset (the estimate the loop will end with unless the end test decides).
    bool boundaryFound = false;
    uint64_t boundary = 0;

    // File offset just past the bytes read so far.
    uint64_t End() const { return base + length; }
    // The estimate the loop reaches after this chunk if the end test does not decide.
    uint64_t SizeAfter() const { return boundaryFound ? boundary : End(); }
};

// The first sector as a piece of its own (base 0, nothing before it).
ReadAheadChunk FirstSectorView(const uint8_t* block, int32_t length, int32_t sectorSize);

// Position (relative to chunk.bytes) of the first occurrence of the marker that starts at or
// after from and ends inside the chunk. A negative position means the marker starts in the join
// bytes (down to -(markerLength - 1)). kNoMarker when there is none.
int64_t FindMarker(const ReadAheadChunk& chunk, const uint8_t* marker, uint32_t markerLength,
                   int64_t from);
// The last such occurrence, or kNoMarker.
int64_t FindLastMarker(const ReadAheadChunk& chunk, const uint8_t* marker, uint32_t markerLength);
inline int64_t FindMarker(const ReadAheadChunk& chunk, const char* text, uint32_t length,
                          int64_t from) {
    return FindMarker(chunk, reinterpret_cast<const uint8_t*>(text), length, from);
}
inline int64_t FindLastMarker(const ReadAheadChunk& chunk, const char* text, uint32_t length) {
    return FindLastMarker(chunk, reinterpret_cast<const uint8_t*>(text), length);
}

// A marker ending just before chunk offset c (0 < c <= length) is padded when c lies on a sector
// edge or every byte from c to the end of its sector is zero.
bool IsPaddedEnd(const ReadAheadChunk& chunk, uint64_t c);

// File offset just past the first occurrence of the marker in the chunk that is padded, or
// nullopt. For the first sector (base 0) that is the marker's end within the block.
std::optional<uint64_t> PaddedMarkerEnd(const ReadAheadChunk& chunk, const uint8_t* marker,
                                        uint32_t markerLength);

// Copies count bytes at the file offset into out when the join bytes and the chunk hold all of
// them; false otherwise. Lets a structure walk read a header that straddles two chunks.
bool CopyFileBytes(const ReadAheadChunk& chunk, uint64_t fileOffset, uint32_t count, uint8_t* out);

// An end test: returns the estimate to end with it, or nullopt to go on reading.
using ChunkTest = std::optional<uint64_t> (*)(void* state, const ReadAheadChunk& chunk);

struct ReadAheadResult {
    uint64_t size = 0;         // the estimate: the end test's result, a boundary or the bytes read
    bool endedByTest = false;  // the end test decided
};

// The read-ahead loop. block is the first sector (its last bytes join the first chunk). Reads at
// most limit bytes after the first sector, in chunks of 65 536 / sector size sectors, clamped to
// the sectors the device has. Ends at a read failure, a non-zero progress answer (kept in the
// context's cancel status), the end test's decision, a boundary, or the limit. test may be null.
ReadAheadResult RunReadAhead(const uint8_t* block, int32_t length, uint64_t limit,
                             BoundaryKind kind, ChunkTest test, void* state);

// The same with any callable std::optional<uint64_t>(const ReadAheadChunk&) as the end test.
template <typename Test>
ReadAheadResult ReadAhead(const uint8_t* block, int32_t length, uint64_t limit, BoundaryKind kind,
                          Test&& test) {
    struct Holder {
        std::remove_reference_t<Test>* test;
    } holder{&test};
    auto trampoline = [](void* state, const ReadAheadChunk& chunk) -> std::optional<uint64_t> {
        return (*static_cast<Holder*>(state)->test)(chunk);
    };
    return RunReadAhead(block, length, limit, kind, trampoline, &holder);
}

// The boundary rule: the read-ahead with no end test; the result is the boundary or the limit.
uint64_t BoundaryRuleEstimate(const uint8_t* block, int32_t length, uint64_t limit);

// Scans a whole number of sectors for the first boundary: a sector the signature table
// recognises (for the MPEG variant, type 15 excepted) or a file-system structure. Advances the
// context's cursor sector once per sector examined. On a find, *size grows by the boundary's
// offset within the buffer and the answer is 1; else 0.
int32_t ScanForBoundary(uint32_t bytes, const uint8_t* buffer, uint64_t* size);
int32_t ScanForBoundaryMpeg(uint32_t bytes, const uint8_t* buffer, uint64_t* size);

// The context's 64 KiB scratch buffer, allocated on first use. It belongs to the process-wide
// context and is never freed while the process lives: a rescan makes its new engine before the
// old one is destroyed, so no engine may free it.
uint8_t* EnsureScratchBuffer();

// A header-stated size made safe: capped at limit, and a size smaller than the header itself
// (0 included) becomes one sector.
uint64_t HeaderFieldSize(uint64_t stated, uint64_t headerLength, uint64_t limit);

}  // namespace keldrin
