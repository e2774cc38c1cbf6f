// MXF containers (header partition pack key).
#pragma once

#include <cstdint>

#include "signature/FormatCheck.h"

namespace keldrin {

int32_t CheckMxf(const uint8_t* block, int32_t length);
uint64_t SizeMxf(const uint8_t* block, int32_t length);

inline constexpr FormatCheck kMxfCheck = Keyed(CheckMxf, Key(0, 0x06));

}  // namespace keldrin
