// Monkey's Audio.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckApe(const uint8_t* block, int32_t length);
uint64_t SizeApe(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kApeCheck = Keyed(CheckApe, Key(0, 'M'));

}  // namespace keldrin
