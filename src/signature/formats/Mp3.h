// MP3 audio that starts with an ID3v2 tag.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckMp3(const uint8_t* block, int32_t length);
uint64_t SizeMp3(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kMp3Check = Keyed(CheckMp3, Key(0, 'I'));

}  // namespace keldrin
