// Flash video.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckFlv(const uint8_t* block, int32_t length);
uint64_t SizeFlv(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kFlvCheck = Keyed(CheckFlv, Key(0, 'F'));

}  // namespace keldrin
