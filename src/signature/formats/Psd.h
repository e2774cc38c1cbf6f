// Photoshop documents.
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckPsd(const uint8_t* block, int32_t length);
uint64_t SizePsd(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kPsdCheck = Keyed(CheckPsd, Key(0, '8'));

}  // namespace keldrin
