// MPEG audio layer II files with the fixed frame header FF FD E4 00.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckMp2(const uint8_t* block, int32_t length);
uint64_t SizeMp2(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kMp2Check = Keyed(CheckMp2, Key(0, 0xFF));

}  // namespace keldrin
