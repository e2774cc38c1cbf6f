// Cabinet archives.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckCab(const uint8_t* block, int32_t length);
uint64_t SizeCab(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kCabCheck = Keyed(CheckCab, Key(0, 'M'));

}  // namespace keldrin
