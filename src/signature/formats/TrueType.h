// TrueType fonts.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckTrueType(const uint8_t* block, int32_t length);
uint64_t SizeTrueType(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kTrueTypeCheck = Keyed(CheckTrueType, Key(0, 0x00));

}  // namespace keldrin
