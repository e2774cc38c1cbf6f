// MPEG program streams (pack header) and elementary video streams (sequence header).
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckMpeg(const uint8_t* block, int32_t length);
uint64_t SizeMpeg(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kMpegCheck = Keyed(CheckMpeg, Key(0, 0x00));

}  // namespace keldrin
