// Windows icons.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckIco(const uint8_t* block, int32_t length);
uint64_t SizeIco(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kIcoCheck = Keyed(CheckIco, Key(0, 0x00));

}  // namespace keldrin
