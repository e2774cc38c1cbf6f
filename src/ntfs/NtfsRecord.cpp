// MFT record headers and update-sequence fixups.
#include <algorithm>

#include "ntfs/NtfsLayout.h"
#include "platform/ByteOrder.h"

namespace keldrin::ntfs {

bool IsFileRecord(const uint8_t* record) { return BytesEqual(record, "FILE", 4); }

uint32_t RecordBound(const uint8_t* record, uint32_t recordSize) {
    return std::min(Le32(record + kRecordBytesInUse), recordSize);
}

void ApplyFixups(uint8_t* record, const RecordGeometry& geometry) {
    // NTFS protects each 512-byte stride of a record, so a 4096-byte record carries eight values
    // even on 4096-byte sectors. The values are taken at offset 50 and not compared with the
    // tails: a record torn by a crash still yields what it holds.
    const uint32_t strides = geometry.RecordSize() / kFixupStride;
    if (kRecordFixupValues + 2 * strides > geometry.RecordSize()) return;
    for (uint32_t i = 0; i < strides; ++i) {
        const uint8_t* value = record + kRecordFixupValues + 2 * i;
        uint8_t* tail = record + (i + 1) * kFixupStride - 2;
        tail[0] = value[0];
        tail[1] = value[1];
    }
}

}  // namespace keldrin::ntfs
