// GIF pictures.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckGif(const uint8_t* block, int32_t length);
uint64_t SizeGif(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kGifCheck = Keyed(CheckGif, Key(0, 'G'));

}  // namespace keldrin
