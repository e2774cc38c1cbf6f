// End tests shared by several archive rows (ZIP and the Open XML packages built on it).
#pragma once

#include <cstdint>
#include <optional>

#include "signature/ReadAhead.h"

namespace keldrin {

// The end of a ZIP archive within a chunk: the first end-of-central-directory record whose
// central directory (stated offset + size) ends exactly where the record starts, plus its comment
// when the comment lies inside the bytes read (else its fixed 22 bytes). Without such a record:
// 22 bytes past the chunk's last record. nullopt when the chunk holds no record.
std::optional<uint64_t> ZipEndInChunk(const ReadAheadChunk& chunk);

// Only the exact-match record above (the first sector of a small archive).
std::optional<uint64_t> ZipExactEnd(const ReadAheadChunk& chunk);

// The Open XML and ZIP estimate: the read-ahead with ZipEndInChunk, after looking in the first
// sector for an archive that ends there.
uint64_t ZipArchiveEstimate(const uint8_t* block, int32_t length, uint64_t limit);

}  // namespace keldrin
