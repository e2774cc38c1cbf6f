// TIFF pictures, either byte order.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckTiff(const uint8_t* block, int32_t length);
uint64_t SizeTiff(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kTiffCheck = Keyed(CheckTiff, Key(0, 'M', 'I'));

}  // namespace keldrin
