#include "signature/formats/Sqlite.h"

#include "platform/ByteOrder.h"
#include "signature/SignatureBytes.h"

namespace keldrin {

int32_t CheckSqlite(const uint8_t* block, int32_t length) {
    if (!block || length < 16) return kNoMatchType;
    return BytesAt(block, length, 0, "SQLite format 3", 16) ? 39 : kNoMatchType;
}

uint64_t SizeSqlite(const uint8_t* block, int32_t length) {
    return OneSectorBytes();
}

}  // namespace keldrin
