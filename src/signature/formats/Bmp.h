// Windows bitmaps with the 40-byte info header.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckBmp(const uint8_t* block, int32_t length);
uint64_t SizeBmp(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kBmpCheck = Keyed(CheckBmp, Key(0, 'B'));

}  // namespace keldrin
