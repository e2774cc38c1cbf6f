// RAR archives.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckRar(const uint8_t* block, int32_t length);
uint64_t SizeRar(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kRarCheck = Keyed(CheckRar, Key(0, 'R'));

}  // namespace keldrin
