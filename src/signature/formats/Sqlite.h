// SQLite databases.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckSqlite(const uint8_t* block, int32_t length);
uint64_t SizeSqlite(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kSqliteCheck = Keyed(CheckSqlite, Key(0, 'S'));

}  // namespace keldrin
